// The cartonic executable as a process: without a display it says so and ends with 0, the code
// for a window that could not be made.

#include "support/run_process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class AppProcessTest : public QObject {
    Q_OBJECT

private slots:
    void withoutADisplayItEndsWithZero() {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(env);
        process.start(CARTONIC_BIN, {});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardError().contains("no display"));
    }
};

QTEST_GUILESS_MAIN(AppProcessTest)
#include "app_process_test.moc"
