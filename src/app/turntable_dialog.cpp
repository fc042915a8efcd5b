#include "app/turntable_dialog.h"

#include "app/export_settings_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace cartonic {

namespace {

// Frames a second are shown to the hundredth: 29.97 and 23.98 are rates people ask for.
constexpr int kFpsDecimals = 2;
constexpr double kLeastFps = 0.01;

} // namespace

TurntableDialog::TurntableDialog(const TurntableChoice& proposed, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TurntableDialog");
    setWindowTitle("Save As Turntable");

    const auto makeBox = [this](const char* name, int least, int most, int value) {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(least, most);
        box->setValue(value);
        return box;
    };
    width_ = makeBox("TurntableWidth", 1, kMaxExportSide, proposed.width);
    height_ = makeBox("TurntableHeight", 1, kMaxExportSide, proposed.height);
    frames_ = makeBox("TurntableFrames", kMinTurntableFrames, kMaxTurntableFrames, proposed.frames);
    fps_ = new QDoubleSpinBox(this);
    fps_->setObjectName("TurntableFps");
    fps_->setDecimals(kFpsDecimals);
    fps_->setRange(kLeastFps, kMaxAnimationFps);
    fps_->setValue(proposed.fps);

    auto* size = new QHBoxLayout;
    size->addWidget(width_);
    size->addWidget(new QLabel("x", this));
    size->addWidget(height_);
    size->addWidget(new QLabel("pixels", this));

    auto* form = new QFormLayout(this);
    auto* sizeLabel = new QLabel("&Size:", this);
    sizeLabel->setBuddy(width_);
    form->addRow(sizeLabel, size);
    form->addRow("&Frames in a turn:", frames_);
    form->addRow("Frames a &second:", fps_);
    auto* note = new QLabel("A WebP animation or an MP4 video is chosen next. A video's width\n"
                            "and height are rounded down to even numbers.",
                            this);
    note->setEnabled(false);
    form->addRow(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    width_->setFocus();
    width_->selectAll();
}

TurntableChoice TurntableDialog::choice() const {
    return {width_->value(), height_->value(), frames_->value(), fps_->value()};
}

} // namespace cartonic
