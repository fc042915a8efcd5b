// The main window as a user meets it: title, face selection, mode buttons, the project commands
// with their dialogs answered through the prompt seam, their failure cases, unsaved changes,
// pane layout and the bar toggles.

#include "app/command_ids.h"
#include "app/export_settings_dialog.h"
#include "app/face_list.h"
#include "app/main_frame.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pane_container.h"
#include "app/project_files.h"
#include "app/settings_pane.h"
#include "app/splitters.h"
#include "frame_test_support.h"
#include "model/project_file.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"
#include "support/animation_files.h"
#include "support/kept_models.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <deque>
#include <functional>
#include <set>

using namespace cartonic;

namespace {

using test::pictureDifference;
using test::q;
using test::ScriptedPrompts;

QMenu* menuTitled(QMenuBar* bar, const QString& title) {
    for (QAction* a : bar->actions()) {
        if (a->text() == title) {
            return a->menu();
        }
    }
    return nullptr;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    ScriptedPrompts script_;
    MainFrame* frame_ = nullptr;

    void startFrame() {
        frame_ = new MainFrame(project_, script_.prompts());
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_));
        QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
    }

    // The names the view's next frame draws with.
    SceneTextures viewNames() {
        SceneTextures names;
        frame_->view().withContext([&](const SceneTextures& now) { names = now; });
        return names;
    }

private slots:
    void init() {
        project_ = Project();
        script_ = ScriptedPrompts();
        startFrame();
    }
    void cleanup() {
        script_.saveChoices.assign(4, SaveChoice::Discard);
        delete frame_;
        frame_ = nullptr;
    }

    void titleGoesFromAppNameToUntitledProject() {
        delete frame_;
        frame_ = new MainFrame(project_, script_.prompts());
        QCOMPARE(frame_->windowTitle(), QString("Cartonic"));
        frame_->show();
        QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
        QVERIFY(script_.questionsAsked.isEmpty()); // the start-up New never asks
        QCOMPARE(frame_->statusBar()->findChild<QLabel*>("ReadyText")->text(), QString("Ready"));
    }

    void facesAreSelectedFromTheList() {
        QSignalSpy chosen(frame_->navigationBar().faceList(), &FaceList::itemChosen);
        QSignalSpy refreshed(frame_, &MainFrame::faceSelected);
        frame_->showSceneSettings();
        QCOMPARE(frame_->settingsPane().currentPanel(), frame_->scenePanelIndex());

        FaceList* list = frame_->navigationBar().faceList();
        QTest::mouseClick(list, Qt::LeftButton, {}, list->itemRect(1).center());
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), int(Bottom));
        QCOMPARE(data_.selectedFace, 1);
        QCOMPARE(frame_->settingsPane().currentPanel(), frame_->facePanelIndex());
        QCOMPARE(refreshed.count(), 1);

        frame_->selectFace(Left);
        QCOMPARE(data_.selectedFace, 5);
        QVERIFY(!frame_->files().isModified()); // looking at another face changes nothing
    }

    // A settled view ends its refinement at the first change of what it shows, however the
    // change asks for a paint: that paint is a frame drawn from the record as it is now.
    void aChangeOfWhatTheViewShowsEndsItsRefinement() {
        OGLView& view = frame_->view();
        FaceList* list = frame_->navigationBar().faceList();
        const auto click = [list](int row) {
            QTest::mouseClick(list, Qt::LeftButton, {}, list->itemRect(row).center());
        };
        // The face list repaints the view; the others stand for any path that only repaints.
        // clang-format off
        const std::pair<const char*, std::function<void()>> changes[] = {
            {"a face chosen in the list", [&] { click(Right); }},
            {"the outline recoloured",    [&] { data_.outlineColor = {0, 0, 1}; view.update(); }},
            {"the selection hidden",      [&] { data_.showSelection = 0; view.update(); }},
            {"the light marker hidden",   [&] { data_.hideOverlays = 1; view.update(); }},
        };
        // clang-format on
        QTRY_VERIFY(view.smoothEdges() && frame_->action(ViewSmoothEdges)->isEnabled());
        for (const auto& [name, change] : changes) {
            QSignalSpy settled(&view, &OGLView::settled);
            view.requestRedraw();
            QVERIFY2(settled.wait(10000), name);
            QSignalSpy painted(&view, &OGLView::painted);
            const int frames = view.paintCount();
            change();
            QVERIFY2(painted.wait(5000), name);
            QVERIFY2(view.paintCount() == frames + 1 && !view.showsRefinement(), name);
        }
        QCOMPARE(data_.selectedFace, int(Right));
    }

    void modeButtonsFormOneRadioGroup() {
        QVERIFY(frame_->action(ModeRotateCamera)->isChecked());
        frame_->action(ModeRotateLight)->trigger();
        QCOMPARE(frame_->view().mouseMode(), MouseMode::RotateLight);
        frame_->action(ModeRotateCamera)->trigger();
        QCOMPARE(frame_->view().mouseMode(), MouseMode::RotateCamera);
        int checked = 0;
        for (int c : {ModeRotateCamera, ModeAdjustWidth, ModeAdjustDepth, ModeAdjustHeight,
                      ModeRotateLight}) {
            checked += frame_->action(c)->isChecked();
        }
        QCOMPARE(checked, 1);
        frame_->dispatch(ModeAdjustDepth);
        QCOMPARE(frame_->view().mouseMode(), MouseMode::AdjustDepth);
        QVERIFY(frame_->action(ModeAdjustDepth)->isChecked());
    }

    void saveAsksOnceThenWritesToTheSamePath() {
        test::TempDir dir;
        const QString path = q(dir.file("first.ctn"));
        data_.showShadow = 0;
        QVERIFY(frame_->files().isModified());
        script_.files = {path};
        frame_->dispatch(FileSave);
        QCOMPARE(script_.fileDialogs, 1);
        QCOMPARE(frame_->windowTitle(), path);
        QCOMPARE(frame_->files().currentPath(), path);
        QVERIFY(!frame_->files().isModified());

        data_.showFloor = 0;
        frame_->dispatch(FileSave);
        QCOMPARE(script_.fileDialogs, 1);
        ProjectData reread;
        QVERIFY(loadProject(reread, path.toStdString()));
        QCOMPARE(reread.showFloor, 0);
        QCOMPARE(reread.showShadow, 0);
    }

    void failedOpenKeepsThePathAndTellsTheUser() {
        test::TempDir dir;
        const QString good = q(dir.file("good.ctn"));
        script_.files = {good};
        frame_->dispatch(FileSaveAs);
        test::writeBytes(dir.file("bad.ctn"), {'x', 'y', 'z', 'w', '!'});
        data_.selectedFace = 2;
        const ProjectData before = data_;

        script_.files = {q(dir.file("bad.ctn"))};
        script_.saveChoices = {SaveChoice::Discard};
        frame_->dispatch(FileOpen);
        QCOMPARE(script_.errors.size(), 1);
        QVERIFY(script_.errors[0].contains("bad.ctn"));
        QCOMPARE(frame_->files().currentPath(), good);
        QCOMPARE(frame_->windowTitle(), good);
        QCOMPARE(std::memcmp(&before, &data_, sizeof data_), 0);
    }

    void failedSaveTellsTheUserAndKeepsTheOldFile() {
        test::TempDir dir;
        const QString path = q(dir.file("keep.ctn"));
        script_.files = {path};
        frame_->dispatch(FileSaveAs);
        const auto original = test::readBytes(path.toStdString());

        data_.boxWidth = 7.0f;
        script_.files = {q(dir.file("missing-folder/x.ctn"))};
        frame_->dispatch(FileSaveAs);
        QCOMPARE(script_.errors.size(), 1);
        QVERIFY(script_.errors[0].contains("x.ctn"));
        QCOMPARE(frame_->files().currentPath(), path); // a failed save does not adopt the new path
        QVERIFY(frame_->files().isModified());
        QCOMPARE(test::readBytes(path.toStdString()), original);
    }

    void unsavedChangesAreAskedAbout() {
        frame_->dispatch(FileNew);
        QVERIFY(script_.questionsAsked.isEmpty()); // nothing changed, nothing asked

        data_.lightAngle += 1.0f;
        script_.saveChoices = {SaveChoice::Cancel};
        frame_->dispatch(FileNew);
        QCOMPARE(script_.questionsAsked, QStringList{"save changes"});
        QCOMPARE(data_.lightAngle, 276.0f); // cancel keeps the project

        script_.saveChoices = {SaveChoice::Cancel};
        frame_->close();
        QVERIFY(frame_->isVisible()); // cancel keeps the window open

        script_.saveChoices = {SaveChoice::Discard};
        frame_->dispatch(FileNew);
        QCOMPARE(data_.lightAngle, 275.0f);
        QVERIFY(!frame_->files().isModified());

        // Camera moves are not edits.
        frame_->view().camera().yaw(0.5f);
        QVERIFY(!frame_->files().isModified());
    }

    void savingFromThePromptWritesTheProject() {
        test::TempDir dir;
        data_.showReflection = 0;
        script_.saveChoices = {SaveChoice::Save};
        script_.files = {q(dir.file("kept.ctn"))};
        frame_->dispatch(FileNew);
        ProjectData reread;
        QVERIFY(loadProject(reread, dir.file("kept.ctn")));
        QCOMPARE(reread.showReflection, 0);
        QCOMPARE(data_.showReflection, 1); // then New went ahead
    }

    void openRestoresPicturesAndReportsMissingOnes() {
        test::TempDir dir;
        QImage picture(8, 4, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(q(dir.file("front.png"))));
        QVERIFY(picture.save(q(dir.file("floor.png"))));

        ProjectData saved;
        saved.setDimensions(3.0f, 1.0f, 4.0f);
        setPath(saved.faceSlots[Front].imagePath, dir.file("front.png"));
        setPath(saved.faceSlots[Back].imagePath, "gone.png");
        setPath(saved.floorImagePath, "floor.png");
        saved.faceSlots[Front].textureId = 4242; // a name from another run
        QVERIFY(saveProject(saved, dir.file("p.ctn")));

        frame_->selectFace(Back); // the project selects Top: the list follows it
        script_.files = {q(dir.file("p.ctn"))};
        frame_->dispatch(FileOpen);
        QVERIFY(script_.errors.isEmpty());
        QCOMPARE(frame_->navigationBar().faceList()->currentRow(), int(Top));
        QCOMPARE(data_.boxWidth, 3.0f);
        QVERIFY(!images_[Front].empty());
        QVERIFY(images_[Back].empty());
        QCOMPARE(pathText(data_.faceSlots[Back].imagePath), std::string_view("gone.png"));
        QVERIFY(!images_[kFloorSlot].empty());
        // The view draws the pictures that came back with textures of its own, never the names
        // the file carries.
        SceneTextures names = viewNames();
        QVERIFY(names.pictures[Front] != 0 && names.pictures[Front] != 4242u);
        QCOMPARE(names.pictures[Back], 0u);
        QVERIFY(names.pictures[kFloorSlot] != 0);
        QCOMPARE(script_.notices.size(), 1);
        QVERIFY(script_.notices[0].contains("gone.png"));
        QVERIFY(!frame_->files().isModified()); // restoring pictures is not an edit

        // New forgets the floor picture as well as the faces'.
        frame_->dispatch(FileNew);
        QVERIFY(images_[kFloorSlot].empty());
        names = viewNames();
        QCOMPARE(names.pictures[kFloorSlot], 0u);
        QCOMPARE(names.pictures[Front], 0u);
    }

    void paneLayoutKeepsTheSettingsWidth() {
        frame_->resize(1000, 600);
        QTest::qWait(20);
        FixedRightSplitter& outer = frame_->outerSplitter();
        const int settings = outer.sizes().at(1);
        QVERIFY(settings + outer.handleWidth() >= MainFrame::kSettingsPaneWidth);
        QVERIFY(settings >= frame_->settingsPane().panel(0)->sizeHint().width());
        QVERIFY(frame_->innerSplitter().sizes().at(0) >= ProportionalSplitter::kMinPaneWidth);
        frame_->resize(1300, 600);
        QTest::qWait(20);
        QCOMPARE(outer.sizes().at(1), settings);
        QVERIFY(frame_->innerSplitter().sizes().at(0) >= ProportionalSplitter::kMinPaneWidth);

        frame_->innerSplitter().centreBar();
        const QList<int> halves = frame_->innerSplitter().sizes();
        QVERIFY(std::abs(halves.at(0) - halves.at(1)) <= frame_->innerSplitter().handleWidth());
    }

    void toolbarAndStatusBarToggle() {
        frame_->dispatch(ViewToolbar);
        QVERIFY(frame_->toolbar().isHidden());
        QVERIFY(!frame_->action(ViewToolbar)->isChecked());
        frame_->dispatch(ViewToolbar);
        QVERIFY(!frame_->toolbar().isHidden());
        frame_->dispatch(ViewStatusBar);
        QVERIFY(frame_->statusBar()->isHidden());
        QVERIFY(!frame_->action(ViewStatusBar)->isChecked());
        frame_->dispatch(ViewStatusBar);
        QVERIFY(!frame_->statusBar()->isHidden());
    }

    void toolbarTooltipsAndPromptsComeFromTheCommandTable() {
        QCOMPARE(frame_->action(ModeAdjustWidth)->toolTip(), QString("Adjust Box's width"));
        QCOMPARE(frame_->action(ModeAdjustWidth)->statusTip(), QString("Adjust box's width"));
        QCOMPARE(frame_->action(AppExit)->statusTip(),
                 QString("Quit the application; prompts to save documents"));
        QCOMPARE(frame_->action(SaveAsImage)->statusTip(), QString());
    }

    void menusShowTicksEmptyPromptsAndEverySeparator() {
        // A checkable item with an icon shows the icon in place of its tick. The separators at
        // the ends of Edit's own items and of View's show.
        for (int command : {ViewToolbar, ViewStatusBar, SaveAsImage, FileSaveAs, HomePage}) {
            QVERIFY2(frame_->action(command)->icon().isNull(),
                     qPrintable(QString::number(command)));
        }
        QVERIFY(!frame_->action(FileNew)->icon().isNull());

        QMenu* edit = menuTitled(frame_->menuBar(), "&Edit");
        QMenu* view = menuTitled(frame_->menuBar(), "&View");
        for (QMenu* menu : {edit, view}) {
            menu->popup(frame_->mapToGlobal(QPoint(40, 40)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            const QList<QAction*> items = menu->actions();
            QAction* separator =
                menu == edit ? items.at(items.indexOf(frame_->action(EditCopy)) - 1) : items.last();
            QVERIFY(separator->isSeparator());
            QVERIFY(menu->actionGeometry(separator).height() > 0);
            menu->hide();
        }

        QMenu* file = menuTitled(frame_->menuBar(), "&File");
        file->popup(frame_->mapToGlobal(QPoint(40, 40)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        const auto hover = [&](int command) {
            QTest::mouseMove(file, file->actionGeometry(frame_->action(command)).center());
        };
        auto* ready = frame_->statusBar()->findChild<QLabel*>("ReadyText");
        hover(FileSave);
        QTRY_COMPARE(frame_->statusBar()->currentMessage(), QString("Save the active document"));
        hover(SaveAsImage);
        QTRY_COMPARE(frame_->statusBar()->currentMessage(), QString());
        QVERIFY(ready->isHidden());
        hover(FileOpen);
        QTRY_COMPARE(frame_->statusBar()->currentMessage(), QString("Open an existing document"));
        file->hide();
        QTRY_VERIFY(ready->isVisible());
        QCOMPARE(frame_->statusBar()->currentMessage(), QString());
    }

    void onlyButtonsWithATooltipTextShowOne() {
        const auto tooltipOf = [&](int command) {
            QWidget* button = frame_->toolbar().widgetForAction(frame_->action(command));
            QHelpEvent event(QEvent::ToolTip, QPoint(4, 4), button->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(button, &event);
            const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
            QToolTip::hideText();
            return shown;
        };
        QCOMPARE(tooltipOf(ChangeSettings), QString());
        QCOMPARE(tooltipOf(FileNew), QString("New"));
    }

    void panesHaveSunkenEdgesAndTheBandAGripper() {
        for (QWidget* client : {static_cast<QWidget*>(&frame_->view()),
                                static_cast<QWidget*>(&frame_->settingsPane())}) {
            auto* pane = qobject_cast<PaneContainer*>(client->parentWidget());
            QVERIFY(pane);
            const QRect below(0, pane->headerHeight(), pane->width(),
                              pane->height() - pane->headerHeight());
            const int edge = PaneContainer::kClientEdge;
            QCOMPARE(client->geometry(), below.adjusted(edge, edge, -edge, -edge));
        }
        NavigationBar& bar = frame_->navigationBar();
        const QRect gripper = bar.gripperRect();
        QVERIFY(bar.headerRect().contains(gripper));
        QVERIFY(gripper.height() > gripper.width());
        // Something is drawn there: the strip is not all one colour.
        const QImage shot = bar.grab(gripper).toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                colours.insert(shot.pixel(x, y));
            }
        }
        QVERIFY(colours.size() > 1);
    }

    void exportModelWritesAGlbAfterTheTurntableAndSaysSo() {
        QMenu* file = menuTitled(frame_->menuBar(), "&File");
        const QList<QAction*> items = file->actions();
        QCOMPARE(items.indexOf(frame_->action(ExportModel)),
                 items.indexOf(frame_->action(SaveAsTurntable)) + 1);

        test::TempDir dir;
        script_.files = {q(dir.file("box.glb"))};
        frame_->dispatch(ExportModel);
        QVERIFY(script_.errors.isEmpty());
        QCOMPARE(script_.questionsAsked.last(), QString("save:") + kModelFilter);
        const auto bytes = test::readBytes(dir.file("box.glb"));
        QVERIFY(QByteArray(bytes.data(), qsizetype(bytes.size())).startsWith("glTF"));
        test::keepModel("export-model", bytes);
        QCOMPARE(frame_->statusBar()->currentMessage(), QString("Saved the 3D model box.glb."));

        script_.files = {q(dir.file("no-such-folder/box.glb"))};
        frame_->dispatch(ExportModel);
        QCOMPARE(script_.errors.size(), 1);
        QVERIFY(script_.errors[0].startsWith("Cannot save the 3D model"));
    }

    // Also run on a screen scaled by 2.
    void exportProposesTheViewsDevicePixels() {
        test::TempDir dir;
        script_.files = {q(dir.file("shot.jpg"))};
        frame_->dispatch(SaveAsImage);
        const qreal ratio = frame_->view().devicePixelRatioF();
        const QSize device(qRound(frame_->view().width() * ratio),
                           qRound(frame_->view().height() * ratio));
        QCOMPARE(QSize(script_.proposedSize.width, script_.proposedSize.height), device);
        QCOMPARE(QImage(q(dir.file("shot.jpg"))).size(), device);
    }

    void turntableIsWrittenWholeAndACancelledOneLeavesNoFile() {
        // Right after Save As Image in the File menu.
        const QList<QAction*> file = menuTitled(frame_->menuBar(), "&File")->actions();
        QCOMPARE(file.indexOf(frame_->action(SaveAsTurntable)),
                 file.indexOf(frame_->action(SaveAsImage)) + 1);

        test::TempDir dir;
        script_.turntable = TurntableChoice{32, 24, 4, 12.0};
        script_.files = {q(dir.file("spin.webp"))};
        frame_->dispatch(SaveAsTurntable);
        QVERIFY2(script_.errors.isEmpty(), qPrintable(script_.errors.join('\n')));
        const qreal ratio = frame_->view().devicePixelRatioF();
        QCOMPARE(
            QSize(script_.proposedTurntable.width, script_.proposedTurntable.height),
            QSize(qRound(frame_->view().width() * ratio), qRound(frame_->view().height() * ratio)));
        QCOMPARE(script_.proposedTurntable.frames, kDefaultTurntableFrames);
        QCOMPARE(script_.proposedTurntable.fps, kDefaultAnimationFps);
        QVERIFY(
            script_.questionsAsked.last().endsWith(QString("%1;;%2").arg(kWebPFilter, kMp4Filter)));
        const test::DecodedAnimation webp = test::decodeWebPAnimation(dir.file("spin.webp"));
        QVERIFY(webp.ok);
        QCOMPARE(QSize(webp.width, webp.height), QSize(32, 24));
        QCOMPARE(webp.timestamps, (std::vector<int>{83, 167, 250, 333}));
        QVERIFY(webp.rgba[0] != webp.rgba[2]);
        QVERIFY(frame_->statusBar()->currentMessage().startsWith("Saved a turntable of 4 frames"));

        // Cancel as soon as the progress dialog shows: nothing is left, not even a temporary.
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [this] {
            if (auto* progress = frame_->findChild<QProgressDialog*>("TurntableProgress");
                progress && progress->isVisible()) {
                progress->cancel();
            }
        });
        canceller.start(1);
        script_.turntable = TurntableChoice{32, 24, kMaxTurntableFrames, 24.0};
        script_.files = {q(dir.file("cancelled.webp"))};
        frame_->dispatch(SaveAsTurntable);
        canceller.stop();
        QVERIFY(script_.errors.isEmpty());
        QCOMPARE(frame_->statusBar()->currentMessage(),
                 QString("The turntable was cancelled; no file was written."));
        QCOMPARE(
            QDir(q(dir.path())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"spin.webp"});

        // Cancelling the dialog asks for no file.
        script_.cancelTurntable = true;
        const int dialogs = script_.fileDialogs;
        frame_->dispatch(SaveAsTurntable);
        QCOMPARE(script_.fileDialogs, dialogs);
    }

    void exportIsOfTheWholeViewStretchedAsTheNameOrFilterSays() {
        frame_->resize(900, 500);
        data_.selectedFace = -1; // no outline in the view, so view and picture can be compared
        frame_->view().requestRedraw();
        QTest::qWait(50);
        const QImage seen = frame_->view().grabFramebuffer();
        QVERIFY(seen.width() > seen.height() + 50);

        // A name ending in .png, in any case, or the PNG filter chosen writes PNG; a name of
        // another format's keeps it, and any other name gets JPEG.
        struct Case {
            const char* name;
            const char* filter;
            const char* format;
        };
        test::TempDir dir;
        for (const Case& c :
             {Case{"cover.png", kImageFilter, "PNG"}, Case{"cover.PnG", kImageFilter, "PNG"},
              Case{"cover", kPngImageFilter, "PNG"}, Case{"cover.jpg", kPngImageFilter, "JPEG"},
              Case{"cover.img", kImageFilter, "JPEG"}}) {
            script_.files = {q(dir.file(c.name))};
            script_.chosenFilter = c.filter;
            script_.exportSize = ExportSize{160, 160, {}};
            frame_->dispatch(SaveAsImage);
            QVERIFY(script_.errors.isEmpty());
            QVERIFY(script_.questionsAsked.last().endsWith(
                QString("%1;;%2").arg(kImageFilter, kPngImageFilter)));
            const auto bytes = test::readBytes(dir.file(c.name));
            const QByteArray data(bytes.data(), qsizetype(bytes.size()));
            const QByteArray magic = QByteArray(c.format) == "PNG" ? "\x89PNG" : "\xFF\xD8";
            QVERIFY2(data.startsWith(magic), c.name);
            const QImage picture = QImage::fromData(data, c.format);
            QCOMPARE(picture.size(), QSize(160, 160));
            QVERIFY2(pictureDifference(picture, seen) < 4.0,
                     qPrintable(QString::number(pictureDifference(picture, seen))));
        }
    }

    void openedLightShowsInTheViewTheExportAndTheRenderer() {
        test::TempDir dir;
        ProjectData white;
        ProjectData red;
        for (auto* colour : {&red.lightAmbient, &red.lightDiffuse, &red.lightSpecular}) {
            *colour = {1.0f, 0.0f, 0.0f, 1.0f};
        }
        red.spotCutoff = 30.0f;
        red.lightAngle = 1.0f;
        for (ProjectData* p : {&white, &red}) {
            p->setDimensions(4.0f, 4.0f, 3.0f); // a box that fills much of the view
        }
        QVERIFY(saveProject(white, dir.file("white.ctn")));
        QVERIFY(saveProject(red, dir.file("red.ctn")));

        const auto openAndLook = [&](const char* name) {
            script_.files = {q(dir.file(name))};
            script_.saveChoices = {SaveChoice::Discard};
            frame_->dispatch(FileOpen);
            data_.selectedFace = -1;
            frame_->view().requestRedraw();
            QTest::qWait(50);
            return frame_->view().grabFramebuffer();
        };
        const QImage whiteSeen = openAndLook("white.ctn");
        const QImage redSeen = openAndLook("red.ctn");

        QVERIFY2(pictureDifference(whiteSeen, redSeen) > 20.0,
                 qPrintable(QString::number(pictureDifference(whiteSeen, redSeen))));

        script_.files = {q(dir.file("exported.jpg"))};
        frame_->dispatch(SaveAsImage);
        const QImage exported(q(dir.file("exported.jpg")));

        const std::string size =
            std::to_string(redSeen.width()) + "x" + std::to_string(redSeen.height());
        const test::ProcessResult run =
            test::runProcess(CARTONIC_RENDER_BIN,
                             {dir.file("red.ctn"), "-o", dir.file("rendered.png"), "--size", size});
        QCOMPARE(run.status, 0);
        const QImage rendered(q(dir.file("rendered.png")));

        QVERIFY2(pictureDifference(redSeen, exported) < 3.0,
                 qPrintable(QString::number(pictureDifference(redSeen, exported))));
        QVERIFY2(pictureDifference(redSeen, rendered) < 3.0,
                 qPrintable(QString::number(pictureDifference(redSeen, rendered))));

        // New brings the default light back; it keeps the box's size.
        frame_->dispatch(FileNew);
        data_.selectedFace = -1;
        frame_->view().requestRedraw();
        QTest::qWait(50);
        QVERIFY(pictureDifference(frame_->view().grabFramebuffer(), whiteSeen) < 1.0);
    }

    void stretchingAfterOpenKeepsTheOpenedSides() {
        test::TempDir dir;
        ProjectData saved;
        saved.setDimensions(3.0f, 1.0f, 4.0f);
        QVERIFY(saveProject(saved, dir.file("p.ctn")));
        script_.files = {q(dir.file("p.ctn"))};
        frame_->dispatch(FileOpen);

        frame_->dispatch(ModeAdjustHeight);
        OGLView& view = frame_->view();
        const QPoint middle = view.rect().center();
        QTest::mousePress(&view, Qt::LeftButton, {}, middle);
        QTest::mouseMove(&view, middle - QPoint(0, 20));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, middle - QPoint(0, 20));
        QVERIFY(data_.boxHeight > 4.0f);
        QCOMPARE(data_.boxWidth, 3.0f);
        QCOMPARE(data_.boxDepth, 1.0f);
    }

    void saveAsImageWritesThePicture() {
        test::TempDir dir;
        script_.files = {q(dir.file("shot.jpg"))};
        frame_->dispatch(SaveAsImage);
        QVERIFY(script_.errors.isEmpty());
        const QImage shot(q(dir.file("shot.jpg")));
        QCOMPARE(shot.size(), frame_->view().size());

        // A side that fell back to the view's is reported with the size used.
        script_.files = {q(dir.file("wide.jpg"))};
        script_.exportSize = ExportSize{320, frame_->view().height(), "No height was given."};
        frame_->dispatch(SaveAsImage);
        QVERIFY(frame_->statusBar()->currentMessage().contains(
            QString("320 x %1 picture. No height was given.").arg(frame_->view().height())));

        script_.files = {}; // cancel the file dialog: nothing is written
        frame_->dispatch(SaveAsImage);
        QCOMPARE(QDir(q(dir.path())).entryList(QDir::Files).size(), 2);
    }

    void smoothEdgesSwitchTheViewAndItsCopy() {
        QMenu* view = menuTitled(frame_->menuBar(), "&View");
        QVERIFY(view->actions().contains(frame_->action(ViewSmoothEdges)));
        QVERIFY(frame_->action(ViewSmoothEdges)->isChecked());
        QTRY_VERIFY(frame_->action(ViewSmoothEdges)->isEnabled()); // the surface has samples
        data_.selectedFace = -1;
        // The view as it settles: refined when smooth, the plain frame when not.
        const auto looks = [&] {
            QSignalSpy settled(&frame_->view(), &OGLView::settled);
            frame_->view().requestRedraw();
            if (frame_->view().smoothEdges()) {
                settled.wait(10000);
            } else {
                QTest::qWait(OGLView::kRefineDelayMs * 2);
            }
            return frame_->view().grabFramebuffer();
        };
        const auto copied = [&] {
            frame_->dispatch(EditCopy);
            return QGuiApplication::clipboard()->image();
        };
        const QImage smooth = looks();
        const QImage smoothCopy = copied();
        frame_->dispatch(ViewSmoothEdges);
        QVERIFY(!frame_->action(ViewSmoothEdges)->isChecked());
        const QImage aliased = looks();
        const QImage aliasedCopy = copied();
        // Only the edges change, and the copy changes with the view.
        const auto changedShare = [](const QImage& a, const QImage& b) {
            const QImage x = a.convertToFormat(QImage::Format_RGB32);
            const QImage y = b.convertToFormat(QImage::Format_RGB32);
            int changed = 0;
            for (int row = 0; row < x.height(); ++row) {
                for (int col = 0; col < x.width(); ++col) {
                    const QRgb p = x.pixel(col, row);
                    const QRgb r = y.pixel(col, row);
                    changed +=
                        std::max({std::abs(qRed(p) - qRed(r)), std::abs(qGreen(p) - qGreen(r)),
                                  std::abs(qBlue(p) - qBlue(r))}) > 8;
                }
            }
            return double(changed) / (x.width() * x.height());
        };
        const double changed = changedShare(smooth, aliased);
        QVERIFY2(changed > 0.001 && changed < 0.05, qPrintable(QString::number(changed)));
        QVERIFY(changedShare(smoothCopy, aliasedCopy) > 0.001);
        QVERIFY(pictureDifference(aliasedCopy, aliased) < 1.0);
    }

    void exportDrawsAsTheDialogChose() {
        test::TempDir dir;
        const auto exported = [&](const char* name, bool smooth, bool transparent) {
            script_.files = {q(dir.file(name))};
            script_.exportSize = ExportSize{200, 150, {}, smooth, transparent};
            frame_->dispatch(SaveAsImage);
            return QImage(q(dir.file(name))).convertToFormat(QImage::Format_RGBA8888);
        };
        const auto alphas = [](const QImage& picture) {
            std::set<int> seen;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    seen.insert(qAlpha(picture.pixel(x, y)));
                }
            }
            return seen;
        };
        const QImage cutOut = exported("cut-out.png", true, true);
        QVERIFY(alphas(cutOut).count(0) && alphas(cutOut).count(255) && alphas(cutOut).size() > 10);
        QCOMPARE(alphas(exported("opaque.png", true, false)), std::set<int>{255});
        QVERIFY(pictureDifference(exported("smooth.png", true, false),
                                  exported("aliased.png", false, false)) > 0.05);
        QVERIFY(script_.errors.isEmpty());
        // JPEG has no transparency: refused in one line, as the command line refuses it, and
        // nothing is written.
        QVERIFY(exported("cut-out.jpg", true, true).isNull());
        QCOMPARE(script_.errors.size(), 1);
        QVERIFY(script_.errors.first().contains("no transparency"));
    }

    void exportWithAPictureFileGoneSaysSo() {
        // The export draws the face from the picture's file; gone, the kept copy serves.
        test::TempDir dir;
        QImage big(1024, 1024, QImage::Format_RGB32);
        big.fill(qRgb(200, 30, 30));
        QVERIFY(big.save(q(dir.file("front.png"))));
        frame_->selectFace(Front);
        QVERIFY(frame_->facePanel().loadPicture(q(dir.file("front.png"))));
        data_.setDimensions(4.0f, 4.0f, 3.0f);
        QVERIFY(QFile::remove(q(dir.file("front.png"))));
        script_.files = {q(dir.file("shot.jpg"))};
        script_.exportSize = ExportSize{kMaxExportSide, kMaxExportSide, {}};
        frame_->dispatch(SaveAsImage);
        QVERIFY(script_.errors.isEmpty());
        const QString message = frame_->statusBar()->currentMessage();
        QVERIFY2(message.contains("front.png again") && message.contains("kept copy"),
                 qPrintable(message));
    }

    // Saved with its pictures inside, copied alone to another folder, the project opens with its
    // pictures and its copy of the view is the same picture; Extract writes them out again.
    void aProjectWithItsPicturesInsideOpensAloneElsewhere() {
        test::TempDir home, away;
        QImage front(24, 32, QImage::Format_RGB32);
        for (int y = 0; y < front.height(); ++y) {
            for (int x = 0; x < front.width(); ++x) {
                front.setPixel(x, y, qRgb(x * 10, y * 8, 90));
            }
        }
        QVERIFY(front.save(q(home.file("front.png"))));
        QVERIFY(front.mirrored().save(q(home.file("floor.jpg"))));
        frame_->selectFace(Front);
        QVERIFY(frame_->facePanel().loadPicture(q(home.file("front.png"))));
        QVERIFY(frame_->scenePanel().loadFloorPicture(q(home.file("floor.jpg"))));
        data_.floorTextureEnabled = 1;
        data_.selectedFace = -1; // no outline in the copies
        QVERIFY(!frame_->action(FileEmbedPictures)->isChecked());
        frame_->dispatch(FileEmbedPictures);
        QVERIFY(frame_->action(FileEmbedPictures)->isChecked());
        script_.files = {q(home.file("box.ctn"))};
        frame_->dispatch(FileSaveAs);
        QVERIFY(script_.errors.isEmpty());
        QVERIFY(QFileInfo(q(home.file("box.ctn"))).size() > qint64(kProjectFileSize));
        const auto copy = [&] {
            frame_->dispatch(EditCopy);
            return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        };
        const QImage before = copy();

        QVERIFY(QFile::copy(q(home.file("box.ctn")), q(away.file("box.ctn"))));
        QVERIFY(QDir(q(home.path())).removeRecursively());
        frame_->dispatch(FileNew);
        QVERIFY(!frame_->action(FileEmbedPictures)->isChecked());
        QVERIFY(frame_->files().open(q(away.file("box.ctn"))));
        QVERIFY(script_.notices.isEmpty()); // no picture is missing
        QCOMPARE(frame_->statusBar()->currentMessage(),
                 QString("2 pictures came from inside the project."));
        QVERIFY(!images_[Front].empty() && !images_[kFloorSlot].empty());
        QVERIFY(frame_->action(FileEmbedPictures)->isChecked());
        QVERIFY(!frame_->files().isModified());
        data_.selectedFace = -1;
        const QImage after = copy();
        QCOMPARE(after.size(), before.size());
        int most = 0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                const QRgb a = after.pixel(x, y), b = before.pixel(x, y);
                most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b))});
            }
        }
        QVERIFY2(most <= 3, qPrintable(QString::number(most)));

        QVERIFY(QDir(q(away.path())).mkdir("art"));
        script_.files = {q(away.file("art"))};
        frame_->dispatch(FileExtractPictures);
        QVERIFY(script_.errors.isEmpty());
        QCOMPARE(pathText(data_.faceSlots[Front].imagePath), away.file("art/front.png"));
        QCOMPARE(pathText(data_.floorImagePath), away.file("art/floor.jpg"));
        QCOMPARE(QImage(q(away.file("art/front.png"))), front);
        QVERIFY(frame_->statusBar()->currentMessage().startsWith("Extracted 2 pictures to "));
        QTRY_VERIFY(frame_->files().isModified());
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
