#include "app/command_table.h"

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/export_commands.h"
#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "app/project_files.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>
#include <QUrl>

namespace cartonic {

namespace {

// Help > Home page: the user guide beside the executable (a build tree), in the documentation
// folder of an installed program, or in the source tree.
void openUserGuide() {
    const QString folder = QCoreApplication::applicationDirPath();
    QString guide = QStringLiteral(CARTONIC_GUIDE_PATH);
    for (const QString& path :
         {folder + "/user-guide.html", folder + "/" + QStringLiteral(CARTONIC_INSTALLED_GUIDE)}) {
        if (QFileInfo::exists(path)) {
            guide = QFileInfo(path).absoluteFilePath();
            break;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

constexpr bool eachNumberOnce(std::span<const Command> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[i].number == rows[j].number) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

// A friend of MainFrame: the rows' handlers reach what the frame keeps to itself.
std::span<const Command> commandTable() {
    using enum CommandKind;
    // number, menu text, keys,
    //     status-bar prompt, tooltip, icon, kind,
    //     handler
    // The second keys are the other common ones for the same thing.
    // clang-format off
    static constexpr Command kCommands[] = {
        {FileNew, "&New\tCtrl+N", {Qt::CTRL | Qt::Key_N},
            "Create a new document", "New", drawFileNew, Plain,
            [](MainFrame& f, bool) { f.files_->newProject(); }},
        {FileOpen, "&Open...\tCtrl+O", {Qt::CTRL | Qt::Key_O},
            "Open an existing document", "Open", drawFileOpen, Plain,
            [](MainFrame& f, bool) { f.files_->openProject(); }},
        {FileSave, "&Save\tCtrl+S", {Qt::CTRL | Qt::Key_S},
            "Save the active document", "Save", drawFileSave, Plain,
            [](MainFrame& f, bool) { f.files_->save(); }},
        {FileSaveAs, "Save &As...", {},
            "Save the active document with a new name", "Save As", nullptr, Plain,
            [](MainFrame& f, bool) { f.files_->saveAs(); }},
        {SaveAsImage, "Save As &Image", {},
            "", "", nullptr, Plain,
            [](MainFrame& f, bool) { f.exports_->saveAsImage(); }},
        {SaveAsTurntable, "Save As &Turntable...", {},
            "", "", nullptr, Plain,
            [](MainFrame& f, bool) { f.exports_->saveAsTurntable(); }},
        {ExportModel, "Export &3D Model...", {},
            "", "", nullptr, Plain,
            [](MainFrame& f, bool) { f.exports_->exportModel(); }},
        {ImportDieline, "Import &Dieline...", {},
            "Cut a picture of the unfolded box into the six faces' pictures", "", nullptr, Plain,
            [](MainFrame& f, bool) { f.importDieline(); }},
        // Per project, and off in a new one.
        {FileEmbedPictures, "E&mbed Pictures", {},
            "Keep the picture files inside the project when it is saved", "Embed Pictures",
            nullptr, SwitchOff,
            [](MainFrame& f, bool on) { f.setEmbedPictures(on); }},
        {FileExtractPictures, "Extra&ct Pictures...", {},
            "Write the pictures kept inside the project into a folder and use them from there",
            "Extract Pictures", nullptr, Plain,
            [](MainFrame& f, bool) { f.extractPictures(); }},
        {AppExit, "E&xit", {},
            "Quit the application; prompts to save documents", "Exit", nullptr, Plain,
            [](MainFrame& f, bool) { f.close(); }},
        {EditUndo, "&Undo\tCtrl+Z", {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace},
            "Undo the last action", "Undo", nullptr, Plain,
            [](MainFrame& f, bool) { f.history_->stack().undo(); }},
        {EditRedo, "&Redo\tCtrl+Y", {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z},
            "Redo the previously undone action", "Redo", nullptr, Plain,
            [](MainFrame& f, bool) { f.history_->stack().redo(); }},
        {EditCopy, "&Copy\tCtrl+C", {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert},
            "Copy the selection and put it on the Clipboard", "Copy", drawEditCopy, Plain,
            [](MainFrame& f, bool) { f.exports_->copyPicture(); }},
        {EditPaste, "&Paste\tCtrl+V", {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert},
            "Insert Clipboard contents", "Paste", nullptr, Plain,
            [](MainFrame& f, bool) { f.pastePicture(); }},
        {ViewToolbar, "&Toolbar", {},
            "Show or hide the toolbar", "Toggle ToolBar", nullptr, SwitchOn,
            [](MainFrame& f, bool on) { f.toolbar().setVisible(on); }},
        {ViewStatusBar, "&Status Bar", {},
            "Show or hide the status bar", "Toggle StatusBar", nullptr, SwitchOn,
            [](MainFrame& f, bool on) { f.statusBar()->setVisible(on); }},
        {ViewSmoothEdges, "Smooth &Edges", {},
            "Draw the view with smooth edges", "Smooth Edges", nullptr, SwitchOn,
            [](MainFrame& f, bool on) { f.setSmoothEdges(on); }},
        {HomePage, "&Home page", {},
            "Goto homepage for more infomation.", "", nullptr, Plain,
            [](MainFrame&, bool) { openUserGuide(); }},
        {AppAbout, "&About Cartonic...", {},
            "Display program information, version number and copyright", "About", drawAppAbout,
            Plain,
            [](MainFrame& f, bool) { f.showAbout(); }},
        {ModeRotateCamera, "Rotate camera", {},
            "Rotate camera.", "Rotate camera", drawModeRotateCamera, Mode,
            [](MainFrame& f, bool) { f.view().setMouseMode(MouseMode::RotateCamera); }},
        {ModeAdjustWidth, "Adjust Box's width", {},
            "Adjust box's width", "Adjust Box's width", drawModeAdjustWidth, Mode,
            [](MainFrame& f, bool) { f.view().setMouseMode(MouseMode::AdjustWidth); }},
        {ModeAdjustDepth, "Adjust Box's depth", {},
            "Adjust box's depth", "Adjust Box's depth", drawModeAdjustDepth, Mode,
            [](MainFrame& f, bool) { f.view().setMouseMode(MouseMode::AdjustDepth); }},
        {ModeAdjustHeight, "Adjust Box's height", {},
            "Adjust box's height", "Adjust Box's height", drawModeAdjustHeight, Mode,
            [](MainFrame& f, bool) { f.view().setMouseMode(MouseMode::AdjustHeight); }},
        {ModeRotateLight, "Rotate light", {},
            "Rotate light.", "Rotate light", drawModeRotateLight, Mode,
            [](MainFrame& f, bool) { f.view().setMouseMode(MouseMode::RotateLight); }},
        {ChangeSettings, "Change settings", {},
            "Change settings", "", drawChangeSettings, Plain,
            [](MainFrame& f, bool) { f.showSceneSettings(); }},
    };
    // clang-format on
    static_assert(eachNumberOnce(kCommands));
    return kCommands;
}

const Command* findCommand(int number) {
    for (const Command& command : commandTable()) {
        if (command.number == number) {
            return &command;
        }
    }
    return nullptr;
}

} // namespace cartonic
