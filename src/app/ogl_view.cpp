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

OGLView::OGLView(ProjectData& data, const SlotImages& images, QWidget* parent)
    : QOpenGLWidget(parent), data_(data), images_(images) {
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
    refineDelay_.setSingleShot(true);
    refineDelay_.setInterval(kRefineDelayMs);
    connect(&refineDelay_, &QTimer::timeout, this, &OGLView::startRefining);
    // The refinement's passes are drawn a short slice at a time between events, outside any
    // paint, so that input waits for one slice at most.
    refineNext_.setSingleShot(true);
    refineNext_.setInterval(0);
    connect(&refineNext_, &QTimer::timeout, this, &OGLView::refineStep);
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
    }
}

void OGLView::requestRedraw() {
    discardRefinement();
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
    discardRefinement();
    update();
}

void OGLView::setLook(const SceneLook& look) {
    if (look == look_)
        return;
    look_ = look;
    requestRedraw();
}

FrameOptions OGLView::frameOptions() const {
    FrameOptions options;
    options.look = look_;
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

void OGLView::paintGL() {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const bool sameSize = viewport[2] == viewSize_.width() && viewport[3] == viewSize_.height();
    viewSize_ = QSize(viewport[2], viewport[3]);
    // Once what the view shows has changed, the passes summed are of another picture, whatever
    // made the change and however it asked for this paint.
    if (refined_ && sameSize && accumulator_.passes() > 0 && shownNow() == refinedFrom_) {
        accumulator_.show(defaultFramebufferObject());
        needsRedraw_ = 0;
        emit painted();
        if (accumulator_.passes() == refinePlan().passes && !settled_) {
            settled_ = true;
            emit settled();
        }
        return;
    }
    refined_ = false;
    settled_ = false;
    refineNext_.stop();
    camera_.applyProjection();
    resources_.update(data_, images_);
    drawFrame(data_, resources_.names(), frameOptions());
    if (smoothEdges_ && offersSmoothEdges_) {
        refineDelay_.start();
    }
    needsRedraw_ = 0;
    ++paintCount_;
    emit painted();
}

void OGLView::startRefining() {
    if (!smoothEdges_ || !offersSmoothEdges_ || !glReady_ || needsRedraw_ || refined_ ||
        viewSize_.isEmpty()) {
        return;
    }
    refined_ = true;
    settled_ = false;
    refinedFrom_ = shownNow();
    accumulator_.discard();
    refineNext_.start();
}

void OGLView::refineStep() {
    if (!refined_) {
        return;
    }
    if (shownNow() != refinedFrom_) {
        discardRefinement();
        return;
    }
    const PassPlan plan = refinePlan();
    makeCurrent();
    if (accumulator_.passes() == 0 && !accumulator_.start(viewSize_.width(), viewSize_.height())) {
        doneCurrent();
        refined_ = false;
        return;
    }
    resources_.update(data_, images_);
    const FrameOptions options = frameOptions();
    const PictureArea area{viewSize_.width(), viewSize_.height(), 0, 0};
    QElapsedTimer slice;
    slice.start();
    do {
        const int pass = accumulator_.passes();
        accumulator_.add(
            [&] { drawPass(data_, resources_.names(), options, camera_, area, plan, pass); });
        // Done now, not queued: input that arrives next must not wait for it.
        glFinish();
    } while (accumulator_.passes() < plan.passes && slice.elapsed() < kRefineSliceMs);
    doneCurrent();

    // Shown at each doubling of the passes: each halves the noise a viewer sees, while showing
    // every pass would add the cost of putting a frame on the screen to each.
    const int passes = accumulator_.passes();
    if (passes >= kFirstShownPasses && ((passes & (passes - 1)) == 0 || passes == plan.passes)) {
        update();
    }
    if (passes < plan.passes) {
        refineNext_.start();
    }
}

void OGLView::discardRefinement() {
    refineDelay_.stop();
    refineNext_.stop();
    if (refined_) {
        refined_ = false;
        settled_ = false;
        accumulator_.discard();
        update();
    }
}

bool OGLView::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        discardRefinement();
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
    resources_.update(data_, images_);
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
