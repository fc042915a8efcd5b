#include "app/ogl_view.h"

#include "camera/face_picking.h"
#include "gl/offscreen_target.h"
#include "panels/image_browse.h"
#include "render/gl_state.h"
#include "render/lighting.h"
#include "render/render_to_buffer.h"
#include "render/scene_renderer.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <GL/gl.h>

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
}

OGLView::~OGLView() {
    releaseContextObjects();
}

void OGLView::releaseContextObjects() {
    if (glReady_) {
        makeCurrent();
        sampled_.reset();
        resources_.release();
        doneCurrent();
        glReady_ = false;
    }
}

void OGLView::requestRedraw() {
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
    offersSmoothEdges_ = gl::OffscreenTarget::maxSamples() > 1;
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
    update();
}

void OGLView::setLook(const SceneLook& look) {
    if (look == look_)
        return;
    look_ = look;
    requestRedraw();
}

void OGLView::paintGL() {
    // The first frame is drawn aliased and the smooth one follows at once: the driver builds its
    // multisampled passes for that one, and the window need not wait for them to show.
    const bool smooth = smoothEdges_ && offersSmoothEdges_ && paintCount_ > 0;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (smooth) {
        if (!sampled_ || sampled_->width() != viewport[2] || sampled_->height() != viewport[3]) {
            sampled_.reset();
            sampled_ = gl::OffscreenTarget::create(viewport[2], viewport[3], kViewSamples).value;
        }
        if (sampled_) {
            sampled_->bind();
        }
    } else {
        sampled_.reset(); // its memory is the surface's four times over
    }
    camera_.applyProjection();
    resources_.update(data_, images_);
    // While a picture is dragged over the box, the outline shows where it would land.
    FrameOptions options;
    options.look = look_;
    options.outlinedFace = dropFace_ >= 0 ? dropFace_ : selectionOutline(data_);
    drawFrame(data_, resources_.names(), options);
    if (smooth && sampled_) {
        sampled_->resolveInto(defaultFramebufferObject());
    }
    needsRedraw_ = 0;
    if (paintCount_++ == 0 && smoothEdges_ && offersSmoothEdges_) {
        QTimer::singleShot(0, this, qOverload<>(&QWidget::update));
    }
    emit painted();
}

bool OGLView::withContext(const std::function<void(const SceneTextures&)>& work) {
    if (!glReady_) {
        return false;
    }
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
