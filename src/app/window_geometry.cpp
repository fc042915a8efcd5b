#include "app/window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace cartonic {

namespace {

// A side shorter than its start length divided by this is too short to work in.
constexpr int kShortestShare = 2;

} // namespace

bool isUsableGeometry(const QRect& window, QSize start, const QList<QRect>& screens) {
    for (const QRect& screen : screens) {
        if (screen.contains(window.center())) {
            return window.width() >= std::min(start.width(), screen.width()) / kShortestShare &&
                   window.height() >= std::min(start.height(), screen.height()) / kShortestShare;
        }
    }
    return false;
}

bool restoreUsableGeometry(QWidget& window, const QByteArray& saved, QSize start) {
    // Tried on a window of its own first: a refused geometry leaves nothing behind on this one
    // (a position the window manager would otherwise have chosen, a maximised state).
    QWidget trial;
    if (!trial.restoreGeometry(saved)) {
        return false;
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << screen->availableGeometry();
    }
    return isUsableGeometry(trial.geometry(), start, screens) && window.restoreGeometry(saved);
}

} // namespace cartonic
