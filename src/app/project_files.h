#pragma once

// The project as a file: File > New, Open, Save and Save As, the question before unsaved changes
// are dropped, and the path the project was last opened from or saved to. It writes the record,
// its pictures and its extension only; the window brings its views up to them when told.

#include "model/project.h"
#include "model/project_snapshot.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <string>

class QWidget;

namespace cartonic {

struct UserPrompts;

class ProjectFiles : public QObject {
    Q_OBJECT
public:
    // Opens, saves and renews project; questions and failures go to the user through prompts,
    // over window. All outlive this.
    ProjectFiles(QWidget& window, Project& project, UserPrompts& prompts);

    // "" until the project is opened or saved.
    QString currentPath() const;
    // True when the project differs from what was last opened, saved or made new.
    bool isModified() const;
    // Asks to save unsaved changes; false when the user cancels what was about to happen.
    bool mayDiscardChanges();

    // Makes the project new without asking: the start-up project.
    void clear();
    // Opens the project at path without asking (after the dialog, a drop or a recent entry);
    // false when it cannot be read, with the user told and the project and path as they were.
    bool open(const QString& path);

public slots:
    // File > New and File > Open: each asks about unsaved changes first.
    void newProject();
    void openProject();
    // File > Save (Save As while the project has no path) and File > Save As; false when
    // nothing was written.
    bool save();
    bool saveAs();

signals:
    // The project's path changed: "" for a new project. Sent before a newly opened project's
    // pictures are loaded, which may ask the user to hear of those that cannot be.
    void pathChanged(const QString& path);
    // The project was made new.
    void cleared();
    // The project at path was opened: record and pictures are the file's.
    void opened(const QString& path);
    // The project is about to be written: what the last input changed should be a step of its
    // own before a save rewrites anything.
    void aboutToSave();
    // The project was written to path, which is now its path.
    void saved(const QString& path);
    // One line for the status bar: how many pictures an opened project drew from inside it,
    // what of its extension could not be read, which pictures a save could not keep inside.
    void told(const QString& line);

private:
    // Saves to file (the bytes the file system takes), shown to the user as path.
    bool write(const std::string& file, const QString& path);
    // Loads the pictures the opened project names, from inside it where their files are gone or
    // changed; tells of those it cannot.
    void restorePictures(QStringList& told);
    void markSaved();

    QWidget& window_;
    Project& project_;
    UserPrompts& prompts_;
    ProjectSnapshot saved_;
};

} // namespace cartonic
