#pragma once

#include <QProxyStyle>

#include <array>
#include <cstddef>

namespace cartonic {

// The toolkit's own style, except for the few standard pictures the window needs before its
// first frame (the menu and toolbar overflow arrows, the panes' close button), which are drawn
// here. The toolkit reads its copies from image files, and finding out a file's format loads
// every image format plugin installed: several libraries the start-up does not otherwise need.
class AppStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap standard, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

    enum class Picture { OverflowRight, OverflowLeft, OverflowDown, Close, Count };

private:
    // Drawn on first use; the style lives as long as the application, unlike a static.
    mutable std::array<QIcon, static_cast<std::size_t>(Picture::Count)> drawn_;
};

// Makes AppStyle the application's style. Call once, after the QApplication exists.
void installAppStyle();

} // namespace cartonic
