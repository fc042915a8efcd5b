// Renders one picture with cartonic-render and compares it with its baseline: the whole picture,
// not the pixels someone thought to probe. Usage:
//
//   baseline_check RENDER_BIN BASELINE.png OUT_DIR [cartonic-render arguments...]
//
// Renders OUT_DIR/NAME.png (NAME from the baseline's file name) and passes when no more than
// kMostDifferingPixels pixels differ from the baseline by more than kTolerance in any channel.
// Otherwise it writes OUT_DIR/NAME-diff.png (differing pixels in red over a dimmed baseline),
// names both files and fails. With CARTONIC_UPDATE_BASELINES=1 in the environment it copies the
// render over the baseline instead: only for a change of picture that is meant, and said so in
// the commit.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Drivers and libraries may round a shade differently; a change of picture moves far more.
constexpr int kTolerance = 6;                  // per channel, of 255
constexpr double kMostDifferingPixels = 0.002; // of the picture's pixels

int fail(const QString& message) {
    std::fprintf(stderr, "baseline_check: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        return fail("usage: baseline_check RENDER_BIN BASELINE.png OUT_DIR [arguments...]");
    }
    const QString baselinePath = args[2];
    const QString name = QFileInfo(baselinePath).completeBaseName();
    const QString actualPath = args[3] + "/" + name + ".png";
    const QString diffPath = args[3] + "/" + name + "-diff.png";
    QFile::remove(diffPath);

    QProcess render;
    render.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    render.start(args[1], args.mid(4) + QStringList{"-o", actualPath});
    if (!render.waitForFinished(120000) || render.exitStatus() != QProcess::NormalExit ||
        render.exitCode() != 0) {
        return fail("cartonic-render failed for " + name);
    }
    const QImage actual = QImage(actualPath).convertToFormat(QImage::Format_ARGB32);
    if (actual.isNull()) {
        return fail("no picture was written to " + actualPath);
    }
    if (qEnvironmentVariable("CARTONIC_UPDATE_BASELINES") == "1") {
        QFile::remove(baselinePath);
        if (!QFile::copy(actualPath, baselinePath)) {
            return fail("cannot write " + baselinePath);
        }
        std::printf("baseline_check: %s updated\n", qPrintable(baselinePath));
        return 0;
    }
    const QImage expected = QImage(baselinePath).convertToFormat(QImage::Format_ARGB32);
    if (expected.isNull()) {
        return fail("no baseline " + baselinePath + "; make it with scripts/update-baselines.sh");
    }
    if (expected.size() != actual.size()) {
        return fail(QString("%1 is %2x%3, its baseline %4x%5")
                        .arg(actualPath)
                        .arg(actual.width())
                        .arg(actual.height())
                        .arg(expected.width())
                        .arg(expected.height()));
    }

    QImage diff = expected;
    long differing = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            const int worst =
                std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                          std::abs(qBlue(a) - qBlue(e)), std::abs(qAlpha(a) - qAlpha(e))});
            if (worst > kTolerance) {
                ++differing;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            } else {
                diff.setPixel(x, y, qRgb(qRed(e) / 3, qGreen(e) / 3, qBlue(e) / 3));
            }
        }
    }
    const long allowed = static_cast<long>(kMostDifferingPixels * actual.width() * actual.height());
    if (differing > allowed) {
        diff.save(diffPath);
        return fail(
            QString("%1: %2 pixels differ from the baseline (at most %3 may); see %4 and %5")
                .arg(name)
                .arg(differing)
                .arg(allowed)
                .arg(actualPath, diffPath));
    }
    return 0;
}
