#pragma once

// The main window: owns every other window, routes every command by number, and keeps the
// current project path and title.

#include "app/listener_list.h"
#include "app/user_prompts.h"
#include "model/project_snapshot.h"
#include "model/slot_images.h"
#include "render/export_textures.h"

#include <QHash>
#include <QMainWindow>

#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSettings;
class QTimer;
class QToolBar;

namespace cartonic {

class EditHistory;
class FaceSettingsPanel;
class FixedRightSplitter;
class NavigationBar;
class OGLView;
class PaneContainer;
class ProportionalSplitter;
class SceneSettingsPanel;
class SettingsPane;

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds the whole window around data and its pictures. Posts New to itself, so the title
    // becomes "Untitled project" once the event loop runs. With settings, the window remembers
    // its layout, the recent projects and the last export there between runs; without, it
    // keeps nothing. settings outlives the frame.
    MainFrame(ProjectData& data, SlotImages& images, UserPrompts prompts = UserPrompts::standard(),
              QSettings* settings = nullptr);
    ~MainFrame() override;

    // Runs the command with this number; unknown numbers do nothing.
    void dispatch(int command);

    // Opens the project at path once the event loop runs, after the start-up New: the project
    // named on the command line.
    void openAtStart(const QString& path);

    // The File menu's recent projects, the most recent first.
    QStringList recentProjects() const;
    QMenu* recentMenu() const { return recentMenu_; }

    OGLView& view() { return *view_; }
    SettingsPane& settingsPane() { return *settingsPane_; }
    FaceSettingsPanel& facePanel() { return *facePanel_; }
    SceneSettingsPanel& scenePanel() { return *scenePanel_; }
    NavigationBar& navigationBar() { return *navigation_; }
    QToolBar& toolbar() { return *toolbar_; }
    FixedRightSplitter& outerSplitter() { return *outer_; }
    ProportionalSplitter& innerSplitter() { return *inner_; }
    QAction* action(int command) const { return actions_.value(command); }
    UserPrompts& prompts() { return prompts_; }
    EditHistory& history() { return *history_; }

    ListenerList faceSelected;
    ListenerList sceneSettingsShown;
    int facePanelIndex() const { return facePanelIndex_; }
    int scenePanelIndex() const { return scenePanelIndex_; }

    const QString& currentPath() const { return currentPath_; }
    // True when the project differs from what was last opened, saved or made new.
    bool isModified() const;

    static constexpr int kSettingsPaneWidth = 283;
    static constexpr int kInnerBarStart = 100;
    static constexpr int kStartWidth = 1100;
    static constexpr int kStartHeight = 760;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolbar();
    void createClient();
    void addAction(int command, const QString& text, const QKeySequence& shortcut = {});
    void showMenuPrompt(QAction* action);
    void createHistory();
    // Makes whatever the last input changed one undo step, once the event queue is idle.
    void scheduleCommit();

    void selectFace(int face);
    void showSceneSettings();
    void setMouseMode(int command);
    void newProject();
    void openProject();
    // Opens the project at path (after the dialog, a drop or a recent entry); false when it
    // cannot be read, with the user told and the project as it was.
    bool openProjectFile(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    bool writeProject(const QString& path);
    void saveAsImage();
    void exportModel();
    // Asks for a turntable's size, frames, rate and file, then renders it frame by frame in the
    // view's context with a progress dialog that can cancel it (main_frame_turntable.cpp).
    void saveAsTurntable();
    void copyPicture();
    void pastePicture();
    // Selects face and puts the picture file at path on it; tells the user when it cannot.
    void dropPictureOnFace(int face, const QString& path);
    // The view's size in the pixels it is drawn in.
    QSize viewPixelSize() const;
    // What pictures of the view are drawn from: the slots' pictures and the files they came from.
    SlotPictures exportPictures() const;
    // The status bar's line after a picture of the view was made: done, then the notes.
    void reportPicture(const QString& done, const std::vector<std::string>& notes);
    void openHomePage();
    void showAbout();
    void toggleToolbar();
    void toggleStatusBar();
    void toggleSmoothEdges();
    // The view's smooth edges as last chosen (on when nothing is remembered).
    void restoreSmoothEdges();
    // Asks to save unsaved changes; false when the user cancels what was about to happen.
    bool mayDiscardChanges();
    void markSaved();
    // A project was opened or saved at path: it heads the recent list.
    void rememberProject(const QString& path);
    void rebuildRecentMenu();
    void openRecent(const QString& path);
    void restoreLayout();
    void rememberLayout();
    void restorePictures(const QString& projectPath);
    // Deletes the textures among before (texture names the record held) that no field of the
    // record refers to any more, so New and Open do not pile up unreachable textures.

    ProjectData& data_;
    SlotImages& images_;
    UserPrompts prompts_;
    QHash<int, QAction*> actions_;
    QActionGroup* modeGroup_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QLabel* readyText_ = nullptr; // the status bar's normal part
    EditHistory* history_ = nullptr;
    QSettings* settings_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QTimer* commitTimer_ = nullptr;
    FixedRightSplitter* outer_ = nullptr;
    ProportionalSplitter* inner_ = nullptr;
    PaneContainer* navigationPane_ = nullptr;
    PaneContainer* viewPane_ = nullptr;
    PaneContainer* settingsContainer_ = nullptr;
    NavigationBar* navigation_ = nullptr;
    OGLView* view_ = nullptr;
    SettingsPane* settingsPane_ = nullptr;
    FaceSettingsPanel* facePanel_ = nullptr;
    SceneSettingsPanel* scenePanel_ = nullptr;
    int facePanelIndex_ = -1;
    int scenePanelIndex_ = -1;
    QString currentPath_;
    ProjectSnapshot saved_;
    bool toolbarVisible_ = true;
};

// The one main frame of the process; nullptr before it is made and after it is gone.
MainFrame* mainFrame();

} // namespace cartonic
