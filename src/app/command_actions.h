#pragma once

// Every command of the main window as a QAction, made from its row of the command table (menu
// text, keys, icon, status-bar prompt, tooltip); and the menus and the toolbar that show them.
// It runs nothing: MainFrame connects each action to its row's handler.

#include <QHash>
#include <QObject>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;

namespace cartonic {

struct Command;

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
    QAction* addAction(const Command& command);
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
