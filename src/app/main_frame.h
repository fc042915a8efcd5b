#pragma once

// The main window: owns every other window and connects each command's action to the handler its
// row of the command table names. The project's files, the exports and the recent projects each
// have a class of their own.

#include "app/app_settings.h"
#include "app/user_prompts.h"
#include "model/project.h"

#include <QMainWindow>

#include <span>

class QAction;
class QLabel;
class QSettings;
class QTimer;
class QToolBar;

namespace cartonic {

struct Command;
class CommandActions;
class EditHistory;
class ExportCommands;
class FaceSettingsPanel;
class FixedRightSplitter;
class NavigationBar;
class OGLView;
class PaneContainer;
class ProjectFiles;
class ProportionalSplitter;
class RecentProjectsMenu;
class SceneSettingsPanel;
class SettingsPane;

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds the whole window around project, which outlives it. Makes the project new once the
    // event loop runs, so the title becomes "Untitled project" then. With settings, the window
    // remembers its layout, the recent projects and the last export there between runs;
    // without, it keeps nothing. settings outlives the frame.
    explicit MainFrame(Project& project, UserPrompts prompts = UserPrompts::standard(),
                       QSettings* settings = nullptr);
    ~MainFrame() override;

    // Triggers the action of the command with this number, as its menu item, button or keys
    // would; numbers without an action, and disabled actions, do nothing.
    void dispatch(int command);

    // Opens the project at path once the event loop runs, after the start-up New: the project
    // named on the command line.
    void openAtStart(const QString& path);

    ProjectFiles& files() { return *files_; }
    RecentProjectsMenu& recentProjects() { return *recent_; }
    EditHistory& history() { return *history_; }
    OGLView& view() { return *view_; }
    SettingsPane& settingsPane() { return *settingsPane_; }
    FaceSettingsPanel& facePanel() { return *facePanel_; }
    SceneSettingsPanel& scenePanel() { return *scenePanel_; }
    // The project the window works on.
    Project& project() { return project_; }
    // What the project keeps beyond its record: its look, the embed switch, pictures inside.
    ProjectExtension& extension() { return project_.extension; }
    NavigationBar& navigationBar() { return *navigation_; }
    QToolBar& toolbar();
    FixedRightSplitter& outerSplitter() { return *outer_; }
    ProportionalSplitter& innerSplitter() { return *inner_; }
    QAction* action(int command) const;
    int facePanelIndex() const { return facePanelIndex_; }
    int scenePanelIndex() const { return scenePanelIndex_; }

    static constexpr int kSettingsPaneWidth = 283;
    static constexpr int kInnerBarStart = 100;
    static constexpr int kStartWidth = 1100;
    static constexpr int kStartHeight = 760;

public slots:
    // Shows the settings of the face (0..5), which becomes the selected one.
    void selectFace(int face);
    // Shows the settings of everything that is not a face.
    void showSceneSettings();

signals:
    // The face panel shows the face selectFace chose, or the one a project opened with.
    void faceSelected();
    // The scene panel shows, or a project was opened.
    void sceneSettingsShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The command table's handlers run what the frame keeps to itself.
    friend std::span<const Command> commandTable();

    void createClient();
    void connectCommands();
    void createHistory();
    // Makes whatever the last input changed one undo step, once the event queue is idle.
    void scheduleCommit();

    // What the window shows after the project was made new or opened.
    void showNewProject();
    void showOpenedProject(const QString& path);
    // The embed switch's check and the view's look, from the project's settings.
    void showExtensionSettings();
    void setEmbedPictures(bool on);
    // Asks for a folder, writes the pictures kept inside the project there and points the slots
    // at them.
    void extractPictures();
    void openRecent(const QString& path);
    void setSmoothEdges(bool on);
    void pastePicture();
    // File > Import Dieline: a net chosen, its cut confirmed, its panels on the six faces.
    void importDieline();
    // Selects face and puts the picture file at path on it; tells the user when it cannot.
    void dropPictureOnFace(int face, const QString& path);
    void showAbout();

    Project& project_;
    UserPrompts prompts_;
    AppSettings settings_;
    CommandActions* commands_ = nullptr;
    ProjectFiles* files_ = nullptr;
    ExportCommands* exports_ = nullptr;
    RecentProjectsMenu* recent_ = nullptr;
    EditHistory* history_ = nullptr;
    QLabel* readyText_ = nullptr; // the status bar's normal part
    QTimer* commitTimer_ = nullptr;
    FixedRightSplitter* outer_ = nullptr;
    ProportionalSplitter* inner_ = nullptr;
    NavigationBar* navigation_ = nullptr;
    OGLView* view_ = nullptr;
    SettingsPane* settingsPane_ = nullptr;
    FaceSettingsPanel* facePanel_ = nullptr;
    SceneSettingsPanel* scenePanel_ = nullptr;
    int facePanelIndex_ = -1;
    int scenePanelIndex_ = -1;
    DielineChoice lastDieline_; // the next net starts from the last one's choices
};

} // namespace cartonic
