// The application's style and icons: its drawn standard pictures, and a start-up that loads no
// image format or icon engine plugin (the toolkit's standard pictures would load every image
// plugin, an SVG window icon the SVG icon engine).

#include "app/app_style.h"
#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "model/project_data.h"
#include "model/slot_images.h"
#include "panels/application_icon.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using namespace cartonic;

namespace {

// The image format and icon engine plugins this process has loaded, from its memory map.
QStringList loadedPicturePlugins() {
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly)) {
        return {"(no /proc/self/maps)"};
    }
    QStringList plugins;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        if (line.contains("/imageformats/") || line.contains("/iconengines/")) {
            const QString path = QString::fromUtf8(line.mid(line.indexOf('/')));
            if (!plugins.contains(path)) {
                plugins << path;
            }
        }
    }
    return plugins;
}

QImage pictureOf(const QIcon& icon, int size) {
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The largest difference in coverage between two pictures of one size, 0..255.
int largestAlphaDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            largest = std::max(largest,
                               std::abs(a.pixelColor(x, y).alpha() - b.pixelColor(x, y).alpha()));
        }
    }
    return largest;
}

} // namespace

class AppStyleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Before anything reads an image: the check below is about the whole start-up.
        installAppStyle();
    }

    void theWindowComesUpWithoutPicturePlugins() {
        Project project;
        MainFrame frame(project);
        QSignalSpy painted(&frame.view(), &OGLView::painted);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_VERIFY(painted.count() > 0);
        QCoreApplication::processEvents(); // the New that runs once the loop starts
        QCOMPARE(loadedPicturePlugins(), QStringList());
        // The window and its panels still have the application's icon.
        const QList<QSize> sizes = frame.windowIcon().availableSizes();
        for (int side : {kSmallIconSide, kLargeIconSide}) {
            QVERIFY(sizes.contains(QSize(side, side)));
        }
        const QImage icon = frame.windowIcon().pixmap(32, 32).toImage();
        QVERIFY(icon.pixelColor(16, 16).alpha() > 0);
        const auto panels = frame.findChildren<QWidget*>(QString(), Qt::FindChildrenRecursively);
        const auto facePanel = std::find_if(panels.begin(), panels.end(), [](QWidget* w) {
            return w->windowTitle() == "Dialog View";
        });
        QVERIFY(facePanel != panels.end());
        QVERIFY((*facePanel)
                    ->windowIcon()
                    .availableSizes()
                    .contains(QSize(kSmallIconSide, kSmallIconSide)));
    }

    void drawsTheStandardPicturesTheWindowUses() {
        QStyle* style = QApplication::style();
        QVERIFY(dynamic_cast<AppStyle*>(style));
        for (QStyle::StandardPixmap picture :
             {QStyle::SP_ToolBarHorizontalExtensionButton,
              QStyle::SP_ToolBarVerticalExtensionButton, QStyle::SP_TitleBarCloseButton}) {
            const QIcon icon = style->standardIcon(picture);
            QVERIFY(!icon.isNull());
            // Sharp at the small size and at twice it.
            QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
            QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
            const QImage small = pictureOf(icon, 16);
            QVERIFY(small.pixelColor(8, 8).alpha() > 0 || small.pixelColor(7, 7).alpha() > 0);
            QCOMPARE(small.pixelColor(0, 0).alpha(), 0);
        }
        // Each points its own way: right, down, and left for right-to-left layouts.
        const QImage right =
            pictureOf(style->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton), 16);
        const QImage down =
            pictureOf(style->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton), 16);
        QWidget rightToLeft;
        rightToLeft.setLayoutDirection(Qt::RightToLeft);
        const QImage left = pictureOf(
            style->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, nullptr, &rightToLeft),
            16);
        // Within antialiasing: the pixel grid is not symmetric about the picture's middle.
        constexpr int kSameShape = 80;
        QVERIFY(largestAlphaDifference(right, left) > 200);
        QVERIFY(largestAlphaDifference(right.mirrored(true, false), left) < kSameShape);
        QVERIFY(largestAlphaDifference(right, down) > 200);
        QVERIFY(largestAlphaDifference(right.transformed(QTransform(0, 1, 1, 0, 0, 0)), down) <
                kSameShape);
    }

    void leavesTheOtherPicturesToTheToolkit() {
        QVERIFY(!QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).isNull());
    }
};

QTEST_MAIN(AppStyleTest)
#include "app_style_test.moc"
