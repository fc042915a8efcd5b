#pragma once

// Nets drawn as a carton is printed, for the dieline tests.

#include "image/dieline.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <array>

namespace cartonic::test {

// A fold of the carton: the two faces it joins, the first left of or above the second in the
// net. The row's two ends meet at the fold the glue flap makes: its first is the row's last.
struct Fold {
    Face first;
    Face second;
    bool acrossRow; // a fold between panels of the wrapping row, else above or below the front
};

// The six folds of a carton, by the faces they join on the box, each with its band's colour.
inline constexpr std::array<Fold, 6> kFolds = {{
    {Right, Front, true},
    {Front, Left, true},
    {Left, Back, true},
    {Back, Right, true},
    {Top, Front, false},
    {Front, Bottom, false},
}};
inline const std::array<QColor, 6> kFoldColours = {QColor(230, 20, 20),  QColor(20, 200, 30),
                                                   QColor(30, 40, 230),  QColor(230, 220, 20),
                                                   QColor(220, 30, 220), QColor(20, 210, 220)};
inline const QColor kPanelGrey(128, 128, 128);

// A grey net whose every fold has a band of its colour on both sides, band pixels deep into
// each panel, along the fold's first half only: the upper half of a fold across the row, the left
// half of one above or below the front. A panel laid back to front along its fold shows its half
// of the band at the wrong end. The fold between the row's ends has it down the outer edge of
// each end.
inline QImage foldBandNet(QSize size, const DielineCut& cut, int band) {
    QImage net(size, QImage::Format_RGB32);
    net.fill(kPanelGrey);
    QPainter painter(&net);
    for (std::size_t k = 0; k < kFolds.size(); ++k) {
        const QRect a = cut.panels[kFolds[k].first];
        const QRect b = cut.panels[kFolds[k].second];
        if (!kFolds[k].acrossRow) {
            painter.fillRect(QRect(a.left(), a.bottom() + 1 - band, a.width() / 2, band),
                             kFoldColours[k]);
            painter.fillRect(QRect(b.left(), b.top(), b.width() / 2, band), kFoldColours[k]);
        } else {
            painter.fillRect(QRect(a.right() + 1 - band, a.top(), band, a.height() / 2),
                             kFoldColours[k]);
            painter.fillRect(QRect(b.left(), b.top(), band, b.height() / 2), kFoldColours[k]);
        }
    }
    return net;
}

} // namespace cartonic::test
