#include "app/navigation_bar.h"

#include "app/face_list.h"
#include "app/navigation_pager.h"
#include "model/project_data.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QSvgRenderer>

#include <algorithm>
#include <array>

// The icons are compiled into the static navigation library. A static library's resource
// initialiser is linked in only when something refers to it, so the bar refers to it here;
// registering the same resource data again elsewhere is harmless.
static void initCartonicResources() {
    Q_INIT_RESOURCE(cartonic);
}

namespace cartonic {

namespace {
constexpr int kMinHeaderHeight = 22;
constexpr int kHeaderPadding = 10;
constexpr int kGripperMargin = 3; // from the header's edges
constexpr int kGripperWidth = 4;

// The list's icons, in the order of the faces: an item's index is its face.
constexpr std::array<const char*, kFaceCount> kFaceIcons = {
    ":/icons/face_top.svg",  ":/icons/face_bottom.svg", ":/icons/face_front.svg",
    ":/icons/face_back.svg", ":/icons/face_right.svg",  ":/icons/face_left.svg",
};

// The picture at path drawn kIconSize pixels square for a screen of the given pixel ratio; a
// transparent picture if the file cannot be read.
QPixmap renderIcon(const QString& path, qreal pixelRatio) {
    const int side = FaceList::kIconSize;
    QPixmap pixmap(QSize(side, side) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    return pixmap;
}
} // namespace

NavigationBar::NavigationBar(QWidget* parent) : QFrame(parent), title_(tr("Face Settings")) {
    initCartonicResources();
    setObjectName("WTL_BoxFaceMapping");
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setCursor(Qt::ArrowCursor);

    pager_ = new NavigationPager(this);
    faceList_ = new FaceList(pager_);
    for (std::size_t face = 0; face < kFaceIcons.size(); ++face) {
        const std::string_view name = kFaceNames[face];
        faceList_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                           renderIcon(kFaceIcons[face], devicePixelRatioF()));
    }
    // "Top" is the face the project starts with, so selecting it sends nothing.
    faceList_->setCurrentRow(0);
    pager_->setChild(faceList_);
    connect(faceList_, &FaceList::itemChosen, this, &NavigationBar::faceChosen);
    connect(faceList_, &FaceList::pictureDropped, this, &NavigationBar::pictureDropped);
    layoutBand();
}

QRect NavigationBar::headerRect() const {
    const QRect contents = contentsRect();
    const int height = std::max(kMinHeaderHeight, fontMetrics().height() + kHeaderPadding);
    return QRect(contents.left(), contents.top(), contents.width(), height);
}

QRect NavigationBar::gripperRect() const {
    const QRect header = headerRect();
    return QRect(header.left() + kGripperMargin, header.top() + kGripperMargin, kGripperWidth,
                 header.height() - 2 * kGripperMargin);
}

void NavigationBar::layoutBand() {
    const QRect contents = contentsRect();
    const QRect header = headerRect();
    pager_->setGeometry(contents.left(), header.bottom() + 1, contents.width(),
                        std::max(0, contents.bottom() - header.bottom()));
}

void NavigationBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutBand();
}

void NavigationBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        layoutBand();
    }
    QFrame::changeEvent(event);
}

void NavigationBar::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), palette().color(QPalette::Dark));

        // The band header: a raised push-button face with the title centred on one line.
        QStyleOptionButton face;
        face.initFrom(this);
        face.rect = headerRect();
        face.state = QStyle::State_Enabled | QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &face, &painter, this);
        // A band always shows its gripper, though nothing can be dragged by it.
        QStyleOption gripper;
        gripper.initFrom(this);
        gripper.rect = gripperRect();
        gripper.state = QStyle::State_Enabled | QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &gripper, &painter, this);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(face.rect, Qt::AlignCenter | Qt::TextSingleLine, title_);
    }
    QFrame::paintEvent(event);
}

} // namespace cartonic
