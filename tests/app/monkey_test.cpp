// A few thousand seeded random user actions on the whole main window: clicks anywhere, drags in
// the view in every mouse mode, wheel turns, key presses, commands by number, window resizes.
// Every dialog is answered at random from files prepared beforehand, good and hostile alike
// (pictures cut short or declaring absurd sizes, random or damaged projects, folders, pipes,
// paths that cannot be written). After every action the record keeps its invariants; after
// every paint OpenGL reports no error; memory does not keep growing.
//
// CARTONIC_MONKEY_SEED and CARTONIC_MONKEY_ACTIONS override the seed and the number of actions;
// CARTONIC_MONKEY_TRACE prints every action as it is taken (with -maxwarnings 0 for all of them).

#include "app/command_ids.h"
#include "app/face_list.h"
#include "app/main_frame.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "model/project_file.h"
#include "panels/color_button.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"
#include "render/textures.h"
#include "support/forked.h"
#include "support/picture_files.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <GL/gl.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace cartonic;

namespace {

QString fromBytes(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Files the dialogs answer with, by kind of question.
struct Answers {
    QStringList pictures;
    QStringList projects;
    QStringList saveTargets;
    QStringList exportTargets;
};

Answers prepareFiles(const test::TempDir& dir) {
    using test::PictureFormat;
    Answers a;
    const auto file = [&dir](const std::string& name, const test::Bytes& bytes) {
        test::writeBytes(dir.file(name), bytes);
        return fromBytes(dir.file(name));
    };
    const QImage picture = test::noisePicture(40, 30);
    for (PictureFormat f : test::kPictureFormats) {
        a.pictures << file(std::string("good.") + test::formatName(f),
                           test::encodePicture(picture, f));
    }
    test::Bytes cut = test::encodePicture(picture, PictureFormat::Jpeg);
    cut.resize(cut.size() / 2);
    a.pictures << file("cut.jpg", cut)
               << file("bomb.bmp", test::fileDeclaring(PictureFormat::Bmp, 40000, 40000))
               << file("bomb.png", test::fileDeclaring(PictureFormat::Png, 100000, 100000))
               << file("empty.gif", test::fileDeclaring(PictureFormat::Gif, 0, 7))
               << file("notes.jpg", {'h', 'i', '\n'}) << file("nothing.png", {})
               << file("bild\xe4\xff.png", test::encodePicture(picture, PictureFormat::Png));
    std::filesystem::create_directory(dir.file("folder.png"));
    ::mkfifo(dir.file("pipe.png").c_str(), 0600);
    a.pictures << fromBytes(dir.file("folder.png")) << fromBytes(dir.file("pipe.png"))
               << fromBytes(dir.file("gone.png"))
               << fromBytes(dir.file(std::string(250, 'l') + ".png")) << QString();

    ProjectData good;
    good.setDimensions(3.0f, 2.0f, 4.0f);
    setPath(good.faceSlots[Front].imagePath, "good.png");
    setPath(good.faceSlots[Back].imagePath, "cut.jpg");
    setPath(good.faceSlots[Top].imagePath, "bomb.png");
    setPath(good.floorImagePath, "good.gif");
    static_cast<void>(saveProject(good, dir.file("good.ctn")));
    // Values no editor makes but a file can carry.
    ProjectData odd = good;
    odd.selectedFace = 99;
    odd.boxWidth = std::nanf("");
    odd.boxHeight = 1e30f;
    odd.faceSlots[Left].imagePath.fill('p');
    odd.faceSlots[Right].orientation = 77;
    odd.spotExponent = 1000;
    odd.spotCutoff = 200.0f;
    odd.floorHalfWidth = -5.0f;
    odd.lightAngle = std::numeric_limits<float>::infinity();
    odd.lightAmbient = {std::nanf(""), -1.0f, 9.0f, 1.0f};
    static_cast<void>(saveProject(odd, dir.file("odd.ctn")));
    std::mt19937 noise(99);
    test::Bytes random(6000);
    for (char& c : random) {
        c = static_cast<char>(noise());
    }
    test::Bytes withMagic = random;
    std::copy_n("\x33\x00\xee\xff", 4, withMagic.begin());
    test::Bytes cutProject = test::readBytes(dir.file("good.ctn"));
    cutProject.resize(700);
    a.projects << fromBytes(dir.file("good.ctn")) << fromBytes(dir.file("odd.ctn"))
               << file("random.ctn", random) << file("magic-noise.ctn", withMagic)
               << file("cut.ctn", cutProject) << a.pictures[0] << fromBytes(dir.path())
               << fromBytes(dir.file("pipe.png")) << fromBytes(dir.file("gone.ctn"))
               << fromBytes(dir.file("saved-0.ctn")) << QString();

    std::filesystem::create_directory(dir.file("locked"));
    ::chmod(dir.file("locked").c_str(), 0555);
    a.saveTargets << fromBytes(dir.file("saved-0.ctn")) << fromBytes(dir.file("saved-1.ctn"))
                  << fromBytes(dir.file("no/such/folder/x.ctn"))
                  << fromBytes(dir.file("locked/x.ctn")) << fromBytes(dir.file("projekt\xe4.ctn"))
                  << QString();
    a.exportTargets << fromBytes(dir.file("shot.jpg")) << fromBytes(dir.file("no/such/shot.jpg"))
                    << QString();
    return a;
}

} // namespace

class MonkeyTest : public QObject {
    Q_OBJECT

    std::mt19937 random_;
    Answers answers_;
    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    MainFrame* frame_ = nullptr;
    int errorsShown_ = 0;
    int messagesShown_ = 0;
    std::deque<QString> recent_; // the last actions, for reproducing a failure
    QStringList glErrors_;
    int nested_ = 0; // actions under way: > 0 while a popup or dialog runs its own loop
    bool answerPending_ = false;

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const QList<T>& list) {
        return list[below(static_cast<int>(list.size()))];
    }

    void note(const QString& action) {
        if (qEnvironmentVariableIsSet("CARTONIC_MONKEY_TRACE")) {
            qInfo("%s", qPrintable(action));
        }
        recent_.push_back(action);
        if (recent_.size() > 25) {
            recent_.pop_front();
        }
    }

    UserPrompts prompts() {
        UserPrompts p;
        p.chooseFile = [this](QWidget*, const FileRequest& request) {
            if (!request.save) {
                return pick(answers_.projects);
            }
            return request.filter == kProjectFilter ? pick(answers_.saveTargets)
                                                    : pick(answers_.exportTargets);
        };
        p.askSaveChanges = [this](QWidget*) {
            return std::array{SaveChoice::Save, SaveChoice::Discard, SaveChoice::Cancel}[below(3)];
        };
        p.showError = [this](QWidget*, const QString&) {
            ++errorsShown_;
        };
        p.showNotice = [this](QWidget*, const QString&) {
            ++messagesShown_;
        };
        p.askExportSize = [this](QWidget*, ExportSize) -> std::optional<ExportSize> {
            if (chance(20)) {
                return std::nullopt;
            }
            return ExportSize{1 + below(320), 1 + below(240), {}};
        };
        return p;
    }

    void answerPanelDialogs() {
        const auto chooser = [this](QWidget*, const QList<ImageFileFilter>&, const QString&) {
            return pick(answers_.pictures);
        };
        const auto message = [this](QWidget*, const QString&) {
            ++messagesShown_;
        };
        frame_->facePanel().chooseImageFile = chooser;
        frame_->facePanel().showMessage = message;
        frame_->scenePanel().chooseImageFile = chooser;
        frame_->scenePanel().showMessage = message;
        for (ColorButton* button : frame_->findChildren<ColorButton*>()) {
            button->setColorChooser([this](QWidget*, Color) -> std::optional<Color> {
                if (chance(30)) {
                    return std::nullopt;
                }
                return static_cast<Color>(random_() & 0xffffffu);
            });
        }
        // Leaving the program or starting a web browser ends nothing a test can go on with.
        frame_->action(HomePage)->setEnabled(false);
        frame_->action(AppExit)->setEnabled(false);
    }

    QPoint somewhere(const QWidget& w) {
        return {below(std::max(1, w.width())), below(std::max(1, w.height()))};
    }

    void send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
              Qt::MouseButtons held) {
        QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    void dragInView() {
        static const QList<int> modes = {ModeRotateCamera, ModeAdjustWidth, ModeAdjustDepth,
                                         ModeAdjustHeight, ModeRotateLight};
        if (chance(40)) {
            frame_->dispatch(pick(modes));
        }
        OGLView& view = frame_->view();
        const Qt::MouseButton button = chance(75) ? Qt::LeftButton : Qt::RightButton;
        QPoint at = somewhere(view);
        note(QString("drag mode %1 button %2 from %3,%4")
                 .arg(int(view.mouseMode()))
                 .arg(int(button))
                 .arg(at.x())
                 .arg(at.y()));
        send(&view, QEvent::MouseButtonPress, at, button, button);
        for (int moves = 1 + below(8); moves > 0; --moves) {
            // Mostly small steps, now and then a leap far outside the view.
            at += chance(90) ? QPoint(below(61) - 30, below(61) - 30)
                             : QPoint(below(8001) - 4000, below(8001) - 4000);
            send(&view, QEvent::MouseMove, at, Qt::NoButton, button);
            if (chance(30)) {
                QApplication::processEvents();
            }
        }
        if (chance(5)) {
            send(&view, QEvent::MouseButtonDblClick, at, button, button);
        }
        send(&view, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }

    void clickSomewhere() {
        QList<QWidget*> widgets;
        for (QWidget* w : frame_->findChildren<QWidget*>()) {
            if (w->isVisible() && w->width() > 0 && w->height() > 0) {
                widgets << w;
            }
        }
        QWidget* target = pick(widgets);
        const QPoint at = somewhere(*target);
        const Qt::MouseButton button = chance(85) ? Qt::LeftButton : Qt::RightButton;
        note(QString("click %1 %2 at %3,%4")
                 .arg(target->metaObject()->className(), target->objectName())
                 .arg(at.x())
                 .arg(at.y()));
        if (chance(10)) {
            QTest::mouseDClick(target, button, {}, at);
        } else {
            QTest::mouseClick(target, button, {}, at);
        }
    }

    void pressKey(QWidget* target) {
        static const QList<int> keys = {
            Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,        Qt::Key_Down,   Qt::Key_Tab,
            Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space,     Qt::Key_PageUp, Qt::Key_PageDown,
            Qt::Key_Home,   Qt::Key_End,    Qt::Key_Backtab,   Qt::Key_A,      Qt::Key_7,
            Qt::Key_F1,     Qt::Key_F10,    Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Plus};
        const int key = pick(keys);
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        if (chance(10)) {
            modifiers = Qt::ControlModifier;
        } else if (chance(10)) {
            modifiers = Qt::ShiftModifier;
        }
        note(QString("key %1 mod %2 to %3")
                 .arg(key)
                 .arg(int(modifiers))
                 .arg(target ? target->metaObject()->className() : "nothing"));
        if (target) {
            QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        }
    }

    void command() {
        static const QList<int> commands = {
            SelectTop,       SelectBottom,      SelectFront,     SelectBack,       SelectRight,
            SelectLeft,      ShowSceneSettings, ChangeSettings,  ModeRotateCamera, ModeAdjustWidth,
            ModeAdjustDepth, ModeAdjustHeight,  ModeRotateLight, FileNew,          FileOpen,
            FileSave,        FileSaveAs,        SaveAsImage,     AppAbout,         ViewToolbar,
            ViewStatusBar,   EditCopy,          FilePrint,       NextPane,         12345};
        const int c = pick(commands);
        note(QString("command %1").arg(c));
        // The face list and the scene panel's command are the frame's slots, not actions.
        if (c >= SelectTop && c < SelectTop + kFaceCommandCount) {
            frame_->selectFace(c - SelectTop);
        } else if (c == ShowSceneSettings) {
            frame_->showSceneSettings();
        } else {
            frame_->dispatch(c);
        }
    }

    void wheel() {
        QWidget* target = chance(50)
                              ? static_cast<QWidget*>(&frame_->view())
                              : QApplication::widgetAt(frame_->mapToGlobal(somewhere(*frame_)));
        if (!target) {
            return;
        }
        const QPoint at = somewhere(*target);
        note(QString("wheel on %1").arg(target->metaObject()->className()));
        QWheelEvent event(at, target->mapToGlobal(at), {}, {0, (below(7) - 3) * 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

    // The "..." button of whichever panel shows: a picture for the selected face or the floor.
    void browseForPicture() {
        QWidget* panels[] = {&frame_->facePanel(), &frame_->scenePanel()};
        const QString ids[] = {QString::number(FaceSettingsPanel::kBrowseButton),
                               QString::number(SceneSettingsPanel::kBrowseButton)};
        for (int i = 0; i < 2; ++i) {
            auto* button = panels[i]->findChild<QAbstractButton*>(ids[i]);
            if (panels[i]->isVisible() && button && button->isEnabled()) {
                note(QString("browse in panel %1").arg(i));
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }

    // Inside a popup's or dialog's own loop: act on it, most often by leaving it.
    void actOnOpenWindow() {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            if (chance(50)) {
                note("click in popup");
                QTest::mouseClick(popup, Qt::LeftButton, {}, somewhere(*popup));
            } else {
                pressKey(popup);
            }
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            note(QString("close %1").arg(modal->metaObject()->className()));
            if (chance(50)) {
                QTest::keyClick(modal, Qt::Key_Escape);
            }
            if (modal->isVisible()) {
                modal->close();
            }
        }
    }

    void act() {
        const int roll = below(100);
        if (roll < 30) {
            dragInView();
        } else if (roll < 55) {
            clickSomewhere();
        } else if (roll < 70) {
            command();
        } else if (roll < 82) {
            pressKey(QApplication::focusWidget() ? QApplication::focusWidget() : frame_);
        } else if (roll < 88) {
            FaceList* list = frame_->navigationBar().faceList();
            const int item = below(list->count());
            note(QString("face list item %1").arg(item));
            QTest::mouseClick(list, Qt::LeftButton, {}, list->itemRect(item).center());
        } else if (roll < 91) {
            browseForPicture();
        } else if (roll < 94) {
            wheel();
        } else if (roll < 97) {
            const QSize size(300 + below(1000), 250 + below(700));
            note(QString("resize %1 x %2").arg(size.width()).arg(size.height()));
            frame_->resize(size);
        } else {
            note("let the events run");
            QTest::qWait(below(20));
        }
    }

    // What every action must leave true of the record and the pictures.
    bool recordIsSound(QString& why) const {
        if (data_.selectedFace < 0 || data_.selectedFace >= kFaceCount) {
            why = "selectedFace out of range";
        }
        for (float s : {data_.boxWidth, data_.boxDepth, data_.boxHeight}) {
            if (!(std::isfinite(s) && s > 0.0f && s <= kMaxBoxScale)) {
                why = QString("box scale %1").arg(s);
            }
        }
        for (int k = 0; k < kSlotCount; ++k) {
            const FaceSlot& slot = data_.faceSlots[k];
            if (!std::memchr(slot.imagePath.data(), 0, kPathSize)) {
                why = QString("slot %1 path unterminated").arg(k);
            }
            const QImage& picture = images_[k].image;
            const TextureSize kept =
                textureUploadSize(std::max(1, slot.imageWidth), std::max(1, slot.imageHeight));
            if (!picture.isNull() &&
                (picture.width() != kept.width || picture.height() != kept.height ||
                 picture.format() != QImage::Format_RGBX8888)) {
                why = QString("slot %1 picture and size disagree").arg(k);
            }
        }
        if (!std::memchr(data_.floorImagePath.data(), 0, kPathSize)) {
            why = "floor path unterminated";
        }
        if (!frame_->isVisible()) {
            why = "the window went away";
        }
        return why.isEmpty();
    }

    QString recentActions() const {
        QStringList lines;
        for (const QString& a : recent_) {
            lines << "  " + a;
        }
        return lines.join('\n');
    }

private slots:
    void randomActionsKeepEverythingSound() {
        const unsigned seed = qEnvironmentVariableIsSet("CARTONIC_MONKEY_SEED")
                                  ? qEnvironmentVariableIntValue("CARTONIC_MONKEY_SEED")
                                  : 20240611u;
        const int actions = qEnvironmentVariableIsSet("CARTONIC_MONKEY_ACTIONS")
                                ? qEnvironmentVariableIntValue("CARTONIC_MONKEY_ACTIONS")
                                : 3000;
        random_.seed(seed);
        test::TempDir dir;
        answers_ = prepareFiles(dir);

        frame_ = new MainFrame(project_, prompts());
        frame_->resize(800, 560);
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_));
        QTRY_COMPARE(frame_->windowTitle(), QString("Untitled project"));
        answerPanelDialogs();
        // Read in the paint itself, where the view's context is current.
        connect(&frame_->view(), &OGLView::painted, this, [this] {
            for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
                glErrors_ << QString("GL error 0x%1 after: %2")
                                 .arg(e, 0, 16)
                                 .arg(recent_.empty() ? QString("start") : recent_.back());
            }
        });

        int done = 0;
        QString broken;
        long rssAtWarmUp = 0;
        const int warmUp = actions / 4;
        QTimer driver;
        driver.setInterval(0);
        QEventLoop finished;
        // A timer is never fired again while its own handler runs, so popups and dialogs, which
        // run their loops inside an action, are answered by a second one.
        QTimer answerer;
        answerer.setInterval(5);
        connect(&answerer, &QTimer::timeout, this, [this] {
            if (nested_ > 0 && !answerPending_) {
                // Later, from a timer of its own: the answer may open a loop in turn, which the
                // next answer then deals with.
                answerPending_ = true;
                QTimer::singleShot(0, this, [this] {
                    answerPending_ = false;
                    actOnOpenWindow();
                });
            }
        });
        answerer.start();
        connect(&driver, &QTimer::timeout, this, [&] {
            ++nested_;
            act();
            --nested_;
            ++done;
            if (done == warmUp) {
                rssAtWarmUp = test::currentRssKb();
            }
            if (!recordIsSound(broken) || !glErrors_.isEmpty() || done >= actions) {
                driver.stop();
                finished.quit();
            }
        });
        QElapsedTimer clock;
        clock.start();
        driver.start();
        finished.exec();
        QTest::qWait(50); // the last repaint
        const long rssAtEnd = test::currentRssKb();
        const int paints = frame_->view().paintCount();
        qInfo("monkey: seed %u, %d actions in %lld ms, %d paints, %d errors and %d messages "
              "shown, resident memory %ld -> %ld KiB",
              seed, done, static_cast<long long>(clock.elapsed()), paints, errorsShown_,
              messagesShown_, rssAtWarmUp, rssAtEnd);

        QVERIFY2(broken.isEmpty(), qPrintable(broken + "\nlast actions:\n" + recentActions()));
        QVERIFY2(glErrors_.isEmpty(),
                 qPrintable(glErrors_.join('\n') + "\nlast actions:\n" + recentActions()));
        QCOMPARE(done, actions);
        QVERIFY(paints > actions / 10);
        // Pictures, textures and caches are all in place after the warm-up; what keeps growing
        // after it is a leak.
        QVERIFY2(rssAtEnd - rssAtWarmUp < 64 * 1024,
                 qPrintable(QString("grew %1 KiB").arg(rssAtEnd - rssAtWarmUp)));

        answers_ = {};
        ::chmod(dir.file("locked").c_str(), 0755);
        delete frame_;
        frame_ = nullptr;
    }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
