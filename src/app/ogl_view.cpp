#include "app/ogl_view.h"

#include "camera/face_picking.h"
#include "image/drawing_program.h"
#include "panels/image_browse.h"
#include "render/frame_passes.h"
#include "render/gl_state.h"
#include "render/lighting.h"
#include "render/scene_renderer.h"

#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <GL/gl.h>

#include <bit>
#include <optional>

namespace cartonic {

namespace {
constexpr int kDepthBits = 24; // the deepest depth buffer common drivers offer with stencil
constexpr int kStencilBits = 8;
} // namespace

QSurfaceFormat viewSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(kDepthBits);
    format.setStencilBufferSize(kStencilBits);
    return format;
}

OGLView::OGLView(Project& project, QWidget* parent)
    : QOpenGLWidget(parent), project_(project), data_(project.record), images_(project.pictures),
      refinement_(refinePlan().passes) {
    setObjectName("OGLView");
    setWindowTitle("GL3D View");
    setFormat(viewSurfaceFormat());
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
    camera_.setUpStart();
    mouse_.applyBoxUnits(data_);

    // A zero-timeout timer runs once the queued input has been handled: the idle point at which
    // a burst of edits becomes one repaint.
    idle_.setSingleShot(true);
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &OGLView::redrawIfNeeded);
    // The refinement's passes are drawn a short slice at a time between events, outside any
    // paint, so that input waits for one slice at most.
    refineTimer_.setSingleShot(true);
    connect(&refineTimer_, &QTimer::timeout, this, &OGLView::refineTick);
}

OGLView::~OGLView() {
    releaseContextObjects();
}

void OGLView::releaseContextObjects() {
    if (glReady_) {
        makeCurrent();
        accumulator_.release();
        resources_.release();
        doneCurrent();
        glReady_ = false;
        // The sum went with the context. No repaint is asked for, as following the decision
        // would: this may be the view's end, and a next context paints a frame first anyway.
        refinement_.setEnabled(false);
        refineTimer_.stop();
    }
}

void OGLView::requestRedraw() {
    follow(refinement_.changed());
    needsRedraw_ = 1;
    if (!idle_.isActive()) {
        idle_.start();
    }
    emit redrawRequested();
}

void OGLView::redrawIfNeeded() {
    if (needsRedraw_) {
        update();
    }
}

void OGLView::applyLight() {
    // Before the context exists there is nothing to load into; initializeGL loads the light.
    if (!glReady_) {
        return;
    }
    makeCurrent();
    cartonic::applyLight(data_);
    doneCurrent();
}

void OGLView::initializeGL() {
    initGLState(data_);
    glReady_ = true;
    // The multisampled target and the scene's objects go with the context: a view moved to
    // another window gets a new one, and builds its own from the record.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OGLView::releaseContextObjects,
            Qt::UniqueConnection);
    // Smooth edges are passes summed in floating point, which every driver with framebuffer
    // objects and float textures can.
    offersSmoothEdges_ = static_cast<bool>(accumulator_.start(1, 1));
    accumulator_.release();
    follow(refinement_.setEnabled(mayRefine()));
    emit smoothEdgesOffered(offersSmoothEdges_);
}

void OGLView::resizeGL(int width, int height) {
    if (width > 0 && height > 0) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
}

void OGLView::resizeEvent(QResizeEvent* event) {
    // Zero sizes (a minimised window) keep the last aspect and viewport.
    if (event->size().width() > 0 && event->size().height() > 0) {
        mouse_.resize(event->size().width(), event->size().height(), camera_);
    }
    QOpenGLWidget::resizeEvent(event);
}

void OGLView::setSmoothEdges(bool on) {
    smoothEdges_ = on;
    follow(refinement_.setEnabled(mayRefine()));
    update();
}

void OGLView::updateResources() {
    resources_.update(data_, images_);
    // What a save records as the names the project was last drawn with.
    project_.drawnWith = resources_.names();
}

FrameOptions OGLView::frameOptions() const {
    FrameOptions options;
    options.look = project_.look();
    // While a picture is dragged over the box, the outline shows where it would land.
    options.outlinedFace = dropFace_ >= 0 ? dropFace_ : selectionOutline(data_);
    return options;
}

OGLView::Shown OGLView::shownNow() const {
    const FrameOptions options = frameOptions();
    Shown shown;
    shown.edits = snapshotOf(data_);
    shown.outlinedFace = options.outlinedFace;
    shown.lightMarker = options.lightMarker;
    shown.look = options.look;
    shown.projection = std::bit_cast<std::array<std::uint32_t, 16>>(camera_.projectionMatrix());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        shown.pictures[static_cast<std::size_t>(slot)] =
            images_[static_cast<std::size_t>(slot)].image.cacheKey();
    }
    return shown;
}

bool OGLView::sameAsSummed() const {
    return refinement_.refined() && shownNow() == refinedFrom_;
}

bool OGLView::mayRefine() const {
    return smoothEdges_ && offersSmoothEdges_ && glReady_;
}

void OGLView::follow(const ViewRefinement::Decision& decision) {
    switch (decision.timer) {
    case ViewRefinement::Decision::Timer::Keep:
        break;
    case ViewRefinement::Decision::Timer::Stop:
        refineTimer_.stop();
        break;
    case ViewRefinement::Decision::Timer::Arm:
        refineTimer_.start(decision.timerMs);
        break;
    }
    if (decision.repaint) {
        update();
    }
}

void OGLView::paintGL() {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Once what the view shows has changed, the passes summed are of another picture, whatever
    // made the change and however it asked for this paint.
    const ViewRefinement::Decision decision =
        refinement_.paint(viewport[2], viewport[3], sameAsSummed());
    needsRedraw_ = 0;
    if (decision.picture == ViewRefinement::Decision::Picture::Mean) {
        accumulator_.show(defaultFramebufferObject());
        emit painted();
        if (decision.settled) {
            emit settled();
        }
        return;
    }
    camera_.applyProjection();
    updateResources();
    drawFrame(data_, resources_.names(), frameOptions());
    // The wait for stillness starts once the frame is drawn.
    follow(decision);
    ++paintCount_;
    emit painted();
}

void OGLView::refineTick() {
    const ViewRefinement::Decision decision = refinement_.tick(sameAsSummed());
    if (decision.work == ViewRefinement::Decision::Work::BeginSum) {
        refinedFrom_ = shownNow();
        accumulator_.discard();
    }
    follow(decision);
    if (decision.work == ViewRefinement::Decision::Work::DrawSlice) {
        drawSlice();
    }
}

void OGLView::drawSlice() {
    const int width = refinement_.width();
    const int height = refinement_.height();
    makeCurrent();
    if (accumulator_.passes() == 0 && !accumulator_.start(width, height)) {
        doneCurrent();
        refinement_.sumUnavailable();
        return;
    }
    updateResources();
    const PassPlan plan = refinePlan();
    const FrameOptions options = frameOptions();
    const PictureArea area{width, height, 0, 0};
    QElapsedTimer slice;
    slice.start();
    while (const std::optional<int> pass =
               refinement_.nextPass(static_cast<int>(slice.elapsed()))) {
        accumulator_.add(
            [&] { drawPass(data_, resources_.names(), options, camera_, area, plan, *pass); });
        // Done now, not queued: input that arrives next must not wait for it.
        glFinish();
    }
    doneCurrent();
    follow(refinement_.endSlice());
}

bool OGLView::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        follow(refinement_.input());
        break;
    default:
        break;
    }
    return QOpenGLWidget::event(event);
}

bool OGLView::withContext(const std::function<void(const SceneTextures&)>& work) {
    if (!glReady_) {
        return false;
    }
    // Pictures the work draws wait without a repaint of the view, whose context it holds.
    const DrawingWaitPause pause;
    makeCurrent();
    updateResources();
    work(resources_.names());
    doneCurrent();
    return true;
}

void OGLView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        mouse_.leftButtonPressed(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        mouse_.rightButtonPressed(p.x(), p.y());
    }
}

void OGLView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mouse_.leftButtonReleased();
    } else if (event->button() == Qt::RightButton) {
        mouse_.rightButtonReleased();
    }
}

void OGLView::mouseDoubleClickEvent(QMouseEvent*) {
    // The second press of a double-click starts no drag.
    mouse_.buttonDoubleClicked();
}

void OGLView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const DragEffect effect = mouse_.mouseMoved(p.x(), p.y(), camera_, data_);
    if (effect.lightChanged && glReady_) {
        applyLight();
    }
    if (effect.needsRedraw) {
        requestRedraw();
    }
}

int OGLView::trackDrop(const QMimeData& mime, QPointF pos) {
    const QString path = localFileOf(mime);
    // Projects are for the window to open; elsewhere on the view there is no face to take it.
    const int face = path.isEmpty() || isProjectFileName(path)
                         ? -1
                         : faceAtPixel(camera_, data_, pos.x(), pos.y(), width(), height());
    setDropFace(face);
    return face;
}

void OGLView::setDropFace(int face) {
    if (face != dropFace_) {
        dropFace_ = face;
        update();
    }
}

void OGLView::dragEnterEvent(QDragEnterEvent* event) {
    const QString path = localFileOf(*event->mimeData());
    if (path.isEmpty() || isProjectFileName(path)) {
        event->ignore();
        return;
    }
    // Taken whatever is under the pointer now; each move then says whether it may land there.
    event->acceptProposedAction();
    trackDrop(*event->mimeData(), event->position());
}

void OGLView::dragMoveEvent(QDragMoveEvent* event) {
    if (trackDrop(*event->mimeData(), event->position()) >= 0) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void OGLView::dragLeaveEvent(QDragLeaveEvent*) {
    setDropFace(-1);
}

void OGLView::dropEvent(QDropEvent* event) {
    const int face = trackDrop(*event->mimeData(), event->position());
    setDropFace(-1);
    if (face < 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pictureDropped(face, localFileOf(*event->mimeData()));
}

} // namespace cartonic
