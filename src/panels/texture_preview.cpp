#include "panels/texture_preview.h"

#include <QPainter>

#include <utility>

namespace cartonic {

TexturePreview::TexturePreview(ImageSource source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)) {
    setObjectName(QStringLiteral("TexturePreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TexturePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage* image = source_ ? source_() : nullptr;
    if (!image || image->isNull()) {
        painter.fillRect(rect(), QColor::fromRgb(kEmptyPreviewColor));
        return;
    }
    if (image->cacheKey() != scaledKey_ || scaled_.size() != size()) {
        scaled_ = QPixmap::fromImage(
            image->scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaledKey_ = image->cacheKey();
    }
    painter.drawPixmap(0, 0, scaled_);
}

} // namespace cartonic
