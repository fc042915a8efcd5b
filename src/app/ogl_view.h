#pragma once

// The live view of the scene: owns the one OpenGL context (and with it every texture and display
// list, made from the record and its pictures as a frame needs them), the camera and the mouse
// state. Edits and drags only mark it for redrawing; it repaints
// once when the event queue has gone idle.

#include "camera/camera.h"
#include "camera/mouse_modes.h"
#include "model/project_data.h"
#include "model/scene_look.h"
#include "model/slot_images.h"
#include "panels/scene_view.h"
#include "render/scene_textures.h"

#include <QOpenGLWidget>
#include <QTimer>

class QMimeData;

namespace cartonic::gl {
class OffscreenTarget;
} // namespace cartonic::gl

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cartonic {

class OGLView : public QOpenGLWidget, public SceneView {
    Q_OBJECT
public:
    // Draws data with the pictures of images; sets the box to its start size and the camera to
    // its start position.
    OGLView(ProjectData& data, const SlotImages& images, QWidget* parent = nullptr);
    ~OGLView() override;

    Camera& camera() override { return camera_; }
    const Camera& camera() const { return camera_; }
    MouseModes& mouse() { return mouse_; }
    MouseMode mouseMode() const { return mouse_.mouseMode; }
    void setMouseMode(MouseMode mode) { mouse_.mouseMode = mode; }

    // Marks the picture as out of date; the view repaints once the event queue is idle.
    void requestRedraw() override;
    bool needsRedraw() const { return needsRedraw_ != 0; }
    // Number of frames drawn so far.
    int paintCount() const { return paintCount_; }
    // True once the GL context exists and its state is set up.
    bool hasContext() const { return glReady_; }

    // Loads the record's light into this view's context, if it has one yet. Does not repaint.
    void applyLight() override;

    // Whether frames are drawn with smooth edges, when the driver offers the samples (see
    // smoothEdgesOffered). On by default; changing it repaints.
    bool smoothEdges() const { return smoothEdges_; }
    void setSmoothEdges(bool on);

    // The soft shadow and the fading mirror image the view draws, which live beside the record;
    // changing it repaints.
    const SceneLook& look() const { return look_; }
    void setLook(const SceneLook& look) override;

    // Runs work with this view's context current and its objects up to the record (drawing
    // offscreen, as TurntableFrames does); false, without running it, while the view has no
    // context. No repaint happens.
    bool withContext(const std::function<void(const SceneTextures&)>& work);
    // The names of the objects frames are drawn with, as the last frame or export left them;
    // what a saved project stores in its runtime fields.
    const SceneTextures& textureNames() const { return resources_.names(); }

    // The face a picture dragged over the view would land on, outlined while the drag is over
    // it; -1 for none.
    int dropFace() const { return dropFace_; }

signals:
    void painted();
    // A picture file was dropped on a face of the box (0..5).
    void pictureDropped(int face, const QString& path);
    // Something asked for a new picture: an edit, a drag step or a camera move.
    void redrawRequested();
    // Whether the driver offers the samples smooth edges take; sent when the context is made.
    void smoothEdgesOffered(bool offered);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void redrawIfNeeded();
    // The face under pos for the picture a drag carries, or -1; shows it outlined.
    int trackDrop(const QMimeData& mime, QPointF pos);
    void setDropFace(int face);
    // Deletes the multisampled target and the scene's objects with the context current; the view
    // has no context until the next initializeGL.
    void releaseContextObjects();

    ProjectData& data_;
    const SlotImages& images_;
    SceneResources resources_;
    Camera camera_;
    MouseModes mouse_;
    QTimer idle_;
    int needsRedraw_ = 0;
    int paintCount_ = 0;
    int dropFace_ = -1;
    bool glReady_ = false;
    bool smoothEdges_ = true;
    SceneLook look_;
    bool offersSmoothEdges_ = false;
    // Smooth frames are drawn here and resolved into the widget's own, single-sampled buffer, so
    // switching them off leaves no multisampling cost behind.
    std::unique_ptr<gl::OffscreenTarget> sampled_;
};

// The surface format the view asks for: a double-buffered compatibility context with depth and
// stencil. Set as the application default before the first window is made.
QSurfaceFormat viewSurfaceFormat();

} // namespace cartonic
