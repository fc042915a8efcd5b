#include "panels/color_picker.h"

#include "panels/color_palette.h"
#include "panels/color_picker_navigation.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <qdrawutil.h>

namespace cartonic {

namespace {

std::optional<QSize> textSize(const QFontMetrics& metrics, const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

int stepForKey(int key) {
    switch (key) {
    case Qt::Key_Left:
        return kStepLeft;
    case Qt::Key_Up:
        return kStepUp;
    case Qt::Key_Right:
        return kStepRight;
    case Qt::Key_Down:
        return kStepDown;
    default:
        return 0;
    }
}

} // namespace

ColorPicker::ColorPicker(Color current, const QString& defaultText, const QString& customText)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), currentColor_(current),
      defaultText_(defaultText), customText_(customText), pickerColor_(current) {
    setObjectName(QStringLiteral("ColorPicker"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setFont(QApplication::font("QMenu"));

    const QFontMetrics metrics(font());
    layout_ = layoutPicker(textSize(metrics, defaultText_), textSize(metrics, customText_));
    setFixedSize(layout_.windowSize);
    chosen_ = chosenCellFor(currentColor_, layout_.hasTopRow(), layout_.hasBottomRow());
}

ColorPicker::Result ColorPicker::exec(const QRect& button, const QRect& screen) {
    const QRect below(QPoint(button.x(), button.y() + button.height()), layout_.windowSize);
    move(fitOnScreen(below, screen, button.height()).topLeft());
    show();
    if (isVisible()) {
        loop_.exec();
    }
    hide();
    return {madeChoice_, hot_, pickerColor_};
}

bool ColorPicker::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const int cell = hitTest(layout_, help->pos());
    if (cell >= 0) {
        QToolTip::showText(help->globalPos(), QString::fromLatin1(kPalette[cell].name), this,
                           cellRect(layout_, cell));
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void ColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    qDrawWinPanel(&painter, rect(), palette(), false);
    if (layout_.hasTopRow()) {
        drawCell(painter, kAutomaticCell);
    }
    for (int cell = 0; cell < kPaletteSize; ++cell) {
        drawCell(painter, cell);
    }
    if (layout_.hasBottomRow()) {
        drawCell(painter, kMoreColorsCell);
    }
}

void ColorPicker::drawCell(QPainter& painter, int cell) const {
    const QPalette& colors = palette();
    const QColor background = colors.color(QPalette::Window);
    const QColor highlight = colors.color(QPalette::Highlight);
    const bool hot = cell == hot_;
    const bool textRow = cell < 0;
    const CellParts parts =
        cellParts(cellRect(layout_, cell), textRow ? kTextRowMetrics : kSwatchCellMetrics,
                  hot || cell == chosen_);
    const QColor fill =
        hot ? highlight : toQColor(chosenFillColor(fromQColor(background), fromQColor(highlight)));

    if (!parts.background.isEmpty()) {
        painter.fillRect(parts.background, background);
    }
    if (!parts.border.isEmpty()) {
        painter.fillRect(parts.border, highlight);
        painter.fillRect(parts.fill, fill);
    }
    if (textRow) {
        painter.setPen(colors.color(hot ? QPalette::HighlightedText : QPalette::WindowText));
        painter.drawText(parts.content, Qt::AlignCenter | Qt::TextSingleLine,
                         cell == kAutomaticCell ? defaultText_ : customText_);
        return;
    }
    painter.fillRect(parts.content, colors.color(QPalette::Dark));
    painter.fillRect(parts.content.adjusted(1, 1, -1, -1), toQColor(kPalette[cell].color));
}

void ColorPicker::makeHot(int cell) {
    update(cellRect(layout_, hot_));
    hot_ = cell;
    update(cellRect(layout_, hot_));
    pickerColor_ = pickerColorAfterHot(cell, pickerColor_);
}

void ColorPicker::finish(bool madeChoice) {
    madeChoice_ = madeChoice;
    loop_.exit();
}

void ColorPicker::mouseMoveEvent(QMouseEvent* event) {
    const int cell = hitTest(layout_, event->position().toPoint());
    if (cell != hot_) {
        makeHot(cell);
    }
}

void ColorPicker::mousePressEvent(QMouseEvent* event) {
    // A left press, inside or out, waits for its release; only the right button cancels here.
    if (event->button() == Qt::RightButton) {
        finish(false);
    }
}

void ColorPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int cell = hitTest(layout_, event->position().toPoint());
    if (cell != hot_) {
        makeHot(cell);
    }
    finish(cell != kNoCell);
}

void ColorPicker::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (hot_ == kNoCell) {
            pickerColor_ = currentColor_;
        }
        finish(hot_ != kNoCell);
        return;
    case Qt::Key_Escape:
        pickerColor_ = currentColor_;
        finish(false);
        return;
    default:
        break;
    }
    if (const int step = stepForKey(event->key())) {
        makeHot(walkCell(hot_, step, layout_.hasTopRow(), layout_.hasBottomRow()));
    }
}

void ColorPicker::keyReleaseEvent(QKeyEvent*) {}

void ColorPicker::hideEvent(QHideEvent* event) {
    // Closed from outside (another popup, the session ending): the loop must not outlive it.
    loop_.exit();
    QWidget::hideEvent(event);
}

} // namespace cartonic
