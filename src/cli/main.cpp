// cartonic-render: the command-line shell over the core libraries, for scripts and servers
// without a display.

#include "cli/batch_run.h"
#include "cli/printable_text.h"
#include "cli/render_job.h"
#include "cli/render_options.h"
#include "cli/usage_text.h"
#include "image/kept_pictures.h"

#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

using namespace cartonic;

namespace {

constexpr const char* kOffscreenPlatform = "offscreen";

// A command line that cannot be used; every other failure is EXIT_FAILURE.
constexpr int kExitUsage = 2;

// The one place a run's outcome becomes the exit status scripts see.
int exitStatus(const Status& outcome) {
    switch (outcome.kind()) {
    case Status::Kind::Ok:
        return EXIT_SUCCESS;
    case Status::Kind::Usage:
        return kExitUsage;
    default:
        return EXIT_FAILURE;
    }
}

QtMessageHandler qtDefaultHandler = nullptr;

// Qt's own diagnostics (a codec's remarks on a picture, plugin notes) would mix with the tool's
// one-line messages; what matters reaches the user through the job's own errors.
void quietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if ((type == QtCriticalMsg || type == QtFatalMsg) && qtDefaultHandler) {
        qtDefaultHandler(type, context, text);
    }
}

// A standard descriptor closed by whoever started the program would be the number of the next
// file opened: a project read as the manifest, a picture written into a file being read. Each
// closed one gets /dev/null opened the wrong way round, so that using it still fails as a
// closed one does (EBADF) and nothing else takes its number.
void holdStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    holdStandardDescriptors();
    // A reader that closes the pipe of -o - early is a failed write, reported as any other,
    // rather than a silent death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    qtDefaultHandler = qInstallMessageHandler(quietQtMessages);
    // For the image codec plugins, which Qt finds through the application object, and the fonts
    // of an SVG face's text, which need a GUI application. Its platform is the offscreen one,
    // whatever the environment says, so there is never a display to look for.
    qputenv("QT_QPA_PLATFORM", kOffscreenPlatform);
    QGuiApplication app(argc, argv);
    // Pictures the tool makes are kept where the application keeps them.
    QCoreApplication::setApplicationName(kApplicationName);
    const Result<RenderOptions> parsed =
        parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed) {
        std::cerr << kProgramPrefix << printable(parsed.status.message())
                  << "\nTry 'cartonic-render --help'.\n";
        return exitStatus(parsed.status);
    }
    const RenderOptions& options = parsed.value;
    if (options.help) {
        std::cout << renderUsage();
        return exitStatus(Status());
    }
    if (options.listPresets) {
        std::cout << presetList();
        return exitStatus(Status());
    }
    if (options.batch) {
        return runBatch(options, std::cout, std::cerr);
    }
    RenderSession session;
    Project project;
    RenderJob job(options, project, session);
    return exitStatus(job.run(std::cout, std::cerr));
}
