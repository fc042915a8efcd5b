// Undo and redo of every kind of edit, copying the picture, pasting and dropping pictures and
// projects, and what the window remembers between runs.

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/face_list.h"
#include "app/main_frame.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pasted_pictures.h"
#include "app/project_files.h"
#include "app/recent_projects.h"
#include "app/recent_projects_menu.h"
#include "app/splitters.h"
#include "camera/face_picking.h"
#include "frame_test_support.h"
#include "image/vector_pictures.h"
#include "model/project_file.h"
#include "model/project_snapshot.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"
#include "support/picture_files.h"
#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <functional>

using namespace cartonic;
using test::q;

namespace {

// What an undo must bring back: the record and the settings beside it as saved, each slot's
// picture, the field of view, and the look and embed switch the window shows.
struct Seen {
    ProjectSnapshot record;
    std::array<qint64, kSlotCount> pictures{};
    float fov = 0.0f;
    bool floorTextured = false;
    SceneLook viewLook;
    bool embedChecked = false;

    bool operator==(const Seen&) const = default;
};

} // namespace

class UndoClipboardMemoryTest : public QObject {
    Q_OBJECT

    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    test::ScriptedPrompts script_;
    MainFrame* frame_ = nullptr;
    test::TempDir dir_;

    Seen seen() const {
        Seen s{snapshotOf(data_, frame_->extension().settings),
               {},
               frame_->view().camera().fov,
               !images_[kFloorSlot].empty(),
               frame_->project().look(),
               frame_->action(FileEmbedPictures)->isChecked()};
        for (int k = 0; k < kSlotCount; ++k) {
            s.pictures[static_cast<std::size_t>(k)] =
                images_[static_cast<std::size_t>(k)].image.cacheKey();
        }
        return s;
    }

    template <typename T>
    T* control(QWidget& panel, int id) {
        return panel.findChild<T*>(QString::number(id));
    }

    // Clicks a button where a check box takes clicks too: on its box, not past its text.
    void click(QWidget& panel, int id) {
        auto* button = control<QAbstractButton>(panel, id);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }

    // One press of a key nobody acts on: what separates one gesture's edits from the next.
    void newGesture() { QTest::keyClick(frame_->statusBar(), Qt::Key_Shift); }

    void dragInView(QPoint from, QPoint by) {
        OGLView& view = frame_->view();
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseMove(&view, from + by / 2);
        QTest::mouseMove(&view, from + by);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from + by);
    }

    QString picture(const char* name, Qt::GlobalColor colour) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = q(dir_.file(name));
        image.save(path);
        return path;
    }

    // Drags the file at path over widget to pos and lets go there; true when it was taken.
    static bool dropFile(QWidget& widget, const QString& path, QPoint pos) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&widget, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&widget, &move);
        QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&widget, &drop);
        return drop.isAccepted();
    }

    // A pixel of the view that shows face.
    QPoint pixelOf(int face) const {
        const OGLView& view = frame_->view();
        for (int y = 0; y < view.height(); y += 4) {
            for (int x = 0; x < view.width(); x += 4) {
                if (faceAtPixel(view.camera(), data_, x, y, view.width(), view.height()) == face) {
                    return {x, y};
                }
            }
        }
        return {-1, -1};
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        // Each test counts the pictures it keeps.
        QDir(pastedPicturesFolder()).removeRecursively();
        project_ = Project();
        script_ = test::ScriptedPrompts();
        frame_ = new MainFrame(project_, script_.prompts());
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_));
        QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
    }
    void cleanup() {
        script_.saveChoices.assign(4, SaveChoice::Discard);
        delete frame_;
        frame_ = nullptr;
    }

    void everyKindOfEditIsOneStepThatUndoesAndRedoes() {
        FaceSettingsPanel& face = frame_->facePanel();
        SceneSettingsPanel& scene = frame_->scenePanel();
        const QString red = picture("red.png", Qt::red);
        const QString blue = picture("blue.png", Qt::blue);
        face.chooseImageFile = [&](QWidget*, const auto&, const QString&) {
            return red;
        };
        scene.chooseImageFile = [&](QWidget*, const auto&, const QString&) {
            return blue;
        };
        const QPoint middle = frame_->view().rect().center();

        const struct {
            const char* step;
            std::function<void()> edit;
        } edits[] = {
            {"Front Picture",
             [&] {
                 frame_->selectFace(Front);
                 click(face, 1001);
             }},
            {"Front Orientation",
             [&] {
                 click(face, 1016);
             }},
            {"Front Diffuse Color",
             [&] {
                 newGesture();
                 data_.faceSlots[Front].diffuseColor = {0.1f, 0.9f, 0.1f, 1.0f};
                 emit face.colorChanged();
             }},
            {"Light Specular Color",
             [&] {
                 newGesture();
                 data_.lightSpecular = {1.0f, 0.0f, 0.0f, 1.0f};
                 frame_->view().requestRedraw();
             }},
            {"Floor Picture",
             [&] {
                 frame_->showSceneSettings();
                 click(scene, 1037);
             }},
            {"Gradient Background",
             [&] {
                 click(scene, 1006);
             }},
            {"Show Shadow",
             [&] {
                 click(scene, 1039);
             }},
            {"Field of View",
             [&] {
                 newGesture();
                 QSlider* slider = control<QSlider>(scene, 1033);
                 slider->setSliderDown(true);
                 slider->setSliderPosition(60);
                 slider->setSliderPosition(70);
                 slider->setSliderDown(false);
             }},
            {"Shadow Softness",
             [&] {
                 newGesture();
                 QSlider* slider =
                     control<QSlider>(scene, SceneSettingsPanel::kShadowSoftnessSlider);
                 slider->setSliderDown(true);
                 slider->setSliderPosition(30);
                 slider->setSliderPosition(60);
                 slider->setSliderDown(false);
             }},
            {"Reflection Fade",
             [&] {
                 newGesture();
                 QTest::keyClick(control<QSlider>(scene, SceneSettingsPanel::kReflectionFadeSlider),
                                 Qt::Key_End);
             }},
            {"Embed Pictures",
             [&] {
                 newGesture();
                 frame_->dispatch(FileEmbedPictures);
             }},
            {"Box Height",
             [&] {
                 frame_->dispatch(ModeAdjustHeight);
                 dragInView(middle, {0, -30});
             }},
            {"Light Position",
             [&] {
                 frame_->dispatch(ModeRotateLight);
                 dragInView(middle, {-40, -20});
             }},
            // The first of what changed names the step: six faces, the box's three sides.
            {"Top Picture",
             [&] {
                 newGesture();
                 script_.files.push_back(picture("net.png", Qt::green));
                 frame_->dispatch(ImportDieline);
             }},
            {"Box Width",
             [&] {
                 newGesture();
                 QComboBox* products = control<QComboBox>(scene, 1040);
                 products->setCurrentIndex(5);
                 emit products->activated(5);
             }},
        };

        QAction* undo = frame_->action(EditUndo);
        QAction* redo = frame_->action(EditRedo);
        QVERIFY(!undo->isEnabled());
        const Seen start = seen();
        QUndoStack& stack = frame_->history().stack();
        for (const auto& e : edits) {
            const Seen before = seen();
            const int steps = stack.count();
            e.edit();
            QTRY_COMPARE_WITH_TIMEOUT(stack.count(), steps + 1, 1000);
            QTest::qWait(20); // nothing more comes of the same gesture
            QCOMPARE(stack.count(), steps + 1);
            const Seen after = seen();
            QVERIFY2(!(after == before), e.step);
            QCOMPARE(undo->text(), QString("&Undo %1\tCtrl+Z").arg(e.step));

            frame_->dispatch(EditUndo);
            QVERIFY2(seen() == before, e.step);
            QCOMPARE(redo->text(), QString("&Redo %1\tCtrl+Y").arg(e.step));
            frame_->dispatch(EditRedo);
            QVERIFY2(seen() == after, e.step);
            QTest::qWait(10);
            QCOMPARE(stack.count(), steps + 1); // undoing and redoing are no edits
        }

        // All the way back: the project is as it was made, and nothing is asked on New.
        QVERIFY(frame_->files().isModified());
        while (undo->isEnabled()) {
            frame_->dispatch(EditUndo);
        }
        QVERIFY(seen() == start);
        QVERIFY(!frame_->files().isModified());
        QVERIFY(images_[Front].empty());
        QCOMPARE(control<QSlider>(scene, 1033)->value(), static_cast<int>(start.fov));

        // New starts a history of its own.
        frame_->dispatch(EditRedo);
        script_.saveChoices = {SaveChoice::Discard};
        frame_->dispatch(FileNew);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
    }

    // Saved to another folder, a relative picture path is rewritten for it; the steps before
    // could only bring back paths taken against the old folder, so the history starts afresh.
    void aSaveThatRewritesPicturePathsStartsTheHistoryAfresh() {
        picture("red.png", Qt::red);
        QDir(q(dir_.path())).mkpath("away");
        script_.files = {q(dir_.file("p.ctn")), q(dir_.file("p.ctn")), q(dir_.file("away/p.ctn"))};
        frame_->selectFace(Front);
        QVERIFY(frame_->facePanel().loadPicture(q(dir_.file("red.png"))));
        frame_->dispatch(FileSaveAs);
        // Relative to the project's folder from now on.
        newGesture();
        setPath(data_.faceSlots[Front].imagePath, "red.png");
        frame_->view().requestRedraw();
        QTRY_COMPARE(frame_->history().stack().count(), 2);
        frame_->dispatch(FileSaveAs); // the same folder: nothing rewritten, nothing forgotten
        QCOMPARE(pathText(data_.faceSlots[Front].imagePath), "red.png");
        QCOMPARE(frame_->history().stack().count(), 2);
        frame_->dispatch(FileSaveAs);
        QCOMPARE(pathText(data_.faceSlots[Front].imagePath), "../red.png");
        QCOMPARE(frame_->history().stack().count(), 0);
    }

    void importDielineCutsTheNetOrSaysWhy() {
        test::writeBytes(dir_.file("bad.png"), {'n', 'o'});
        script_.files = {q(dir_.file("bad.png"))};
        frame_->dispatch(ImportDieline);
        QCOMPARE(script_.errors, QStringList{"Load image file failed!"});
        QCOMPARE(script_.reasons.size(), 1);
        QVERIFY2(!script_.reasons[0].isEmpty(), "the reason comes with the message");
        QVERIFY(images_[Front].empty());

        // The start-up box unfolds 15 x 15: a square net with side panels 30 pixels wide
        // makes a box 60 x 90 x 30, the height kept at the largest side's length.
        QImage net(180, 150, QImage::Format_RGB32);
        net.fill(Qt::darkCyan);
        const QString file = q(dir_.file("square.png"));
        QVERIFY(net.save(file));
        script_.files = {file};
        script_.dieline = DielineChoice{DielineLayout::Row, 0, 30};
        const float height = data_.boxHeight;
        frame_->dispatch(ImportDieline);
        QCOMPARE(script_.dielineNet, net.size());
        QCOMPARE(data_.boxHeight, height);
        QCOMPARE(data_.boxWidth, height * 60 / 90);
        QCOMPARE(data_.boxDepth, height * 30 / 90);
        for (int face = 0; face < kFaceCount; ++face) {
            const QString kept =
                QString::fromStdString(std::string(pathText(data_.faceSlots[face].imagePath)));
            QVERIFY2(kept.startsWith(pastedPicturesFolder()), qPrintable(kept));
            QVERIFY(!images_[face].empty());
        }
        QCOMPARE(data_.faceSlots[Front].imageWidth, 60);
        QCOMPARE(frame_->statusBar()->currentMessage(),
                 QString("Cut square.png into the six faces."));
    }

    void copyPutsTheViewOnTheClipboardWithoutItsOutline() {
        const auto reds = [](const QImage& image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > 200 && c.green() < 60 && c.blue() < 60;
                }
            }
            return count;
        };
        frame_->selectFace(Front);
        frame_->view().requestRedraw();
        QTest::qWait(50);
        QVERIFY(reds(frame_->view().grabFramebuffer()) > 20); // the outline shows in the view

        frame_->dispatch(EditCopy);
        const QImage copied = QGuiApplication::clipboard()->image();
        const qreal ratio = frame_->view().devicePixelRatioF();
        QCOMPARE(copied.size(), frame_->view().size() * ratio);
        QCOMPARE(reds(copied), 0);
    }

    void pasteTakesFilesAndPicturesAndRefusesTheRest() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        QUndoStack& stack = frame_->history().stack();
        const QString red = picture("red.png", Qt::red);

        // A file named on the clipboard, on the selected face.
        frame_->selectFace(Back);
        clipboard->setText(QUrl::fromLocalFile(red).toString());
        newGesture();
        frame_->dispatch(EditPaste);
        QCOMPARE(pathText(data_.faceSlots[Back].imagePath), red.toStdString());
        QTRY_COMPARE(stack.count(), 1);

        // A picture without a file, on the floor while the scene's settings show: written once.
        QImage blue(6, 4, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        frame_->showSceneSettings();
        for (int i = 0; i < 2; ++i) {
            clipboard->setImage(blue);
            newGesture();
            frame_->dispatch(EditPaste);
        }
        const QString floor = QString::fromStdString(std::string(pathText(data_.floorImagePath)));
        QVERIFY2(floor.startsWith(pastedPicturesFolder()), qPrintable(floor));
        QCOMPARE(QDir(pastedPicturesFolder()).entryList(QDir::Files).size(), 1);
        QCOMPARE(images_[kFloorSlot].image.size(), blue.size());
        QTRY_COMPARE(stack.count(), 2); // the same picture again changes nothing

        // Nothing usable: a message saying why, no change, no step.
        const Seen before = seen();
        test::writeBytes(dir_.file("notes.png"), {'n', 'o'});
        const QString missing = q(dir_.file("missing.png"));
        const test::Bytes huge = test::fileDeclaring(test::PictureFormat::Png, 20000, 20000);
        const struct {
            const char* format;
            QByteArray held;
            QString message;
        } refused[] = {
            {"text/plain", "hello", "The clipboard holds no picture to paste."},
            {"text/plain", missing.toUtf8(), "The clipboard holds no picture to paste."},
            {"text/plain", QUrl::fromLocalFile(missing).toEncoded(),
             "Cannot paste " + QDir::toNativeSeparators(missing) + ": the file does not exist."},
            {"text/plain", q(dir_.file("notes.png")).toUtf8(),
             "Cannot paste notes.png: it is no picture that can be loaded (Unsupported image "
             "format)."},
            // Measured by its header alone: the picture is never decoded.
            {"image/png", QByteArray(huge.data(), static_cast<qsizetype>(huge.size())),
             QString("Cannot paste the picture on the clipboard: it is 20000 x 20000 pixels, more "
                     "than the %1 million pixels a pasted picture may have.")
                 .arg(kMaxPastedPixels / 1'000'000)},
            // A drawing under a picture's type is never read in the window's process.
            {"image/png", "<svg xmlns='http://www.w3.org/2000/svg'/>",
             "Cannot paste the picture on the clipboard: a drawing (SVG or PDF) cannot be pasted: "
             "save it as a file and load that."},
        };
        for (const auto& r : refused) {
            auto* mime = new QMimeData;
            mime->setData(r.format, r.held);
            clipboard->setMimeData(mime);
            newGesture();
            frame_->dispatch(EditPaste);
            QCOMPARE(frame_->statusBar()->currentMessage(), r.message);
        }
        QTest::qWait(20);
        QVERIFY(seen() == before);
        QCOMPARE(stack.count(), 2);
    }

    void vectorFilesArriveByPasteAndDropWithTheirPage() {
        const QByteArray pdf = test::colourPagesPdf({Qt::red, Qt::blue});
        test::writeBytes(dir_.file("pages.pdf"), std::vector<char>(pdf.begin(), pdf.end()));
        const QByteArray svg = test::stripesSvg(16, 4, 4);
        test::writeBytes(dir_.file("art.svg"), std::vector<char>(svg.begin(), svg.end()));
        const QString pages = q(dir_.file("pages.pdf"));
        QUrl pageTwo = QUrl::fromLocalFile(pages);
        pageTwo.setFragment("page=2");
        // A file URL's fragment, and a path's, pick the page.
        for (const auto& [face, text] :
             {std::pair{int(Back), pageTwo.toString()}, std::pair{int(Top), pages + "#page=2"}}) {
            frame_->selectFace(face);
            QGuiApplication::clipboard()->setText(text);
            newGesture();
            frame_->dispatch(EditPaste);
            QCOMPARE(pathText(data_.faceSlots[face].imagePath), (pages + "#page=2").toStdString());
            QCOMPARE(data_.faceSlots[face].imageWidth, kMaxVectorSide);
            const QImage& kept = images_[face].image;
            QCOMPARE(kept.pixelColor(2, kept.height() - 2), QColor(Qt::blue));
        }
        QVERIFY(dropFile(frame_->view(), q(dir_.file("art.svg")), pixelOf(Front)));
        QCOMPARE(pathText(data_.faceSlots[Front].imagePath), dir_.file("art.svg"));
        QCOMPARE(images_[Front].image.size(), QSize(kMaxTextureSide, kMaxTextureSide));
    }

    void dropsPutPicturesWhereTheyLandAndOpenProjects() {
        QStringList messages;
        frame_->facePanel().showMessage = [&](QWidget*, const QString& m) {
            messages << m;
        };
        const QString red = picture("red.png", Qt::red);
        OGLView& view = frame_->view();

        // On a face of the box in the view: outlined while over it, then that face's picture.
        const QPoint front = pixelOf(Front);
        QVERIFY(front.x() >= 0);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(red)});
        QDragEnterEvent enter(front, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&view, &enter);
        QCOMPARE(view.dropFace(), int(Front));
        QDragLeaveEvent leave;
        QApplication::sendEvent(&view, &leave);
        QCOMPARE(view.dropFace(), -1);
        QVERIFY(dropFile(view, red, front));
        QCOMPARE(data_.selectedFace, int(Front));
        QCOMPARE(frame_->navigationBar().faceList()->currentRow(), int(Front));
        QCOMPARE(pathText(data_.faceSlots[Front].imagePath), red.toStdString());
        QVERIFY(!dropFile(view, red, {2, 2})); // the sky takes nothing

        // On a face's icon in the face list.
        FaceList* list = frame_->navigationBar().faceList();
        QVERIFY(dropFile(*list, red, list->itemRect(Right).center()));
        QCOMPARE(pathText(data_.faceSlots[Right].imagePath), red.toStdString());

        // A file that is no picture: the usual message, nothing changed.
        test::writeBytes(dir_.file("notes.txt"), {'n', 'o'});
        QVERIFY(dropFile(view, q(dir_.file("notes.txt")), pixelOf(Left)));
        QCOMPARE(messages, QStringList{"Load image file failed!"});
        QVERIFY(frame_->statusBar()->currentMessage().startsWith("Cannot load notes.txt: "));
        QVERIFY(images_[Left].empty());

        // A project, anywhere on the window: it opens after the question about changes.
        ProjectData saved;
        saved.setDimensions(3.0f, 1.0f, 2.0f);
        QVERIFY(saveProject(saved, dir_.file("dropped.ctn")));
        script_.saveChoices = {SaveChoice::Discard};
        QVERIFY(dropFile(view, q(dir_.file("dropped.ctn")), front)); // the view passes it on
        QCOMPARE(view.dropFace(), -1);
        QTRY_COMPARE(frame_->windowTitle(), q(dir_.file("dropped.ctn")));
        QCOMPARE(script_.questionsAsked, QStringList{"save changes"});
        QCOMPARE(data_.boxWidth, 3.0f);
    }

    void recentListPutsTheLatestFirstAndKeepsEight() {
        QStringList list;
        for (int i = 0; i < 10; ++i) {
            list = withRecentProject(list, QString("/p/%1.ctn").arg(i));
        }
        QCOMPARE(list.size(), kMaxRecentProjects);
        QCOMPARE(list.first(), QString("/p/9.ctn"));
        QCOMPARE(list.last(), QString("/p/2.ctn"));
        list = withRecentProject(list, "/p/x/../5.ctn"); // the same file, spelt otherwise
        QCOMPARE(list.first(), QString("/p/5.ctn"));
        QCOMPARE(list.count("/p/5.ctn"), 1);
        QCOMPARE(withoutProject(list, "/p/5.ctn").size(), kMaxRecentProjects - 1);
    }

    void projectsLayoutAndExportsAreRememberedBetweenRuns() {
        QSettings settings(q(dir_.file("settings.ini")), QSettings::IniFormat);
        const auto startFrame = [&] {
            delete frame_;
            frame_ = new MainFrame(project_, script_.prompts(), &settings);
            frame_->show();
            QVERIFY(QTest::qWaitForWindowExposed(frame_));
            QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
        };
        startFrame();
        QVERIFY(!frame_->recentProjects().menu().isEnabled());

        // Saved and opened projects, the latest first.
        const QString first = q(dir_.file("first.ctn"));
        const QString second = q(dir_.file("second.ctn"));
        script_.files = {first, second};
        frame_->dispatch(FileSaveAs);
        frame_->dispatch(FileSaveAs);
        script_.files = {first};
        frame_->dispatch(FileOpen);
        QCOMPARE(frame_->recentProjects().paths(), (QStringList{first, second}));
        const QList<QAction*> entries = frame_->recentProjects().menu().actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(1)->text(), "&2 " + second);

        // A project that has gone is taken off the list when chosen.
        QFile::remove(second);
        entries.at(1)->trigger();
        QCOMPARE(script_.errors.size(), 1);
        QVERIFY(script_.errors.first().contains("no longer there"));
        QCOMPARE(frame_->recentProjects().paths(), QStringList{first});

        // The window's layout and the last picture's size and folder.
        frame_->resize(930, 610);
        frame_->innerSplitter().setProportion(2500);
        QDir(q(dir_.path())).mkdir("shots");
        script_.files = {q(dir_.file("shots/a.png"))};
        script_.exportSize = ExportSize{300, 200, {}, false, true};
        frame_->dispatch(SaveAsImage);
        QVERIFY(script_.errors.size() == 1);
        // And the last turntable's choices and folder.
        QDir(q(dir_.path())).mkdir("spins");
        script_.files = {q(dir_.file("spins/a.webp"))};
        script_.turntable = TurntableChoice{32, 24, 3, 10.5};
        frame_->dispatch(SaveAsTurntable);
        QVERIFY(script_.errors.size() == 1);
        frame_->dispatch(ViewSmoothEdges);
        QVERIFY(frame_->close());

        script_.exportSize.reset();
        startFrame();
        QCOMPARE(frame_->size(), QSize(930, 610));
        QCOMPARE(frame_->innerSplitter().proportion(), 2500);
        QCOMPARE(frame_->recentProjects().paths(), QStringList{first});
        script_.files = {};
        frame_->dispatch(SaveAsImage);
        QCOMPARE(QSize(script_.proposedSize.width, script_.proposedSize.height), QSize(300, 200));
        QCOMPARE(script_.lastFolder, q(dir_.file("shots")));
        // The export's drawing choices and the view's smooth edges.
        QVERIFY(!script_.proposedSize.smoothEdges);
        QVERIFY(script_.proposedSize.transparent);
        script_.turntable.reset();
        frame_->dispatch(SaveAsTurntable);
        QCOMPARE(QSize(script_.proposedTurntable.width, script_.proposedTurntable.height),
                 QSize(32, 24));
        QCOMPARE(script_.proposedTurntable.frames, 3);
        QCOMPARE(script_.proposedTurntable.fps, 10.5);
        QCOMPARE(script_.lastFolder, q(dir_.file("spins")));
        QVERIFY(!frame_->view().smoothEdges());
        QVERIFY(!frame_->action(ViewSmoothEdges)->isChecked());
    }

    void aProjectNamedAtStartOpensAfterNew() {
        ProjectData saved;
        saved.setDimensions(4.0f, 1.0f, 2.0f);
        QVERIFY(saveProject(saved, dir_.file("start.ctn")));
        delete frame_;
        frame_ = new MainFrame(project_, script_.prompts());
        frame_->openAtStart(q(dir_.file("start.ctn")));
        frame_->show();
        QTRY_COMPARE(frame_->windowTitle(), q(dir_.file("start.ctn")));
        QCOMPARE(data_.boxWidth, 4.0f);

        // A bad one: the usual message, and the untitled project stays.
        delete frame_;
        frame_ = new MainFrame(project_, script_.prompts());
        frame_->openAtStart(q(dir_.file("missing.ctn")));
        frame_->show();
        QTRY_COMPARE(script_.errors.size(), 1);
        QCOMPARE(frame_->windowTitle(), QString("Untitled project"));
    }
};

QTEST_MAIN(UndoClipboardMemoryTest)
#include "undo_clipboard_memory_test.moc"
