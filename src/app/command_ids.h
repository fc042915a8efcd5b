#pragma once

// The main frame's command numbers: fixed values, by which a command's row of the command table
// (command_table.h) and its action (CommandActions::action) are found. A number without a row
// (a face's, the scene settings', a pane's, Cut, Print) runs nothing by number: the face list and
// the panes send signals of their own.

namespace cartonic {

enum CommandId : int {
    // Face selection; command - SelectTop is the face index.
    SelectTop = 101,
    SelectBottom = 102,
    SelectFront = 103,
    SelectBack = 104,
    SelectRight = 105,
    SelectLeft = 106,

    ShowSceneSettings = 200,

    SaveAsImage = 32773,
    ModeRotateCamera = 32774,
    ModeAdjustWidth = 32777,
    ModeAdjustDepth = 32778,
    ModeAdjustHeight = 32779,
    HomePage = 32785,
    ModeRotateLight = 32788,
    ChangeSettings = 32790,
    ViewSmoothEdges = 32791,
    SaveAsTurntable = 32792,
    ExportModel = 32793,
    ImportDieline = 32794,
    FileEmbedPictures = 32795,
    FileExtractPictures = 32796,

    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    FilePrint = 57607,
    EditCopy = 57634,
    EditCut = 57635,
    EditPaste = 57637,
    EditUndo = 57643,
    EditRedo = 57644,
    AppAbout = 57664,
    AppExit = 57665,
    NextPane = 57680,
    PrevPane = 57681,
    PaneClose = 57682,

    ViewToolbar = 59392,
    ViewStatusBar = 59393,
};

inline constexpr int kFaceCommandCount = 6;

} // namespace cartonic
