// The cartonic executable as a process: without a display, or with one it cannot reach, it says
// so in one line and ends with a failure status, not a crash.

#include "support/run_process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class AppProcessTest : public QObject {
    Q_OBJECT

private slots:
    void withoutADisplayItSaysSoAndFails() {
        // No display at all, and one named that nobody serves.
        for (const char* display : {"", ":987"}) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            if (*display) {
                env.insert("DISPLAY", display);
            }
            process.setProcessEnvironment(env);
            process.start(CARTONIC_BIN, {});
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 2);
            const QByteArray err = process.readAllStandardError();
            QVERIFY2(err.contains("display") && err.count('\n') == 1, err.constData());
        }
    }
};

QTEST_GUILESS_MAIN(AppProcessTest)
#include "app_process_test.moc"
