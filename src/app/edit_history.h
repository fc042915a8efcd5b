#pragma once

// The project's undo history. Edits are not recorded where they are made: after anything that may
// have changed the project, the frame calls commit(), which compares the project with its state
// after the last step and makes whatever changed one step. Everything changed from one press of a
// mouse button or a key (a drag in the view, a slider pulled along) becomes one step. Camera moves
// are no edits; the field of view, which a control sets, is, and so are the settings the project
// keeps beyond its record (its look, the embed switch).

#include "camera/camera.h"
#include "model/project_data.h"
#include "model/project_extension.h"
#include "model/slot_images.h"

#include <QObject>
#include <QUndoStack>

#include <memory>

namespace cartonic {

class EditHistory : public QObject {
    Q_OBJECT
public:
    // data, images, settings and camera outlive the history. Takes their present state as the
    // start.
    EditHistory(ProjectData& data, SlotImages& images, ExtensionSettings& settings, Camera& camera,
                QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack& stack() { return stack_; }

    // Makes what changed since the last step one step; nothing when nothing changed.
    void commit();
    // Forgets every step and takes the present state as the start (New, Open).
    void reset();
    // After a save: one to another folder rewrote the pictures' relative paths for it, and every
    // step before holds them as they were, taken against the old folder, where undoing would
    // make them name other files; the history then starts afresh.
    void saved();

    // Counts presses of mouse buttons and keys, for telling one gesture's edits from the next
    // one's. Install on the application.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Steps kept before the oldest is dropped.
    static constexpr int kUndoLimit = 200;

signals:
    // A step was undone or redone: refresh what shows the project, once.
    void restored();

private:
    class Step;
    friend class Step;

    void takePresentState();
    void restore(const Step& step, bool undo);

    ProjectData& data_;
    SlotImages& images_;
    ExtensionSettings& settings_;
    Camera& camera_;
    QUndoStack stack_;
    // The state after the last step.
    std::unique_ptr<ProjectData> record_;
    SlotImages pictures_;
    ExtensionSettings stepSettings_;
    float fov_ = 0.0f;
    quint64 inputSerial_ = 0;
};

} // namespace cartonic
