#pragma once

// File > Recent Projects: an entry for each project in the list the settings keep, "&1" to "&8",
// the most recent first. An entry whose file has gone is taken off the list when chosen.

#include <QObject>
#include <QStringList>

class QMenu;
class QWidget;

namespace cartonic {

class AppSettings;
struct UserPrompts;

class RecentProjectsMenu : public QObject {
    Q_OBJECT
public:
    // Fills menu from settings; window is where the user is told of a project that has gone.
    // All outlive this.
    RecentProjectsMenu(QMenu& menu, AppSettings& settings, UserPrompts& prompts, QWidget& window);

    // The list, the most recent first; empty when the settings keep nothing.
    QStringList paths() const;
    QMenu& menu() const { return menu_; }

    // A project was opened or saved at path: it heads the list.
    void remember(const QString& path);

signals:
    // The entry of a project whose file is there was chosen.
    void projectChosen(const QString& path);

private:
    void rebuild();
    void choose(const QString& path);

    QMenu& menu_;
    AppSettings& settings_;
    UserPrompts& prompts_;
    QWidget& window_;
};

} // namespace cartonic
