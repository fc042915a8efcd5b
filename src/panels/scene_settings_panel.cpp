#include "panels/scene_settings_panel.h"

#include "image/kept_pictures.h"
#include "model/product_presets.h"
#include "panels/color_button.h"
#include "panels/color_channels.h"
#include "panels/dialog_units.h"
#include "panels/panel_widgets.h"
#include "panels/scene_view.h"
#include "panels/texture_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace cartonic {

namespace {

constexpr int kScenePanelWidth = 188;
constexpr int kScenePanelHeight = 362;
// The look's sliders below the rest, in a block of this many dialog units from its top.
constexpr int kLookBlockTop = 361;
constexpr int kLookBlockHeight = 48;

// Each type on its own line of the file type list, as users have always seen them.
const QList<ImageFileFilter>& floorImageFilters() {
    static const QList<ImageFileFilter> filters = {
        {QStringLiteral("bmp(*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("gif(*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("Jpeg(*.jpg)"), QStringLiteral("*.jpg")},
        {QStringLiteral("tiff(*.tif)"), QStringLiteral("*.tif")},
        {QStringLiteral("png(*.png)"), QStringLiteral("*.png")},
        {QStringLiteral("svg(*.svg)"), QStringLiteral("*.svg")},
        {QStringLiteral("pdf(*.pdf)"), QStringLiteral("*.pdf")},
    };
    return filters;
}

QString fovText(int degrees) {
    return QStringLiteral("Fov ang: %1").arg(degrees);
}

float lookOf(int step) {
    return SceneLook::kMin + (SceneLook::kMax - SceneLook::kMin) * static_cast<float>(step) /
                                 static_cast<float>(SceneSettingsPanel::kLookSteps);
}

int stepOf(float look) {
    return static_cast<int>(
        std::lround((look - SceneLook::kMin) / (SceneLook::kMax - SceneLook::kMin) *
                    static_cast<float>(SceneSettingsPanel::kLookSteps)));
}

} // namespace

SceneSettingsPanel::SceneSettingsPanel(Project& project, SceneView& view, QWidget* parent)
    : QWidget(parent), chooseImageFile(chooseImageFileWithDialog), showMessage(showInformationBox),
      project_(project), data_(project.record), view_(view) {
    setObjectName(QStringLiteral("SceneSettingsPanel"));
    setWindowTitle(QStringLiteral("Setings"));
    useApplicationIcon(*this);
    useDialogFont(*this);
    const DialogUnits du(*this);
    dialogSize_ = QSize(du.x(kScenePanelWidth), du.y(kScenePanelHeight));

    addGroupBox(*this, QStringLiteral("Light Color"), du.rect(0, 7, 186, 48));
    addFramedCaption(*this, QStringLiteral("Ambient color"), du.rect(6, 18, 48, 11));
    ambientButton_ =
        addColorButton(kAmbientButton, du.rect(5, 33, 48, 15), &ProjectData::lightAmbient, true);
    addFramedCaption(*this, QStringLiteral("Diffuse color"), du.rect(65, 18, 48, 11));
    diffuseButton_ =
        addColorButton(kDiffuseButton, du.rect(66, 33, 48, 15), &ProjectData::lightDiffuse, true);
    addFramedCaption(*this, QStringLiteral("Specular color"), du.rect(127, 18, 48, 11));
    specularButton_ = addColorButton(kSpecularButton, du.rect(127, 33, 48, 15),
                                     &ProjectData::lightSpecular, true);
    // The light's colours are always real colours; the background ones keep "Automatic".
    for (ColorButton* button : {ambientButton_, diffuseButton_, specularButton_}) {
        button->setDefaultText(QString());
    }

    addGroupBox(*this, QStringLiteral("Background color"), du.rect(0, 60, 186, 57));
    backgroundButton_ = addColorButton(kBackgroundButton, du.rect(7, 72, 174, 12),
                                       &ProjectData::backgroundColor, false);
    gradientBox_ = addCheckBox(kGradientBox, QStringLiteral("Using gradient color backgroud"),
                               du.rect(7, 87, 174, 9));
    connect(gradientBox_, &QCheckBox::clicked, this, &SceneSettingsPanel::gradientClicked);
    gradientTopButton_ = addColorButton(kGradientTopButton, du.rect(7, 100, 73, 12),
                                        &ProjectData::gradientTopColor, false);
    auto* arrows = new QLabel(QStringLiteral(">>"), this);
    arrows->setGeometry(du.rect(90, 99, 9, 8));
    // Fonts with wide arrow glyphs need more than the nine units; the gap to the next button
    // has room for them.
    arrows->resize(std::max(arrows->width(), arrows->sizeHint().width()), arrows->height());
    gradientBottomButton_ = addColorButton(kGradientBottomButton, du.rect(108, 100, 73, 12),
                                           &ProjectData::gradientBottomColor, false);

    addGroupBox(*this, QStringLiteral("Floor texture"), du.rect(0, 122, 186, 101));
    floorPathEdit_ = new QLineEdit(this);
    nameControl(*floorPathEdit_, kFloorPathEdit);
    floorPathEdit_->setReadOnly(true);
    floorPathEdit_->setGeometry(du.rect(6, 135, 156, 12));
    browseButton_ = new QPushButton(QStringLiteral("..."), this);
    nameControl(*browseButton_, kBrowseButton);
    browseButton_->setGeometry(du.rect(162, 134, 17, 12));
    connect(browseButton_, &QPushButton::clicked, this, &SceneSettingsPanel::browseForFloorImage);
    // The floor group shows the floor's own picture: showing the selected face's here would
    // suggest the floor uses it.
    preview_ = new TexturePreview(
        [this]() -> const QImage* { return &project_.pictures[kFloorSlot].image; }, this);
    nameControl(*preview_, kPreview);
    preview_->setGeometry(du.rect(7, 150, 174, 55));
    connect(preview_, &TexturePreview::pictureDropped, this, [this](const QString& path) {
        if (const Status loaded = loadFloorPicture(path); !loaded) {
            refuse(path, loaded);
        }
    });
    floorTextureBox_ = addCheckBox(kFloorTextureBox, QStringLiteral("Enable floor texture"),
                                   du.rect(7, 207, 166, 12));
    connect(floorTextureBox_, &QCheckBox::clicked, this, &SceneSettingsPanel::floorTextureClicked);

    addGroupBox(*this, QStringLiteral("Camera setting"), du.rect(4, 227, 180, 37));
    const int fov = static_cast<int>(view_.camera().fov);
    fovLabel_ = new QLabel(fovText(fov), this);
    nameControl(*fovLabel_, kFovLabel);
    fovLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fovLabel_->setGeometry(du.rect(9, 243, 58, 12));
    fovSlider_ = new QSlider(Qt::Horizontal, this);
    nameControl(*fovSlider_, kFovSlider);
    fovSlider_->setTickPosition(QSlider::NoTicks);
    fovSlider_->setRange(kMinFov, kMaxFov);
    fovSlider_->setValue(fov);
    // Tracking reports every step of a drag, so the view follows the thumb.
    fovSlider_->setTracking(true);
    fovSlider_->setGeometry(du.rect(70, 240, 110, 17));
    connect(fovSlider_, &QSlider::valueChanged, this, &SceneSettingsPanel::fovMoved);

    addGroupBox(*this, QStringLiteral("Effection setting"), du.rect(1, 268, 180, 50));
    showFloorBox_ =
        addCheckBox(kShowFloorBox, QStringLiteral("Show floor"), du.rect(7, 280, 158, 8));
    showReflectionBox_ =
        addCheckBox(kShowReflectionBox, QStringLiteral("Show reflection"), du.rect(7, 292, 158, 8));
    showShadowBox_ =
        addCheckBox(kShowShadowBox, QStringLiteral("Show shadow"), du.rect(7, 305, 158, 8));
    for (QCheckBox* box : {showFloorBox_, showReflectionBox_, showShadowBox_}) {
        connect(box, &QCheckBox::clicked, this, &SceneSettingsPanel::effectClicked);
    }

    addProductChoice(du);

    // Lighting is always on in this program; the switch exists but is never shown.
    QCheckBox* lighting = addCheckBox(kLightingBox, QStringLiteral("Enable lighting"), QRect());
    lighting->hide();

    addLookSliders(du);

    resize(dialogSize_);
    refreshFromProject();
}

SceneSettingsPanel::~SceneSettingsPanel() = default;

QSize SceneSettingsPanel::sizeHint() const {
    return dialogSize_;
}

ColorButton* SceneSettingsPanel::addColorButton(int id, const QRect& geometry,
                                                Rgba ProjectData::*field, bool lightColor) {
    auto* button = new ColorButton(this);
    nameControl(*button, id);
    button->setGeometry(geometry);
    connect(button, &ColorButton::colorChanged, this,
            [this, field, lightColor](Color color) { writeColor(field, lightColor, color); });
    return button;
}

void SceneSettingsPanel::addProductChoice(const DialogUnits& du) {
    addGroupBox(*this, QStringLiteral("Product"), du.rect(1, 322, 180, 34));
    productBox_ = new QComboBox(this);
    nameControl(*productBox_, kProductBox);
    productBox_->addItem(QStringLiteral("Proportions of a product..."));
    for (const ProductPreset& preset : kProductPresets) {
        const BoxSides& mm = preset.millimetres;
        productBox_->addItem(QStringLiteral("%1 (%2 x %3 x %4 mm)")
                                 .arg(QString::fromUtf8(preset.name.data(), preset.name.size()))
                                 .arg(mm.width)
                                 .arg(mm.height)
                                 .arg(mm.depth));
    }
    productBox_->setGeometry(du.rect(7, 336, 166, 14));
    connect(productBox_, &QComboBox::activated, this, &SceneSettingsPanel::productChosen);
}

void SceneSettingsPanel::addLookSliders(const DialogUnits& du) {
    addGroupBox(*this, QStringLiteral("Softness"), du.rect(1, kLookBlockTop, 180, 44));
    const auto addRow = [&](int id, const QString& caption, int top, float SceneLook::*field) {
        auto* label = new QLabel(caption, this);
        label->setGeometry(du.rect(7, top + 2, 62, 9));
        auto* slider = new QSlider(Qt::Horizontal, this);
        nameControl(*slider, id);
        slider->setRange(0, kLookSteps);
        slider->setTracking(true);
        slider->setGeometry(du.rect(70, top, 110, 12));
        connect(slider, &QSlider::valueChanged, this,
                [this, field](int step) { lookMoved(field, step); });
        return slider;
    };
    shadowSoftnessSlider_ = addRow(kShadowSoftnessSlider, QStringLiteral("Shadow softness"),
                                   kLookBlockTop + 11, &SceneLook::shadowSoftness);
    reflectionFadeSlider_ = addRow(kReflectionFadeSlider, QStringLiteral("Reflection fade"),
                                   kLookBlockTop + 27, &SceneLook::reflectionFade);
    dialogSize_.setHeight(du.y(kScenePanelHeight + kLookBlockHeight));
}

void SceneSettingsPanel::lookMoved(float SceneLook::*field, int step) {
    project_.look().*field = lookOf(step);
    // The view repaints for a new look, which is also what makes it an undo step.
    view_.requestRedraw();
}

QCheckBox* SceneSettingsPanel::addCheckBox(int id, const QString& text, const QRect& geometry) {
    auto* box = new QCheckBox(text, this);
    nameControl(*box, id);
    box->setGeometry(geometry);
    fitHeight(*box);
    return box;
}

void SceneSettingsPanel::refreshFromProject() {
    ambientButton_->setColor(colorFromChannels(data_.lightAmbient));
    diffuseButton_->setColor(colorFromChannels(data_.lightDiffuse));
    specularButton_->setColor(colorFromChannels(data_.lightSpecular));
    backgroundButton_->setColor(colorFromChannels(data_.backgroundColor));
    gradientTopButton_->setColor(colorFromChannels(data_.gradientTopColor));
    gradientBottomButton_->setColor(colorFromChannels(data_.gradientBottomColor));
    floorPathEdit_->setText(pathFieldText(data_.floorImagePath));
    floorPathEdit_->setCursorPosition(0);
    gradientBox_->setChecked(data_.gradientBackground != 0);
    showFloorBox_->setChecked(data_.showFloor != 0);
    showReflectionBox_->setChecked(data_.showReflection != 0);
    showShadowBox_->setChecked(data_.showShadow != 0);
    floorTextureBox_->setChecked(data_.floorTextureEnabled != 0);
    {
        const QSignalBlocker quietShadow(shadowSoftnessSlider_);
        const QSignalBlocker quietFade(reflectionFadeSlider_);
        shadowSoftnessSlider_->setValue(stepOf(project_.look().shadowSoftness));
        reflectionFadeSlider_->setValue(stepOf(project_.look().reflectionFade));
    }
    enableBackgroundButtons();
    update();
    preview_->update();
}

void SceneSettingsPanel::showFieldOfView() {
    // Showing the camera's value is no edit of its own.
    {
        const QSignalBlocker quiet(fovSlider_);
        fovSlider_->setValue(static_cast<int>(view_.camera().fov));
    }
    fovLabel_->setText(fovText(fovSlider_->value()));
}

void SceneSettingsPanel::enableBackgroundButtons() {
    const bool gradient = data_.gradientBackground != 0;
    backgroundButton_->setEnabled(!gradient);
    gradientTopButton_->setEnabled(gradient);
    gradientBottomButton_->setEnabled(gradient);
}

void SceneSettingsPanel::writeColor(Rgba ProjectData::*field, bool lightColor, Color color) {
    writeChannels(data_.*field, color);
    if (lightColor) {
        // The light's colours live in GL state as well as in the record.
        view_.applyLight();
    }
    view_.requestRedraw();
}

void SceneSettingsPanel::gradientClicked(bool checked) {
    data_.gradientBackground = checked ? 1 : 0;
    data_.solidBackground = checked ? 0 : 1;
    enableBackgroundButtons();
    view_.requestRedraw();
}

void SceneSettingsPanel::floorTextureClicked(bool checked) {
    data_.floorTextureEnabled = checked ? 1 : 0;
    view_.requestRedraw();
}

void SceneSettingsPanel::effectClicked() {
    data_.showFloor = showFloorBox_->isChecked() ? 1 : 0;
    data_.showReflection = showReflectionBox_->isChecked() ? 1 : 0;
    data_.showShadow = showShadowBox_->isChecked() ? 1 : 0;
    view_.requestRedraw();
}

void SceneSettingsPanel::fovMoved(int degrees) {
    fovLabel_->setText(fovText(degrees));
    view_.camera().fov = static_cast<float>(degrees);
    view_.requestRedraw();
}

void SceneSettingsPanel::browseForFloorImage() {
    const QString path =
        chooseImageFile(this, floorImageFilters(), pathFieldText(data_.floorImagePath));
    if (path.isEmpty()) {
        return;
    }
    if (const Status loaded = loadFloorPicture(path); !loaded) {
        refuse(path, loaded);
    }
}

void SceneSettingsPanel::refuse(const QString& path, const Status& why) {
    // A drawing the user stopped needs no message box: the status bar says it stopped.
    if (why.kind() != Status::Kind::Cancelled) {
        showMessage(this, QString::fromLatin1(kLoadImageFailed));
    }
    emit told(loadFailure(path, why));
}

void SceneSettingsPanel::productChosen(int index) {
    if (index <= 0 || index > static_cast<int>(kProductPresets.size())) {
        return;
    }
    // The list offers a step, not a state of the record: it shows its prompt again.
    productBox_->setCurrentIndex(0);
    const ProductPreset& preset = kProductPresets[static_cast<std::size_t>(index - 1)];
    if (const Status applied = applyPreset(project_, preset, keptPicturesFolder()); !applied) {
        showMessage(this, QString::fromLatin1(kLoadImageFailed));
        emit told(QString("Cannot make the %1: %2.")
                      .arg(QString::fromUtf8(preset.name.data(),
                                             static_cast<qsizetype>(preset.name.size())),
                           QString::fromStdString(applied.message())));
        return;
    }
    view_.requestRedraw();
}

Status SceneSettingsPanel::loadFloorPicture(const QString& path) {
    if (Status loaded = loadSlotPicture(project_, kFloorSlot, path); !loaded) {
        return loaded;
    }
    // Switching the floor picture on stays the user's choice.
    floorPathEdit_->setText(pathFieldText(data_.floorImagePath));
    floorPathEdit_->setCursorPosition(0);
    update();
    preview_->update();
    view_.requestRedraw();
    return {};
}

} // namespace cartonic
