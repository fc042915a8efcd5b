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

} // namespace cartonic
