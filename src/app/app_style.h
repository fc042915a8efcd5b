#pragma once

#include <QProxyStyle>

namespace cartonic {

// The toolkit's own style, except for the few standard pictures the window needs before its
// first frame (the menu and toolbar overflow arrows, the panes' close button), which are drawn
// here. The toolkit reads its copies from image files, and finding out a file's format loads
// every image format plugin installed: several libraries the start-up does not otherwise need.
class AppStyle : public QProxyStyle {
public:
    AppStyle();

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

private:
    // Drawn on first use; the style lives as long as the application, unlike a static.
    mutable QIcon overflowRight_;
    mutable QIcon overflowLeft_;
    mutable QIcon overflowDown_;
    mutable QIcon close_;
};

// Makes AppStyle the application's style. Call once, after the QApplication exists.
void installAppStyle();

} // namespace cartonic
