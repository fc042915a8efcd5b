#include "app/edit_history.h"

#include "model/record_edit.h"

#include <QEvent>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace cartonic {

namespace {

// One id for every step, so the stack offers each new step to the one before it to merge.
constexpr int kEditStepId = 1;

struct PictureChange {
    int slot = 0;
    SlotImage before;
    SlotImage after;
};

// A step's name for a change of the settings beside the record, as the controls name them.
std::string describeSettingsEdit(const ExtensionSettings& before, const ExtensionSettings& after) {
    if (before.look.shadowSoftness != after.look.shadowSoftness) {
        return "Shadow Softness";
    }
    if (before.look.reflectionFade != after.look.reflectionFade) {
        return "Reflection Fade";
    }
    return "Embed Pictures";
}

} // namespace

// One undoable change: the record's changed bytes, the slot pictures that changed (shared, so
// undoing a picture change rereads no file), the settings beside the record and the field of
// view.
class EditHistory::Step : public QUndoCommand {
public:
    Step(EditHistory& history, RecordDelta delta, std::vector<PictureChange> pictures,
         ExtensionSettings settingsBefore, ExtensionSettings settingsAfter, float fovBefore,
         float fovAfter, quint64 serial)
        : history_(history), delta_(std::move(delta)), pictures_(std::move(pictures)),
          settingsBefore_(settingsBefore), settingsAfter_(settingsAfter), fovBefore_(fovBefore),
          fovAfter_(fovAfter), serial_(serial) {
        setText(QString::fromStdString(name()));
    }

    int id() const override { return kEditStepId; }

    void undo() override { history_.restore(*this, true); }
    void redo() override {
        // Pushing a step redoes it; the project is in that state already.
        if (pushed_) {
            history_.restore(*this, false);
        }
        pushed_ = true;
    }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const Step*>(other);
        if (next->serial_ != serial_) {
            return false;
        }
        delta_ = mergeDeltas(delta_, next->delta_, history_.data_);
        for (const PictureChange& change : next->pictures_) {
            auto same = std::find_if(pictures_.begin(), pictures_.end(),
                                     [&](const PictureChange& c) { return c.slot == change.slot; });
            if (same == pictures_.end()) {
                pictures_.push_back(change);
            } else {
                same->after = change.after;
            }
        }
        fovAfter_ = next->fovAfter_;
        settingsAfter_ = next->settingsAfter_;
        // A gesture that ends where it began leaves nothing to undo.
        setObsolete(delta_.empty() && fovBefore_ == fovAfter_ &&
                    settingsBefore_ == settingsAfter_ &&
                    std::all_of(pictures_.begin(), pictures_.end(), [](const PictureChange& c) {
                        return c.before.image.cacheKey() == c.after.image.cacheKey();
                    }));
        return true;
    }

    const RecordDelta& delta() const { return delta_; }
    const std::vector<PictureChange>& pictures() const { return pictures_; }
    float fov(bool undo) const { return undo ? fovBefore_ : fovAfter_; }
    const ExtensionSettings& settings(bool undo) const {
        return undo ? settingsBefore_ : settingsAfter_;
    }

private:
    std::string name() const {
        if (!delta_.empty()) {
            return describeEdit(delta_);
        }
        if (!pictures_.empty()) {
            return describePictureEdit(pictures_.front().slot);
        }
        if (settingsBefore_ != settingsAfter_) {
            return describeSettingsEdit(settingsBefore_, settingsAfter_);
        }
        return "Field of View";
    }

    EditHistory& history_;
    RecordDelta delta_;
    std::vector<PictureChange> pictures_;
    ExtensionSettings settingsBefore_;
    ExtensionSettings settingsAfter_;
    float fovBefore_;
    float fovAfter_;
    quint64 serial_;
    bool pushed_ = false;
};

EditHistory::EditHistory(ProjectData& data, SlotImages& images, ExtensionSettings& settings,
                         Camera& camera, QObject* parent)
    : QObject(parent), data_(data), images_(images), settings_(settings), camera_(camera),
      record_(std::make_unique<ProjectData>(data)) {
    stack_.setUndoLimit(kUndoLimit);
    takePresentState();
}

EditHistory::~EditHistory() = default;

void EditHistory::takePresentState() {
    *record_ = data_;
    pictures_ = images_;
    stepSettings_ = settings_;
    fov_ = camera_.fov;
}

void EditHistory::reset() {
    stack_.clear();
    takePresentState();
}

void EditHistory::saved() {
    const auto samePath = [](const Path& a, const Path& b) {
        return std::equal(a.begin(), a.end(), b.begin());
    };
    bool same = samePath(record_->floorImagePath, data_.floorImagePath);
    for (int k = 0; k < kFaceCount; ++k) {
        same = same && samePath(record_->faceSlots[k].imagePath, data_.faceSlots[k].imagePath);
    }
    if (!same) {
        reset();
    }
}

void EditHistory::commit() {
    RecordDelta delta = diffRecords(*record_, data_);
    std::vector<PictureChange> pictures;
    for (int k = 0; k < kSlotCount; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        if (images_[slot].image.cacheKey() != pictures_[slot].image.cacheKey()) {
            pictures.push_back({k, pictures_[slot], images_[slot]});
        }
    }
    if (delta.empty() && pictures.empty() && settings_ == stepSettings_ && camera_.fov == fov_) {
        return;
    }
    const float fovBefore = fov_;
    const ExtensionSettings settingsBefore = stepSettings_;
    takePresentState();
    stack_.push(new Step(*this, std::move(delta), std::move(pictures), settingsBefore, settings_,
                         fovBefore, camera_.fov, inputSerial_));
}

void EditHistory::restore(const Step& step, bool undo) {
    applyDelta(data_, step.delta(), undo ? DeltaSide::Before : DeltaSide::After);
    for (const PictureChange& change : step.pictures()) {
        images_[static_cast<std::size_t>(change.slot)] = undo ? change.before : change.after;
    }
    camera_.fov = step.fov(undo);
    settings_ = step.settings(undo);
    takePresentState();
    emit restored();
}

bool EditHistory::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        ++inputSerial_;
        break;
    case QEvent::KeyPress:
        // A key held down repeats: its edits (a slider walked along) are one step.
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            ++inputSerial_;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace cartonic
