#pragma once

// Every command of the main window as a QAction: its menu text and keys, its status-bar prompt
// and toolbar tooltip (looked up by its number in the string table) and its icon; and the menus
// and the toolbar that show them. It runs nothing: whoever handles a command connects to its
// action's triggered signal.

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;

namespace cartonic {

class CommandActions : public QObject {
    Q_OBJECT
public:
    // Makes the actions, window's menus and its toolbar. While a menu is open, the prompt of the
    // item under the pointer covers readyText, the status bar's normal part.
    CommandActions(QMainWindow& window, QLabel& readyText);

    // The action of a command number; nullptr for a number without one.
    QAction* action(int command) const { return actions_.value(command); }
    // Triggers the action of a command number, as its menu item or keys would; a number without
    // an action, or a disabled action, does nothing.
    void trigger(int command) const;

    // File > Recent Projects, empty until someone fills it.
    QMenu& recentMenu() const { return *recentMenu_; }
    QToolBar& toolbar() const { return *toolbar_; }

private:
    void addAction(int command, const QString& text, const QList<QKeySequence>& keys = {});
    void createMenus();
    void createToolbar();
    void showMenuPrompt(QAction* action);

    QMainWindow& window_;
    QLabel& readyText_;
    QHash<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    QToolBar* toolbar_ = nullptr;
};

} // namespace cartonic
