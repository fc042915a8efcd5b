#pragma once

// The commands that make something of the view to keep: File > Save As Image, Save As Turntable
// and Export 3D Model, and Edit > Copy. Each asks what it needs through the prompts, remembers
// the last choices in the settings and says what it made on the window's status bar.

#include "export/exports.h"
#include "image/slot_pictures.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

class QMainWindow;

namespace cartonic {

class AppSettings;
class OGLView;
struct UserPrompts;

class ExportCommands : public QObject {
    Q_OBJECT
public:
    // Exports project as view shows it. Everything given outlives the commands.
    ExportCommands(QMainWindow& window, const Project& project, OGLView& view, UserPrompts& prompts,
                   AppSettings& settings);

public slots:
    // Asks for a size and a file, then writes a JPEG or PNG picture of the view.
    void saveAsImage();
    // Puts a picture of the view, as large and as smooth as it is seen, on the clipboard.
    void copyPicture();
    // Asks for a turntable's size, frames, rate and file, then renders it frame by frame in the
    // view's context with a progress dialog that can cancel it (export_turntable.cpp).
    void saveAsTurntable();
    // Asks for a file, then writes the box as a binary glTF model with its pictures.
    void exportModel();

private:
    // The view's size in the pixels it is drawn in.
    QSize viewPixelSize() const;
    // What pictures of the view are drawn from: the slots' pictures and the files they came from,
    // or the files kept inside the project.
    SlotPictures exportPictures() const;
    // Drawing in the view's context, for the export core.
    DrawIn drawInView();
    // A picture of the view as the request asks, with the view's camera (its aspect as it is).
    Status renderView(const PictureRequest& request, RgbaPicture& out,
                      std::vector<std::string>& notes);
    // The status bar's line after a picture of the view was made: done, then the notes.
    void reportPicture(const QString& done, const std::vector<std::string>& notes);

    QMainWindow& window_;
    const Project& project_;
    OGLView& view_;
    UserPrompts& prompts_;
    AppSettings& settings_;
};

} // namespace cartonic
