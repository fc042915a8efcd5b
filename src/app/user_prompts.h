#pragma once

// Every question the main frame puts to the user, behind one seam so tests can answer them
// without modal dialogs. The defaults use the platform's dialogs.

#include "app/dieline_dialog.h"
#include "formats/animation_writer.h"
#include "model/project_file.h"
#include "render/turntable_frames.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace cartonic {

enum class SaveChoice { Save, Discard, Cancel };

struct ExportSize {
    int width = 0;
    int height = 0;
    QString fallbackNote; // which sides kept the view's size and why; "" when none did
    bool smoothEdges = true;
    bool transparent = false; // a PNG picture's background and floor see-through
};

// A turntable's frames: their size in pixels, how many make the turn, and how many show a
// second.
struct TurntableChoice {
    int width = 0;
    int height = 0;
    int frames = kDefaultTurntableFrames;
    double fps = kDefaultAnimationFps;
};

struct FileRequest {
    bool save = false;
    QString filter;        // e.g. "Cartonic project file (*.ctn)"; several are split by ";;"
    QString defaultSuffix; // added to a name typed without an extension (first filter's)
    QString folder;        // where the dialog starts; "" for the toolkit's choice
    QString* chosenFilter = nullptr; // when given, receives the filter the user left chosen
    bool directory = false;          // an existing folder is chosen, not a file
};

struct UserPrompts {
    // A path, or "" when the user cancels.
    std::function<QString(QWidget* parent, const FileRequest& request)> chooseFile;
    // "Save changes to the project?"
    std::function<SaveChoice(QWidget* parent)> askSaveChanges;
    // A failure the user must know about, naming the file.
    std::function<void(QWidget* parent, const QString& message)> showError;
    // A failure told by the system's own message, with why below it (the box's detail).
    std::function<void(QWidget* parent, const QString& message, const QString& why)> showFailure;
    // The export size and drawing choices, starting from those given (the view's size, or the
    // last picture's, and the last choices); nothing when cancelled.
    std::function<std::optional<ExportSize>(QWidget* parent, ExportSize viewSize)> askExportSize;
    // A turntable's size, frames and rate, starting from those given (the view's size, or the
    // last turntable's choices); nothing when cancelled.
    std::function<std::optional<TurntableChoice>(QWidget* parent, TurntableChoice proposed)>
        askTurntable;
    // How to cut the net (a loaded picture) for a box of project's sides, starting from the
    // choices proposed; nothing when cancelled.
    std::function<std::optional<DielineChoice>(QWidget* parent, const QImage& net,
                                               const BoxSides& project, DielineChoice proposed)>
        askDieline;
    // Non-blocking notice, e.g. pictures a project refers to that could not be found.
    std::function<void(QWidget* parent, const QString& message)> showNotice;

    // The platform dialogs.
    static UserPrompts standard();

    // A failure with its reason: showFailure, or showError with the message alone where there is
    // no showFailure.
    void fail(QWidget* parent, const QString& message, const QString& why) const;
};

inline constexpr const char* kProjectFilter = "Cartonic project file (*.ctn)";
inline constexpr const char* kProjectSuffix = kProjectFileSuffix;
inline constexpr const char* kImageFilter = "imsge files (*.jpg)";
inline constexpr const char* kImageSuffix = "jpeg";
inline constexpr const char* kPngImageFilter = "PNG image (*.png)";
inline constexpr const char* kModelFilter = "glTF binary (*.glb)";
inline constexpr const char* kModelSuffix = "glb";
inline constexpr const char* kWebPFilter = "WebP animation (*.webp)";
inline constexpr const char* kWebPSuffix = "webp";
inline constexpr const char* kMp4Filter = "MP4 video (*.mp4)";
inline constexpr const char* kDielineFilter =
    "Unfolded box (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff *.webp *.svg *.pdf)";
inline constexpr const char* kSaveChangesQuestion = "Save changes to the project?";

} // namespace cartonic
