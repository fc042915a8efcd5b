#include "app/face_list.h"

#include "panels/image_browse.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>
#include <qdrawutil.h>

#include <algorithm>

namespace cartonic {

namespace {
constexpr int kHorizontalInset = 3;
constexpr int kVerticalInset = 5;
constexpr int kExtraItemHeight = 8;
constexpr int kCaptionMeasureWidth = 100; // also the width of the hot spot of an item
constexpr int kIconTop = 4;               // icon top below the inset rectangle's top
constexpr int kFrameMargin = 6;           // frame rectangle = icon rectangle grown by this
constexpr int kCaptionGap = 10;           // caption top = inset top + icon height + this
constexpr int kHotIconLift = 1;

// Splits text into the lines it takes when wrapped at word boundaries width pixels wide. A word
// wider than width keeps a line of its own.
QStringList wrapCaption(const QFont& font, const QString& text, int width) {
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

// Draws the caption centred in box, wrapped; a line that does not fit across, and the last line
// that fits down when more follow, end in an ellipsis.
void drawCaption(QPainter& painter, const QRect& box, const QString& text) {
    const QFontMetrics metrics(painter.font());
    const int lineHeight = metrics.height();
    const QStringList lines = wrapCaption(painter.font(), text, box.width());
    const int fitting = std::max(1, box.height() / std::max(1, lineHeight));
    for (int i = 0; i < lines.size() && i < fitting; ++i) {
        QString line = lines[i];
        if (i == fitting - 1 && lines.size() > fitting) {
            line = lines.mid(i).join(QLatin1Char(' '));
        }
        line = metrics.elidedText(line, Qt::ElideRight, box.width());
        const QRect lineRect(box.left(), box.top() + i * lineHeight, box.width(), lineHeight);
        painter.drawText(lineRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, line);
    }
}
} // namespace

FaceList::FaceList(QWidget* parent) : QWidget(parent) {
    setObjectName("WTL_OutlookPane");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted in paintEvent, so the background need not be erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
}

void FaceList::addItem(const QString& text, const QPixmap& image) {
    Item item{text, image, 0};
    item.height = measureItem(item);
    items_.push_back(item);
    updateGeometry();
    update();
}

QString FaceList::itemText(int index) const {
    return index >= 0 && index < count() ? items_[index].text : QString();
}

QPixmap FaceList::itemImage(int index) const {
    return index >= 0 && index < count() ? items_[index].image : QPixmap();
}

void FaceList::setCurrentRow(int index) {
    if (index < -1 || index >= count() || index == currentRow_) {
        return;
    }
    updateItem(currentRow_);
    currentRow_ = index;
    updateItem(currentRow_);
}

int FaceList::itemHeight(int index) const {
    return index >= 0 && index < count() ? items_[index].height : 0;
}

QRect FaceList::itemRect(int index) const {
    if (index < 0 || index >= count()) {
        return {};
    }
    int top = 0;
    for (int i = 0; i < index; ++i) {
        top += items_[i].height;
    }
    return QRect(0, top, width(), items_[index].height);
}

int FaceList::itemAtHotSpot(QPoint pos) const {
    for (int i = 0; i < count(); ++i) {
        const QRect item = itemRect(i);
        const int centre = item.left() + item.width() / 2;
        const int half = kCaptionMeasureWidth / 2;
        if (item.contains(pos) && pos.x() >= centre - half && pos.x() < centre + half) {
            return i;
        }
    }
    return -1;
}

int FaceList::fullHeight() const {
    int sum = 0;
    for (const Item& item : items_) {
        sum += item.height;
    }
    return sum;
}

QSize FaceList::sizeHint() const {
    return QSize(kCaptionMeasureWidth + 2 * kHorizontalInset, fullHeight());
}

QSize FaceList::minimumSizeHint() const {
    return QSize(0, 0);
}

int FaceList::measureItem(const Item& item) const {
    const int lines = static_cast<int>(wrapCaption(font(), item.text, kCaptionMeasureWidth).size());
    const int captionHeight = lines * fontMetrics().height();
    return kIconSize + 2 * kVerticalInset + captionHeight + kExtraItemHeight;
}

void FaceList::remeasure() {
    for (Item& item : items_) {
        item.height = measureItem(item);
    }
    updateGeometry();
    update();
}

void FaceList::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    painter.setFont(font());
    for (int i = 0; i < count(); ++i) {
        if (itemRect(i).intersects(event->rect())) {
            drawItem(painter, i);
        }
    }
}

void FaceList::drawItem(QPainter& painter, int index) const {
    const Item& item = items_[index];
    const QRect full = itemRect(index);
    const QRect inset =
        full.adjusted(kHorizontalInset, kVerticalInset, -kHorizontalInset, -kVerticalInset);
    QRect icon(inset.left() + (inset.width() - kIconSize) / 2, inset.top() + kIconTop, kIconSize,
               kIconSize);
    const QRect frame = icon.adjusted(-kFrameMargin, -kFrameMargin, kFrameMargin, kFrameMargin);
    if (index == currentRow_) {
        qDrawWinPanel(&painter, frame, palette(), true);
    } else if (index == hotItem_) {
        qDrawWinPanel(&painter, frame, palette(), false);
    } else {
        painter.fillRect(frame, palette().color(QPalette::Dark));
    }
    if (index == hotItem_) {
        icon.translate(0, -kHotIconLift);
    }
    if (!item.image.isNull()) {
        painter.drawPixmap(icon, item.image);
    }
    // The caption may use the bottom inset as well: the item height leaves the caption a little
    // less than its measured height inside the inset rectangle, which would cut off descenders.
    QRect caption = inset;
    caption.setTop(inset.top() + kIconSize + kCaptionGap);
    caption.setBottom(full.bottom());
    painter.setPen(palette().color(QPalette::Light));
    drawCaption(painter, caption, item.text);
}

void FaceList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    for (int i = 0; i < count(); ++i) {
        if (itemRect(i).contains(pos)) {
            // A click on the selected item chooses it again, so that it brings its face back
            // after another command has shown something else.
            choose(i);
            return;
        }
    }
}

void FaceList::mouseMoveEvent(QMouseEvent* event) {
    setHotItem(itemAtHotSpot(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void FaceList::leaveEvent(QEvent* event) {
    setHotItem(-1);
    QWidget::leaveEvent(event);
}

int FaceList::trackDrop(const QDropEvent& event) {
    const QString path = localFileOf(*event.mimeData());
    const int index =
        path.isEmpty() || isProjectFileName(path) ? -1 : itemAtHotSpot(event.position().toPoint());
    setHotItem(index);
    return index;
}

void FaceList::dragEnterEvent(QDragEnterEvent* event) {
    const QString path = localFileOf(*event->mimeData());
    if (path.isEmpty() || isProjectFileName(path)) {
        event->ignore(); // a project goes on to the window, which opens it
        return;
    }
    event->acceptProposedAction();
    trackDrop(*event);
}

void FaceList::dragMoveEvent(QDragMoveEvent* event) {
    if (trackDrop(*event) >= 0) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FaceList::dragLeaveEvent(QDragLeaveEvent*) {
    setHotItem(-1);
}

void FaceList::dropEvent(QDropEvent* event) {
    const int index = trackDrop(*event);
    setHotItem(-1);
    if (index < 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pictureDropped(index, localFileOf(*event->mimeData()));
}

void FaceList::keyPressEvent(QKeyEvent* event) {
    if (count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int next = currentRow_;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        next = std::max(0, currentRow_ - 1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        next = std::min(count() - 1, currentRow_ + 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = count() - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (next != currentRow_) {
        choose(next);
    }
}

void FaceList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        remeasure();
    }
    QWidget::changeEvent(event);
}

void FaceList::setHotItem(int index) {
    if (index == hotItem_) {
        return;
    }
    updateItem(hotItem_);
    hotItem_ = index;
    updateItem(hotItem_);
}

void FaceList::choose(int index) {
    setCurrentRow(index);
    emit itemChosen(index);
}

void FaceList::updateItem(int index) {
    if (index >= 0 && index < count()) {
        update(itemRect(index));
    }
}

} // namespace cartonic
