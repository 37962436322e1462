#pragma once

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>

#include "documents/browser_detection.h"
#include "editor/error_box.h"
#include "editor/project_editor.h"

class QAction;
class QCloseEvent;
class QDockWidget;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QSplitter;
class QTabWidget;

namespace marivel {

class DocumentCommands;
class HelpCommands;
class ItemPage;
class LivePreviewDock;
class MainActions;
class PathPage;
class PreviewCommands;
class UploadCommands;
class ProjectDocument;
class Prompter;
class ScriptPage;
class SettingsStore;
class Shell;
class StatusLine;

// Where the main window finds the world around it. Tests point the program
// folder and the desktop data folder at temporary folders.
struct MainWindowOptions {
    std::filesystem::path programFolder;   // the folder of the executable: what ships
    std::filesystem::path writableFolder;  // where the program writes; empty: the program folder
    // This editor's own folder for the generated scripts and the preview
    // folder; empty: the writable folder.
    std::filesystem::path workFolder;
    bool registerFileType = true;
    QString executable;  // registered as the program for project files; empty: this process
    QString dataHome;    // XDG data folder for the registration; empty: $XDG_DATA_HOME
    bool runCacheUpdaters = true;
    BrowserLocations browsers = BrowserLocations::fromEnvironment();  // where browsers are looked for
};

// The main window conducts: it lays out the design tree, the property pages
// and the docks, wires one action per command to the project document's
// editor and the command classes, shows the hint line, takes project files
// dropped on it and asks before closing. The project itself is the
// document's; the tree and the pages follow it through the editor.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Prompter& prompter, SettingsStore& settings, Shell& shell, MainWindowOptions options,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    ProjectDocument& document() const { return *document_; }
    ProjectEditor& editor() const { return *editor_; }
    // Opens the project file at path (nothing for an empty path), asking
    // first about unsaved changes. Errors go to the caller.
    void openProjectByPath(const QString& path);

    // --- parts for the application and the tests ----------------------------------
    QTreeWidget* treeWidget() const;
    MainActions& mainActions() const { return *actions_; }
    StatusLine& statusLine() const { return *statusLine_; }
    QTabWidget* propertyTabs() const { return propertyTabs_; }
    ScriptPage* scriptPage() const { return scriptPage_; }
    PathPage* pathPage() const { return pathPage_; }
    ItemPage* itemPage() const { return itemPage_; }
    QDockWidget* undoHistoryDock() const { return historyDock_; }
    DocumentCommands& documentCommands() const { return *documents_; }
    PreviewCommands& previewCommands() const { return *preview_; }
    // View > Live Preview's pane; null when the editor is built without it.
    LivePreviewDock* livePreview() const { return livePreview_; }
    HelpCommands& helpCommands() const { return *help_; }

    // Runs a command of the user through the standard error box.
    template <typename Command>
    void run(Command&& command) {
        RunCommand(prompter_, this, std::forward<Command>(command));
    }

signals:
    // The image quality was chosen anew: what shows the prepared pictures
    // follows (the document announces every other change itself).
    void projectEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way of closing the window (the Exit command, the window manager,
    // Alt+F4, the end of the session) asks about unsaved changes first.
    void closeEvent(QCloseEvent* event) override;
    // A project file dropped anywhere on the window opens as Open opens one.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void buildDocks();
    // Runs command through the standard error box whenever one of the
    // actions is triggered.
    void bind(std::initializer_list<QAction*> actions, const std::function<void()>& command);
    void connectCommands();
    void installHintLine();
    void installUndoKeys();
    void acceptProjectDropsEverywhere();
    // Handles a drag or drop event that carries a project file; false for
    // any other event.
    bool takeProjectDrop(QEvent* event);
    void registerFileType();
    void chooseImageQuality();
    void showTreePopup(const QPoint& position);
    void showToolBar(bool shown);
    void showStatusLine(bool shown);

    Prompter& prompter_;
    SettingsStore& settings_;
    Shell& shell_;
    MainWindowOptions options_;
    std::unique_ptr<ProjectDocument> document_;
    ProjectEditor* editor_ = nullptr;
    std::unique_ptr<DocumentCommands> documents_;
    std::unique_ptr<PreviewCommands> preview_;
    std::unique_ptr<HelpCommands> help_;
    UploadCommands* upload_ = nullptr;  // a child of the window

    struct MoveKey {
        quint64 time = ~quint64(0);
        QPointF position;
        bool operator==(const MoveKey&) const = default;
    };
    MoveKey lastMove_;

    MainActions* actions_ = nullptr;
    StatusLine* statusLine_ = nullptr;
    QWidget* treePanel_ = nullptr;
    DesignTreeWidget* designTreeWidget_ = nullptr;
    QTabWidget* propertyTabs_ = nullptr;
    ScriptPage* scriptPage_ = nullptr;
    ItemPage* itemPage_ = nullptr;
    PathPage* pathPage_ = nullptr;
    QDockWidget* historyDock_ = nullptr;
    LivePreviewDock* livePreview_ = nullptr;
};

// Start-up: the command-line arguments (without the program's own name),
// each followed by one space, with blanks and control characters trimmed
// from both ends of the whole.
QString JoinCommandLine(const QStringList& arguments);

// Start-up: opens the project named by the command-line arguments, if any.
// Nothing is asked about unsaved changes and nothing is reported: a project
// that cannot be opened leaves the editor as the failed open left it.
void OpenCommandLineProject(MainWindow& form, const QStringList& arguments);

}  // namespace marivel
