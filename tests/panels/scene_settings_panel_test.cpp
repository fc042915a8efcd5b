#include "panels/scene_settings_panel.h"

#include "image/kept_pictures.h"
#include "panels/color_button.h"
#include "panels/color_channels.h"
#include "panels/texture_preview.h"
#include "support/temp_dir.h"

#include "panel_test_support.h"
#include "stand_in_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>

#include <fstream>
#include <memory>

namespace cartonic {

using test::control;
using test::sameBytes;
using test::StandInView;

class SceneSettingsPanelTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Project> project_;
    ProjectData* data_ = nullptr;
    SlotImages* images_ = nullptr;
    std::unique_ptr<StandInView> view_;
    std::unique_ptr<SceneSettingsPanel> panel_;
    QList<ImageFileFilter> filtersAsked_;
    QString initialPathAsked_;
    QString fileToChoose_;
    QStringList messages_;

    void makePanel() {
        panel_ = std::make_unique<SceneSettingsPanel>(*project_, *view_);
        panel_->chooseImageFile = [this](QWidget*, const QList<ImageFileFilter>& filters,
                                         const QString& initial) {
            filtersAsked_ = filters;
            initialPathAsked_ = initial;
            return fileToChoose_;
        };
        panel_->showMessage = [this](QWidget*, const QString& text) {
            messages_ << text;
        };
        panel_->show();
    }

    void changeColor(int id, Color color) {
        emit control<ColorButton>(*panel_, id)->colorChanged(color);
    }

    bool enabled(int id) { return control<QWidget>(*panel_, id)->isEnabled(); }

private slots:
    void init() {
        project_ = std::make_unique<Project>();
        data_ = &project_->record;
        images_ = &project_->pictures;
        view_ = std::make_unique<StandInView>(*data_);
        filtersAsked_.clear();
        initialPathAsked_.clear();
        fileToChoose_.clear();
        messages_.clear();
        makePanel();
    }
    void cleanup() { panel_.reset(); }

    void layoutHasEveryControlAndText() {
        QCOMPARE(panel_->objectName(), QStringLiteral("SceneSettingsPanel"));
        QCOMPARE(panel_->windowTitle(), QStringLiteral("Setings"));
        QStringList groups;
        for (QGroupBox* box : panel_->findChildren<QGroupBox*>()) {
            groups << box->title();
        }
        QCOMPARE(groups,
                 (QStringList{"Light Color", "Background color", "Floor texture", "Camera setting",
                              "Effection setting", "Product", "Softness"}));
        QStringList labels;
        for (QLabel* label : panel_->findChildren<QLabel*>()) {
            labels << label->text();
        }
        QCOMPARE(labels, (QStringList{"Ambient color", "Diffuse color", "Specular color", ">>",
                                      "Fov ang: 45", "Shadow softness", "Reflection fade"}));
        const std::pair<int, const char*> boxes[] = {{1006, "Using gradient color backgroud"},
                                                     {1008, "Enable floor texture"},
                                                     {1035, "Show floor"},
                                                     {1038, "Show reflection"},
                                                     {1039, "Show shadow"},
                                                     {1023, "Enable lighting"}};
        for (const auto& [id, text] : boxes) {
            QCheckBox* box = control<QCheckBox>(*panel_, id);
            QVERIFY2(box, text);
            QCOMPARE(box->text(), QString::fromLatin1(text));
        }
        QVERIFY(control<QCheckBox>(*panel_, 1023)->isHidden());
        QCOMPARE(control<QPushButton>(*panel_, 1037)->text(), QStringLiteral("..."));
        QVERIFY(control<QLineEdit>(*panel_, 1036)->isReadOnly());
        QVERIFY(control<TexturePreview>(*panel_, 1022));
        QSlider* slider = control<QSlider>(*panel_, 1033);
        QCOMPARE(slider->minimum(), 20);
        QCOMPARE(slider->maximum(), 75);
        QCOMPARE(slider->value(), 45);
        QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
        QVERIFY(slider->hasTracking());
        // The light buttons offer no "Automatic" row; the background ones do.
        for (int id : {1002, 1003, 1004}) {
            QVERIFY(control<ColorButton>(*panel_, id)->defaultText().isEmpty());
        }
        for (int id : {1007, 1028, 1029}) {
            QCOMPARE(control<ColorButton>(*panel_, id)->defaultText(), QStringLiteral("Automatic"));
        }

        const QRect area(QPoint(0, 0), panel_->sizeHint());
        for (QWidget* child : panel_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden()) {
                continue;
            }
            QVERIFY2(area.contains(child->geometry()), qPrintable(child->objectName()));
            QVERIFY2(test::textFits(*child), qPrintable(child->property("text").toString()));
        }
    }

    void lightColoursAreWrittenThenApplied() {
        data_->lightDiffuse = {0.5f, 0.5f, 0.5f, 0.25f};
        ProjectData expected = *data_;
        writeChannels(expected.lightDiffuse, 0x00C08040u);
        changeColor(1003, 0x00C08040u);
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(data_->lightDiffuse[3], 0.25f);
        QCOMPARE(view_->lightAtApply.size(), std::size_t{1});
        QCOMPARE(view_->lightAtApply[0][1], expected.lightDiffuse);
        QCOMPARE(view_->redraws, 1);

        changeColor(1002, 0x00010203u);
        changeColor(1004, 0x00FFFFFFu);
        writeChannels(expected.lightAmbient, 0x00010203u);
        writeChannels(expected.lightSpecular, 0x00FFFFFFu);
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(view_->lightAtApply.size(), std::size_t{3});
        QCOMPARE(view_->lightAtApply[2][2], expected.lightSpecular);

        // Only colorChanged counts.
        emit control<ColorButton>(*panel_, 1003)->pickAccepted(0x00ABCDEFu);
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(view_->lightAtApply.size(), std::size_t{3});
        QCOMPARE(view_->redraws, 3);
    }

    void backgroundColoursAreWrittenWithoutTouchingTheLight() {
        data_->backgroundColor[3] = 0.5f;
        ProjectData expected = *data_;
        changeColor(1007, 0x00102030u);
        changeColor(1028, 0x00405060u);
        changeColor(1029, 0x00708090u);
        writeChannels(expected.backgroundColor, 0x00102030u);
        writeChannels(expected.gradientTopColor, 0x00405060u);
        writeChannels(expected.gradientBottomColor, 0x00708090u);
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(view_->redraws, 3);
        QVERIFY(view_->lightAtApply.empty());

        // "Automatic" arrives as a valid colour and makes that colour black.
        changeColor(1028, kAutomaticColor);
        QCOMPARE(data_->gradientTopColor, (Rgba{0.0f, 0.0f, 0.0f, expected.gradientTopColor[3]}));
        panel_->refreshFromProject();
        QCOMPARE(control<ColorButton>(*panel_, 1028)->currentColor(), Color{0});
    }

    void gradientSwitchEnablesItsButtonsAndKeepsSolidTheInverse() {
        data_->gradientBackground = 0;
        data_->solidBackground = 1;
        panel_->refreshFromProject();
        QVERIFY(enabled(1007));
        QVERIFY(!enabled(1028));
        QVERIFY(!enabled(1029));

        QCheckBox* box = control<QCheckBox>(*panel_, 1006);
        ProjectData expected = *data_;
        test::clickIndicator(box);
        expected.gradientBackground = 1;
        expected.solidBackground = 0;
        QVERIFY(sameBytes(*data_, expected));
        QVERIFY(!enabled(1007));
        QVERIFY(enabled(1028));
        QVERIFY(enabled(1029));

        test::clickIndicator(box);
        expected.gradientBackground = 0;
        expected.solidBackground = 1;
        QVERIFY(sameBytes(*data_, expected));
        QVERIFY(enabled(1007));
        QVERIFY(!enabled(1028));
        QCOMPARE(view_->redraws, 2);

        // A file may hold any non-zero value for "on", and a solid flag that disagrees.
        data_->gradientBackground = 7;
        data_->solidBackground = 1;
        panel_->refreshFromProject();
        QVERIFY(box->isChecked());
        QVERIFY(!enabled(1007));
        QVERIFY(enabled(1029));
        test::clickIndicator(box);
        QCOMPARE(data_->gradientBackground, 0);
        QCOMPARE(data_->solidBackground, 1);
    }

    void switchesStoreTheirState() {
        data_->floorTextureEnabled = 0;
        data_->showFloor = 1;
        data_->showReflection = 1;
        data_->showShadow = 0;
        panel_->refreshFromProject();
        ProjectData expected = *data_;

        test::clickIndicator(control<QCheckBox>(*panel_, 1008));
        expected.floorTextureEnabled = 1;
        QVERIFY(sameBytes(*data_, expected));

        // One click stores all three effect boxes, not just the one clicked.
        data_->showReflection = 0;
        test::clickIndicator(control<QCheckBox>(*panel_, 1039));
        expected.showShadow = 1;
        QVERIFY(sameBytes(*data_, expected));
        test::clickIndicator(control<QCheckBox>(*panel_, 1035));
        expected.showFloor = 0;
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(view_->redraws, 3);
    }

    void sliderDragFollowsContinuously() {
        QSlider* slider = control<QSlider>(*panel_, 1033);
        QLabel* label = control<QLabel>(*panel_, 1034);
        const ProjectData before = *data_;

        // A drag: the label and the camera follow every position, before the thumb is let go.
        slider->setSliderDown(true);
        for (int position : {46, 50, 63, 75}) {
            slider->setSliderPosition(position);
            QCOMPARE(label->text(), QStringLiteral("Fov ang: %1").arg(position));
            QCOMPARE(view_->camera().fov, static_cast<float>(position));
        }
        slider->setSliderDown(false);
        QCOMPARE(view_->redraws, 4);

        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(label->text(), QStringLiteral("Fov ang: 75"));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(label->text(), QStringLiteral("Fov ang: 20"));
        QCOMPARE(view_->camera().fov, 20.0f);
        QTest::keyClick(slider, Qt::Key_Left);
        QCOMPARE(slider->value(), 20);
        QCOMPARE(label->text(), QStringLiteral("Fov ang: 20"));

        // The field of view is not part of the record, and a refresh leaves it alone.
        QVERIFY(sameBytes(*data_, before));
        view_->camera().fov = 33.0f;
        panel_->refreshFromProject();
        QCOMPARE(label->text(), QStringLiteral("Fov ang: 20"));
        QCOMPARE(slider->value(), 20);
    }

    void lookSlidersWriteTheLookAndHandItToTheView() {
        SceneLook& look_ = project_->look();
        const std::pair<int, float SceneLook::*> sliders[] = {
            {SceneSettingsPanel::kShadowSoftnessSlider, &SceneLook::shadowSoftness},
            {SceneSettingsPanel::kReflectionFadeSlider, &SceneLook::reflectionFade}};
        const ProjectData before = *data_;
        for (const auto& [id, field] : sliders) {
            QSlider* slider = control<QSlider>(*panel_, id);
            QCOMPARE(slider->value(), 0);
            QCOMPARE(slider->maximum(), SceneSettingsPanel::kLookSteps);
            const SceneLook other = look_;
            const int redraws = view_->redraws;
            slider->setSliderDown(true);
            slider->setSliderPosition(50);
            slider->setSliderDown(false);
            QCOMPARE(look_.*field, 0.5f);
            QVERIFY(view_->redraws > redraws);
            QTest::keyClick(slider, Qt::Key_End);
            QCOMPARE(look_.*field, SceneLook::kMax);
            SceneLook expected = other; // only its own setting moves
            expected.*field = SceneLook::kMax;
            QCOMPARE(look_, expected);
        }
        QVERIFY(sameBytes(*data_, before)); // the look lives beside the record

        // A refresh shows the look and hands nothing to the view.
        const int handed = view_->redraws;
        look_ = {0.25f, 0.7f};
        panel_->refreshFromProject();
        QCOMPARE(control<QSlider>(*panel_, SceneSettingsPanel::kShadowSoftnessSlider)->value(), 25);
        QCOMPARE(control<QSlider>(*panel_, SceneSettingsPanel::kReflectionFadeSlider)->value(), 70);
        QCOMPARE(view_->redraws, handed);
    }

    void sliderStartsAtTheCamerasFieldOfView() {
        panel_.reset();
        view_->camera().fov = 61.8f;
        makePanel();
        QCOMPARE(control<QSlider>(*panel_, 1033)->value(), 61);
        QCOMPARE(control<QLabel>(*panel_, 1034)->text(), QStringLiteral("Fov ang: 61"));
        // Building the panel changes nothing in the view.
        QCOMPARE(view_->camera().fov, 61.8f);
        QCOMPARE(view_->redraws, 0);
    }

    void floorLoadFillsTheFloorFieldsOnly() {
        test::TempDir dir;
        const std::string file = dir.file("floor.png");
        QVERIFY(test::writePng(file, 6, 5, qRgb(200, 120, 20)));
        data_->floorTextureEnabled = 0;
        data_->selectedFace = Front;
        panel_->refreshFromProject();
        QImage facePicture(2, 2, QImage::Format_RGBX8888);
        facePicture.fill(Qt::blue);
        (*images_)[Front].image = facePicture;
        const ProjectData before = *data_;
        QCOMPARE(test::middlePixel(*control<TexturePreview>(*panel_, 1022)), qRgb(150, 150, 150));

        fileToChoose_ = QString::fromStdString(file);
        QTest::mouseClick(control<QPushButton>(*panel_, 1037), Qt::LeftButton);

        const QStringList labels = {"bmp(*.bmp)", "gif(*.gif)", "Jpeg(*.jpg)", "tiff(*.tif)",
                                    "png(*.png)", "svg(*.svg)", "pdf(*.pdf)"};
        const QStringList patterns = {"*.bmp", "*.gif", "*.jpg", "*.tif",
                                      "*.png", "*.svg", "*.pdf"};
        QCOMPARE(filtersAsked_.size(), labels.size());
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(filtersAsked_[i].label, labels[i]);
            QCOMPARE(filtersAsked_[i].patterns, patterns[i]);
        }
        QVERIFY(initialPathAsked_.isEmpty());
        QVERIFY(messages_.isEmpty());

        QCOMPARE((*images_)[kFloorSlot].image.width(), 6);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(std::string(pathText(data_->floorImagePath)), file);
        QCOMPARE(control<QLineEdit>(*panel_, 1036)->text(), QString::fromStdString(file));
        QCOMPARE(view_->redraws, 1);

        ProjectData expected = before;
        expected.faceSlots[kFloorSlot].imageWidth = 6;
        expected.faceSlots[kFloorSlot].imageHeight = 5;
        setPath(expected.floorImagePath, file);
        // The slot's own path stays empty and the floor picture stays switched off.
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(data_->floorTextureEnabled, 0);
        QVERIFY(!control<QCheckBox>(*panel_, 1008)->isChecked());

        // The floor group shows the floor's picture, not the selected face's.
        QCOMPARE(test::middlePixel(*control<TexturePreview>(*panel_, 1022)), qRgb(200, 120, 20));

        // Browsing again starts at the floor's path.
        fileToChoose_.clear();
        QTest::mouseClick(control<QPushButton>(*panel_, 1037), Qt::LeftButton);
        QCOMPARE(initialPathAsked_, QString::fromStdString(file));
    }

    void aProductGivesItsProportionsAndABookItsPageEdges() {
        QStandardPaths::setTestModeEnabled(true);
        data_->setDimensions(2.5f, 1.25f, 5.0f);
        auto* products = control<QComboBox>(*panel_, 1040);
        const auto choose = [&](std::string_view name) {
            const int index = products->findText(QString::fromUtf8(name.data(), name.size()),
                                                 Qt::MatchStartsWith);
            QVERIFY(index > 0);
            products->setCurrentIndex(index);
            emit products->activated(index);
            QCOMPARE(products->currentIndex(), 0);
        };
        const int redraws = view_->redraws;
        choose("Paperback");
        // 108 x 175 x 25 mm, the height still the largest side at 5.
        QCOMPARE(data_->boxHeight, 5.0f);
        QCOMPARE(data_->boxWidth, 5.0f * 108 / 175);
        QCOMPARE(data_->boxDepth, 5.0f * 25 / 175);
        QCOMPARE(view_->redraws, redraws + 1);
        for (const Face face : {Top, Bottom, Left}) {
            const QImage& pages = (*images_)[face].image;
            QVERIFY(!pages.isNull());
            QVERIFY(QString::fromUtf8(pathText(data_->faceSlots[face].imagePath))
                        .startsWith(keptPicturesFolder()));
            // The lines run along the page edges: across the top and bottom, down the side.
            const bool across = face != Left;
            for (int k = 0; k < 8; ++k) {
                QCOMPARE(
                    pages.pixel(across ? 0 : k, across ? k : 0),
                    pages.pixel(across ? pages.width() - 1 : k, across ? k : pages.height() - 1));
            }
        }
        QVERIFY((*images_)[Front].empty() && (*images_)[Right].empty());

        choose("DVD case");
        QCOMPARE(data_->boxHeight, 5.0f);
        QCOMPARE(data_->boxWidth, 5.0f * 135 / 190);
        QVERIFY(!(*images_)[Top].empty()); // what is on the faces stays
    }

    void failedFloorLoadKeepsTheFloor() {
        test::TempDir dir;
        const std::string good = dir.file("floor.png");
        QVERIFY(test::writePng(good, 4, 4, qRgb(0, 90, 0)));
        fileToChoose_ = QString::fromStdString(good);
        QTest::mouseClick(control<QPushButton>(*panel_, 1037), Qt::LeftButton);
        const ProjectData before = *data_;
        const qint64 pictureBefore = (*images_)[kFloorSlot].image.cacheKey();

        const std::string bad = dir.file("broken.png");
        std::ofstream(bad) << "not a picture";
        fileToChoose_ = QString::fromStdString(bad);
        QTest::mouseClick(control<QPushButton>(*panel_, 1037), Qt::LeftButton);
        QCOMPARE(messages_, QStringList{"Load image file failed!"});
        QVERIFY(sameBytes(*data_, before));
        QCOMPARE((*images_)[kFloorSlot].image.cacheKey(), pictureBefore);
        QCOMPARE(control<QLineEdit>(*panel_, 1036)->text(), QString::fromStdString(good));
        QVERIFY(!QApplication::overrideCursor());
    }
};

} // namespace cartonic

QTEST_MAIN(cartonic::SceneSettingsPanelTest)
#include "scene_settings_panel_test.moc"
