// The window while a document draws: it goes on handling its events under a busy cursor, drops
// what the user presses meanwhile, and Esc stops the drawing; afterwards all is as before.

#include "app/drawing_waiter.h"
#include "base/regular_file.h"

#include "support/child_processes.h"
#include "support/temp_dir.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

using namespace cartonic;

class DrawingWaiterTest : public QObject {
    Q_OBJECT

private slots:
    void theWindowGoesOnAndEscStopsTheDrawing() {
        test::TempDir dir;
        // A drawing program that never answers.
        const std::string program = dir.file("slow");
        std::ofstream(program) << "#!/bin/sh\nexec sleep 60\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        std::ofstream(dir.file("drawing.svg")) << "<svg/>";
        FileDescriptor document;
        std::int64_t size = 0;
        QVERIFY(openRegularFile(dir.file("drawing.svg"), FileBound{1024, EmptyFile::Refused},
                                document, &size));

        QPushButton button("Press");
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicked(&button, &QPushButton::clicked);
        const DrawingWaiter waiter;

        int ticks = 0;
        bool busy = false;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            busy = busy || (QGuiApplication::overrideCursor() &&
                            QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor);
        });
        ticker.start(std::chrono::milliseconds(5));
        QTimer::singleShot(std::chrono::milliseconds(200), [&] {
            QTest::mouseClick(&button, Qt::LeftButton);
            QTest::keyClick(&button, Qt::Key_Escape);
        });
        QImage picture;
        QSize full;
        const Status drawn = drawInProgram(
            document.get(), VectorSource{},
            [](int width, int height) {
                return TextureSize{width, height};
            },
            DrawingBounds{{kMaxVectorSide, kMaxVectorSide}, 0, kMaxDrawingSeconds, program},
            picture, full);
        ticker.stop();

        QCOMPARE(drawn.kind(), Status::Kind::Cancelled);
        QVERIFY(ticks > 0);
        QVERIFY(busy);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(test::childProcesses().empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(DrawingWaiterTest)
#include "drawing_waiter_test.moc"
