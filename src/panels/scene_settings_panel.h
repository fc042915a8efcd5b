#pragma once

// The settings page of everything that is not a face: light colours, background colour or
// gradient, the floor picture and switches, the camera's field of view, the shadow's softness
// and the reflection's fade. It keeps no copy of what it edits: the controls read and write the
// record directly, the view's camera for the field of view, and the project's look.

#include "base/status.h"
#include "model/limits.h"
#include "model/project.h"
#include "model/project_data.h"
#include "model/scene_look.h"
#include "model/slot_images.h"
#include "panels/color.h"
#include "panels/image_browse.h"

#include <QSize>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace cartonic {

class ColorButton;
class DialogUnits;
class SceneView;
class TexturePreview;

class SceneSettingsPanel : public QWidget {
    Q_OBJECT

public:
    // Control numbers, also the controls' object names.
    enum ControlId : int {
        kAmbientButton = 1002,
        kDiffuseButton = 1003,
        kSpecularButton = 1004,
        kGradientBox = 1006,
        kBackgroundButton = 1007,
        kFloorTextureBox = 1008,
        kPreview = 1022,
        kLightingBox = 1023,
        kGradientTopButton = 1028,
        kGradientBottomButton = 1029,
        kFovSlider = 1033,
        kFovLabel = 1034,
        kShowFloorBox = 1035,
        kFloorPathEdit = 1036,
        kBrowseButton = 1037,
        kShowReflectionBox = 1038,
        kShowShadowBox = 1039,
        kProductBox = 1040,
        kShadowSoftnessSlider = 1041,
        kReflectionFadeSlider = 1042,
    };

    // Steps of the look's sliders from SceneLook::kMin to kMax.
    static constexpr int kLookSteps = 100;

    // Edits project's scene, look and floor picture; view applies the light, builds textures,
    // repaints and owns the camera. Both outlive the panel. Sets the slider from the camera's
    // field of view and fills the other controls from the record and the look.
    SceneSettingsPanel(Project& project, SceneView& view, QWidget* parent = nullptr);
    ~SceneSettingsPanel() override;

    // Fills the colour buttons, the floor path and the check boxes from the record, the look's
    // sliders from the look, and sets which colour buttons are enabled. Leaves the field of view
    // alone: it is not part of the record.
    void refreshFromProject();
    // Sets the field-of-view slider and its label from the view's camera, which an undo may
    // have changed behind the panel's back. Sends nothing to the view.
    void showFieldOfView();
    // Puts the picture file at path on the floor, as the "..." button does after its dialog;
    // on failure nothing is changed or shown, and the Status says why.
    Status loadFloorPicture(const QString& path);

    // The file dialog and the failure message, replaceable so tests never block.
    ImageFileChooser chooseImageFile;
    InformationMessage showMessage;

    // 188 x 410 dialog units in the panel's font.
    QSize sizeHint() const override;

signals:
    // One sentence for the status bar: why a picture or a product chosen in the panel could not
    // be had.
    void told(const QString& line);

private:
    // Tells the user a picture could not be loaded: the message box, and why on the status bar.
    void refuse(const QString& path, const Status& why);
    ColorButton* addColorButton(int id, const QRect& geometry, Rgba ProjectData::*field,
                                bool lightColor);
    QCheckBox* addCheckBox(int id, const QString& text, const QRect& geometry);
    void writeColor(Rgba ProjectData::*field, bool lightColor, Color color);
    void enableBackgroundButtons();
    void gradientClicked(bool checked);
    void floorTextureClicked(bool checked);
    void effectClicked();
    void fovMoved(int degrees);
    void browseForFloorImage();
    // Gives the box the proportions of the product at index (0 is the list's prompt), and a
    // book its page edges.
    void productChosen(int index);
    void addProductChoice(const DialogUnits& du);
    void addLookSliders(const DialogUnits& du);
    void lookMoved(float SceneLook::*field, int step);

    Project& project_;
    ProjectData& data_;
    SceneView& view_;
    ColorButton* ambientButton_ = nullptr;
    ColorButton* diffuseButton_ = nullptr;
    ColorButton* specularButton_ = nullptr;
    ColorButton* backgroundButton_ = nullptr;
    ColorButton* gradientTopButton_ = nullptr;
    ColorButton* gradientBottomButton_ = nullptr;
    QCheckBox* gradientBox_ = nullptr;
    QLineEdit* floorPathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    TexturePreview* preview_ = nullptr;
    QCheckBox* floorTextureBox_ = nullptr;
    QLabel* fovLabel_ = nullptr;
    QSlider* fovSlider_ = nullptr;
    QCheckBox* showFloorBox_ = nullptr;
    QCheckBox* showReflectionBox_ = nullptr;
    QCheckBox* showShadowBox_ = nullptr;
    QComboBox* productBox_ = nullptr;
    QSlider* shadowSoftnessSlider_ = nullptr;
    QSlider* reflectionFadeSlider_ = nullptr;
    QSize dialogSize_;
};

} // namespace cartonic
