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
    Q_OBJECT
public:
    // The picture to show, or nullptr (or a null image) for none; called on the UI thread at
    // each paint.
    using ImageSource = std::function<const QImage*()>;

    explicit TexturePreview(ImageSource source, QWidget* parent = nullptr);

signals:
    // A picture file was dropped on the control. While nothing is connected, nothing can be.
    void pictureDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool takesDrops() const;

    ImageSource source_;
    // The last picture scaled to the control, so repaints do not rescale a large image.
    QPixmap scaled_;
    qint64 scaledKey_ = 0;
};

} // namespace cartonic
