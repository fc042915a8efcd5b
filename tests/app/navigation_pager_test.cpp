// The pager scrolls a child taller than itself with its arrow buttons: 30-pixel steps, the offset
// clamped at both ends, each button shown only when there is something to scroll its way.

#include "app/navigation_pager.h"

#include <QAbstractButton>
#include <QStyle>
#include <QTest>
#include <QWidget>

using cartonic::NavigationPager;

namespace {

// A child that asks for a fixed full height.
class TallChild : public QWidget {
public:
    explicit TallChild(int fullHeight) : fullHeight_(fullHeight) {
        setFocusPolicy(Qt::StrongFocus);
    }
    QSize sizeHint() const override { return QSize(120, fullHeight_); }

    void setFullHeight(int height) {
        fullHeight_ = height;
        updateGeometry();
    }

private:
    int fullHeight_;
};

constexpr int kChildHeight = 500;
constexpr int kPagerWidth = 150;
constexpr int kPagerHeight = 300;
constexpr int kMaxOffset = kChildHeight - kPagerHeight; // 200: not a whole number of steps

} // namespace

class NavigationPagerTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        pager_ = new NavigationPager;
        child_ = new TallChild(kChildHeight);
        pager_->resize(kPagerWidth, kPagerHeight);
        pager_->setChild(child_);
        pager_->show();
        QVERIFY(QTest::qWaitForWindowExposed(pager_));
    }

    void cleanup() { delete pager_; }

    void startsAtTopWithOnlyTheDownButton() {
        QCOMPARE(pager_->scrollOffset(), 0);
        QCOMPARE(child_->geometry(), QRect(0, 0, kPagerWidth, kChildHeight));
        QVERIFY(pager_->downButton()->isVisible());
        QVERIFY(!pager_->upButton()->isVisible());
    }

    void buttonsSitTenPixelsInFromTheEdges() {
        pager_->scrollBy(NavigationPager::kScrollStep);
        const QRect up = pager_->upButton()->geometry();
        const QRect down = pager_->downButton()->geometry();
        QCOMPARE(up.right(), kPagerWidth - 1 - NavigationPager::kButtonMargin);
        QCOMPARE(up.top(), NavigationPager::kButtonMargin);
        QCOMPARE(down.right(), kPagerWidth - 1 - NavigationPager::kButtonMargin);
        QCOMPARE(down.bottom(), kPagerHeight - 1 - NavigationPager::kButtonMargin);
        QVERIFY(up.width() > 0 && up.height() > 0);
    }

    void downButtonScrollsAndClampsAtTheEnd() {
        QTest::mouseClick(pager_->downButton(), Qt::LeftButton);
        QCOMPARE(pager_->scrollOffset(), 30);
        QCOMPARE(child_->y(), -30);
        QVERIFY(pager_->upButton()->isVisible());
        QVERIFY(pager_->downButton()->isVisible());
        QCOMPARE(pager_->focusWidget(), child_);

        for (int i = 0; i < 10 && pager_->downButton()->isVisible(); ++i) {
            QTest::mouseClick(pager_->downButton(), Qt::LeftButton);
        }
        // 7 steps would be 210: the list stops with its bottom at the pager's bottom.
        QCOMPARE(pager_->scrollOffset(), kMaxOffset);
        QCOMPARE(child_->geometry().bottom(), kPagerHeight - 1);
        QVERIFY(!pager_->downButton()->isVisible());
        QVERIFY(pager_->upButton()->isVisible());

        pager_->scrollBy(NavigationPager::kScrollStep);
        QCOMPARE(pager_->scrollOffset(), kMaxOffset);
    }

    void upButtonScrollsBackAndStopsAtZero() {
        pager_->scrollBy(4 * NavigationPager::kScrollStep);
        QTest::mouseClick(pager_->upButton(), Qt::LeftButton);
        QCOMPARE(pager_->scrollOffset(), 90);
        for (int i = 0; i < 10 && pager_->upButton()->isVisible(); ++i) {
            QTest::mouseClick(pager_->upButton(), Qt::LeftButton);
        }
        QCOMPARE(pager_->scrollOffset(), 0);
        QCOMPARE(child_->y(), 0);
        QVERIFY(!pager_->upButton()->isVisible());
        pager_->scrollBy(-NavigationPager::kScrollStep);
        QCOMPARE(pager_->scrollOffset(), 0);
    }

    void growingThePagerPullsTheListDown() {
        pager_->scrollBy(kMaxOffset);
        pager_->resize(kPagerWidth, kPagerHeight + 100);
        QCOMPARE(pager_->scrollOffset(), kMaxOffset - 100);
        QCOMPARE(child_->geometry().bottom(), kPagerHeight + 100 - 1);

        // Taller than the child: no offset, no buttons, and the child still fills the pager.
        pager_->resize(kPagerWidth, kChildHeight + 40);
        QCOMPARE(pager_->scrollOffset(), 0);
        QCOMPARE(child_->height(), kChildHeight + 40);
        QVERIFY(!pager_->upButton()->isVisible());
        QVERIFY(!pager_->downButton()->isVisible());
    }

    void noButtonsBelowEightyPixels() {
        pager_->resize(kPagerWidth, NavigationPager::kMinButtonHeight - 1);
        pager_->scrollBy(NavigationPager::kScrollStep);
        QCOMPARE(pager_->scrollOffset(), 30);
        QVERIFY(!pager_->upButton()->isVisible());
        QVERIFY(!pager_->downButton()->isVisible());

        pager_->resize(kPagerWidth, NavigationPager::kMinButtonHeight);
        QVERIFY(pager_->upButton()->isVisible());
        QVERIFY(pager_->downButton()->isVisible());
    }

    void arrowButtonLooksPushedWhileHeld() {
        QAbstractButton* down = pager_->downButton();
        const QImage released = down->grab().toImage();
        QTest::mousePress(down, Qt::LeftButton);
        QVERIFY(down->isDown());
        const QImage pressed = down->grab().toImage();
        QTest::mouseRelease(down, Qt::LeftButton);
        QVERIFY(pressed != released);
        QCOMPARE(down->grab().toImage(), released);
        QCOMPARE(pager_->scrollOffset(), NavigationPager::kScrollStep);
    }

    void childGrowingItsFullHeightIsFollowed() {
        pager_->scrollBy(kMaxOffset);
        child_->setFullHeight(kPagerHeight + 60);
        QTRY_COMPARE(pager_->scrollOffset(), 60);
        QVERIFY(!pager_->downButton()->isVisible());
    }

private:
    NavigationPager* pager_ = nullptr;
    TallChild* child_ = nullptr;
};

QTEST_MAIN(NavigationPagerTest)
#include "navigation_pager_test.moc"
