#include "app/recent_projects_menu.h"

#include "app/app_settings.h"
#include "app/recent_projects.h"
#include "app/user_prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>

namespace cartonic {

namespace {

// The most of the screen's width one entry takes.
constexpr double kRecentEntryScreenShare = 0.5;

} // namespace

RecentProjectsMenu::RecentProjectsMenu(QMenu& menu, AppSettings& settings, UserPrompts& prompts,
                                       QWidget& window)
    : QObject(&menu), menu_(menu), settings_(settings), prompts_(prompts), window_(window) {
    rebuild();
}

QStringList RecentProjectsMenu::paths() const {
    return settings_.recentProjects();
}

void RecentProjectsMenu::remember(const QString& path) {
    settings_.setRecentProjects(withRecentProject(paths(), path));
    rebuild();
}

void RecentProjectsMenu::rebuild() {
    menu_.clear();
    const QStringList recent = paths();
    for (int i = 0; i < recent.size(); ++i) {
        const QString& path = recent.at(i);
        // "&1" to "&8": a key for each entry. Ampersands in names are doubled to show as such.
        // However long the path, the menu stays narrower than the screen: the middle gives way,
        // keeping the root and the file's name.
        QString label = menu_.fontMetrics().elidedText(
            QDir::toNativeSeparators(path), Qt::ElideMiddle,
            static_cast<int>(window_.screen()->availableGeometry().width() *
                             kRecentEntryScreenShare));
        label.replace('&', "&&");
        QAction* entry = menu_.addAction(QString("&%1 %2").arg(i + 1).arg(label));
        entry->setData(path);
        connect(entry, &QAction::triggered, this, [this, path] { choose(path); });
    }
    menu_.setEnabled(!recent.isEmpty());
}

void RecentProjectsMenu::choose(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        settings_.setRecentProjects(withoutProject(paths(), path));
        rebuild();
        prompts_.showError(&window_, QString("The project %1 is no longer there; it has been "
                                             "taken off the list of recent projects.")
                                         .arg(QDir::toNativeSeparators(path)));
        return;
    }
    emit projectChosen(path);
}

} // namespace cartonic
