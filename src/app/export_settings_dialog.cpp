#include "app/export_settings_dialog.h"

#include "panels/dialog_units.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace cartonic {

int exportSideFromText(const QString& text, int previous) {
    if (text.isEmpty()) {
        return previous;
    }
    long long value = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') {
            break;
        }
        value = std::min<long long>(value * 10 + (c.unicode() - '0'), kMaxExportSide + 1);
    }
    return value > 0 && value <= kMaxExportSide ? static_cast<int>(value) : previous;
}

ExportSettingsDialog::ExportSettingsDialog(int viewWidth, int viewHeight, QWidget* parent)
    : QDialog(parent), exportWidth_(viewWidth), exportHeight_(viewHeight) {
    setObjectName("ExportSettingsDialog");
    setWindowTitle("Export to image settings");
    const DialogUnits du(*this);
    // Taller than the size alone needs: the drawing choices sit under the size, left of the
    // buttons, which stay where they were.
    setFixedSize(du.x(319), du.y(84));

    auto* group = new QGroupBox("Output image path", this);
    group->setGeometry(du.rect(7, 7, 305, 44));
    auto* widthLabel = new QLabel("Width Pixels", this);
    widthLabel->move(du.x(19), du.y(26));
    auto* heightLabel = new QLabel("Height Pixels", this);
    heightLabel->move(du.x(158), du.y(26));

    const auto makeEdit = [&](int id, QRect geometry, int value) {
        auto* edit = new QLineEdit(QString::number(value), this);
        edit->setObjectName(QString::number(id));
        edit->setGeometry(geometry);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        return edit;
    };
    widthEdit_ = makeEdit(kExportWidthEdit, du.rect(66, 23, 73, 15), viewWidth);
    heightEdit_ = makeEdit(kExportHeightEdit, du.rect(211, 23, 73, 15), viewHeight);

    smoothEdgesBox_ = new QCheckBox("&Smooth edges", this);
    smoothEdgesBox_->setGeometry(du.rect(9, 55, 180, 10));
    smoothEdgesBox_->setChecked(true);
    transparentBox_ = new QCheckBox("&Transparent background (PNG pictures only)", this);
    transparentBox_->setGeometry(du.rect(9, 68, 190, 10));

    auto* ok = new QPushButton("OK", this);
    ok->setGeometry(du.rect(203, 56, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setGeometry(du.rect(262, 56, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    widthEdit_->setFocus();
}

bool ExportSettingsDialog::smoothEdges() const {
    return smoothEdgesBox_->isChecked();
}

void ExportSettingsDialog::setSmoothEdges(bool on) {
    smoothEdgesBox_->setChecked(on);
}

bool ExportSettingsDialog::transparent() const {
    return transparentBox_->isChecked();
}

void ExportSettingsDialog::setTransparent(bool on) {
    transparentBox_->setChecked(on);
}

void ExportSettingsDialog::done(int result) {
    QStringList notes;
    const auto take = [&notes](const QLineEdit& edit, const char* side, int& value) {
        constexpr int kNotTaken = -1;
        const int taken = exportSideFromText(edit.text(), kNotTaken);
        if (taken != kNotTaken) {
            value = taken;
            return;
        }
        const QString entry = edit.text().isEmpty()
                                  ? QString("No %1 was given").arg(side)
                                  : QString("A %1 of %2 is not 1 to %3 pixels")
                                        .arg(side, edit.text(), QString::number(kMaxExportSide));
        notes
            << QString("%1, so the %2 it started with, %3, was used.").arg(entry, side).arg(value);
    };
    take(*widthEdit_, "width", exportWidth_);
    take(*heightEdit_, "height", exportHeight_);
    fallbackNote_ = notes.join(' ');
    QDialog::done(result);
}

} // namespace cartonic
