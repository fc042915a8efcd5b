#include "panels/panel_widgets.h"

#include "panels/application_icon.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <qdrawutil.h>

namespace cartonic {

namespace {

// A group box whose title sits on its top line, as dialog layouts in dialog units expect: the
// controls inside start just below the title's middle, not below a title strip.
class TitleOnLineGroupBox : public QGroupBox {
public:
    TitleOnLineGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        // Etched by hand: styles put their group frame below a title strip of their own.
        qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true);
        if (title().isEmpty()) {
            return;
        }
        const int gap = metrics.averageCharWidth() / 2;
        const QRect text(metrics.averageCharWidth() + gap, 0, metrics.horizontalAdvance(title()),
                         metrics.height());
        painter.fillRect(text.adjusted(-gap, 0, gap, 0), palette().window());
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    }
};

} // namespace

void useDialogFont(QWidget& panel) {
    QFont font = panel.font();
    font.setPointSize(kDialogFontPoints);
    panel.setFont(font);
}

void useApplicationIcon(QWidget& panel) {
    // The icon comes with the application's resources; a panel built without them (in a test)
    // simply has none.
    const QIcon icon = applicationIcon({kSmallIconSide});
    if (!icon.isNull()) {
        panel.setWindowIcon(icon);
    }
}

void nameControl(QWidget& control, int id) {
    control.setObjectName(QString::number(id));
}

QGroupBox* addGroupBox(QWidget& panel, const QString& title, const QRect& geometry) {
    auto* box = new TitleOnLineGroupBox(title, &panel);
    box->setGeometry(geometry);
    return box;
}

QLabel* addFramedCaption(QWidget& panel, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, &panel);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(geometry);
    // Fonts wider than the layout's own would put the text on the frame; grow about the centre.
    const int padding = label->fontMetrics().averageCharWidth() / 2;
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * (padding + 1);
    if (needed > geometry.width()) {
        const int grow = needed - geometry.width();
        label->setGeometry(geometry.adjusted(-grow / 2, 0, grow - grow / 2, 0));
    }
    return label;
}

void fitHeight(QWidget& control) {
    const int needed = control.sizeHint().height();
    const QRect geometry = control.geometry();
    if (needed > geometry.height()) {
        const int grow = needed - geometry.height();
        control.setGeometry(geometry.adjusted(0, -grow / 2, 0, grow - grow / 2));
    }
}

} // namespace cartonic
