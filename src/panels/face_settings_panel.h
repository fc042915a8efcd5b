#pragma once

// The settings page of one box face: its three material colours, the flip or quarter turn of its
// picture, the picture file and the texture switch. It keeps no copy of what it edits: every
// control reads and writes faceSlots[selectedFace] of the record directly.

#include "base/status.h"
#include "model/project.h"
#include "model/project_data.h"
#include "model/slot_images.h"
#include "panels/color.h"
#include "panels/image_browse.h"

#include <QSize>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace cartonic {

class ColorButton;
class SceneView;
class TexturePreview;

class FaceSettingsPanel : public QWidget {
    Q_OBJECT
public:
    // Control numbers, also the controls' object names.
    enum ControlId : int {
        kImagePathEdit = 1000,
        kBrowseButton = 1001,
        kAmbientButton = 1002,
        kDiffuseButton = 1003,
        kSpecularButton = 1004,
        kPreview = 1005,
        kShowTextureBox = 1006,
        kFlipHorizontalRadio = 1014,
        kFlipVerticalRadio = 1015,
        kRotate90Radio = 1016,
        kRotate180Radio = 1017,
        kRotate270Radio = 1018,
        kResetRadio = 1019,
    };

    // Edits project's selected face; view builds textures and repaints. Both outlive the panel.
    // Fills the controls from the record.
    FaceSettingsPanel(Project& project, SceneView& view, QWidget* parent = nullptr);
    ~FaceSettingsPanel() override;

    // Fills every control from faceSlots[selectedFace] and repaints the panel. Call after the
    // selected face changes.
    void refreshFromProject();

    // The file dialog and the failure message, replaceable so tests never block.
    ImageFileChooser chooseImageFile;
    InformationMessage showMessage;

    // Puts the picture file at path on the selected face, as the "..." button does after its
    // dialog; on failure nothing is changed or shown, and the Status says why.
    Status loadPicture(const QString& path);
    // Tells the user the picture at path could not be loaded: the message box (none for a
    // drawing the user stopped), and why in told.
    void refuse(const QString& path, const Status& why);

    // 188 x 319 dialog units in the panel's font.
    QSize sizeHint() const override;

signals:
    // A colour button wrote a new colour into the selected face. The panel does not ask the view
    // to redraw for colours: whoever receives this does.
    void colorChanged();
    // One sentence for the status bar: why a picture chosen in the panel could not be loaded.
    void told(const QString& line);

private:
    FaceSlot* selectedSlot();
    void writeColor(Rgba FaceSlot::*field, Color color);
    void orientationClicked(int orientation);
    void showTextureClicked(bool checked);
    void browseForImage();
    Status loadPicture(int face, const QString& path);

    Project& project_;
    ProjectData& data_;
    SceneView& view_;
    ColorButton* ambientButton_ = nullptr;
    ColorButton* diffuseButton_ = nullptr;
    ColorButton* specularButton_ = nullptr;
    QButtonGroup* orientationGroup_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    TexturePreview* preview_ = nullptr;
    QCheckBox* showTextureBox_ = nullptr;
    QSize dialogSize_;
};

} // namespace cartonic
