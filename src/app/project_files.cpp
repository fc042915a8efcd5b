#include "app/project_files.h"

#include "app/ogl_view.h"
#include "app/user_prompts.h"
#include "image/embedded_pictures.h"
#include "image/restore_images.h"
#include "model/project_file.h"
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

ProjectFiles::ProjectFiles(QWidget& window, ProjectData& data, SlotImages& images,
                           ProjectExtension& extension, const OGLView& view, UserPrompts& prompts)
    : QObject(&window), window_(window), data_(data), images_(images), extension_(extension),
      view_(view), prompts_(prompts) {
    markSaved();
}

bool ProjectFiles::isModified() const {
    return snapshotOf(data_, extension_.settings) != saved_;
}

void ProjectFiles::markSaved() {
    saved_ = snapshotOf(data_, extension_.settings);
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
    resetProject(data_, images_);
    extension_ = {};
    // The floor picture goes too, so what is seen is what would be saved.
    images_[kFloorSlot] = SlotImage{};
    currentPath_.clear();
    emit pathChanged(currentPath_);
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

std::string ProjectFiles::projectFolder() const {
    return currentPath_.isEmpty() ? std::string()
                                  : localPath(QFileInfo(currentPath_).absolutePath());
}

bool ProjectFiles::open(const QString& path) {
    std::string note;
    if (const Status loaded = loadProject(data_, extension_, localPath(path), &note); !loaded) {
        // The previous path stays, so a later Save cannot overwrite this other file.
        prompts_.showError(&window_, QString("Cannot open the project %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(loaded.message())));
        return false;
    }
    currentPath_ = path;
    emit pathChanged(path);
    QStringList told;
    if (!note.empty()) {
        told << statusSentence(note);
    }
    restorePictures(path, told);
    markSaved();
    emit opened(path);
    if (!told.isEmpty()) {
        emit this->told(told.join(' '));
    }
    return true;
}

void ProjectFiles::restorePictures(const QString& projectPath, QStringList& told) {
    const std::string folder = localPath(QFileInfo(projectPath).absolutePath());
    std::vector<UnloadedPicture> missing = restoreProjectImages(data_, images_, folder);
    if (const int inside = restoreEmbeddedPictures(data_, images_, extension_, folder, missing);
        inside > 0) {
        told << (inside == 1 ? QString("1 picture came from inside the project.")
                             : QString("%1 pictures came from inside the project.").arg(inside));
    }
    if (missing.empty()) {
        return;
    }
    QStringList names;
    for (const UnloadedPicture& m : missing) {
        names << QFile::decodeName(QByteArray::fromStdString(m.path));
    }
    prompts_.showNotice(&window_,
                        "These pictures of the project could not be loaded:\n" + names.join('\n'));
}

bool ProjectFiles::save() {
    if (currentPath_.isEmpty()) {
        return saveAs();
    }
    return write(currentPath_);
}

bool ProjectFiles::saveAs() {
    const QString path = prompts_.chooseFile(&window_, {true, kProjectFilter, kProjectSuffix, {}});
    if (path.isEmpty()) {
        return false;
    }
    return write(path);
}

bool ProjectFiles::write(const QString& path) {
    // The file's runtime fields hold this run's names, as the view made them.
    ProjectData stamped = data_;
    stampRuntimeNames(stamped, view_.textureNames());
    std::vector<std::string> notes;
    gatherEmbeddedPictures(data_, images_, storedPicturePaths(data_, projectFolder()), extension_,
                           &notes);
    std::string kept;
    if (const Status written = saveProject(stamped, extension_, localPath(path), &kept); !written) {
        prompts_.showError(&window_, QString("Cannot save the project to %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(written.message())));
        return false;
    }
    if (!kept.empty()) {
        notes.push_back(kept);
    }
    // Said once: the file now written holds none of what could not be read.
    extension_.droppedBytes = 0;
    currentPath_ = path;
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
