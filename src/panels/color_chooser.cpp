#include "panels/color_chooser.h"

#include <QColorDialog>

namespace cartonic {

namespace {

constexpr Color kWhite = rgbColor(255, 255, 255);

} // namespace

std::array<Color, kCustomColorCount>& customColors() {
    static std::array<Color, kCustomColorCount> colors = [] {
        std::array<Color, kCustomColorCount> white;
        white.fill(kWhite);
        return white;
    }();
    return colors;
}

std::optional<Color> chooseColorWithDialog(QWidget* owner, Color initial) {
    // The dialog keeps its own static set (and may have restored one saved by another program);
    // ours is the one that counts, so it is loaded every time.
    auto& custom = customColors();
    for (int i = 0; i < kCustomColorCount; ++i) {
        QColorDialog::setCustomColor(i, toQColor(custom[i]));
    }
    const QColor chosen = QColorDialog::getColor(toQColor(initial), owner, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < kCustomColorCount; ++i) {
        custom[i] = fromQColor(QColorDialog::customColor(i));
    }
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return fromQColor(chosen);
}

} // namespace cartonic
