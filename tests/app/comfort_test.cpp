// What makes the window comfortable to work in, beyond its commands: undo and redo of every kind
// of edit.

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "frame_test_support.h"
#include "model/project_snapshot.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QAction>
#include <QSlider>
#include <QStatusBar>
#include <QTest>

#include <functional>

using namespace cartonic;
using test::q;

namespace {

// What an undo must bring back: the record as saved, each slot's picture and the field of view.
struct Seen {
    ProjectSnapshot record;
    std::array<qint64, kSlotCount> pictures{};
    float fov = 0.0f;
    bool floorTextured = false;

    bool operator==(const Seen&) const = default;
};

} // namespace

class ComfortTest : public QObject {
    Q_OBJECT

    ProjectData data_;
    SlotImages images_;
    test::ScriptedPrompts script_;
    MainFrame* frame_ = nullptr;
    test::TempDir dir_;

    Seen seen() const {
        Seen s{snapshotOf(data_), {}, frame_->view().camera().fov, data_.floorTextureId != 0};
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

private slots:
    void init() {
        data_ = ProjectData();
        images_ = SlotImages();
        script_ = test::ScriptedPrompts();
        frame_ = new MainFrame(data_, images_, script_.prompts());
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
                 frame_->dispatch(SelectFront);
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
                 for (const auto& listener : face.colorListeners) {
                     listener();
                 }
             }},
            {"Light Specular Color",
             [&] {
                 newGesture();
                 data_.lightSpecular = {1.0f, 0.0f, 0.0f, 1.0f};
                 frame_->view().requestRedraw();
             }},
            {"Floor Picture",
             [&] {
                 frame_->dispatch(ShowSceneSettings);
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
        QVERIFY(frame_->isModified());
        while (undo->isEnabled()) {
            frame_->dispatch(EditUndo);
        }
        QVERIFY(seen() == start);
        QVERIFY(!frame_->isModified());
        QVERIFY(images_[Front].empty());
        QCOMPARE(data_.faceSlots[Front].textureId, 0u);
        QCOMPARE(control<QSlider>(scene, 1033)->value(), static_cast<int>(start.fov));

        // New starts a history of its own.
        frame_->dispatch(EditRedo);
        script_.saveChoices = {SaveChoice::Discard};
        frame_->dispatch(FileNew);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
    }
};

QTEST_MAIN(ComfortTest)
#include "comfort_test.moc"
