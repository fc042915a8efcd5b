#include "panels/face_settings_panel.h"

#include "panel_test_support.h"
#include "panels/color_button.h"
#include "panels/color_channels.h"
#include "panels/texture_preview.h"
#include "stand_in_view.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <fstream>
#include <memory>

namespace cartonic {

using test::control;
using test::sameBytes;
using test::StandInView;

class FaceSettingsPanelTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Project> project_;
    ProjectData* data_ = nullptr;
    SlotImages* images_ = nullptr;
    std::unique_ptr<StandInView> view_;
    std::unique_ptr<FaceSettingsPanel> panel_;
    // What the panel asked of its file dialog and message box.
    QList<ImageFileFilter> filtersAsked_;
    QString initialPathAsked_;
    QString fileToChoose_;
    QStringList messages_;

    FaceSlot& slot(int face) { return data_->faceSlots[static_cast<std::size_t>(face)]; }

    void makePanel() {
        panel_ = std::make_unique<FaceSettingsPanel>(*project_, *view_);
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

    QRadioButton* checkedRadio() {
        QRadioButton* checked = nullptr;
        for (QRadioButton* radio : panel_->findChildren<QRadioButton*>()) {
            if (radio->isChecked()) {
                if (checked) {
                    return nullptr; // more than one: never acceptable
                }
                checked = radio;
            }
        }
        return checked;
    }

private slots:
    void init() {
        project_ = std::make_unique<Project>();
        data_ = &project_->record;
        images_ = &project_->pictures;
        view_ = std::make_unique<StandInView>(*data_);
        data_->selectedFace = Front;
        filtersAsked_.clear();
        initialPathAsked_.clear();
        fileToChoose_.clear();
        messages_.clear();
        makePanel();
    }
    void cleanup() { panel_.reset(); }

    void layoutHasEveryControlAndText() {
        QCOMPARE(panel_->objectName(), QStringLiteral("FaceSettingsPanel"));
        QCOMPARE(panel_->windowTitle(), QStringLiteral("Dialog View"));

        QStringList groups;
        for (QGroupBox* box : panel_->findChildren<QGroupBox*>()) {
            groups << box->title();
        }
        QCOMPARE(groups, (QStringList{"Face Color", "Flip or rotate", "Texture file select"}));
        QStringList captions;
        for (QLabel* label : panel_->findChildren<QLabel*>()) {
            captions << label->text();
        }
        QCOMPARE(captions, (QStringList{"Ambient color", "Diffuse color", "Specular color"}));

        const std::pair<int, const char*> radios[] = {
            {1014, "Flip horizontal"}, {1015, "Flip vertical"}, {1016, "Rotate 90"},
            {1017, "Rotate 180"},      {1018, "Rotate 270"},    {1019, "Reset"}};
        for (const auto& [id, text] : radios) {
            QRadioButton* radio = control<QRadioButton>(*panel_, id);
            QVERIFY2(radio, text);
            QCOMPARE(radio->text(), QString::fromLatin1(text));
        }
        QCOMPARE(control<QCheckBox>(*panel_, 1006)->text(), QStringLiteral("Show texture mapping"));
        QCOMPARE(control<QPushButton>(*panel_, 1001)->text(), QStringLiteral("..."));
        QVERIFY(control<QLineEdit>(*panel_, 1000)->isReadOnly());
        QVERIFY(control<TexturePreview>(*panel_, 1005));
        for (int id : {1002, 1003, 1004}) {
            ColorButton* button = control<ColorButton>(*panel_, id);
            QVERIFY(button);
            // A face colour is never "automatic": the popup offers no such row.
            QVERIFY(button->defaultText().isEmpty());
            QCOMPARE(button->customText(), QStringLiteral("More Colors..."));
        }

        // Every control inside the panel, and every text fits its control.
        const QRect area(QPoint(0, 0), panel_->sizeHint());
        for (QWidget* child : panel_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(area.contains(child->geometry()), qPrintable(child->objectName()));
            QVERIFY2(test::textFits(*child), qPrintable(child->property("text").toString()));
        }
    }

    void colourChangeWritesRedGreenBlueOnlyThenSaysSo() {
        slot(Front).diffuseColor = {0.1f, 0.2f, 0.3f, 0.625f};
        QSignalSpy changed(panel_.get(), &FaceSettingsPanel::colorChanged);

        ProjectData expected = *data_;
        writeChannels(expected.faceSlots[Front].diffuseColor, 0x00336699u);
        emit control<ColorButton>(*panel_, 1003)->colorChanged(0x00336699u);
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(slot(Front).diffuseColor[0], 0x99 * kByteToChannel);
        QCOMPARE(slot(Front).diffuseColor[1], 0x66 * kByteToChannel);
        QCOMPARE(slot(Front).diffuseColor[2], 0x33 * kByteToChannel);
        QCOMPARE(slot(Front).diffuseColor[3], 0.625f);
        QCOMPARE(changed.count(), 1);

        // Ambient and specular reach their own fields of the selected face.
        emit control<ColorButton>(*panel_, 1002)->colorChanged(0x000000FFu);
        emit control<ColorButton>(*panel_, 1004)->colorChanged(0x00FF0000u);
        writeChannels(expected.faceSlots[Front].ambientColor, 0x000000FFu);
        writeChannels(expected.faceSlots[Front].specularColor, 0x00FF0000u);
        QVERIFY(sameBytes(*data_, expected));

        // The other signals of a click change nothing and tell nobody.
        ColorButton* diffuse = control<ColorButton>(*panel_, 1003);
        for (void (ColorButton::*signal)(Color) :
             {&ColorButton::popupOpening, &ColorButton::popupClosed, &ColorButton::pickAccepted,
              &ColorButton::pickCancelled}) {
            emit(diffuse->*signal)(0x00123456u);
        }
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(changed.count(), 3);
        // Colours leave the repaint to whoever hears of them.
        QCOMPARE(view_->redraws, 0);
    }

    void refreshShowsTheSelectedFace() {
        FaceSlot& back = slot(Back);
        back.ambientColor = {1.0f, 0.0f, 0.0f, 1.0f};
        back.diffuseColor = {0.0f, 0.5f, 0.0f, 1.0f};
        back.specularColor = {0.2f, 0.4f, 0.6f, 1.0f};
        setPath(back.imagePath, "/pictures/back.png");
        back.showTexture = 1;
        back.orientation = Turn180;
        FaceSlot& left = slot(Left);
        left.showTexture = 0;
        left.orientation = FlipVertical;

        data_->selectedFace = Back;
        panel_->refreshFromProject();
        QCOMPARE(control<ColorButton>(*panel_, 1002)->currentColor(), 0x000000FFu);
        QCOMPARE(control<ColorButton>(*panel_, 1003)->currentColor(), 0x00007F00u);
        QCOMPARE(control<ColorButton>(*panel_, 1004)->currentColor(),
                 Color{0x33} | Color{0x66} << 8 | Color{0x99} << 16);
        QCOMPARE(control<QLineEdit>(*panel_, 1000)->text(), QStringLiteral("/pictures/back.png"));
        QVERIFY(control<QCheckBox>(*panel_, 1006)->isChecked());
        QCOMPARE(checkedRadio(), control<QRadioButton>(*panel_, 1017));

        data_->selectedFace = Left;
        panel_->refreshFromProject();
        QVERIFY(control<QLineEdit>(*panel_, 1000)->text().isEmpty());
        QVERIFY(!control<QCheckBox>(*panel_, 1006)->isChecked());
        QCOMPARE(checkedRadio(), control<QRadioButton>(*panel_, 1015));

        // Edits after the switch land on the newly selected face.
        test::clickIndicator(control<QCheckBox>(*panel_, 1006));
        QCOMPARE(left.showTexture, 1);
        QCOMPARE(back.showTexture, 1);
    }

    void orientationRadiosFollowAndStoreTheValue() {
        const std::pair<int, int> table[] = {{0, 1019}, {1, 1014}, {2, 1015},
                                             {3, 1016}, {4, 1017}, {5, 1018}};
        for (const auto& [orientation, id] : table) {
            slot(Front).orientation = orientation;
            panel_->refreshFromProject();
            QCOMPARE(checkedRadio(), control<QRadioButton>(*panel_, id));
        }

        // A value from a file outside the table checks nothing at all.
        slot(Front).orientation = 9;
        panel_->refreshFromProject();
        for (QRadioButton* radio : panel_->findChildren<QRadioButton*>()) {
            QVERIFY2(!radio->isChecked(), qPrintable(radio->text()));
        }

        for (const auto& [orientation, id] : table) {
            ProjectData expected = *data_;
            expected.faceSlots[Front].orientation = orientation;
            const int redrawsBefore = view_->redraws;
            test::clickIndicator(control<QRadioButton>(*panel_, id));
            QVERIFY2(sameBytes(*data_, expected), qPrintable(QString::number(id)));
            QCOMPARE(checkedRadio(), control<QRadioButton>(*panel_, id));
            QCOMPARE(view_->redraws, redrawsBefore + 1);
        }
    }

    void showTextureClickStoresOneOrZero() {
        slot(Front).showTexture = 0;
        panel_->refreshFromProject();
        QCheckBox* box = control<QCheckBox>(*panel_, 1006);
        ProjectData expected = *data_;

        test::clickIndicator(box);
        expected.faceSlots[Front].showTexture = 1;
        QVERIFY(sameBytes(*data_, expected));
        test::clickIndicator(box);
        expected.faceSlots[Front].showTexture = 0;
        QVERIFY(sameBytes(*data_, expected));
        QCOMPARE(view_->redraws, 2);
    }

    void failedOrCancelledLoadChangesNothing() {
        test::TempDir dir;
        QImage old(3, 3, QImage::Format_RGBX8888);
        old.fill(Qt::red);
        (*images_)[Front].image = old;
        slot(Front).imageWidth = 3;
        slot(Front).imageHeight = 3;
        setPath(slot(Front).imagePath, "/pictures/old.png");
        panel_->refreshFromProject();
        const ProjectData before = *data_;
        const qint64 pictureBefore = (*images_)[Front].image.cacheKey();

        // Cancelled: no message, no change.
        fileToChoose_.clear();
        QTest::mouseClick(control<QPushButton>(*panel_, 1001), Qt::LeftButton);
        QCOMPARE(filtersAsked_.size(), 1);
        QCOMPARE(filtersAsked_[0].label,
                 QStringLiteral("Image files (*.bmp, *.gif, *.jpg, *.tif, *.png, *.svg, *.pdf)"));
        QCOMPARE(filtersAsked_[0].patterns,
                 QStringLiteral("*.bmp *.gif *.jpg *.tif *.png *.svg *.pdf"));
        QCOMPARE(initialPathAsked_, QStringLiteral("/pictures/old.png"));
        QVERIFY(messages_.isEmpty());
        QVERIFY(sameBytes(*data_, before));

        // Not a picture, and a path too long for the record: one message each, nothing changed.
        const std::string notAPicture = dir.file("notes.jpg");
        std::ofstream(notAPicture) << "just text";
        const std::string tooLong = dir.file(std::string(kPathSize, 'x') + ".png");
        for (const auto& [path, why] : {std::pair{notAPicture, "Cannot load notes.jpg: "},
                                        std::pair{tooLong, "longer than the 259 bytes"}}) {
            messages_.clear();
            fileToChoose_ = QString::fromStdString(path);
            QSignalSpy told(panel_.get(), &FaceSettingsPanel::told);
            QTest::mouseClick(control<QPushButton>(*panel_, 1001), Qt::LeftButton);
            QCOMPARE(messages_, QStringList{"Load image file failed!"});
            QCOMPARE(told.count(), 1);
            QVERIFY2(told[0][0].toString().contains(why), qPrintable(told[0][0].toString()));
            QVERIFY(sameBytes(*data_, before));
            QCOMPARE((*images_)[Front].image.cacheKey(), pictureBefore);
            QCOMPARE(control<QLineEdit>(*panel_, 1000)->text(),
                     QStringLiteral("/pictures/old.png"));
            QCOMPARE(view_->redraws, 0);
            QVERIFY(!QApplication::overrideCursor());
        }
    }

    void successfulLoadStoresThePictureAndItsPath() {
        test::TempDir dir;
        const std::string file = dir.file("front.png");
        QVERIFY(test::writePng(file, 8, 4, qRgb(10, 200, 30)));
        setPath(slot(Front).imagePath, "/pictures/old.png");
        const ProjectData before = *data_;
        QCOMPARE(test::middlePixel(*control<TexturePreview>(*panel_, 1005)), qRgb(150, 150, 150));

        fileToChoose_ = QString::fromStdString(file);
        QTest::mouseClick(control<QPushButton>(*panel_, 1001), Qt::LeftButton);

        QVERIFY(messages_.isEmpty());
        QCOMPARE((*images_)[Front].image.width(), 8);
        QVERIFY(!QApplication::overrideCursor());

        QCOMPARE(std::string(pathText(slot(Front).imagePath)), file);
        QCOMPARE(control<QLineEdit>(*panel_, 1000)->text(), QString::fromStdString(file));
        QCOMPARE(slot(Front).imageWidth, 8);
        QCOMPARE(slot(Front).imageHeight, 4);
        QCOMPARE(view_->redraws, 1);
        // Other faces are untouched.
        for (int face : {Top, Bottom, Back, Right, Left}) {
            QVERIFY(std::memcmp(&slot(face), &before.faceSlots[static_cast<std::size_t>(face)],
                                sizeof(FaceSlot)) == 0);
        }
        QCOMPARE(test::middlePixel(*control<TexturePreview>(*panel_, 1005)), qRgb(10, 200, 30));

        // The preview follows the selected face.
        data_->selectedFace = Top;
        panel_->refreshFromProject();
        QCOMPARE(test::middlePixel(*control<TexturePreview>(*panel_, 1005)), qRgb(150, 150, 150));
    }
};

} // namespace cartonic

QTEST_MAIN(cartonic::FaceSettingsPanelTest)
#include "face_settings_panel_test.moc"
