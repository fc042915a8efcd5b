#include "app/main_frame.h"

#include "app/command_ids.h"
#include "app/edit_history.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pane_container.h"
#include "app/settings_pane.h"
#include "app/splitters.h"
#include "app/string_table.h"
#include "app/toolbar_icons.h"
#include "panels/application_icon.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace cartonic {

namespace {

MainFrame* theFrame = nullptr;

// Keeps a toolbar button from showing a tooltip. The toolkit falls back to the button's text
// when a command's string has no tooltip part; such a button is meant to have none.
class NoTooltip : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

} // namespace

MainFrame* mainFrame() {
    return theFrame;
}

MainFrame::MainFrame(ProjectData& data, SlotImages& images, UserPrompts prompts,
                     QSettings* settings)
    : data_(data), images_(images), prompts_(std::move(prompts)), settings_(settings) {
    theFrame = this;
    setObjectName("MainFrame");
    setWindowTitle(kAppTitle);
    setWindowIcon(applicationIcon({kSmallIconSide, kLargeIconSide}));
    resize(kStartWidth, kStartHeight);

    // The status bar's normal part; menu prompts cover it while shown and it comes back after.
    readyText_ = new QLabel(kReadyText, statusBar());
    readyText_->setObjectName("ReadyText");
    statusBar()->addWidget(readyText_, 1);
    createActions();
    createMenus();
    createToolbar();
    createClient();
    restoreLayout();
    restoreSmoothEdges();

    faceSelected.add([this] { view_->update(); });
    faceSelected.add([this] { facePanel_->refreshFromProject(); });
    sceneSettingsShown.add([this] { scenePanel_->refreshFromProject(); });
    connect(facePanel_, &FaceSettingsPanel::colorChanged, view_, qOverload<>(&QWidget::update));
    createHistory();

    // New runs once the event loop starts, after the window has been shown; there is nothing to
    // save yet, so it asks nothing.
    markSaved();
    QTimer::singleShot(0, this, [this] { newProject(); });
    dispatch(ModeRotateCamera);
}

void MainFrame::createHistory() {
    EditHistory::Hooks hooks;
    hooks.restored = [this] {
        facePanel_->refreshFromProject();
        scenePanel_->refreshFromProject();
        scenePanel_->showFieldOfView();
        view_->applyLight();
        view_->requestRedraw();
    };
    history_ = new EditHistory(data_, images_, view_->camera(), std::move(hooks), this);
    qApp->installEventFilter(history_);

    // Every edit asks the view for a new picture; the check runs once the input is handled.
    commitTimer_ = new QTimer(this);
    commitTimer_->setSingleShot(true);
    commitTimer_->setInterval(0);
    connect(commitTimer_, &QTimer::timeout, history_, &EditHistory::commit);
    connect(view_, &OGLView::redrawRequested, this, &MainFrame::scheduleCommit);
    connect(facePanel_, &FaceSettingsPanel::colorChanged, this, &MainFrame::scheduleCommit);

    QUndoStack* stack = &history_->stack();
    const auto follow = [this](int command, const QString& verb, const QString& keys,
                               const QString& step, bool enabled) {
        QAction* action = actions_[command];
        action->setEnabled(enabled);
        action->setText(step.isEmpty() ? QString("&%1\t%2").arg(verb, keys)
                                       : QString("&%1 %2\t%3").arg(verb, step, keys));
    };
    const auto update = [stack, follow] {
        follow(EditUndo, "Undo", "Ctrl+Z", stack->undoText(), stack->canUndo());
        follow(EditRedo, "Redo", "Ctrl+Y", stack->redoText(), stack->canRedo());
    };
    connect(stack, &QUndoStack::indexChanged, this, update);
    connect(stack, &QUndoStack::cleanChanged, this, update);
    update();
}

void MainFrame::scheduleCommit() {
    if (!commitTimer_->isActive()) {
        commitTimer_->start();
    }
}

MainFrame::~MainFrame() {
    // Its stack tells the Edit menu's actions about its last change as it goes; they go before
    // the window's children do.
    delete history_;
    if (theFrame == this) {
        theFrame = nullptr;
    }
}

void MainFrame::addAction(int command, const QString& text, const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setData(command);
    action->setIcon(toolbarIcon(command));
    action->setStatusTip(commandPrompt(command));
    action->setToolTip(commandTooltip(command));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    connect(action, &QAction::triggered, this, [this, command] { dispatch(command); });
    actions_.insert(command, action);
}

void MainFrame::createActions() {
    addAction(FileNew, "&New\tCtrl+N", QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction(FileOpen, "&Open...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O));
    addAction(FileSave, "&Save\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(FileSaveAs, "Save &As...");
    addAction(SaveAsImage, "Save As &Image");
    addAction(SaveAsTurntable, "Save As &Turntable...");
    addAction(ExportModel, "Export &3D Model...");
    addAction(AppExit, "E&xit");
    addAction(EditUndo, "&Undo\tCtrl+Z", QKeySequence(Qt::CTRL | Qt::Key_Z));
    addAction(EditRedo, "&Redo\tCtrl+Y", QKeySequence(Qt::CTRL | Qt::Key_Y));
    addAction(EditCopy, "&Copy\tCtrl+C", QKeySequence(Qt::CTRL | Qt::Key_C));
    addAction(EditPaste, "&Paste\tCtrl+V", QKeySequence(Qt::CTRL | Qt::Key_V));
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

    // The second keys of the accelerator table, and the other common redo.
    actions_[EditUndo]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    actions_[EditRedo]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    actions_[EditCopy]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    actions_[EditPaste]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    for (int command : {ViewToolbar, ViewStatusBar, ViewSmoothEdges}) {
        actions_[command]->setCheckable(true);
        actions_[command]->setChecked(true);
    }
    modeGroup_ = new QActionGroup(this);
    modeGroup_->setExclusive(true);
    for (int command :
         {ModeRotateCamera, ModeAdjustWidth, ModeAdjustDepth, ModeAdjustHeight, ModeRotateLight}) {
        actions_[command]->setCheckable(true);
        modeGroup_->addAction(actions_[command]);
    }
    // The menu shows its own shortcut column from the text after the tab.
    for (QAction* action : std::as_const(actions_)) {
        action->setShortcutVisibleInContextMenu(false);
    }
}

void MainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(actions_[FileNew]);
    file->addAction(actions_[FileOpen]);
    file->addAction(actions_[FileSave]);
    file->addAction(actions_[FileSaveAs]);
    file->addAction(actions_[SaveAsImage]);
    file->addAction(actions_[SaveAsTurntable]);
    file->addAction(actions_[ExportModel]);
    recentMenu_ = file->addMenu("Recent &Projects");
    recentMenu_->setObjectName("RecentProjects");
    rebuildRecentMenu();
    file->addSeparator();
    file->addAction(actions_[AppExit]);
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction(actions_[EditUndo]);
    edit->addAction(actions_[EditRedo]);
    edit->addSeparator();
    edit->addAction(actions_[EditCopy]);
    edit->addAction(actions_[EditPaste]);
    QMenu* viewMenu = menuBar()->addMenu("&View");
    viewMenu->addAction(actions_[ViewToolbar]);
    viewMenu->addAction(actions_[ViewStatusBar]);
    viewMenu->addAction(actions_[ViewSmoothEdges]);
    viewMenu->addSeparator();
    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(actions_[HomePage]);
    help->addSeparator();
    help->addAction(actions_[AppAbout]);

    for (QMenu* menu : {file, edit, viewMenu, help}) {
        // The Edit menu opens with a separator and the View menu ends with one; both show.
        menu->setSeparatorsCollapsible(false);
        connect(menu, &QMenu::hovered, this, &MainFrame::showMenuPrompt);
        connect(menu, &QMenu::aboutToHide, readyText_, &QWidget::show);
    }
}

void MainFrame::showMenuPrompt(QAction* action) {
    // The toolkit takes an empty prompt to mean "show the normal part", so an item without a
    // prompt would leave "Ready" showing; hiding it shows the empty prompt the item has.
    if (action->statusTip().isEmpty()) {
        statusBar()->clearMessage();
        readyText_->hide();
    }
}

void MainFrame::createToolbar() {
    toolbar_ = addToolBar("Toolbar");
    toolbar_->setObjectName("ToolbarWindow32");
    toolbar_->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->toggleViewAction()->setVisible(false);
    const int layout[] = {FileNew,          FileOpen,
                          FileSave,         0,
                          EditCopy,         0,
                          ModeRotateCamera, 0,
                          ModeAdjustWidth,  ModeAdjustDepth,
                          ModeAdjustHeight, 0,
                          ModeRotateLight,  0,
                          ChangeSettings,   0,
                          AppAbout};
    for (int command : layout) {
        if (command == 0) {
            toolbar_->addSeparator();
        } else {
            toolbar_->addAction(actions_[command]);
            if (commandTooltip(command).isEmpty()) {
                toolbar_->widgetForAction(actions_[command])
                    ->installEventFilter(new NoTooltip(toolbar_));
            }
        }
    }
}

void MainFrame::createClient() {
    outer_ = new FixedRightSplitter(this);
    inner_ = new ProportionalSplitter(outer_);
    settingsContainer_ = new PaneContainer(outer_);
    navigationPane_ = new PaneContainer(inner_);
    viewPane_ = new PaneContainer(inner_);
    navigationPane_->setMinimumWidth(ProportionalSplitter::kMinPaneWidth);
    viewPane_->setMinimumWidth(ProportionalSplitter::kMinPaneWidth);
    inner_->setMinimumWidth(FixedRightSplitter::kMinPaneWidth);
    settingsContainer_->setMinimumWidth(FixedRightSplitter::kMinPaneWidth);
    outer_->addWidget(inner_);
    outer_->addWidget(settingsContainer_);
    outer_->setStretchFactor(0, 1);
    outer_->setStretchFactor(1, 0);
    inner_->addWidget(navigationPane_);
    inner_->addWidget(viewPane_);
    setCentralWidget(outer_);

    navigation_ = new NavigationBar(navigationPane_);
    view_ = new OGLView(data_, images_, viewPane_);
    settingsPane_ = new SettingsPane(settingsContainer_);
    navigationPane_->setClient(navigation_);
    viewPane_->setClient(view_);
    settingsContainer_->setClient(settingsPane_);
    viewPane_->setCloseButtonVisible(false);
    viewPane_->setClientEdge(true);
    settingsContainer_->setClientEdge(true);
    for (PaneContainer* pane : {navigationPane_, viewPane_, settingsContainer_}) {
        connect(pane, &PaneContainer::commandRequested, this, &MainFrame::dispatch);
    }
    connect(navigation_, &NavigationBar::commandRequested, this, &MainFrame::dispatch);
    connect(
        navigation_, &NavigationBar::pictureDropped, this,
        [this](int command, const QString& path) { dropPictureOnFace(command - SelectTop, path); });
    connect(view_, &OGLView::pictureDropped, this, &MainFrame::dropPictureOnFace);
    // Smooth edges can be switched only on a surface with the samples for them.
    connect(view_, &OGLView::smoothEdgesOffered, actions_[ViewSmoothEdges], &QAction::setEnabled);
    // A project dropped anywhere on the window opens.
    setAcceptDrops(true);

    facePanel_ = new FaceSettingsPanel(data_, images_, *view_, settingsPane_);
    scenePanel_ = new SceneSettingsPanel(data_, images_, *view_, settingsPane_);
    facePanelIndex_ = settingsPane_->addPanel(facePanel_);
    scenePanelIndex_ = settingsPane_->addPanel(scenePanel_);
    settingsPane_->showPanel(facePanelIndex_);

    // The panels are laid out in dialog units of the toolkit's font; where that font is wider
    // than the one the 283 pixels were chosen for, the pane widens so no control is cut off.
    const int panelWidth =
        std::max(facePanel_->sizeHint().width(), scenePanel_->sizeHint().width());
    const int settingsWidth = std::max(kSettingsPaneWidth, panelWidth + outer_->handleWidth() + 2 +
                                                               2 * PaneContainer::kClientEdge);
    outer_->setRightPaneWidth(settingsWidth);
    // The navigation pane starts 100 pixels wide, measured in the part left of the settings
    // pane, so the face icons and their frames show whole.
    const int span = std::max(1, width() - settingsWidth - inner_->handleWidth());
    inner_->setProportion(kInnerBarStart * ProportionalSplitter::kProportionScale / span);
}

bool MainFrame::isModified() const {
    return snapshotOf(data_) != saved_;
}

void MainFrame::markSaved() {
    saved_ = snapshotOf(data_);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (mayDiscardChanges()) {
        rememberLayout();
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace cartonic
