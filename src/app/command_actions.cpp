#include "app/command_actions.h"

#include "app/command_ids.h"
#include "app/command_table.h"
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

#include <string_view>

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
    auto* modes = new QActionGroup(&window_);
    modes->setExclusive(true);
    for (const Command& command : commandTable()) {
        QAction* action = addAction(command);
        if (command.kind == CommandKind::Mode) {
            modes->addAction(action);
        }
    }
    createMenus();
    createToolbar();
}

QAction* CommandActions::addAction(const Command& command) {
    auto* action = new QAction(QString::fromUtf8(command.text), &window_);
    action->setData(command.number);
    action->setIcon(toolbarIcon(command.icon));
    action->setStatusTip(QString::fromUtf8(command.prompt));
    action->setToolTip(QString::fromUtf8(command.tooltip));
    QList<QKeySequence> keys;
    for (const QKeyCombination key : command.keys) {
        if (key.key() != Qt::Key_unknown) {
            keys.append(key);
        }
    }
    action->setShortcuts(keys);
    // The menu shows its own shortcut column from the text after the tab.
    action->setShortcutVisibleInContextMenu(false);
    action->setCheckable(command.kind != CommandKind::Plain);
    action->setChecked(command.kind == CommandKind::SwitchOn);
    actions_.insert(command.number, action);
    return action;
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
        if (std::string_view(findCommand(command)->tooltip).empty()) {
            toolbar_->widgetForAction(actions_[command])
                ->installEventFilter(new NoTooltip(toolbar_));
        }
    }
}

} // namespace cartonic
