#include "app/recent_projects.h"

#include <QFileInfo>

namespace cartonic {

namespace {

QString normal(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QStringList withoutProject(QStringList list, const QString& path) {
    const QString key = normal(path);
    list.removeIf([&key](const QString& p) { return normal(p) == key; });
    return list;
}

QStringList withRecentProject(QStringList list, const QString& path) {
    list = withoutProject(std::move(list), path);
    list.prepend(normal(path));
    while (list.size() > kMaxRecentProjects) {
        list.removeLast();
    }
    return list;
}

QStringList storedRecentProjects(const QStringList& stored) {
    QStringList list;
    for (const QString& path : stored) {
        if (list.size() == kMaxRecentProjects) {
            break;
        }
        if (path.isEmpty()) {
            continue;
        }
        const QString key = normal(path);
        if (!list.contains(key)) {
            list.append(key);
        }
    }
    return list;
}

} // namespace cartonic
