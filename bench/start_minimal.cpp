// bench_start_minimal: the least a Qt program needs to show one OpenGL frame in a window of the
// main frame's start size; the start-up reference. Writes one byte to standard output at its
// first painted frame and ends there.

#include <QApplication>
#include <QOpenGLWidget>

#include <GL/gl.h>

#include <unistd.h>

namespace {

constexpr int kWidth = 1100; // the main frame's start size
constexpr int kHeight = 760;

class MinimalView : public QOpenGLWidget {
protected:
    void paintGL() override {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const ssize_t written = ::write(STDOUT_FILENO, "p", 1);
        ::_exit(written == 1 ? 0 : 1);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MinimalView view;
    view.resize(kWidth, kHeight);
    view.show();
    return QApplication::exec();
}
