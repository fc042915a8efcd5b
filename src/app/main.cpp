// cartonic: the desktop application.

#include "app/main_frame.h"
#include "app/startup.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <QApplication>

#include <exception>
#include <iostream>

namespace {
// The exit code after the main window closed normally.
constexpr int kNormalExitCode = 1;
// The exit code when the main window could not be made.
constexpr int kNoWindowExitCode = 0;
} // namespace

namespace {

// Qt ends the process with an abort when it cannot reach a display; say so plainly instead.
bool hasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay()) {
        std::cerr << "cartonic: no display to open the window on; cartonic-render renders "
                     "projects without one\n";
        return kNoWindowExitCode;
    }
    cartonic::prepareToolkit();
    QApplication app(argc, argv);
    cartonic::setUpApplication();

    // The record exists, with its defaults, before any window.
    cartonic::ProjectData& data = cartonic::projectData();
    try {
        cartonic::MainFrame frame(data, cartonic::slotImages());
        frame.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        std::cerr << "cartonic: " << e.what() << '\n';
        return kNoWindowExitCode;
    }
    return kNormalExitCode;
}
