#include "app/string_table.h"

#include "app/command_ids.h"

#include <array>
#include <utility>

namespace cartonic {

namespace {

constexpr std::array<std::pair<int, const char*>, 23> kStrings = {{
    {ModeRotateCamera, "Rotate camera.\nRotate camera"},
    {ModeAdjustWidth, "Adjust box's width\nAdjust Box's width"},
    {ModeAdjustDepth, "Adjust box's depth\nAdjust Box's depth"},
    {ModeAdjustHeight, "Adjust box's height\nAdjust Box's height"},
    {HomePage, "Goto homepage for more infomation."},
    {ModeRotateLight, "Rotate light.\nRotate light"},
    {ChangeSettings, "Change settings"},
    {FileNew, "Create a new document\nNew"},
    {FileOpen, "Open an existing document\nOpen"},
    {FileSave, "Save the active document\nSave"},
    {FileSaveAs, "Save the active document with a new name\nSave As"},
    {EditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
    {EditPaste, "Insert Clipboard contents\nPaste"},
    {EditUndo, "Undo the last action\nUndo"},
    {EditRedo, "Redo the previously undone action\nRedo"},
    {AppAbout, "Display program information, version number and copyright\nAbout"},
    {AppExit, "Quit the application; prompts to save documents\nExit"},
    {ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
    {ViewSmoothEdges, "Draw the view with smooth edges\nSmooth Edges"},
    {ImportDieline, "Cut a picture of the unfolded box into the six faces' pictures"},
    {FileEmbedPictures,
     "Keep the picture files inside the project when it is saved\nEmbed Pictures"},
    {FileExtractPictures,
     "Write the pictures kept inside the project into a folder and use them from there\nExtract "
     "Pictures"},
}};

} // namespace

QString commandString(int command) {
    for (const auto& [id, text] : kStrings) {
        if (id == command) {
            return QString::fromUtf8(text);
        }
    }
    return {};
}

QString commandPrompt(int command) {
    const QString s = commandString(command);
    const qsizetype nl = s.indexOf('\n');
    return nl < 0 ? s : s.left(nl);
}

QString commandTooltip(int command) {
    const QString s = commandString(command);
    const qsizetype nl = s.indexOf('\n');
    return nl < 0 ? QString() : s.mid(nl + 1);
}

} // namespace cartonic
