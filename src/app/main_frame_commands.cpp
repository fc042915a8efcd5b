// What the main frame does itself: selecting what the settings pane shows, bringing the window up
// to a new or opened project, pasting and dropping pictures and projects, and the About box.

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/face_list.h"
#include "app/main_frame.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pasted_pictures.h"
#include "app/project_files.h"
#include "app/recent_projects_menu.h"
#include "app/settings_pane.h"
#include "app/string_table.h"
#include "image/embedded_pictures.h"
#include "panels/dialog_units.h"
#include "panels/face_settings_panel.h"
#include "panels/image_browse.h"
#include "panels/scene_settings_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace cartonic {

void MainFrame::selectFace(int face) {
    project_.record.selectedFace = face;
    settingsPane_->showPanel(facePanelIndex_);
    emit faceSelected();
}

void MainFrame::showSceneSettings() {
    settingsPane_->showPanel(scenePanelIndex_);
    emit sceneSettingsShown();
}

void MainFrame::showNewProject() {
    // The panels show the defaults at once rather than the values of the project just dropped.
    facePanel_->refreshFromProject();
    scenePanel_->refreshFromProject();
    showExtensionSettings();
    // The light lives in the GL context, not in the frame drawn from the record.
    view_->applyLight();
    view_->requestRedraw();
    history_->reset();
}

void MainFrame::showOpenedProject(const QString& path) {
    // The face list shows the face the project selects, without choosing it again.
    navigation_->faceList()->setCurrentRow(project_.record.selectedFace);
    emit faceSelected();
    emit sceneSettingsShown();
    // The light's place follows from its angle and height, whatever the file stored.
    project_.record.updateLightPosition();
    showExtensionSettings();
    view_->applyLight();
    view_->requestRedraw();
    history_->reset();
    recent_->remember(path);
}

void MainFrame::showExtensionSettings() {
    action(FileEmbedPictures)->setChecked(project_.extension.settings.embedPictures);
}

void MainFrame::setEmbedPictures(bool on) {
    project_.extension.settings.embedPictures = on;
    // An edit like any other: undo and the unsaved-changes question see it.
    scheduleCommit();
}

void MainFrame::extractPictures() {
    const bool keeps = std::any_of(
        project_.extension.pictures.begin(), project_.extension.pictures.end(),
        [this](const EmbeddedPicture& p) { return showsKeptCopy(p, project_.pictures[p.slot]); });
    if (!keeps) {
        statusBar()->showMessage("The project keeps no pictures inside it.");
        return;
    }
    FileRequest request;
    request.directory = true;
    const QString folder = prompts_.chooseFile(this, request);
    if (folder.isEmpty()) {
        return;
    }
    const Result<std::vector<std::string>> written = extractEmbeddedPictures(
        project_.record, project_.pictures, project_.extension, localPath(folder));
    // Slots pointed at their files before a failure stay so, and show it.
    facePanel_->refreshFromProject();
    scenePanel_->refreshFromProject();
    view_->requestRedraw();
    if (!written) {
        prompts_.showError(this, QString("Cannot extract the pictures to %1: %2")
                                     .arg(QDir::toNativeSeparators(folder),
                                          QString::fromStdString(written.status.message())));
        return;
    }
    const auto count = static_cast<int>(written.value.size());
    const QString where = QDir::toNativeSeparators(folder);
    statusBar()->showMessage(count == 1
                                 ? QString("Extracted 1 picture to %1.").arg(where)
                                 : QString("Extracted %1 pictures to %2.").arg(count).arg(where));
}

void MainFrame::openRecent(const QString& path) {
    if (files_->mayDiscardChanges()) {
        files_->open(path);
    }
}

void MainFrame::openAtStart(const QString& path) {
    // Queued behind the start-up New, which would otherwise replace the project again.
    QTimer::singleShot(0, this, [this, path] { files_->open(path); });
}

void MainFrame::setSmoothEdges(bool on) {
    view_->setSmoothEdges(on);
    settings_.setViewSmoothEdges(on);
}

void MainFrame::pastePicture() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QString path = mime ? localFileOf(*mime) : QString();
    if (path.isEmpty() && mime && holdsPicture(*mime)) {
        const Result<QImage> picture = pastedPicture(*mime);
        if (!picture) {
            statusBar()->showMessage("Cannot paste the picture on the clipboard: " +
                                     QString::fromStdString(picture.status.message()) + '.');
            return;
        }
        const Result<QString> kept = storePastedPicture(picture.value);
        if (!kept) {
            statusBar()->showMessage("Cannot keep the pasted picture: " +
                                     QString::fromStdString(kept.status.message()));
            return;
        }
        path = kept.value;
    }
    if (path.isEmpty() || isProjectFileName(path)) {
        statusBar()->showMessage("The clipboard holds no picture to paste.");
        return;
    }
    if (!pictureFileExists(path)) {
        statusBar()->showMessage(QString("Cannot paste %1: the file does not exist.")
                                     .arg(QDir::toNativeSeparators(path)));
        return;
    }
    // On the floor while the scene's settings show, else on the selected face.
    const bool onFloor = settingsPane_->currentPanel() == scenePanelIndex_;
    const Status loaded =
        onFloor ? scenePanel_->loadFloorPicture(path) : facePanel_->loadPicture(path);
    const QString name = QFileInfo(path).fileName();
    if (!loaded) {
        statusBar()->showMessage(
            QString("Cannot paste %1: it is no picture that can be loaded (%2).")
                .arg(name, QString::fromStdString(loaded.message())));
        return;
    }
    const QString target =
        onFloor
            ? QString("the floor")
            : QString("the %1 face")
                  .arg(QString::fromLatin1(
                      kFaceNames[static_cast<std::size_t>(project_.record.selectedFace)].data()));
    statusBar()->showMessage(QString("Pasted %1 on %2.").arg(name, target));
}

void MainFrame::dropPictureOnFace(int face, const QString& path) {
    if (face < 0 || face >= kFaceCount) {
        return;
    }
    navigation_->faceList()->setCurrentRow(face);
    selectFace(face);
    if (const Status loaded = facePanel_->loadPicture(path); !loaded) {
        facePanel_->refuse(path, loaded);
    }
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (isProjectFileName(localFileOf(*event->mimeData()))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainFrame::dropEvent(QDropEvent* event) {
    const QString path = localFileOf(*event->mimeData());
    if (!isProjectFileName(path)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drop is over before any question is asked, so the dragging program is not held up.
    QTimer::singleShot(0, this, [this, path] {
        if (files_->mayDiscardChanges()) {
            files_->open(path);
        }
    });
}

void MainFrame::showAbout() {
    QDialog about(QApplication::activeWindow() ? QApplication::activeWindow() : this);
    about.setObjectName("AboutDialog");
    about.setWindowTitle("About");
    const DialogUnits du(about);
    about.setFixedSize(du.x(254), du.y(98));
    auto* group = new QGroupBox(&about);
    group->setGeometry(du.rect(7, 7, 228, 68));
    auto* icon = new QLabel(&about);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->move(du.x(20), du.y(21));
    auto* text = new QLabel(kAboutText, &about);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setGeometry(du.rect(79, 38, 94, 32));
    auto* ok = new QPushButton("OK", &about);
    ok->setGeometry(du.rect(185, 77, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
    about.exec();
}

} // namespace cartonic
