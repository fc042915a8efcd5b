// bench_start_cartonic: the application started exactly as the cartonic executable starts it,
// writing one byte to standard output at the view's first painted frame and ending there. The
// application itself carries no hook for this; bench_start times it from outside.

#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "app/startup.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    cartonic::prepareToolkit();
    QApplication app(argc, argv);
    cartonic::setUpApplication();
    cartonic::Project project;
    cartonic::MainFrame frame(project);
    QObject::connect(&frame.view(), &cartonic::OGLView::painted, [] {
        const ssize_t written = ::write(STDOUT_FILENO, "p", 1);
        ::_exit(written == 1 ? 0 : 1);
    });
    frame.show();
    return QApplication::exec();
}
