#include "app/command_actions.h"

#include "app/command_ids.h"
#include "app/string_table.h"
#include "app/toolbar_icons.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace cartonic {

namespace {

// Keeps a toolbar button from showing a tooltip. The toolkit falls back to the button's text
// when a command's string has no tooltip part; such a button is meant to have none.
class NoTooltip : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

// The toolbar's buttons from the left; 0 is a separator.
constexpr int kToolbarLayout[] = {
    FileNew,         FileOpen,        FileSave,         0, EditCopy,        0, ModeRotateCamera, 0,
    ModeAdjustWidth, ModeAdjustDepth, ModeAdjustHeight, 0, ModeRotateLight, 0, ChangeSettings,   0,
    AppAbout};

} // namespace

CommandActions::CommandActions(QMainWindow& window, QLabel& readyText)
    : QObject(&window), window_(window), readyText_(readyText) {
    addAction(FileNew, "&New\tCtrl+N", {Qt::CTRL | Qt::Key_N});
    addAction(FileOpen, "&Open...\tCtrl+O", {Qt::CTRL | Qt::Key_O});
    addAction(FileSave, "&Save\tCtrl+S", {Qt::CTRL | Qt::Key_S});
    addAction(FileSaveAs, "Save &As...");
    addAction(SaveAsImage, "Save As &Image");
    addAction(SaveAsTurntable, "Save As &Turntable...");
    addAction(ExportModel, "Export &3D Model...");
    addAction(ImportDieline, "Import &Dieline...");
    addAction(FileEmbedPictures, "E&mbed Pictures");
    addAction(FileExtractPictures, "Extra&ct Pictures...");
    addAction(AppExit, "E&xit");
    // The second keys of the accelerator table, and the other common redo.
    addAction(EditUndo, "&Undo\tCtrl+Z", {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace});
    addAction(EditRedo, "&Redo\tCtrl+Y", {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z});
    addAction(EditCopy, "&Copy\tCtrl+C", {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert});
    addAction(EditPaste, "&Paste\tCtrl+V", {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert});
    addAction(ViewToolbar, "&Toolbar");
    addAction(ViewStatusBar, "&Status Bar");
    addAction(ViewSmoothEdges, "Smooth &Edges");
    addAction(HomePage, "&Home page");
    addAction(AppAbout, "&About Cartonic...");
    addAction(ModeRotateCamera, commandTooltip(ModeRotateCamera));
    addAction(ModeAdjustWidth, commandTooltip(ModeAdjustWidth));
    addAction(ModeAdjustDepth, commandTooltip(ModeAdjustDepth));
    addAction(ModeAdjustHeight, commandTooltip(ModeAdjustHeight));
    addAction(ModeRotateLight, commandTooltip(ModeRotateLight));
    addAction(ChangeSettings, commandPrompt(ChangeSettings));

    for (int command : {ViewToolbar, ViewStatusBar, ViewSmoothEdges}) {
        actions_[command]->setCheckable(true);
        actions_[command]->setChecked(true);
    }
    // Per project, and off in a new one.
    actions_[FileEmbedPictures]->setCheckable(true);
    auto* modes = new QActionGroup(&window_);
    modes->setExclusive(true);
    for (int command :
         {ModeRotateCamera, ModeAdjustWidth, ModeAdjustDepth, ModeAdjustHeight, ModeRotateLight}) {
        actions_[command]->setCheckable(true);
        modes->addAction(actions_[command]);
    }
    createMenus();
    createToolbar();
}

void CommandActions::addAction(int command, const QString& text, const QList<QKeySequence>& keys) {
    auto* action = new QAction(text, &window_);
    action->setData(command);
    action->setIcon(toolbarIcon(command));
    action->setStatusTip(commandPrompt(command));
    action->setToolTip(commandTooltip(command));
    action->setShortcuts(keys);
    // The menu shows its own shortcut column from the text after the tab.
    action->setShortcutVisibleInContextMenu(false);
    actions_.insert(command, action);
}

void CommandActions::trigger(int command) const {
    if (QAction* a = action(command)) {
        a->trigger();
    }
}

void CommandActions::createMenus() {
    QMenuBar* bar = window_.menuBar();
    QMenu* file = bar->addMenu("&File");
    for (int command : {FileNew, FileOpen, FileSave, FileSaveAs, ImportDieline, SaveAsImage,
                        SaveAsTurntable, ExportModel}) {
        file->addAction(actions_[command]);
    }
    file->addSeparator();
    file->addAction(actions_[FileEmbedPictures]);
    file->addAction(actions_[FileExtractPictures]);
    file->addSeparator();
    recentMenu_ = file->addMenu("Recent &Projects");
    recentMenu_->setObjectName("RecentProjects");
    file->addSeparator();
    file->addAction(actions_[AppExit]);
    QMenu* edit = bar->addMenu("&Edit");
    edit->addAction(actions_[EditUndo]);
    edit->addAction(actions_[EditRedo]);
    edit->addSeparator();
    edit->addAction(actions_[EditCopy]);
    edit->addAction(actions_[EditPaste]);
    QMenu* view = bar->addMenu("&View");
    view->addAction(actions_[ViewToolbar]);
    view->addAction(actions_[ViewStatusBar]);
    view->addAction(actions_[ViewSmoothEdges]);
    view->addSeparator();
    QMenu* help = bar->addMenu("&Help");
    help->addAction(actions_[HomePage]);
    help->addSeparator();
    help->addAction(actions_[AppAbout]);

    for (QMenu* menu : {file, edit, view, help}) {
        // The Edit menu opens with a separator and the View menu ends with one; both show.
        menu->setSeparatorsCollapsible(false);
        connect(menu, &QMenu::hovered, this, &CommandActions::showMenuPrompt);
        connect(menu, &QMenu::aboutToHide, &readyText_, &QWidget::show);
    }
}

void CommandActions::showMenuPrompt(QAction* action) {
    // The toolkit takes an empty prompt to mean "show the normal part", so an item without a
    // prompt would leave "Ready" showing; hiding it shows the empty prompt the item has.
    if (action->statusTip().isEmpty()) {
        window_.statusBar()->clearMessage();
        readyText_.hide();
    }
}

void CommandActions::createToolbar() {
    toolbar_ = window_.addToolBar("Toolbar");
    toolbar_->setObjectName("ToolbarWindow32");
    toolbar_->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->toggleViewAction()->setVisible(false);
    for (int command : kToolbarLayout) {
        if (command == 0) {
            toolbar_->addSeparator();
            continue;
        }
        toolbar_->addAction(actions_[command]);
        if (commandTooltip(command).isEmpty()) {
            toolbar_->widgetForAction(actions_[command])
                ->installEventFilter(new NoTooltip(toolbar_));
        }
    }
}

} // namespace cartonic
