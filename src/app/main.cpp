// cartonic: the desktop application.

#include "app/drawing_waiter.h"
#include "app/main_frame.h"
#include "app/startup.h"
#include "model/project.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

#include <cstdlib>
#include <exception>
#include <iostream>

namespace {

// The exit code after the main window closed normally.
constexpr int kNormalExitCode = 1;
// The exit code when the main window could not be made.
constexpr int kNoWindowExitCode = 0;
// The exit code when there is no display to show a window on, or it cannot be reached: a failure,
// which scripts must be able to tell from a normal end.
constexpr int kNoDisplayExitCode = 2;

bool hasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// While the toolkit connects to the display: it reports an unreachable display with a warning and
// then ends the process with an abort and a core dump. The first warning is kept as the reason,
// and the abort becomes one line and kNoDisplayExitCode. Messages of a start that goes well are
// passed on afterwards.
QStringList startMessages;

void startMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        startMessages << message;
        return;
    }
    const QString reason = startMessages.isEmpty() ? message : startMessages.first();
    std::cerr << "cartonic: cannot open the window: "
              << reason.section('\n', 0, 0).toLocal8Bit().constData() << '\n';
    std::_Exit(kNoDisplayExitCode);
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay()) {
        std::cerr << "cartonic: no display to open the window on; cartonic-render renders "
                     "projects without one\n";
        return kNoDisplayExitCode;
    }
    cartonic::prepareToolkit();
    const QtMessageHandler defaultHandler = qInstallMessageHandler(startMessageHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(defaultHandler);
    for (const QString& message : std::as_const(startMessages)) {
        qWarning().noquote() << message;
    }
    cartonic::setUpApplication();
    // While a document draws, the window repaints and Esc stops the drawing.
    const cartonic::DrawingWaiter drawingWaiter;

    QCommandLineParser parser;
    parser.setApplicationDescription("Makes pictures of a product box.");
    parser.addHelpOption();
    parser.addPositionalArgument("project", "A project (.ctn) to open.", "[project]");
    parser.process(app);

    // The project exists, with its defaults, before any window.
    cartonic::Project project;
    // What the window remembers between runs: its layout, recent projects, the last export.
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Cartonic", "cartonic");
    try {
        cartonic::MainFrame frame(project, cartonic::UserPrompts::standard(), &settings);
        if (!parser.positionalArguments().isEmpty()) {
            frame.openAtStart(parser.positionalArguments().constFirst());
        }
        frame.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        std::cerr << "cartonic: " << e.what() << '\n';
        return kNoWindowExitCode;
    }
    return kNormalExitCode;
}
