#include "panels/texture_preview.h"

#include "panels/image_browse.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMetaMethod>
#include <QMimeData>
#include <QPainter>

#include <utility>

namespace cartonic {

TexturePreview::TexturePreview(ImageSource source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)) {
    setObjectName(QStringLiteral("TexturePreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
}

namespace {

// The picture file a drag carries; projects are left to the window, which opens them.
QString droppedPicture(const QMimeData& mime) {
    const QString path = localFileOf(mime);
    return isProjectFileName(path) ? QString() : path;
}

} // namespace

bool TexturePreview::takesDrops() const {
    return isSignalConnected(QMetaMethod::fromSignal(&TexturePreview::pictureDropped));
}

void TexturePreview::dragEnterEvent(QDragEnterEvent* event) {
    if (takesDrops() && !droppedPicture(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TexturePreview::dropEvent(QDropEvent* event) {
    const QString path = droppedPicture(*event->mimeData());
    if (!takesDrops() || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pictureDropped(path);
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
