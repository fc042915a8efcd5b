// The navigation bar's face list: its six items and icons, item heights, the faces that
// clicks and selection keys send, hot tracking within the central band of an item, and the
// frames it draws round the selected and the hot item.

#include "app/face_list.h"
#include "app/navigation_bar.h"
#include "app/navigation_pager.h"
#include "model/project_data.h"

#include <QAbstractButton>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace cartonic;

namespace {

constexpr int kBarWidth = 300; // wide enough to leave blank sides beside the central band
constexpr int kTallBar = 900;  // shows every item without scrolling
constexpr int kHotBand = 100;

QPoint itemCentre(const FaceList& list, int index) {
    return list.itemRect(index).center();
}

// Where an item's sunken or raised frame is drawn: the icon's rectangle grown by 6 pixels, the
// icon 64 pixels square, centred, 4 pixels below the item's inset rectangle (3 across, 5 down).
QRect frameRect(const FaceList& list, int index) {
    const QRect inset = list.itemRect(index).adjusted(3, 5, -3, -5);
    const QRect icon(inset.left() + (inset.width() - FaceList::kIconSize) / 2, inset.top() + 4,
                     FaceList::kIconSize, FaceList::kIconSize);
    return icon.adjusted(-6, -6, 6, 6);
}

bool hasOpaquePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class NavigationBarTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        bar_ = new NavigationBar;
        spy_ = new QSignalSpy(bar_, &NavigationBar::faceChosen);
        bar_->resize(kBarWidth, kTallBar);
        bar_->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar_));
        list_ = bar_->faceList();
    }

    void cleanup() {
        delete spy_;
        delete bar_;
    }

    void holdsTheSixFacesWithTopSelectedSilently() {
        QCOMPARE(bar_->objectName(), QString("WTL_BoxFaceMapping"));
        QCOMPARE(bar_->pager()->objectName(), QString("WTL_OutlookPager"));
        QCOMPARE(list_->objectName(), QString("WTL_OutlookPane"));
        QCOMPARE(bar_->title(), QString("Face Settings"));

        const QStringList texts = {"Top", "Bottom", "Front", "Back", "Right", "Left"};
        QCOMPARE(list_->count(), 6);
        for (int i = 0; i < list_->count(); ++i) {
            QCOMPARE(list_->itemText(i), texts[i]);
        }
        QCOMPARE(list_->currentRow(), 0);
        QTest::qWait(50);
        QCOMPARE(spy_->count(), 0);
    }

    void iconsAreLoadedAndDistinct() {
        QList<QImage> images;
        for (int i = 0; i < list_->count(); ++i) {
            const QPixmap pixmap = list_->itemImage(i);
            QCOMPARE(pixmap.deviceIndependentSize().toSize(),
                     QSize(FaceList::kIconSize, FaceList::kIconSize));
            const QImage image = pixmap.toImage();
            QVERIFY2(hasOpaquePixel(image), qPrintable(list_->itemText(i)));
            for (const QImage& other : images) {
                QVERIFY(image != other);
            }
            images << image;
        }
    }

    void itemHeightIsIconInsetsCaptionAndEight() {
        const int lineHeight = list_->fontMetrics().height();
        const int fixedPart = FaceList::kIconSize + 2 * 5 + 8;
        int sum = 0;
        for (int i = 0; i < list_->count(); ++i) {
            QCOMPARE(list_->itemHeight(i), fixedPart + lineHeight);
            sum += list_->itemHeight(i);
        }
        QCOMPARE(list_->fullHeight(), sum);
        QCOMPARE(list_->sizeHint().height(), sum);

        // A caption wider than 100 pixels wraps at word boundaries and makes its item taller by
        // whole lines.
        FaceList wrapped;
        wrapped.addItem("Front of the carton with its long caption", QPixmap());
        const int captionHeight = wrapped.itemHeight(0) - fixedPart;
        QVERIFY(captionHeight >= 2 * lineHeight);
        QCOMPARE(captionHeight % lineHeight, 0);
    }

    void clickingAnItemSendsItsFace() {
        QTest::mouseClick(list_, Qt::LeftButton, {}, itemCentre(*list_, 1));
        QCOMPARE(list_->currentRow(), 1);
        QCOMPARE(spy_->count(), 1);
        QCOMPARE(spy_->at(0).at(0).toInt(), int(Bottom));

        // Choosing the selected face again sends it again (it brings the face panel back).
        QTest::mouseClick(list_, Qt::LeftButton, {}, itemCentre(*list_, 1));
        QCOMPARE(spy_->count(), 2);
        QCOMPARE(spy_->at(1).at(0).toInt(), int(Bottom));

        // Below the last item there is nothing to choose.
        QTest::mouseClick(list_, Qt::LeftButton, {}, QPoint(10, list_->fullHeight() + 5));
        QCOMPARE(spy_->count(), 2);
        QCOMPARE(list_->currentRow(), 1);
    }

    void selectionKeysSendTheNextFace() {
        auto lastFace = [this] {
            return spy_->last().at(0).toInt();
        };
        QTest::keyClick(list_, Qt::Key_Down);
        QCOMPARE(list_->currentRow(), 1);
        QCOMPARE(lastFace(), int(Bottom));
        QTest::keyClick(list_, Qt::Key_Down);
        QCOMPARE(lastFace(), int(Front));
        QTest::keyClick(list_, Qt::Key_Up);
        QCOMPARE(lastFace(), int(Bottom));
        QTest::keyClick(list_, Qt::Key_End);
        QCOMPARE(lastFace(), int(Left));
        QCOMPARE(spy_->count(), 4);

        // Keys that would leave the list change nothing and send nothing.
        QTest::keyClick(list_, Qt::Key_Down);
        QTest::keyClick(list_, Qt::Key_Home);
        QTest::keyClick(list_, Qt::Key_Up);
        QCOMPARE(spy_->count(), 5);
        QCOMPARE(lastFace(), int(Top));
        QCOMPARE(list_->currentRow(), 0);
    }

    void hotTrackingKeepsToTheCentralBand() {
        const QPoint centre = itemCentre(*list_, 2);
        QTest::mouseMove(list_, centre);
        QTRY_COMPARE(list_->hotItem(), 2);

        // Blank sides of the item: outside the 100 pixels round its centre.
        QTest::mouseMove(list_, centre + QPoint(kHotBand / 2 + 1, 0));
        QTRY_COMPARE(list_->hotItem(), -1);
        QTest::mouseMove(list_, centre - QPoint(kHotBand / 2 + 1, 0));
        QTRY_COMPARE(list_->hotItem(), -1);
        QTest::mouseMove(list_, centre - QPoint(kHotBand / 2 - 1, 0));
        QTRY_COMPARE(list_->hotItem(), 2);
        QTest::mouseMove(list_, itemCentre(*list_, 4));
        QTRY_COMPARE(list_->hotItem(), 4);

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(list_, &leave);
        QCOMPARE(list_->hotItem(), -1);
    }

    void drawsSunkenSelectedAndRaisedHotFrames() {
        QTest::mouseMove(list_, itemCentre(*list_, 3));
        QTRY_COMPARE(list_->hotItem(), 3);
        const QImage image = list_->grab().toImage();
        const QPalette palette = list_->palette();
        auto colourAt = [&image](QPoint p) {
            return QColor(image.pixel(p)).rgb();
        };

        // Sunken: the inner top-left line is the darkest shadow.
        QCOMPARE(colourAt(frameRect(*list_, 0).topLeft() + QPoint(1, 1)),
                 palette.color(QPalette::Shadow).rgb());
        // Raised: the outer top-left line is the highlight.
        QCOMPARE(colourAt(frameRect(*list_, 3).topLeft()), palette.color(QPalette::Light).rgb());
        // Neither: the frame area keeps the background.
        QCOMPARE(colourAt(frameRect(*list_, 1).topLeft()), palette.color(QPalette::Dark).rgb());
        QCOMPARE(colourAt(frameRect(*list_, 1).topLeft() + QPoint(1, 1)),
                 palette.color(QPalette::Dark).rgb());
    }

    void shortBarShowsTheDownButtonUnderTheHeader() {
        bar_->resize(kBarWidth, 300);
        const NavigationPager* pager = bar_->pager();
        QCOMPARE(pager->y(), bar_->headerRect().bottom() + 1);
        QCOMPARE(pager->width(), bar_->contentsRect().width());
        QVERIFY(pager->downButton()->isVisible());
        QVERIFY(!pager->upButton()->isVisible());
    }

private:
    NavigationBar* bar_ = nullptr;
    QSignalSpy* spy_ = nullptr;
    FaceList* list_ = nullptr;
};

QTEST_MAIN(NavigationBarTest)
#include "navigation_bar_test.moc"
