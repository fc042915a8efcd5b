#include "app/drawing_waiter.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QThread>

namespace cartonic {

namespace {

// The events a person causes: pressing, typing, dragging, closing a window.
bool fromTheUser(const QEvent& event) {
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        // The window manager's close button; a window the program closes itself still closes.
        return event.spontaneous();
    default:
        return false;
    }
}

} // namespace

DrawingWaiter::DrawingWaiter() {
    setDrawingWait(this);
}

DrawingWaiter::~DrawingWaiter() {
    setDrawingWait(nullptr);
}

bool DrawingWaiter::onUiThread() const {
    return QThread::currentThread() == thread();
}

void DrawingWaiter::began() {
    if (!onUiThread() || depth_++ > 0) {
        return;
    }
    cancelled_ = false;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QCoreApplication::instance()->installEventFilter(this);
}

bool DrawingWaiter::waiting() {
    if (!onUiThread()) {
        return true;
    }
    // Everything, input included, so that Esc is seen: the filter holds the rest of the input
    // back from the window.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !cancelled_;
}

void DrawingWaiter::ended() {
    if (!onUiThread() || --depth_ > 0) {
        return;
    }
    QCoreApplication::instance()->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
}

bool DrawingWaiter::eventFilter(QObject* watched, QEvent* event) {
    if (!fromTheUser(*event)) {
        return QObject::eventFilter(watched, event);
    }
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelled_ = true;
    }
    return true;
}

} // namespace cartonic
