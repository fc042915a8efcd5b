#pragma once

// The live view of the scene: owns the one OpenGL context (and with it every texture and display
// list, made from the record and its pictures as a frame needs them), the camera and the mouse
// state. Edits and drags only mark it for redrawing; it repaints
// once when the event queue has gone idle.

#include "camera/camera.h"
#include "camera/mouse_modes.h"
#include "model/project.h"
#include "model/project_data.h"
#include "model/project_snapshot.h"
#include "model/scene_look.h"
#include "model/slot_images.h"
#include "panels/scene_view.h"
#include "render/pass_accumulator.h"
#include "render/scene_renderer.h"
#include "render/scene_textures.h"
#include "render/view_refinement.h"

#include <QOpenGLWidget>
#include <QTimer>

class QMimeData;

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cartonic {

class OGLView : public QOpenGLWidget, public SceneView {
    Q_OBJECT
public:
    // Draws project, in its look; sets the box to its start size and the camera to its start
    // position. project outlives the view.
    explicit OGLView(Project& project, QWidget* parent = nullptr);
    ~OGLView() override;

    Camera& camera() override { return camera_; }
    const Camera& camera() const { return camera_; }
    MouseModes& mouse() { return mouse_; }
    MouseMode mouseMode() const { return mouse_.mouseMode; }
    void setMouseMode(MouseMode mode) { mouse_.mouseMode = mode; }

    // Marks the picture as out of date; the view repaints once the event queue is idle.
    void requestRedraw() override;
    bool needsRedraw() const { return needsRedraw_ != 0; }
    // Number of frames drawn from the record so far; showing the refinement's passes is none.
    int paintCount() const { return paintCount_; }
    // True once the GL context exists and its state is set up.
    bool hasContext() const { return glReady_; }

    // Loads the record's light into this view's context, if it has one yet. Does not repaint.
    void applyLight() override;

    // Whether the view smooths its edges, when the driver offers it (see smoothEdgesOffered). On
    // by default; changing it repaints. A still view refines itself with shifted passes summed
    // (pass_accumulator.h) until it is as smooth as a picture made to keep; when, and how far,
    // ViewRefinement decides (view_refinement.h).
    bool smoothEdges() const { return smoothEdges_; }
    // How long the view stands still before it refines.
    static constexpr int kRefineDelayMs = ViewRefinement::kDelayMs;
    // Whether the view is refining its still picture now: passes are being summed, or the last
    // of them is still to be shown.
    bool refining() const { return refinement_.refined() && !refinement_.settled(); }
    // Whether the picture shown, or about to be, is the refinement's rather than a normal frame.
    bool showsRefinement() const { return refinement_.refined(); }
    void setSmoothEdges(bool on);

    // Runs work with this view's context current and its objects up to the record (drawing
    // offscreen, as TurntableFrames does); false, without running it, while the view has no
    // context. No repaint happens.
    bool withContext(const std::function<void(const SceneTextures&)>& work);

    // The face a picture dragged over the view would land on, outlined while the drag is over
    // it; -1 for none.
    int dropFace() const { return dropFace_; }

signals:
    void painted();
    // The still picture is refined as far as it goes.
    void settled();
    // A picture file was dropped on a face of the box (0..5).
    void pictureDropped(int face, const QString& path);
    // Something asked for a new picture: an edit, a drag step or a camera move.
    void redrawRequested();
    // Whether the driver offers the samples smooth edges take; sent when the context is made.
    void smoothEdgesOffered(bool offered);

protected:
    bool event(QEvent* event) override;
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
    // What a frame shows, all that can change while the view stands still: the record's edits,
    // the handles and look the frame options carry, the camera and the slots' pictures. A
    // refinement sums passes of one such state; a paint or a step that finds another throws it
    // away, whichever path changed what is shown and however it asked for the paint.
    struct Shown {
        ProjectSnapshot edits; // runtime names and where the user looks left out
        int outlinedFace = kNoOutline;
        bool lightMarker = false;
        SceneLook look;
        // As bits, so that a degenerate camera's NaNs still equal themselves.
        std::array<std::uint32_t, 16> projection{};
        std::array<qint64, kSlotCount> pictures{};

        bool operator==(const Shown&) const = default;
    };

    void redrawIfNeeded();
    FrameOptions frameOptions() const;
    Shown shownNow() const;
    // Whether what the view shows now is what the refinement's passes are of.
    bool sameAsSummed() const;
    // Smooth edges on, offered, and a context to draw them in.
    bool mayRefine() const;
    // Does what the refinement decided that paints and ticks do alike: its timer, a repaint.
    void follow(const ViewRefinement::Decision& decision);
    void refineTick();
    // Adds the passes the refinement hands out for one slice to the sum.
    void drawSlice();
    // The face under pos for the picture a drag carries, or -1; shows it outlined.
    int trackDrop(const QMimeData& mime, QPointF pos);
    void setDropFace(int face);
    // Deletes the multisampled target and the scene's objects with the context current; the view
    // has no context until the next initializeGL.
    void releaseContextObjects();

    // The context's objects brought up to the project, whose names it then keeps for a save.
    void updateResources();

    Project& project_;
    ProjectData& data_;
    const SlotImages& images_;
    SceneResources resources_;
    Camera camera_;
    MouseModes mouse_;
    QTimer idle_;
    QTimer refineTimer_;
    ViewRefinement refinement_;
    PassAccumulator accumulator_;
    Shown refinedFrom_; // what the passes summed show
    int needsRedraw_ = 0;
    int paintCount_ = 0;
    int dropFace_ = -1;
    bool glReady_ = false;
    bool smoothEdges_ = true;
    bool offersSmoothEdges_ = false;
};

// The surface format the view asks for: a double-buffered compatibility context with depth and
// stencil. Set as the application default before the first window is made.
QSurfaceFormat viewSurfaceFormat();

} // namespace cartonic
