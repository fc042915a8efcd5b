// The main window facing hostile files and failing saves, as the user meets them: a save that
// fails on a full disk is reported naming the file and loses nothing, not even when it was asked
// for before New; a project that cannot be opened is reported and leaves record, title and
// picture as they were; a project with values no editor makes opens within the invariants and
// draws without OpenGL errors; pictures that cannot be loaded leave the face and floor as they
// were, with the one failure message; a settings file of any length or shape still gives a menu
// within the screen and a window to work in, and its values out of range read as nothing kept.

#include "app/app_settings.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "app/project_files.h"
#include "app/recent_projects.h"
#include "app/recent_projects_menu.h"
#include "app/window_geometry.h"
#include "model/project_file.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"
#include "support/picture_files.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include <GL/gl.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace cartonic;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A write that fails as a full disk does after the first few bytes.
ssize_t diskFullWrite(int fd, const void* buffer, std::size_t n) {
    constexpr std::size_t kRoomLeft = 100;
    if (n > kRoomLeft) {
        return ::write(fd, buffer, kRoomLeft);
    }
    errno = ENOSPC;
    return -1;
}

struct DiskFull {
    DiskFull() { setSaveWriteFunction(diskFullWrite); }
    ~DiskFull() { setSaveWriteFunction(nullptr); }
};

bool same(const ProjectData& a, const ProjectData& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class HostileFrameTest : public QObject {
    Q_OBJECT

    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    MainFrame* frame_ = nullptr;
    std::deque<QString> files_;
    std::deque<SaveChoice> choices_;
    QStringList errors_;
    QStringList messages_;
    int glErrors_ = 0;

    UserPrompts prompts() {
        UserPrompts p;
        p.chooseFile = [this](QWidget*, const FileRequest&) {
            QString f = files_.empty() ? QString() : files_.front();
            if (!files_.empty()) {
                files_.pop_front();
            }
            return f;
        };
        p.askSaveChanges = [this](QWidget*) {
            SaveChoice c = choices_.empty() ? SaveChoice::Cancel : choices_.front();
            if (!choices_.empty()) {
                choices_.pop_front();
            }
            return c;
        };
        p.showError = [this](QWidget*, const QString& m) {
            errors_ << m;
        };
        p.showNotice = [this](QWidget*, const QString& m) {
            messages_ << m;
        };
        p.askExportSize = [](QWidget*, ExportSize s) -> std::optional<ExportSize> {
            return s;
        };
        return p;
    }

    // Lets the idle redraw run; true when the view painted meanwhile.
    bool repainted() {
        const int before = frame_->view().paintCount();
        QTest::qWait(60);
        return frame_->view().paintCount() != before;
    }

private slots:
    void init() {
        project_ = Project();
        files_.clear();
        choices_.clear();
        errors_.clear();
        messages_.clear();
        glErrors_ = 0;
        frame_ = new MainFrame(project_, prompts());
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_));
        QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
        connect(&frame_->view(), &OGLView::painted, this, [this] {
            while (glGetError() != GL_NO_ERROR) {
                ++glErrors_;
            }
        });
        const auto message = [this](QWidget*, const QString& m) {
            messages_ << m;
        };
        frame_->facePanel().showMessage = message;
        frame_->scenePanel().showMessage = message;
    }

    void cleanup() {
        choices_.assign(4, SaveChoice::Discard);
        delete frame_;
        frame_ = nullptr;
    }

    void saveOnAFullDiskIsReportedAndLosesNothing() {
        test::TempDir dir;
        const QString path = q(dir.file("box.ctn"));
        files_ = {path};
        frame_->dispatch(FileSaveAs);
        QVERIFY(errors_.isEmpty());
        const auto saved = test::readBytes(path.toStdString());

        data_.showShadow = 0;
        {
            const DiskFull full;
            frame_->dispatch(FileSave);
            QCOMPARE(errors_.size(), 1);
            QVERIFY2(errors_[0].contains(path), qPrintable(errors_[0]));
            QVERIFY2(errors_[0].contains(std::strerror(ENOSPC)), qPrintable(errors_[0]));
            QVERIFY(frame_->files().isModified());

            // Saving when asked before New fails the same way: New does not go ahead.
            choices_ = {SaveChoice::Save};
            frame_->dispatch(FileNew);
            QCOMPARE(errors_.size(), 2);
            QCOMPARE(data_.showShadow, 0);
            QVERIFY(frame_->files().isModified());
        }
        QCOMPARE(test::readBytes(path.toStdString()), saved);
        QCOMPARE(frame_->files().currentPath(), path);
        QCOMPARE(frame_->windowTitle(), path);
        QCOMPARE(QDir(q(dir.path())).entryList(QDir::Files), QStringList{"box.ctn"});

        frame_->dispatch(FileSave); // room again
        QCOMPARE(errors_.size(), 2);
        QVERIFY(!frame_->files().isModified());
    }

    void projectsThatCannotBeOpenedChangeNothing() {
        test::TempDir dir;
        const QString current = q(dir.file("current.ctn"));
        data_.selectedFace = Back;
        files_ = {current};
        frame_->dispatch(FileSaveAs);
        QTest::qWait(60); // the save's repaint

        std::mt19937 noise(5);
        test::Bytes random(5000);
        for (char& c : random) {
            c = static_cast<char>(noise());
        }
        test::writeBytes(dir.file("random.ctn"), random);
        test::writeBytes(dir.file("picture.ctn"),
                         test::encodePicture(test::noisePicture(8, 8), test::PictureFormat::Png));
        test::writeBytes(dir.file("short.ctn"), {0x33, 0x00});
        ::mkfifo(dir.file("pipe.ctn").c_str(), 0600);
        std::filesystem::create_directory(dir.file("folder.ctn"));

        const ProjectData before = data_;
        int expectedErrors = 0;
        for (const char* name :
             {"random.ctn", "picture.ctn", "short.ctn", "pipe.ctn", "folder.ctn", "gone.ctn"}) {
            files_ = {q(dir.file(name))};
            frame_->dispatch(FileOpen);
            ++expectedErrors;
            QCOMPARE(errors_.size(), expectedErrors);
            QVERIFY2(errors_.back().contains(name), qPrintable(errors_.back()));
            QVERIFY2(same(data_, before), name);
            QCOMPARE(frame_->windowTitle(), current);
            QCOMPARE(frame_->files().currentPath(), current);
            QVERIFY2(!repainted(), name); // the picture on screen stays as it was
        }
    }

    void projectWithOddValuesOpensWithinTheInvariants() {
        test::TempDir dir;
        ProjectData odd;
        odd.setDimensions(3.0f, 2.0f, 4.0f);
        odd.selectedFace = -7;
        odd.boxWidth = std::nanf("");
        odd.boxDepth = -1.0f;
        odd.boxHeight = 1e30f;
        odd.faceSlots[Top].imagePath.fill('p');
        odd.spotExponent = 5000;
        odd.spotCutoff = -30.0f;
        odd.lightAngle = std::numeric_limits<float>::infinity();
        odd.faceSlots[Left].orientation = 99;
        QVERIFY(saveProject(odd, dir.file("odd.ctn")));

        files_ = {q(dir.file("odd.ctn"))};
        frame_->dispatch(FileOpen);
        QVERIFY(errors_.isEmpty());
        QCOMPARE(data_.selectedFace, 0);
        for (float s : {data_.boxWidth, data_.boxDepth, data_.boxHeight}) {
            QVERIFY(std::isfinite(s) && s > 0.0f && s <= kMaxBoxScale);
        }
        QVERIFY(std::memchr(data_.faceSlots[Top].imagePath.data(), 0, kPathSize));
        // The light takes the file's values at the next light drag.
        frame_->dispatch(ModeRotateLight);
        OGLView& view = frame_->view();
        const int paints = view.paintCount();
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseMove(&view, QPoint(90, 70));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(90, 70));
        QTRY_VERIFY(view.paintCount() > paints);
        QCOMPARE(glErrors_, 0);
    }

    void picturesThatCannotBeLoadedLeaveFaceAndFloorAlone() {
        test::TempDir dir;
        const QImage picture = test::noisePicture(16, 12);
        test::writeBytes(dir.file("good.png"),
                         test::encodePicture(picture, test::PictureFormat::Png));
        test::Bytes cut = test::encodePicture(picture, test::PictureFormat::Bmp);
        cut.resize(cut.size() * 9 / 10);
        test::writeBytes(dir.file("cut.bmp"), cut);
        test::writeBytes(dir.file("bomb.gif"),
                         test::fileDeclaring(test::PictureFormat::Gif, 65535, 65535));
        test::writeBytes(dir.file("bomb.png"),
                         test::fileDeclaring(test::PictureFormat::Png, 100000, 100000));
        std::filesystem::create_directory(dir.file("folder.jpg"));
        std::string longName = dir.path();
        while (longName.size() < kPathSize + 20) {
            longName += "/" + std::string(60, 'd');
            std::filesystem::create_directory(longName);
        }
        longName += "/far.png";
        test::writeBytes(longName, test::encodePicture(picture, test::PictureFormat::Png));

        FaceSettingsPanel& face = frame_->facePanel();
        SceneSettingsPanel& scene = frame_->scenePanel();
        QString chosen;
        const auto choose = [&chosen](QWidget*, const QList<ImageFileFilter>&, const QString&) {
            return chosen;
        };
        face.chooseImageFile = choose;
        scene.chooseImageFile = choose;
        const auto browse = [](QWidget& panel, int id) {
            QTest::mouseClick(panel.findChild<QAbstractButton*>(QString::number(id)),
                              Qt::LeftButton);
        };

        frame_->selectFace(Front);
        chosen = q(dir.file("good.png"));
        browse(face, FaceSettingsPanel::kBrowseButton);
        frame_->showSceneSettings();
        browse(scene, SceneSettingsPanel::kBrowseButton);
        QVERIFY(messages_.isEmpty());
        const FaceSlot frontBefore = data_.faceSlots[Front];
        const FaceSlot floorBefore = data_.faceSlots[kFloorSlot];
        const qint64 frontPicture = images_[Front].image.cacheKey();
        const qint64 floorPicture = images_[kFloorSlot].image.cacheKey();
        QVERIFY(!images_[Front].empty() && !images_[kFloorSlot].empty());

        int expected = 0;
        for (const QString& bad :
             {q(dir.file("cut.bmp")), q(dir.file("bomb.gif")), q(dir.file("bomb.png")),
              q(dir.file("folder.jpg")), q(dir.file("gone.tif")), q(longName)}) {
            chosen = bad;
            frame_->selectFace(Front);
            browse(face, FaceSettingsPanel::kBrowseButton);
            frame_->showSceneSettings();
            browse(scene, SceneSettingsPanel::kBrowseButton);
            expected += 2;
            QCOMPARE(messages_.size(), expected);
            QCOMPARE(messages_.back(), QString("Load image file failed!"));
            QVERIFY2(std::memcmp(&data_.faceSlots[Front], &frontBefore, sizeof frontBefore) == 0,
                     qPrintable(bad));
            QVERIFY(std::memcmp(&data_.faceSlots[kFloorSlot], &floorBefore, sizeof floorBefore) ==
                    0);
            QCOMPARE(images_[Front].image.cacheKey(), frontPicture);
            QCOMPARE(images_[kFloorSlot].image.cacheKey(), floorPicture);
        }
    }

    void aSettingsFileOfAnyShapeGivesAWindowToWorkIn() {
        // Ten thousand recent projects, among them empty, repeated and very long paths, and the
        // window's geometry cut short.
        test::TempDir dir;
        QSettings settings(q(dir.file("settings.ini")), QSettings::IniFormat);
        QStringList recent = {"", "/p/0.ctn", "/p/x/../0.ctn", "/p/" + QString(3000, 'n') + ".ctn"};
        for (int i = 1; recent.size() < 10000; ++i) {
            recent << QString("/p/%1.ctn").arg(i);
        }
        settings.setValue("recentProjects", recent);
        settings.setValue("window/geometry", frame_->saveGeometry().left(20));
        const auto startFrame = [&] {
            delete frame_;
            frame_ = new MainFrame(project_, prompts(), &settings);
            frame_->show();
            QVERIFY(QTest::qWaitForWindowExposed(frame_));
        };
        const QSize start(MainFrame::kStartWidth, MainFrame::kStartHeight);

        startFrame();
        const QList<QAction*> entries = frame_->recentProjects().menu().actions();
        QCOMPARE(entries.size(), kMaxRecentProjects);
        QCOMPARE(entries.at(0)->data().toString(), QString("/p/0.ctn"));
        QCOMPARE(entries.at(2)->data().toString(), QString("/p/1.ctn"));
        QVERIFY(frame_->recentProjects().menu().sizeHint().width() <
                frame_->screen()->availableGeometry().width());
        QCOMPARE(frame_->size(), start);
        // What it saves on closing opens it so again.
        QVERIFY(frame_->close());
        startFrame();
        QCOMPARE(frame_->size(), start);
    }

    void settingsOutOfRangeReadAsNothingKept() {
        // What an edited settings file may hold under the keys the window reads.
        test::TempDir dir;
        QSettings stored(q(dir.file("settings.ini")), QSettings::IniFormat);
        const AppSettings settings(&stored);
        const struct {
            const char* key;
            QVariant value;
        } cases[] = {
            {"formats/size", QSize(0, 200)},
            {"formats/size", QSize(2048, 10)},
            {"formats/size", "large"},
            {"turntable/size", QSize(10, -1)},
            {"turntable/frames", 0},
            {"turntable/frames", 3601},
            {"turntable/frames", "many"},
            {"turntable/fps", 0.0},
            {"turntable/fps", 120.5},
            {"turntable/fps", "nan"},
            {"window/navigationProportion", 0},
            {"window/navigationProportion", 10000},
        };
        for (const auto& c : cases) {
            stored.clear();
            stored.setValue(c.key, c.value);
            QVERIFY2(!settings.pictureSize() && !settings.turntableSize() &&
                         !settings.turntableFrames() && !settings.turntableFps() &&
                         !settings.navigationProportion(),
                     qPrintable(QString("%1=%2").arg(c.key, c.value.toString())));
        }
        // Without a QSettings nothing is kept and a first run's choices are read.
        AppSettings none;
        none.setRecentProjects({"/p/a.ctn"});
        none.setViewSmoothEdges(false);
        none.setPictureTransparent(true);
        QVERIFY(none.recentProjects().isEmpty());
        QVERIFY(none.viewSmoothEdges() && none.pictureSmoothEdges() && !none.pictureTransparent());
    }

    void aWindowIsRestoredOnlyToAUsableGeometry() {
        const QSize start(MainFrame::kStartWidth, MainFrame::kStartHeight);
        const QList<QRect> screens = {{0, 0, 1600, 1200}, {1600, 0, 800, 500}};
        const struct {
            const char* name;
            QRect window;
            bool usable;
        } cases[] = {
            {"as it starts", {40, 40, 1100, 760}, true},
            {"half as large", {40, 40, 550, 380}, true},
            {"less wide", {40, 40, 549, 760}, false},
            {"less high", {40, 40, 1100, 379}, false},
            {"menu and status bar", {0, 20, 204, 75}, false},
            {"off every screen", {-2000, 40, 1100, 760}, false},
            {"half a smaller screen", {1700, 100, 400, 250}, true},
            {"less of it", {1700, 100, 400, 249}, false},
        };
        for (const auto& c : cases) {
            QVERIFY2(isUsableGeometry(c.window, start, screens) == c.usable, c.name);
        }
    }

    void newAndOpenCyclesDoNotPileUpTextures() {
        // Each New and each Open drops the faces' texture names; the textures behind them must
        // go too, or a long session keeps every picture it ever showed in texture memory.
        test::TempDir dir;
        test::writeBytes(dir.file("face.png"),
                         test::encodePicture(test::noisePicture(64, 64), test::PictureFormat::Png));
        ProjectData withPictures;
        withPictures.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        for (int k = 0; k < kFaceCount; ++k) {
            setPath(withPictures.faceSlots[k].imagePath, "face.png");
        }
        setPath(withPictures.floorImagePath, "face.png");
        QVERIFY(saveProject(withPictures, dir.file("pictures.ctn")));

        const auto liveTextures = [this] {
            int alive = 0;
            // As a frame would find them: the pictures of the project shown have textures.
            frame_->view().withContext([&](const SceneTextures&) {
                for (GLuint name = 1; name < 2000; ++name) {
                    alive += glIsTexture(name) == GL_TRUE;
                }
            });
            return alive;
        };
        const auto openPictures = [&] {
            files_ = {q(dir.file("pictures.ctn"))};
            choices_ = {SaveChoice::Discard};
            frame_->dispatch(FileOpen);
        };
        openPictures();
        const int afterFirstOpen = liveTextures();
        for (int cycle = 0; cycle < 10; ++cycle) {
            choices_ = {SaveChoice::Discard};
            frame_->dispatch(FileNew);
            openPictures();
            // Pictures that have gone missing since: their slots are cleared on Open.
            std::filesystem::rename(dir.file("face.png"), dir.file("face.png.away"));
            openPictures();
            std::filesystem::rename(dir.file("face.png.away"), dir.file("face.png"));
        }
        openPictures();
        QVERIFY(errors_.isEmpty());
        QCOMPARE(liveTextures(), afterFirstOpen);
    }
};

QTEST_MAIN(HostileFrameTest)
#include "hostile_frame_test.moc"
