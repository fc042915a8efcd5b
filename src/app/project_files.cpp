#include "app/project_files.h"

#include "app/user_prompts.h"
#include "operations/project_operations.h"
#include "panels/image_browse.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace cartonic {

namespace {

QString statusSentence(const std::string& text) {
    QString line = QFile::decodeName(QByteArray::fromStdString(text));
    if (!line.isEmpty()) {
        line[0] = line[0].toUpper();
    }
    return line + '.';
}

} // namespace

ProjectFiles::ProjectFiles(QWidget& window, Project& project, UserPrompts& prompts)
    : QObject(&window), window_(window), project_(project), prompts_(prompts) {
    markSaved();
}

QString ProjectFiles::currentPath() const {
    return QFile::decodeName(QByteArray::fromStdString(project_.path));
}

bool ProjectFiles::isModified() const {
    return snapshotOf(project_.record, project_.extension.settings) != saved_;
}

void ProjectFiles::markSaved() {
    saved_ = snapshotOf(project_.record, project_.extension.settings);
}

bool ProjectFiles::mayDiscardChanges() {
    if (!isModified()) {
        return true;
    }
    switch (prompts_.askSaveChanges(&window_)) {
    case SaveChoice::Save:
        return save();
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

void ProjectFiles::newProject() {
    if (mayDiscardChanges()) {
        clear();
    }
}

void ProjectFiles::clear() {
    cartonic::newProject(project_);
    emit pathChanged(QString());
    markSaved();
    emit cleared();
}

void ProjectFiles::openProject() {
    if (!mayDiscardChanges()) {
        return;
    }
    const QString path = prompts_.chooseFile(&window_, {false, kProjectFilter, kProjectSuffix, {}});
    if (!path.isEmpty()) {
        open(path);
    }
}

bool ProjectFiles::open(const QString& path) {
    std::string note;
    if (const Status opened = cartonic::openProject(project_, localPath(path), &note); !opened) {
        // The previous path stays, so a later Save cannot overwrite this other file.
        prompts_.showError(&window_, QString("Cannot open the project %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(opened.message())));
        return false;
    }
    emit pathChanged(path);
    QStringList told;
    if (!note.empty()) {
        told << statusSentence(note);
    }
    restorePictures(told);
    markSaved();
    emit opened(path);
    if (!told.isEmpty()) {
        emit this->told(told.join(' '));
    }
    return true;
}

void ProjectFiles::restorePictures(QStringList& told) {
    const PicturesReport report = loadProjectPictures(project_);
    if (report.fromInside > 0) {
        told << (report.fromInside == 1
                     ? QString("1 picture came from inside the project.")
                     : QString("%1 pictures came from inside the project.").arg(report.fromInside));
    }
    if (report.unloaded.empty()) {
        return;
    }
    QStringList lines;
    for (const UnloadedPicture& m : report.unloaded) {
        lines << QFile::decodeName(QByteArray::fromStdString(m.path)) + ": " +
                     QFile::decodeName(QByteArray::fromStdString(m.status.message()));
    }
    prompts_.showNotice(&window_,
                        "These pictures of the project could not be loaded:\n" + lines.join('\n'));
}

bool ProjectFiles::save() {
    if (project_.path.empty()) {
        return saveAs();
    }
    // The bytes it was opened or saved as: a name that is no valid text survives no round trip.
    return write(project_.path, currentPath());
}

bool ProjectFiles::saveAs() {
    const QString path = prompts_.chooseFile(&window_, {true, kProjectFilter, kProjectSuffix, {}});
    if (path.isEmpty()) {
        return false;
    }
    return write(localPath(path), path);
}

bool ProjectFiles::write(const std::string& file, const QString& path) {
    emit aboutToSave();
    std::vector<std::string> notes;
    if (const Status written = saveProject(project_, file, &notes); !written) {
        prompts_.showError(&window_, QString("Cannot save the project to %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(written.message())));
        return false;
    }
    emit pathChanged(path);
    markSaved();
    emit saved(path);
    if (!notes.empty()) {
        QStringList told;
        for (const std::string& note : notes) {
            told << statusSentence(note);
        }
        emit this->told(told.join(' '));
    }
    return true;
}

} // namespace cartonic
