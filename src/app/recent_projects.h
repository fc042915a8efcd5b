#pragma once

// The File menu's list of recent projects: the most recent first, each path once.

#include <QStringList>

namespace cartonic {

inline constexpr int kMaxRecentProjects = 8;

// list with path put first (taken out from where it was), cut to kMaxRecentProjects. Paths are
// compared as absolute, cleaned paths.
QStringList withRecentProject(QStringList list, const QString& path);

// list without path.
QStringList withoutProject(QStringList list, const QString& path);

// The list as stored, which anyone may have edited: its first kMaxRecentProjects different paths,
// empty ones left out. It stops there, however long the stored list.
QStringList storedRecentProjects(const QStringList& stored);

} // namespace cartonic
