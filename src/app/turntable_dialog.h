#pragma once

// Asks for a turntable's frames: width and height in pixels (1 to kMaxExportSide, as a picture's),
// how many frames make the turn (kMinTurntableFrames to kMaxTurntableFrames) and how many show a
// second (more than 0, at most kMaxAnimationFps). The file is asked for after it.

#include "app/user_prompts.h"

#include <QDialog>

class QDoubleSpinBox;
class QSpinBox;

namespace cartonic {

class TurntableDialog : public QDialog {
    Q_OBJECT
public:
    // Starts from proposed; values outside the ranges are brought within them.
    explicit TurntableDialog(const TurntableChoice& proposed, QWidget* parent = nullptr);

    // What the boxes hold.
    TurntableChoice choice() const;

    QSpinBox* widthBox() const { return width_; }
    QSpinBox* heightBox() const { return height_; }
    QSpinBox* framesBox() const { return frames_; }
    QDoubleSpinBox* fpsBox() const { return fps_; }

private:
    QSpinBox* width_;
    QSpinBox* height_;
    QSpinBox* frames_;
    QDoubleSpinBox* fps_;
};

} // namespace cartonic
