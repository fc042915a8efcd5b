#include "panels/face_settings_panel.h"

#include "panels/color_button.h"
#include "panels/color_channels.h"
#include "panels/dialog_units.h"
#include "panels/panel_widgets.h"
#include "panels/scene_view.h"
#include "panels/texture_preview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace cartonic {

namespace {

constexpr int kFacePanelWidth = 188;
constexpr int kFacePanelHeight = 319;

const char* const kImageFilterLabel =
    "Image files (*.bmp, *.gif, *.jpg, *.tif, *.png, *.svg, *.pdf)";
const char* const kImageFilterPatterns = "*.bmp *.gif *.jpg *.tif *.png *.svg *.pdf";

struct OrientationRadio {
    int id;
    const char* text;
    QRect units;
    Orientation orientation;
};

// In the order the user moves through them.
const OrientationRadio kOrientationRadios[] = {
    {FaceSettingsPanel::kFlipHorizontalRadio, "Flip horizontal", {12, 65, 58, 12}, FlipHorizontal},
    {FaceSettingsPanel::kFlipVerticalRadio, "Flip vertical", {12, 83, 54, 12}, FlipVertical},
    {FaceSettingsPanel::kRotate90Radio, "Rotate 90", {73, 65, 48, 12}, Turn90},
    {FaceSettingsPanel::kRotate180Radio, "Rotate 180", {73, 83, 50, 12}, Turn180},
    {FaceSettingsPanel::kRotate270Radio, "Rotate 270", {128, 66, 50, 12}, Turn270},
    {FaceSettingsPanel::kResetRadio, "Reset", {128, 82, 35, 12}, AsLoaded},
};

} // namespace

FaceSettingsPanel::FaceSettingsPanel(Project& project, SceneView& view, QWidget* parent)
    : QWidget(parent), chooseImageFile(chooseImageFileWithDialog), showMessage(showInformationBox),
      project_(project), data_(project.record), view_(view) {
    setObjectName(QStringLiteral("FaceSettingsPanel"));
    setWindowTitle(QStringLiteral("Dialog View"));
    useApplicationIcon(*this);
    useDialogFont(*this);
    const DialogUnits du(*this);
    const auto units = [&du](const QRect& r) {
        return du.rect(r.x(), r.y(), r.width(), r.height());
    };
    dialogSize_ = QSize(du.x(kFacePanelWidth), du.y(kFacePanelHeight));

    addGroupBox(*this, QStringLiteral("Face Color"), du.rect(0, 7, 181, 46));
    const auto addColorButton = [&](int id, const QString& caption, QRect captionUnits,
                                    QRect buttonUnits, Rgba FaceSlot::*field) {
        addFramedCaption(*this, caption, units(captionUnits));
        auto* button = new ColorButton(this);
        nameControl(*button, id);
        button->setGeometry(units(buttonUnits));
        // A face colour is always a real colour: no "Automatic" row.
        button->setDefaultText(QString());
        connect(button, &ColorButton::colorChanged, this,
                [this, field](Color color) { writeColor(field, color); });
        return button;
    };
    ambientButton_ = addColorButton(kAmbientButton, QStringLiteral("Ambient color"),
                                    {6, 18, 48, 10}, {6, 33, 48, 14}, &FaceSlot::ambientColor);
    diffuseButton_ = addColorButton(kDiffuseButton, QStringLiteral("Diffuse color"),
                                    {64, 18, 48, 10}, {64, 33, 48, 14}, &FaceSlot::diffuseColor);
    specularButton_ =
        addColorButton(kSpecularButton, QStringLiteral("Specular color"), {122, 18, 48, 10},
                       {123, 33, 48, 14}, &FaceSlot::specularColor);

    addGroupBox(*this, QStringLiteral("Flip or rotate"), du.rect(0, 55, 181, 46));
    orientationGroup_ = new QButtonGroup(this);
    for (const OrientationRadio& radio : kOrientationRadios) {
        auto* button = new QRadioButton(QString::fromLatin1(radio.text), this);
        nameControl(*button, radio.id);
        button->setGeometry(units(radio.units));
        fitHeight(*button);
        orientationGroup_->addButton(button, radio.orientation);
    }
    connect(orientationGroup_, &QButtonGroup::idClicked, this,
            &FaceSettingsPanel::orientationClicked);

    addGroupBox(*this, QStringLiteral("Texture file select"), du.rect(0, 105, 181, 34));
    pathEdit_ = new QLineEdit(this);
    nameControl(*pathEdit_, kImagePathEdit);
    pathEdit_->setReadOnly(true);
    pathEdit_->setGeometry(du.rect(6, 120, 152, 12));
    browseButton_ = new QPushButton(QStringLiteral("..."), this);
    nameControl(*browseButton_, kBrowseButton);
    browseButton_->setGeometry(du.rect(159, 120, 17, 12));
    connect(browseButton_, &QPushButton::clicked, this, &FaceSettingsPanel::browseForImage);

    preview_ = new TexturePreview(
        [this]() -> const QImage* {
            const int face = data_.selectedFace;
            return face >= 0 && face < kFaceCount
                       ? &project_.pictures[static_cast<std::size_t>(face)].image
                       : nullptr;
        },
        this);
    nameControl(*preview_, kPreview);
    preview_->setGeometry(du.rect(7, 142, 174, 117));
    connect(preview_, &TexturePreview::pictureDropped, this, [this](const QString& path) {
        if (const Status loaded = loadPicture(path); !loaded) {
            refuse(path, loaded);
        }
    });

    showTextureBox_ = new QCheckBox(QStringLiteral("Show texture mapping"), this);
    nameControl(*showTextureBox_, kShowTextureBox);
    showTextureBox_->setGeometry(du.rect(7, 263, 174, 12));
    fitHeight(*showTextureBox_);
    connect(showTextureBox_, &QCheckBox::clicked, this, &FaceSettingsPanel::showTextureClicked);

    resize(dialogSize_);
    refreshFromProject();
}

FaceSettingsPanel::~FaceSettingsPanel() = default;

QSize FaceSettingsPanel::sizeHint() const {
    return dialogSize_;
}

FaceSlot* FaceSettingsPanel::selectedSlot() {
    // selectedFace comes from the record; never index past the six faces with it.
    const int face = data_.selectedFace;
    return face >= 0 && face < kFaceCount ? &data_.faceSlots[static_cast<std::size_t>(face)]
                                          : nullptr;
}

void FaceSettingsPanel::refreshFromProject() {
    if (FaceSlot* slot = selectedSlot()) {
        ambientButton_->setColor(colorFromChannels(slot->ambientColor));
        diffuseButton_->setColor(colorFromChannels(slot->diffuseColor));
        specularButton_->setColor(colorFromChannels(slot->specularColor));
        pathEdit_->setText(pathFieldText(slot->imagePath));
        pathEdit_->setCursorPosition(0);
        showTextureBox_->setChecked(slot->showTexture != 0);

        // An exclusive group cannot be emptied; a value from a file outside the table checks
        // nothing, so let go of exclusivity while clearing.
        orientationGroup_->setExclusive(false);
        for (QAbstractButton* button : orientationGroup_->buttons()) {
            button->setChecked(orientationGroup_->id(button) == slot->orientation);
        }
        orientationGroup_->setExclusive(true);
    }
    update();
    preview_->update();
}

void FaceSettingsPanel::writeColor(Rgba FaceSlot::*field, Color color) {
    if (FaceSlot* slot = selectedSlot()) {
        writeChannels(slot->*field, color);
    }
    emit colorChanged();
}

void FaceSettingsPanel::orientationClicked(int orientation) {
    if (FaceSlot* slot = selectedSlot()) {
        slot->orientation = orientation;
        view_.requestRedraw();
    }
}

void FaceSettingsPanel::showTextureClicked(bool checked) {
    if (FaceSlot* slot = selectedSlot()) {
        slot->showTexture = checked ? 1 : 0;
        view_.requestRedraw();
    }
}

void FaceSettingsPanel::browseForImage() {
    // The face chosen now is the one loaded into, whatever happens during the dialog.
    const FaceSlot* slot = selectedSlot();
    if (!slot) {
        return;
    }
    const int face = data_.selectedFace;
    const QString path = chooseImageFile(
        this, {{QString::fromLatin1(kImageFilterLabel), QString::fromLatin1(kImageFilterPatterns)}},
        pathFieldText(slot->imagePath));
    if (path.isEmpty()) {
        return;
    }
    if (const Status loaded = loadPicture(face, path); !loaded) {
        refuse(path, loaded);
    }
}

void FaceSettingsPanel::refuse(const QString& path, const Status& why) {
    // A drawing the user stopped needs no message box: the status bar says it stopped.
    if (why.kind() != Status::Kind::Cancelled) {
        showMessage(this, QString::fromLatin1(kLoadImageFailed));
    }
    emit told(loadFailure(path, why));
}

Status FaceSettingsPanel::loadPicture(const QString& path) {
    if (!selectedSlot()) {
        return Status::usage("no face is selected");
    }
    return loadPicture(data_.selectedFace, path);
}

Status FaceSettingsPanel::loadPicture(int face, const QString& path) {
    if (Status loaded = loadSlotPicture(project_, face, path); !loaded) {
        return loaded;
    }
    const FaceSlot& slot = data_.faceSlots[static_cast<std::size_t>(face)];
    pathEdit_->setText(pathFieldText(slot.imagePath));
    pathEdit_->setCursorPosition(0);
    update();
    preview_->update();
    view_.requestRedraw();
    return {};
}

} // namespace cartonic
