#include "app/main_frame.h"

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/edit_history.h"
#include "app/export_commands.h"
#include "app/face_list.h"
#include "app/navigation_bar.h"
#include "app/ogl_view.h"
#include "app/pane_container.h"
#include "app/project_files.h"
#include "app/recent_projects_menu.h"
#include "app/settings_pane.h"
#include "app/splitters.h"
#include "app/string_table.h"
#include "app/window_geometry.h"
#include "panels/application_icon.h"
#include "panels/face_settings_panel.h"
#include "panels/scene_settings_panel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

#include <utility>

namespace cartonic {

MainFrame::MainFrame(Project& project, UserPrompts prompts, QSettings* settings)
    : project_(project), prompts_(std::move(prompts)), settings_(settings) {
    setObjectName("MainFrame");
    setWindowTitle(kAppTitle);
    setWindowIcon(applicationIcon({kSmallIconSide, kLargeIconSide}));
    resize(kStartWidth, kStartHeight);

    // The status bar's normal part; menu prompts cover it while shown and it comes back after.
    readyText_ = new QLabel(kReadyText, statusBar());
    readyText_->setObjectName("ReadyText");
    statusBar()->addWidget(readyText_, 1);
    commands_ = new CommandActions(*this, *readyText_);
    recent_ = new RecentProjectsMenu(commands_->recentMenu(), settings_, prompts_, *this);
    createClient();
    files_ = new ProjectFiles(*this, project_, prompts_);
    exports_ = new ExportCommands(*this, project_, *view_, prompts_, settings_);
    restoreLayout(*this, *inner_, settings_, QSize(kStartWidth, kStartHeight));
    const bool smooth = settings_.viewSmoothEdges();
    view_->setSmoothEdges(smooth);
    action(ViewSmoothEdges)->setChecked(smooth);

    connect(this, &MainFrame::faceSelected, view_, qOverload<>(&QWidget::update));
    connect(this, &MainFrame::faceSelected, facePanel_, &FaceSettingsPanel::refreshFromProject);
    connect(this, &MainFrame::sceneSettingsShown, scenePanel_,
            &SceneSettingsPanel::refreshFromProject);
    connect(facePanel_, &FaceSettingsPanel::colorChanged, view_, qOverload<>(&QWidget::update));
    createHistory();
    connectCommands();

    // New runs once the event loop starts, after the window has been shown; there is nothing to
    // save yet, so it asks nothing.
    QTimer::singleShot(0, files_, &ProjectFiles::clear);
    dispatch(ModeRotateCamera);
}

MainFrame::~MainFrame() {
    // Its stack tells the Edit menu's actions about its last change as it goes; they go before
    // the window's children do.
    delete history_;
}

QToolBar& MainFrame::toolbar() {
    return commands_->toolbar();
}

QAction* MainFrame::action(int command) const {
    return commands_->action(command);
}

void MainFrame::dispatch(int command) {
    commands_->trigger(command);
}

void MainFrame::createClient() {
    outer_ = new FixedRightSplitter(this);
    inner_ = new ProportionalSplitter(outer_);
    auto* settingsContainer = new PaneContainer(outer_);
    auto* navigationPane = new PaneContainer(inner_);
    auto* viewPane = new PaneContainer(inner_);
    navigationPane->setMinimumWidth(ProportionalSplitter::kMinPaneWidth);
    viewPane->setMinimumWidth(ProportionalSplitter::kMinPaneWidth);
    inner_->setMinimumWidth(FixedRightSplitter::kMinPaneWidth);
    settingsContainer->setMinimumWidth(FixedRightSplitter::kMinPaneWidth);
    outer_->addWidget(inner_);
    outer_->addWidget(settingsContainer);
    outer_->setStretchFactor(0, 1);
    outer_->setStretchFactor(1, 0);
    inner_->addWidget(navigationPane);
    inner_->addWidget(viewPane);
    setCentralWidget(outer_);

    navigation_ = new NavigationBar(navigationPane);
    view_ = new OGLView(project_, viewPane);
    settingsPane_ = new SettingsPane(settingsContainer);
    navigationPane->setClient(navigation_);
    viewPane->setClient(view_);
    settingsContainer->setClient(settingsPane_);
    viewPane->setCloseButtonVisible(false);
    viewPane->setClientEdge(true);
    settingsContainer->setClientEdge(true);
    connect(navigation_, &NavigationBar::faceChosen, this, &MainFrame::selectFace);
    connect(navigation_, &NavigationBar::pictureDropped, this, &MainFrame::dropPictureOnFace);
    connect(view_, &OGLView::pictureDropped, this, &MainFrame::dropPictureOnFace);
    // Smooth edges can be switched only on a surface with the samples for them.
    connect(view_, &OGLView::smoothEdgesOffered, action(ViewSmoothEdges), &QAction::setEnabled);
    // A project dropped anywhere on the window opens.
    setAcceptDrops(true);

    facePanel_ = new FaceSettingsPanel(project_, *view_, settingsPane_);
    scenePanel_ = new SceneSettingsPanel(project_, *view_, settingsPane_);
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

void MainFrame::connectCommands() {
    for (const Command& command : commandTable()) {
        connect(action(command.number), &QAction::triggered, this,
                [this, run = command.run](bool checked) { run(*this, checked); });
    }

    connect(files_, &ProjectFiles::pathChanged, this, [this](const QString& path) {
        setWindowTitle(path.isEmpty() ? QString(kUntitledTitle) : path);
    });
    connect(files_, &ProjectFiles::cleared, this, &MainFrame::showNewProject);
    connect(files_, &ProjectFiles::opened, this, &MainFrame::showOpenedProject);
    connect(files_, &ProjectFiles::saved, recent_, &RecentProjectsMenu::remember);
    connect(files_, &ProjectFiles::aboutToSave, history_, &EditHistory::commit);
    connect(files_, &ProjectFiles::saved, history_, &EditHistory::saved);
    connect(recent_, &RecentProjectsMenu::projectChosen, this, &MainFrame::openRecent);
    const auto tell = [this](const QString& line) {
        statusBar()->showMessage(line);
    };
    connect(files_, &ProjectFiles::told, this, tell);
    connect(facePanel_, &FaceSettingsPanel::told, this, tell);
    connect(scenePanel_, &SceneSettingsPanel::told, this, tell);
}

void MainFrame::createHistory() {
    history_ = new EditHistory(project_.record, project_.pictures, project_.extension.settings,
                               view_->camera(), this);
    connect(history_, &EditHistory::restored, this, [this] {
        facePanel_->refreshFromProject();
        scenePanel_->refreshFromProject();
        scenePanel_->showFieldOfView();
        showExtensionSettings();
        view_->applyLight();
        view_->requestRedraw();
    });
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
        QAction* a = action(command);
        a->setEnabled(enabled);
        a->setText(step.isEmpty() ? QString("&%1\t%2").arg(verb, keys)
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

void MainFrame::closeEvent(QCloseEvent* event) {
    if (files_->mayDiscardChanges()) {
        rememberLayout(*this, *inner_, settings_);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace cartonic
