// The main frame's command handlers, one per command number.

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/export_settings_dialog.h"
#include "app/face_list.h"
#include "app/main_frame.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pasted_pictures.h"
#include "app/recent_projects.h"
#include "app/settings_pane.h"
#include "app/splitters.h"
#include "app/string_table.h"
#include "app/window_geometry.h"
#include "export/model_writer.h"
#include "image/restore_images.h"
#include "model/project_file.h"
#include "panels/dialog_units.h"
#include "panels/face_settings_panel.h"
#include "panels/image_browse.h"
#include "panels/scene_settings_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace cartonic {

namespace {

// Where the window keeps what it remembers between runs.
constexpr const char* kRecentProjectsKey = "recentProjects";
constexpr const char* kWindowGeometryKey = "window/geometry";
constexpr const char* kNavigationProportionKey = "window/navigationProportion";
constexpr const char* kLastExportSizeKey = "export/size";
constexpr const char* kLastExportFolderKey = "export/folder";
constexpr const char* kExportSmoothEdgesKey = "export/smoothEdges";
constexpr const char* kExportTransparentKey = "export/transparent";
constexpr const char* kViewSmoothEdgesKey = "view/smoothEdges";

// The most of the screen's width one entry of the recent projects takes.
constexpr double kRecentEntryScreenShare = 0.5;

// How the frame draws a picture of the view to keep: from the pictures' files, with a note for
// each that fell back to the slot's copy, smooth or not.
RenderSettings pictureSettings(const SlotPictures& pictures, std::vector<std::string>& notes,
                               bool smooth) {
    RenderSettings settings;
    settings.pictures = &pictures;
    settings.notes = &notes;
    settings.samples = smooth ? kSmoothSamples : kAliasedSamples;
    return settings;
}

// The user guide beside the executable (a build tree), in the documentation folder of an
// installed program, or in the source tree.
QString userGuidePath() {
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& path :
         {folder + "/user-guide.html", folder + "/" + QStringLiteral(CARTONIC_INSTALLED_GUIDE)}) {
        if (QFileInfo::exists(path)) {
            return QFileInfo(path).absoluteFilePath();
        }
    }
    return QStringLiteral(CARTONIC_GUIDE_PATH);
}

} // namespace

void MainFrame::dispatch(int command) {
    if (command >= SelectTop && command < SelectTop + kFaceCommandCount) {
        selectFace(command - SelectTop);
        return;
    }
    switch (command) {
    case ShowSceneSettings:
        showSceneSettings();
        break;
    case ChangeSettings:
        dispatch(ShowSceneSettings);
        break;
    case ModeRotateCamera:
    case ModeAdjustWidth:
    case ModeAdjustDepth:
    case ModeAdjustHeight:
    case ModeRotateLight:
        setMouseMode(command);
        break;
    case FileNew:
        if (mayDiscardChanges()) {
            newProject();
        }
        break;
    case FileOpen:
        if (mayDiscardChanges()) {
            openProject();
        }
        break;
    case FileSave:
        saveProject();
        break;
    case FileSaveAs:
        saveProjectAs();
        break;
    case SaveAsImage:
        saveAsImage();
        break;
    case ExportModel:
        exportModel();
        break;
    case SaveAsTurntable:
        saveAsTurntable();
        break;
    case EditCopy:
        copyPicture();
        break;
    case EditPaste:
        pastePicture();
        break;
    case HomePage:
        openHomePage();
        break;
    case AppAbout:
        showAbout();
        break;
    case AppExit:
        close();
        break;
    case EditUndo:
        history_->stack().undo();
        break;
    case EditRedo:
        history_->stack().redo();
        break;
    case ViewToolbar:
        toggleToolbar();
        break;
    case ViewStatusBar:
        toggleStatusBar();
        break;
    case ViewSmoothEdges:
        toggleSmoothEdges();
        break;
    default:
        break; // commands nobody handles, such as Cut, do nothing
    }
}

void MainFrame::selectFace(int face) {
    data_.selectedFace = face;
    settingsPane_->showPanel(facePanelIndex_);
    faceSelected.fire();
}

void MainFrame::showSceneSettings() {
    settingsPane_->showPanel(scenePanelIndex_);
    sceneSettingsShown.fire();
}

void MainFrame::setMouseMode(int command) {
    static const QHash<int, MouseMode> modes = {
        {ModeRotateCamera, MouseMode::RotateCamera}, {ModeAdjustWidth, MouseMode::AdjustWidth},
        {ModeAdjustDepth, MouseMode::AdjustDepth},   {ModeAdjustHeight, MouseMode::AdjustHeight},
        {ModeRotateLight, MouseMode::RotateLight},
    };
    actions_[command]->setChecked(true);
    view_->setMouseMode(modes.value(command));
}

bool MainFrame::mayDiscardChanges() {
    if (!isModified()) {
        return true;
    }
    switch (prompts_.askSaveChanges(this)) {
    case SaveChoice::Save:
        return saveProject();
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

void MainFrame::newProject() {
    resetProject(data_, images_);
    // The floor picture goes too, so what is seen is what would be saved.
    images_[kFloorSlot] = SlotImage{};
    currentPath_.clear();
    setWindowTitle(kUntitledTitle);
    markSaved();
    // The panels show the defaults at once rather than the values of the project just dropped.
    facePanel_->refreshFromProject();
    scenePanel_->refreshFromProject();
    // The light lives in the GL context, not in the frame drawn from the record.
    view_->applyLight();
    view_->requestRedraw();
    history_->reset();
}

void MainFrame::openProject() {
    const QString path = prompts_.chooseFile(this, {false, kProjectFilter, kProjectSuffix, {}});
    if (!path.isEmpty()) {
        openProjectFile(path);
    }
}

bool MainFrame::openProjectFile(const QString& path) {
    if (const Status loaded = loadProject(data_, localPath(path)); !loaded) {
        // The previous path and title stay, so a later Save cannot overwrite this other file.
        prompts_.showError(this, QString("Cannot open the project %1: %2")
                                     .arg(QDir::toNativeSeparators(path),
                                          QString::fromStdString(loaded.message())));
        return false;
    }
    currentPath_ = path;
    setWindowTitle(path);
    restorePictures(path);
    markSaved();
    // The face list shows the face the project selects, without sending a command.
    navigation_->faceList()->setCurrentRow(data_.selectedFace);
    faceSelected.fire();
    sceneSettingsShown.fire();
    // The light's place follows from its angle and height, whatever the file stored.
    data_.updateLightPosition();
    view_->applyLight();
    view_->requestRedraw();
    history_->reset();
    rememberProject(path);
    return true;
}

void MainFrame::restorePictures(const QString& projectPath) {
    const std::vector<UnloadedPicture> missing =
        restoreProjectImages(data_, images_, localPath(QFileInfo(projectPath).absolutePath()));
    if (missing.empty()) {
        return;
    }
    QStringList names;
    for (const UnloadedPicture& m : missing) {
        names << QFile::decodeName(QByteArray::fromStdString(m.path));
    }
    prompts_.showNotice(this,
                        "These pictures of the project could not be loaded:\n" + names.join('\n'));
}

bool MainFrame::saveProject() {
    if (currentPath_.isEmpty()) {
        return saveProjectAs();
    }
    return writeProject(currentPath_);
}

bool MainFrame::saveProjectAs() {
    const QString path = prompts_.chooseFile(this, {true, kProjectFilter, kProjectSuffix, {}});
    if (path.isEmpty()) {
        return false;
    }
    return writeProject(path);
}

bool MainFrame::writeProject(const QString& path) {
    // The file's runtime fields hold this run's names, as the view made them.
    ProjectData stamped = data_;
    stampRuntimeNames(stamped, view_->textureNames());
    if (const Status saved = cartonic::saveProject(stamped, localPath(path)); !saved) {
        prompts_.showError(this, QString("Cannot save the project to %1: %2")
                                     .arg(QDir::toNativeSeparators(path),
                                          QString::fromStdString(saved.message())));
        return false;
    }
    currentPath_ = path;
    setWindowTitle(path);
    markSaved();
    rememberProject(path);
    return true;
}

QSize MainFrame::viewPixelSize() const {
    // On a scaled screen the view has more pixels than its size in the toolkit's units, and a
    // picture of it should match what is seen.
    const qreal ratio = view_->devicePixelRatioF();
    return {qRound(view_->width() * ratio), qRound(view_->height() * ratio)};
}

SlotPictures MainFrame::exportPictures() const {
    // Relative paths are the project folder's, as Open resolves them.
    const std::string folder =
        currentPath_.isEmpty() ? std::string() : localPath(QFileInfo(currentPath_).absolutePath());
    return {&images_, storedPicturePaths(data_, folder)};
}

void MainFrame::reportPicture(const QString& done, const std::vector<std::string>& notes) {
    QStringList text{done};
    for (const std::string& note : notes) {
        QString sentence = QFile::decodeName(QByteArray::fromStdString(note));
        sentence[0] = sentence[0].toUpper();
        text << sentence + ".";
    }
    statusBar()->showMessage(text.join(' '));
}

void MainFrame::saveAsImage() {
    // The size and folder of the last picture, where remembered; else the view's size.
    QSize proposed = viewPixelSize();
    QString folder;
    ExportSize choices;
    if (settings_) {
        const QSize last = settings_->value(kLastExportSizeKey).toSize();
        if (last.width() >= 1 && last.width() <= kMaxExportSide && last.height() >= 1 &&
            last.height() <= kMaxExportSide) {
            proposed = last;
        }
        folder = settings_->value(kLastExportFolderKey).toString();
        choices.smoothEdges = settings_->value(kExportSmoothEdgesKey, true).toBool();
        choices.transparent = settings_->value(kExportTransparentKey, false).toBool();
    }
    choices.width = proposed.width();
    choices.height = proposed.height();
    const auto size = prompts_.askExportSize(this, choices);
    if (!size) {
        return;
    }
    QString chosenFilter;
    const QString path =
        prompts_.chooseFile(this, {true, QString(kImageFilter) + ";;" + kPngImageFilter,
                                   kImageSuffix, folder, &chosenFilter});
    if (path.isEmpty()) {
        return;
    }
    // The name's extension when it names a format, else the filter chosen.
    const PictureFormat format =
        formatForPath(localPath(path))
            .value_or(chosenFilter == kPngImageFilter ? PictureFormat::Png : PictureFormat::Jpeg);
    const SlotPictures pictures = exportPictures();
    std::vector<std::string> notes;
    RenderSettings settings = pictureSettings(pictures, notes, size->smoothEdges);
    settings.transparent = size->transparent && format == PictureFormat::Png;
    if (size->transparent && format != PictureFormat::Png) {
        notes.emplace_back("a JPEG picture has no transparency, so its background is drawn");
    }
    const Status written =
        view_->exportImage(localPath(path), size->width, size->height, format, settings);
    view_->update();
    if (!written) {
        prompts_.showError(this, QString("Cannot save the picture %1: %2")
                                     .arg(QDir::toNativeSeparators(path),
                                          QString::fromStdString(written.message())));
        return;
    }
    if (settings_) {
        settings_->setValue(kLastExportSizeKey, QSize(size->width, size->height));
        settings_->setValue(kLastExportFolderKey, QFileInfo(path).absolutePath());
        settings_->setValue(kExportSmoothEdgesKey, size->smoothEdges);
        settings_->setValue(kExportTransparentKey, size->transparent);
    }
    if (!size->fallbackNote.isEmpty() || !notes.empty()) {
        // A size the user did not type, or a picture not drawn from its file, is not kept silent.
        reportPicture(QString("Saved a %1 x %2 picture. %3")
                          .arg(size->width)
                          .arg(size->height)
                          .arg(size->fallbackNote)
                          .trimmed(),
                      notes);
    }
}

void MainFrame::exportModel() {
    const QString folder =
        settings_ ? settings_->value(kLastExportFolderKey).toString() : QString();
    const QString path = prompts_.chooseFile(this, {true, kModelFilter, kModelSuffix, folder});
    if (path.isEmpty()) {
        return;
    }
    std::vector<std::string> notes;
    if (const Status written = writeModel(localPath(path), data_, exportPictures(), &notes);
        !written) {
        prompts_.showError(this, QString("Cannot save the 3D model %1: %2")
                                     .arg(QDir::toNativeSeparators(path),
                                          QString::fromStdString(written.message())));
        return;
    }
    if (settings_) {
        settings_->setValue(kLastExportFolderKey, QFileInfo(path).absolutePath());
    }
    reportPicture(QString("Saved the 3D model %1.").arg(QFileInfo(path).fileName()), notes);
}

void MainFrame::copyPicture() {
    const QSize size = viewPixelSize();
    RgbaPicture picture;
    const SlotPictures pictures = exportPictures();
    std::vector<std::string> notes;
    // A copy is the view as seen: smooth as the view is.
    const RenderSettings settings = pictureSettings(pictures, notes, view_->smoothEdges());
    if (const Status rendered =
            view_->renderToBuffer(size.width(), size.height(), picture, settings);
        !rendered) {
        statusBar()->showMessage("Cannot copy the picture: " +
                                 QString::fromStdString(rendered.message()));
        return;
    }
    const QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                       QImage::Format_RGBX8888);
    // The clipboard keeps its own copy; the buffer goes with this function.
    QGuiApplication::clipboard()->setImage(image.copy());
    reportPicture(
        QString("Copied a %1 x %2 picture of the view.").arg(size.width()).arg(size.height()),
        notes);
    view_->update();
}

void MainFrame::pastePicture() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QString path = mime ? localFileOf(*mime) : QString();
    if (path.isEmpty() && mime && holdsPicture(*mime)) {
        QString why;
        const QImage picture = pastedPicture(*mime, &why);
        if (picture.isNull()) {
            statusBar()->showMessage("Cannot paste the picture on the clipboard: " + why + '.');
            return;
        }
        path = storePastedPicture(picture, &why);
        if (path.isEmpty()) {
            statusBar()->showMessage("Cannot keep the pasted picture: " + why);
            return;
        }
    }
    if (path.isEmpty() || isProjectFileName(path)) {
        statusBar()->showMessage("The clipboard holds no picture to paste.");
        return;
    }
    if (!QFileInfo::exists(path)) {
        statusBar()->showMessage(QString("Cannot paste %1: the file does not exist.")
                                     .arg(QDir::toNativeSeparators(path)));
        return;
    }
    // On the floor while the scene's settings show, else on the selected face.
    const bool onFloor = settingsPane_->currentPanel() == scenePanelIndex_;
    const bool loaded =
        onFloor ? scenePanel_->loadFloorPicture(path) : facePanel_->loadPicture(path);
    const QString name = QFileInfo(path).fileName();
    if (!loaded) {
        statusBar()->showMessage(
            QString("Cannot paste %1: it is no picture that can be loaded.").arg(name));
        return;
    }
    const QString target =
        onFloor ? QString("the floor")
                : QString("the %1 face")
                      .arg(QString::fromLatin1(
                          kFaceNames[static_cast<std::size_t>(data_.selectedFace)].data()));
    statusBar()->showMessage(QString("Pasted %1 on %2.").arg(name, target));
}

void MainFrame::dropPictureOnFace(int face, const QString& path) {
    if (face < 0 || face >= kFaceCount) {
        return;
    }
    navigation_->faceList()->setCurrentRow(face);
    dispatch(SelectTop + face);
    if (!facePanel_->loadPicture(path)) {
        facePanel_->showMessage(facePanel_, QString::fromLatin1(kLoadImageFailed));
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
        if (mayDiscardChanges()) {
            openProjectFile(path);
        }
    });
}

void MainFrame::openAtStart(const QString& path) {
    // Queued behind the start-up New, which would otherwise replace the project again.
    QTimer::singleShot(0, this, [this, path] { openProjectFile(path); });
}

QStringList MainFrame::recentProjects() const {
    return settings_ ? storedRecentProjects(settings_->value(kRecentProjectsKey).toStringList())
                     : QStringList();
}

void MainFrame::rememberProject(const QString& path) {
    if (!settings_) {
        return;
    }
    settings_->setValue(kRecentProjectsKey, withRecentProject(recentProjects(), path));
    rebuildRecentMenu();
}

void MainFrame::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = recentProjects();
    for (int i = 0; i < recent.size(); ++i) {
        const QString& path = recent.at(i);
        // "&1" to "&8": a key for each entry. Ampersands in names are doubled to show as such.
        // However long the path, the menu stays narrower than the screen: the middle gives way,
        // keeping the root and the file's name.
        QString label = recentMenu_->fontMetrics().elidedText(
            QDir::toNativeSeparators(path), Qt::ElideMiddle,
            static_cast<int>(screen()->availableGeometry().width() * kRecentEntryScreenShare));
        label.replace('&', "&&");
        QAction* entry = recentMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(label));
        entry->setData(path);
        connect(entry, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    recentMenu_->setEnabled(!recent.isEmpty());
}

void MainFrame::openRecent(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        settings_->setValue(kRecentProjectsKey, withoutProject(recentProjects(), path));
        rebuildRecentMenu();
        prompts_.showError(this, QString("The project %1 is no longer there; it has been taken "
                                         "off the list of recent projects.")
                                     .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (mayDiscardChanges()) {
        openProjectFile(path);
    }
}

void MainFrame::restoreLayout() {
    if (!settings_) {
        return;
    }
    // The first run keeps the start layout; later runs the one the window was closed with, unless
    // that is too small to work in or off every screen, when the start size comes back (and is
    // what the window saves at the end).
    if (settings_->contains(kWindowGeometryKey)) {
        restoreUsableGeometry(*this, settings_->value(kWindowGeometryKey).toByteArray(),
                              QSize(kStartWidth, kStartHeight));
    }
    bool ok = false;
    const int proportion = settings_->value(kNavigationProportionKey).toInt(&ok);
    if (ok && proportion > 0 && proportion < ProportionalSplitter::kProportionScale) {
        inner_->setProportion(proportion);
    }
}

void MainFrame::rememberLayout() {
    if (!settings_) {
        return;
    }
    settings_->setValue(kWindowGeometryKey, saveGeometry());
    settings_->setValue(kNavigationProportionKey, inner_->proportion());
}

void MainFrame::openHomePage() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(userGuidePath()));
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

void MainFrame::toggleToolbar() {
    toolbarVisible_ = !toolbarVisible_;
    toolbar_->setVisible(toolbarVisible_);
    actions_[ViewToolbar]->setChecked(toolbarVisible_);
}

void MainFrame::toggleSmoothEdges() {
    const bool on = !view_->smoothEdges();
    view_->setSmoothEdges(on);
    actions_[ViewSmoothEdges]->setChecked(on);
    if (settings_) {
        settings_->setValue(kViewSmoothEdgesKey, on);
    }
}

void MainFrame::restoreSmoothEdges() {
    const bool on = !settings_ || settings_->value(kViewSmoothEdgesKey, true).toBool();
    view_->setSmoothEdges(on);
    actions_[ViewSmoothEdges]->setChecked(on);
}

void MainFrame::toggleStatusBar() {
    const bool show = statusBar()->isHidden();
    statusBar()->setVisible(show);
    actions_[ViewStatusBar]->setChecked(show);
}

} // namespace cartonic
