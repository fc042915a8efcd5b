// bench_start_minimal: the least a Qt program needs to show one frame of the kind the application
// shows (bench/minimal_scene.h, its floor pattern on floor and box), multisampled, in a window of
// the main frame's start size; the start-up reference. Writes one byte to standard output at its
// first painted frame and ends there.

#include "minimal_scene.h"

#include <QApplication>
#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include <unistd.h>

namespace {

constexpr int kWidth = 1100; // the main frame's start size
constexpr int kHeight = 760;
constexpr int kSamples = 4;

class MinimalView : public QOpenGLWidget {
protected:
    void initializeGL() override { textures_ = minimal::makePatternTextures(); }

    void paintGL() override {
        minimal::drawFrame(width(), height(), textures_);
        glFinish();
        const ssize_t written = ::write(STDOUT_FILENO, "p", 1);
        ::_exit(written == 1 ? 0 : 1);
    }

private:
    minimal::Textures textures_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSamples(kSamples);
    MinimalView view;
    view.setFormat(format);
    view.resize(kWidth, kHeight);
    view.show();
    return QApplication::exec();
}
