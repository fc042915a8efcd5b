#pragma once

// Helpers shared by the panel tests: finding controls by number, byte-exact record comparison,
// and a picture file on disk.

#include "model/project_data.h"
#include "support/project_bytes.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWidget>

#include <cstring>
#include <string>

namespace cartonic::test {

template <class T>
T* control(QWidget& panel, int id) {
    return panel.findChild<T*>(QString::number(id));
}

// Writes a width x height PNG of one colour; returns whether it was written.
inline bool writePng(const std::string& path, int width, int height, QRgb colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(QString::fromStdString(path), "PNG");
}

// The colour in the middle of a widget as it paints itself.
inline QRgb middlePixel(QWidget& widget) {
    const QImage shot = widget.grab().toImage();
    return shot.pixel(shot.width() / 2, shot.height() / 2) | 0xFF000000u;
}

// Clicks a check box or radio button on its indicator: the toolkit's boxes take clicks on their
// indicator and text only, not on the rest of their rectangle.
inline void clickIndicator(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle::SubElement indicator = qobject_cast<QRadioButton*>(button)
                                             ? QStyle::SE_RadioButtonIndicator
                                             : QStyle::SE_CheckBoxIndicator;
    const QRect at = button->style()->subElementRect(indicator, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, {}, at.center());
}

// True when the text of a label, check box or radio button is drawn whole inside it; true for
// other widgets.
inline bool textFits(QWidget& widget) {
    const QFontMetrics metrics = widget.fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        const QRect inside = label->contentsRect();
        return metrics.horizontalAdvance(label->text()) <= inside.width() &&
               metrics.height() <= inside.height() + 2;
    }
    const bool radio = qobject_cast<QRadioButton*>(&widget) != nullptr;
    if (!radio && !qobject_cast<QCheckBox*>(&widget)) {
        return true;
    }
    auto& button = static_cast<QAbstractButton&>(widget);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect contents = button.style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, &button);
    return metrics.horizontalAdvance(button.text()) <= contents.width();
}

} // namespace cartonic::test
