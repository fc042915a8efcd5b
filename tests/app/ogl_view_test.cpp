// The live view in a real window: drags in every mode, right-drag zoom, paint coalescing, export
// without the outline, and the refinement of a still picture.

#include "app/ogl_view.h"
#include "model/project_data.h"
#include "render/render_to_buffer.h"

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace cartonic;

namespace {

float distance(const Vec3& a, const Vec3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

void sendMove(QWidget* w, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class OGLViewTest : public QObject {
    Q_OBJECT

    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    OGLView* view_ = nullptr;

private slots:
    void init() {
        project_ = Project();
        view_ = new OGLView(project_);
        view_->resize(500, 500);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_));
        QTRY_VERIFY(view_->paintCount() > 0);
        QVERIFY(view_->hasContext());
    }
    void cleanup() { delete view_; }

    void startsWithTheStartBoxAndCamera() {
        QCOMPARE(data_.boxWidth, 2.5f);
        QCOMPARE(data_.boxDepth, 1.25f);
        QCOMPARE(data_.boxHeight, 5.0f);
        QCOMPARE(view_->camera().eye, (Vec3{9, -9, 9}));
        QCOMPARE(view_->mouseMode(), MouseMode::RotateCamera);
        QCOMPARE(view_->camera().aspect, 1.0f);
        QCOMPARE(view_->objectName(), QString("OGLView"));
    }

    void aBurstOfMovesPaintsOnce() {
        QTest::qWait(50);
        const int before = view_->paintCount();
        QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(250, 250));
        for (int i = 1; i <= 200; ++i) {
            sendMove(view_, QPoint(250 - i, 250), Qt::LeftButton);
        }
        QVERIFY(view_->needsRedraw());
        QCOMPARE(view_->paintCount(), before); // no drag step paints by itself
        QTRY_COMPARE(view_->paintCount(), before + 1);
        QTest::qWait(50);
        QCOMPARE(view_->paintCount(), before + 1);
        QVERIFY(!view_->needsRedraw());
        QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(50, 250));
    }

    void leftDragTurnsTheCameraAroundItsTarget() {
        const Vec3 eye = view_->camera().eye;
        const float d = distance(eye, view_->camera().target);
        QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(250, 250));
        sendMove(view_, QPoint(200, 250), Qt::LeftButton);
        QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(200, 250));
        QVERIFY(view_->camera().eye != eye);
        QVERIFY(std::abs(distance(view_->camera().eye, view_->camera().target) - d) < 1e-3f);
    }

    void adjustModesStretchTheBoxWithinLimits() {
        view_->setMouseMode(MouseMode::AdjustHeight);
        for (int i = 0; i < 10; ++i) { // far up, again and again: taller, up to the limit
            QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(250, 490));
            sendMove(view_, QPoint(250, 10), Qt::LeftButton);
            QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(250, 10));
            QVERIFY(data_.boxHeight > 5.0f);
        }
        QCOMPARE(data_.boxHeight, 50.0f);

        view_->setMouseMode(MouseMode::AdjustWidth);
        QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(10, 250));
        sendMove(view_, QPoint(490, 250), Qt::LeftButton); // far right: narrower, to the minimum
        QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(490, 250));
        QCOMPARE(data_.boxWidth, 1.0f);
        QCOMPARE(data_.boxDepth, 1.25f);
    }

    void lightModeMovesTheLight() {
        view_->setMouseMode(MouseMode::RotateLight);
        const auto before = data_.lightPosition;
        QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(250, 250));
        sendMove(view_, QPoint(230, 240), Qt::LeftButton);
        QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(230, 240));
        QCOMPARE(data_.lightAngle, 275.0f + 20 * 0.0125f);
        QCOMPARE(data_.lightHeight, 10.0f + 10 * 0.025f);
        QVERIFY(data_.lightPosition != before);
    }

    void rightDragZoomsWithinBounds() {
        const float start = distance(view_->camera().eye, {0, 0, 0});
        QTest::mousePress(view_, Qt::RightButton, {}, QPoint(250, 250));
        for (int i = 0; i < 2000; ++i) {
            sendMove(view_, QPoint(250, 50), Qt::RightButton); // above the press point: in
        }
        QTest::mouseRelease(view_, Qt::RightButton, {}, QPoint(250, 50));
        const float near = distance(view_->camera().eye, {0, 0, 0});
        QVERIFY(near < start);
        QVERIFY(near <= 6.5f && near > 5.0f);
    }

    void doubleClickStartsNoDrag() {
        const Vec3 eye = view_->camera().eye;
        QTest::mouseDClick(view_, Qt::LeftButton, {}, QPoint(250, 250));
        sendMove(view_, QPoint(100, 100), Qt::LeftButton);
        QCOMPARE(view_->camera().eye, eye);
    }

    void anExportInTheViewsContextKeepsTheView() {
        RgbaPicture picture;
        Status drawn;
        QVERIFY(view_->withContext([&](const SceneTextures& textures) {
            drawn = renderToBuffer(data_, textures, view_->camera(), 2047, 1500, picture);
        }));
        QVERIFY2(drawn, drawn.message().c_str());
        QCOMPARE(picture.width, 2047);
        QCOMPARE(picture.height, 1500);
        QCOMPARE(data_.showSelection, 1);
        // The view still paints normally afterwards.
        const int before = view_->paintCount();
        view_->requestRedraw();
        QTRY_VERIFY(view_->paintCount() > before);
    }

    // The refined picture is the frame's, smoothed: alike overall (not shifted, darkened or
    // brightened), different along the edges.
    void aStillViewSettlesSmooth() {
        view_->setSmoothEdges(false);
        const QImage aliased = view_->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        QSignalSpy settled(view_, &OGLView::settled);
        view_->setSmoothEdges(true);
        QVERIFY(settled.wait(10000));
        QVERIFY(view_->showsRefinement() && !view_->refining());
        const QImage smooth = view_->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(smooth.size(), aliased.size());
        long long total = 0;
        int most = 0;
        for (int y = 0; y < smooth.height(); ++y) {
            for (int x = 0; x < smooth.width(); ++x) {
                const QRgb a = aliased.pixel(x, y);
                const QRgb b = smooth.pixel(x, y);
                for (const int shift : {0, 8, 16}) {
                    const int d = std::abs(int(a >> shift & 0xff) - int(b >> shift & 0xff));
                    total += d;
                    most = std::max(most, d);
                }
            }
        }
        QVERIFY(double(total) / (3.0 * smooth.width() * smooth.height()) < 2.0);
        QVERIFY(most > 40);
    }

    void inputDiscardsTheRefinementAndDrawsAFrame() {
        QSignalSpy settled(view_, &OGLView::settled);
        QVERIFY(settled.wait(10000));
        const int before = view_->paintCount();
        QTest::mousePress(view_, Qt::LeftButton, {}, QPoint(250, 250));
        QVERIFY(!view_->showsRefinement());
        QTRY_COMPARE(view_->paintCount(), before + 1);
        QTest::mouseRelease(view_, Qt::LeftButton, {}, QPoint(250, 250));
        QVERIFY(settled.wait(10000)); // and refines again once still
    }

    void smoothEdgesOffDrawsTheAliasedFrameOnly() {
        view_->setSmoothEdges(false);
        QSignalSpy settled(view_, &OGLView::settled);
        view_->requestRedraw();
        QTest::qWait(OGLView::kRefineDelayMs * 4);
        QCOMPARE(settled.count(), 0);
        QVERIFY(!view_->showsRefinement());
    }
};

QTEST_MAIN(OGLViewTest)
#include "ogl_view_test.moc"
