#pragma once

// The window's saved geometry comes from a settings file anyone may edit or cut short, and the
// toolkit restores whatever it reads: cut short, down to a window too small to show the view.

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

namespace cartonic {

class AppSettings;
class ProportionalSplitter;

// True when a window at window (its geometry without the frame, in screen coordinates) is one to
// work in: its centre on one of screens (their available geometries), and each side at least
// half of start's, or half of that screen's where the screen is smaller than start. Pure.
bool isUsableGeometry(const QRect& window, QSize start, const QList<QRect>& screens);

// Restores window to saved (as QWidget::saveGeometry gave it) when that puts it at a usable
// geometry on the screens there are now; otherwise leaves window as it is and returns false.
bool restoreUsableGeometry(QWidget& window, const QByteArray& saved, QSize start);

// The layout the window was closed with, as settings keep it: its geometry where usable (see
// restoreUsableGeometry) and the navigation pane's share of inner. What is not kept, or not
// usable, stays as it is.
void restoreLayout(QWidget& window, ProportionalSplitter& inner, const AppSettings& settings,
                   QSize start);
// Keeps window's geometry and the navigation pane's share of inner in settings.
void rememberLayout(const QWidget& window, const ProportionalSplitter& inner,
                    AppSettings& settings);

} // namespace cartonic
