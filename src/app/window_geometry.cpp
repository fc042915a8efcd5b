#include "app/window_geometry.h"

#include "app/app_settings.h"
#include "app/splitters.h"

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

void restoreLayout(QWidget& window, ProportionalSplitter& inner, const AppSettings& settings,
                   QSize start) {
    // The first run keeps the start layout; later runs the one the window was closed with, unless
    // that is too small to work in or off every screen, when the start size comes back (and is
    // what the window saves at the end).
    if (const QByteArray geometry = settings.windowGeometry(); !geometry.isEmpty()) {
        restoreUsableGeometry(window, geometry, start);
    }
    if (const std::optional<int> proportion = settings.navigationProportion()) {
        inner.setProportion(*proportion);
    }
}

void rememberLayout(const QWidget& window, const ProportionalSplitter& inner,
                    AppSettings& settings) {
    settings.setWindowGeometry(window.saveGeometry());
    settings.setNavigationProportion(inner.proportion());
}

} // namespace cartonic
