#pragma once

// The picture area of the settings panels: the slot's picture stretched over the whole control
// (aspect ratio not kept, orientation and texture switch not applied), or a flat grey when the
// slot has no picture. It asks for the picture on every paint, so it always shows the slot's
// current one.

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace cartonic {

inline constexpr QRgb kEmptyPreviewColor = 0xFF969696; // RGB(150, 150, 150)

class TexturePreview : public QWidget {
public:
    // The picture to show, or nullptr (or a null image) for none; called on the UI thread at
    // each paint.
    using ImageSource = std::function<const QImage*()>;

    explicit TexturePreview(ImageSource source, QWidget* parent = nullptr);

    // A picture file dropped on the control; none set, nothing can be dropped.
    std::function<void(const QString& path)> pictureDropped;

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    ImageSource source_;
    // The last picture scaled to the control, so repaints do not rescale a large image.
    QPixmap scaled_;
    qint64 scaledKey_ = 0;
};

} // namespace cartonic
