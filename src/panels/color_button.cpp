#include "panels/color_button.h"

#include "panels/color_button_geometry.h"
#include "panels/color_picker.h"
#include "panels/color_picker_layout.h"

#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

namespace cartonic {

namespace {

// About 48 x 14 dialog units in an 8-point dialog font.
constexpr QSize kPreferredSize{72, 23};
constexpr QSize kSmallestSize{32, 16};

} // namespace

ColorButton::ColorButton(QWidget* parent)
    : QAbstractButton(parent), defaultColor_(fromQColor(palette().color(QPalette::Dark))),
      defaultText_(QStringLiteral("Automatic")), customText_(QStringLiteral("More Colors...")),
      chooser_(chooseColorWithDialog) {
    setObjectName(QStringLiteral("ColorButton"));
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &ColorButton::runClick);
}

void ColorButton::setColor(Color color) {
    currentColor_ = color;
    update();
}

QSize ColorButton::sizeHint() const {
    return kPreferredSize;
}

QSize ColorButton::minimumSizeHint() const {
    return kSmallestSize;
}

Color ColorButton::shownColor() const {
    return currentColor_ == kAutomaticColor ? defaultColor_ : currentColor_;
}

void ColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pushed = isDown();

    QStyleOptionButton face;
    face.initFrom(this);
    face.state |= pushed ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &face, &painter, this);

    const ColorButtonParts parts = colorButtonParts(rect(), pushed || popupActive_, kEdgeSize);
    if (hasFocus() || popupActive_) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        // Some styles hide the focus frame after a mouse click; this button always shows it.
        focus.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        focus.rect = parts.focusRect;
        focus.backgroundColor = palette().color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }

    const QColor arrow =
        isEnabled() ? QColor(Qt::black) : palette().color(QPalette::Disabled, QPalette::WindowText);
    painter.setPen(arrow);
    painter.setBrush(arrow);
    painter.drawPolygon(parts.arrow.data(), static_cast<int>(parts.arrow.size()));

    const int lastRow = parts.separatorBottom - 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(parts.separatorX, parts.separatorTop, parts.separatorX, lastRow);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(parts.separatorX + 1, parts.separatorTop, parts.separatorX + 1, lastRow);

    if (isEnabled() && !parts.swatch.isEmpty()) {
        painter.fillRect(parts.swatch, toQColor(shownColor()));
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(parts.swatch.adjusted(0, 0, -1, -1));
    }
}

void ColorButton::runClick() {
    QPointer<ColorButton> alive(this);
    popupActive_ = true;
    repaint();
    emit popupOpening(currentColor_);
    if (!alive) {
        return;
    }

    const Color before = currentColor_;
    const std::optional<Color> choice = askForColor();
    if (!alive) {
        return;
    }
    popupActive_ = false;

    if (choice) {
        currentColor_ = *choice;
        if (currentColor_ != before) {
            emit colorChanged(currentColor_);
        }
        if (alive) {
            emit popupClosed(currentColor_);
        }
        if (alive) {
            emit pickAccepted(currentColor_);
        }
    } else {
        emit popupClosed(currentColor_);
        if (alive) {
            emit pickCancelled(currentColor_);
        }
    }
    if (alive) {
        update();
    }
}

std::optional<Color> ColorButton::askForColor() {
    QPointer<ColorButton> alive(this);
    ColorPicker::Result result;
    {
        ColorPicker picker(currentColor_, defaultText_, customText_);
        const QRect button(mapToGlobal(QPoint(0, 0)), size());
        result = picker.exec(button, screen()->geometry());
    }
    if (!alive || !result.madeChoice) {
        return std::nullopt;
    }
    if (result.hotIndex != kMoreColorsCell) {
        return result.pickerColor;
    }
    // A copy: the chooser runs a nested loop in which this button may be destroyed.
    const ColorChooser chooser = chooser_;
    return chooser ? chooser(this, shownColor()) : std::nullopt;
}

} // namespace cartonic
