#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>

#include "documents/browser_detection.h"
#include "documents/document_host.h"
#include "editor/error_box.h"
#include "editor/tree_widget_design_tree.h"
#include "editor/undo_history.h"
#include "output/publishing_agent.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QSplitter;
class QTabWidget;
class QTreeWidgetItem;

namespace marivel {

class DocumentCommands;
class HelpCommands;
class ItemDecorations;
class ItemPage;
class LivePreviewDock;
class MainActions;
class PathPage;
class PictureThumbnails;
class PreviewCommands;
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

// The main window: owns the document agent, the design tree, the property
// pages and the editor state, and conducts the commands between them. The
// document commands reach it as their DocumentHost.
class MainWindow final : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    MainWindow(Prompter& prompter, SettingsStore& settings, Shell& shell, MainWindowOptions options,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- editor state ------------------------------------------------------------
    bool isModified() const override { return modified_; }
    void markModified();
    void clearModified() override;
    // The start-up sets it without touching the Save commands, so that
    // opening the command-line project asks no question about saving.
    void setModifiedFlag(bool modified) { modified_ = modified; }
    QTreeWidgetItem* currentItemNode() const { return currentItemNode_; }
    bool treeEventsSuppressed() const { return suppressTreeEvents_; }
    const QString& currentFileName() const override { return currentFileName_; }
    void setCurrentFileName(const QString& path) override { currentFileName_ = path; }
    int lastPageIndex() const { return lastPageIndex_; }

    // --- pages and model ---------------------------------------------------------
    void commitSliderPages();
    void loadSliderPages() override;
    void showItemImagePath() override;
    void commitItemPage(int index);
    void loadItemPage(int index);
    // commitSliderPages, then commitItemPage for currentItemNode when it is set:
    // what every save, build and preview does first.
    void commitPages() override;

    // --- undo and redo ---------------------------------------------------------------
    // Makes everything done to the project while it lives one undo step,
    // named by caption ("Delete" shows as "Undo Delete"). Edits typed into
    // the pages and not yet committed are committed first and become a step
    // of their own, so the step holds only what the command did. Steps nest:
    // only the outermost one is recorded. A command that changes nothing
    // the user can see or save makes no step.
    //
    //     MainWindow::UndoStep step(form, QStringLiteral("Insert Pictures"));
    //     ... change the model and the tree together ...
    class UndoStep {
    public:
        UndoStep(MainWindow& form, QString caption);
        ~UndoStep();
        UndoStep(const UndoStep&) = delete;
        UndoStep& operator=(const UndoStep&) = delete;

    private:
        MainWindow& form_;
        QString caption_;
        EditorView before_;
    };
    // Runs command as one undo step, through the standard error box.
    void runStep(const QString& caption, const std::function<void()>& command);
    // Undo and Redo of the Edit menu. Each commits the pages first.
    void undo();
    void redo();
    const UndoHistory& History() const { return *history_; }
    // Commits the pages and records what they changed as a step of the field
    // that changed ("Tooltip"); typed steps of one field follow each other
    // fold into one. The pages call it when the user leaves a field, picks
    // from a list or a dialog.
    // wholeProject compares the whole project even when the pages show what
    // the history holds.
    void commitFieldEdits(bool typed, bool wholeProject = false);

    // --- design tree ---------------------------------------------------------------
    // Moves node with its subtree before or after target, or to be its last
    // child, as one undo step: what dropping a dragged node does.
    void moveNode(QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place);
    void insertItem();
    // Shows the image quality choice; OK stores it and the next generation
    // uses it.
    void chooseImageQuality();
    void deleteItem();
    void moveItemUp();
    void moveItemDown();
    void updateItemCommands();
    void updatePageTabs();
    void countDescendants(QTreeWidgetItem* node);
    int descendantCount() const { return descendantCount_; }

    // --- pictures ------------------------------------------------------------------
    // Insert Pictures: one item per JPEG the user chooses, as the last
    // children of the selected node.
    void insertPicturesWithDialog();
    // The one road by which pictures become items, for Insert Pictures and
    // for files dropped on the tree: one item per readable JPEG among files,
    // in natural name order, as children of node parentIndex from its child
    // row `row` on (-1: after the last child), each as Insert makes one with
    // its picture path and prepared size filled in. Files that are no
    // readable JPEG are named in one message afterwards. Answers how many
    // items were added.
    int insertPictures(int parentIndex, int row, const QStringList& files);
    // Files dropped on the tree from a file manager: a project file among
    // them is opened as Open opens one, else the pictures are inserted.
    void dropFilesOnTree(const QList<QUrl>& urls, QTreeWidgetItem* parent, int row);
    // View > Thumbnails.
    void showThumbnails(bool shown);
    // The tooltip of an item node: its picture, prepared size, link and
    // tooltip, as they stand (the shown item's page included).
    QString itemToolTip(QTreeWidgetItem* node) const;
    // Every item node's icon anew, after the tree was rebuilt.
    void refreshItemDecorations();
    ItemDecorations& Decorations() const { return *decorations_; }
    PictureThumbnails& Pictures() const { return *pictures_; }

    // --- documents -----------------------------------------------------------------
    // Opens the project file at path (nothing for an empty path), asking
    // first about unsaved changes. Errors go to the caller.
    void openProjectByPath(const QString& path);
    DocumentCommands& documentCommands() const { return *documents_; }

    // --- DocumentHost ---------------------------------------------------------------
    DesignTree& projectTree() override { return *designTree_; }
    void reduceTreeToRoot() override { resetTree(); }
    void resumeTreeEvents() override { suppressTreeEvents_ = false; }
    void showRoot(bool expandItems) override;
    void ProjectSaved() override;
    SettingsStore& settingsStore() const override { return settings_; }
    Shell& systemShell() const override { return shell_; }
    QWidget* dialogParent() override { return this; }
    QMenu* recentFilesMenu() const override;
    bool runGuarded(const std::function<void()>& command) override;

    // --- parts for the application and the tests ----------------------------------
    PublishingAgent& documentAgent() override { return *agent_; }
    TreeWidgetDesignTree& designTreeAdapter() { return *designTree_; }
    QTreeWidget* treeWidget() const;
    MainActions& mainActions() const { return *actions_; }
    StatusLine& statusLine() const { return *statusLine_; }
    QTabWidget* propertyTabs() const { return propertyTabs_; }
    ScriptPage* scriptPage() const { return scriptPage_; }
    PathPage* pathPage() const { return pathPage_; }
    ItemPage* itemPage() const { return itemPage_; }
    Prompter& prompts() const override { return prompter_; }
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
    // The project's records may have changed (a step was recorded, undone
    // or redone, a project was read, the image quality was chosen): what
    // shows the project follows.
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
    // The page tabs, in their order.
    static constexpr int kScriptTab = 0;
    static constexpr int kItemTab = 1;
    static constexpr int kPathTab = 2;

    void initialize();
    void buildLayout();
    // Runs command through the standard error box whenever one of the
    // actions is triggered.
    void bind(std::initializer_list<QAction*> actions, const std::function<void()>& command);
    void connectCommands();
    void connectDocumentCommands();
    void connectPages();
    void installHintLine();
    void installPictures();
    // View > Live Preview (main_window_preview.cpp).
    void installLivePreview();
    void acceptProjectDropsEverywhere();
    // Handles a drag or drop event that carries a project file; false for
    // any other event.
    bool takeProjectDrop(QEvent* event);
    void pictureChosen();
    void runWhenIdle(std::function<void()> step, int delay = 0);
    QString pictureFileOf(QTreeWidgetItem* node) const;
    void installUndoKeys();
    void registerFileType();
    void resetTree();
    void selectRoot();

    void treeSelectionChanged(QTreeWidgetItem* current);
    void treeMousePressed();
    void showControlHint(QWidget* control);
    void showTreePopup(const QPoint& position);

    void showToolBar(bool shown);
    void showStatusLine(bool shown);

    int selectedIndex() const;
    int descendantsOf(int index);
    void moveBlockBefore(int moving, int before);
    int indexOf(QTreeWidgetItem* node) const;

    // Undo and redo (main_window_undo.cpp).
    ProjectState captureProject() const;
    EditorView currentView() const;
    void commitPagesQuietly();
    void recordFieldEdits(bool typed, bool wholeProject = false);
    void resetHistory();
    void restoreProject(const UndoHistory::Applied& applied);
    void rebuildTree(const ProjectState& state);
    void updateUndoCommands();
    void setModifiedState(bool modified);
    bool historyQuiet() const;
    // Structural edits of the tree run with the selection-change handler
    // silenced; the handler is run explicitly afterwards where needed. The
    // widget moves its current item around during removals and moves, at
    // moments when the absolute indexes do not yet match the item array.
    struct StructuralEdit {
        explicit StructuralEdit(MainWindow& form) : form_(form), was_(form.structuralEdit_) {
            form_.structuralEdit_ = true;
        }
        ~StructuralEdit() { form_.structuralEdit_ = was_; }
        StructuralEdit(const StructuralEdit&) = delete;
        StructuralEdit& operator=(const StructuralEdit&) = delete;
        MainWindow& form_;
        bool was_;
    };

    Prompter& prompter_;
    SettingsStore& settings_;
    Shell& shell_;
    MainWindowOptions options_;
    std::unique_ptr<PublishingAgent> agent_;
    std::unique_ptr<DocumentCommands> documents_;

    bool modified_ = false;
    // The tab arrangement last made, by selected node index; no index is
    // this, so the first arrangement always runs.
    static constexpr int kNeverArranged = -2009;
    int lastPageIndex_ = kNeverArranged;
    int descendantCount_ = 0;
    QTreeWidgetItem* currentItemNode_ = nullptr;
    bool suppressTreeEvents_ = false;
    bool structuralEdit_ = false;
    std::unique_ptr<UndoHistory> history_ = std::make_unique<UndoHistory>();
    // The history waits for the project being read or made to be shown
    // before it takes it as its start.
    bool historyPending_ = true;
    int stepDepth_ = 0;
    bool restoring_ = false;
    struct MoveKey {
        quint64 time = ~quint64(0);
        QPointF position;
        bool operator==(const MoveKey&) const = default;
    };
    MoveKey lastMove_;
    QString currentFileName_;

    MainActions* actions_ = nullptr;
    StatusLine* statusLine_ = nullptr;
    QWidget* treePanel_ = nullptr;
    DesignTreeWidget* designTreeWidget_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTabWidget* propertyTabs_ = nullptr;
    ScriptPage* scriptPage_ = nullptr;
    ItemPage* itemPage_ = nullptr;
    PathPage* pathPage_ = nullptr;
    std::unique_ptr<TreeWidgetDesignTree> designTree_;
    std::unique_ptr<PreviewCommands> preview_;
    std::unique_ptr<HelpCommands> help_;
    PictureThumbnails* pictures_ = nullptr;
    ItemDecorations* decorations_ = nullptr;
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
