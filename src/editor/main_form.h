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
struct MainFormOptions {
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
class TMainForm final : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    TMainForm(Prompter& prompter, SettingsStore& settings, Shell& shell, MainFormOptions options,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- editor state ------------------------------------------------------------
    bool Modified() const override { return modified_; }
    void MarkModified();
    void ClearModified() override;
    // The start-up sets it without touching the Save commands, so that
    // opening the command-line project asks no question about saving.
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    QTreeWidgetItem* CurrentItemNode() const { return currentItemNode_; }
    bool SuppressTreeEvents() const { return suppressTreeEvents_; }
    const QString& CurrentFileName() const override { return currentFileName_; }
    void SetCurrentFileName(const QString& path) override { currentFileName_ = path; }
    int LastPageIndex() const { return lastPageIndex_; }

    // --- pages and model ---------------------------------------------------------
    void SaveAppletPane();
    void LoadAppletPane() override;
    void ShowItemImagePath() override;
    void SaveItemPane(int index);
    void LoadItemPane(int index);
    // SaveAppletPane, then SaveItemPane for CurrentItemNode when it is set:
    // what every save, build and preview does first.
    void CommitPanes() override;

    // --- undo and redo ---------------------------------------------------------------
    // Makes everything done to the project while it lives one undo step,
    // named by caption ("Delete" shows as "Undo Delete"). Edits typed into
    // the pages and not yet committed are committed first and become a step
    // of their own, so the step holds only what the command did. Steps nest:
    // only the outermost one is recorded. A command that changes nothing
    // the user can see or save makes no step.
    //
    //     TMainForm::UndoStep step(form, QStringLiteral("Insert Pictures"));
    //     ... change the model and the tree together ...
    class UndoStep {
    public:
        UndoStep(TMainForm& form, QString caption);
        ~UndoStep();
        UndoStep(const UndoStep&) = delete;
        UndoStep& operator=(const UndoStep&) = delete;

    private:
        TMainForm& form_;
        QString caption_;
        EditorView before_;
    };
    // Runs command as one undo step, through the standard error box.
    void RunStep(const QString& caption, const std::function<void()>& command);
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
    void Insert1Click();
    // Shows the image quality choice; OK stores it and the next generation
    // uses it.
    void chooseImageQuality();
    void Delete1Click();
    void MoveUp1Click();
    void MoveDown1Click();
    void UpdateItemCommands();
    void UpdatePageTabs();
    void CountDescendants(QTreeWidgetItem* node);
    int DescendantCount() const { return descendantCount_; }

    // --- pictures ------------------------------------------------------------------
    // Insert Pictures: one item per JPEG the user chooses, as the last
    // children of the selected node.
    void InsertPicturesClick();
    // The one road by which pictures become items, for Insert Pictures and
    // for files dropped on the tree: one item per readable JPEG among files,
    // in natural name order, as children of node parentIndex from its child
    // row `row` on (-1: after the last child), each as Insert makes one with
    // its picture path and prepared size filled in. Files that are no
    // readable JPEG are named in one message afterwards. Answers how many
    // items were added.
    int InsertPictures(int parentIndex, int row, const QStringList& files);
    // Files dropped on the tree from a file manager: a project file among
    // them is opened as Open opens one, else the pictures are inserted.
    void DropFilesOnTree(const QList<QUrl>& urls, QTreeWidgetItem* parent, int row);
    // View > Thumbnails.
    void ThumbnailsClick(bool shown);
    // The tooltip of an item node: its picture, prepared size, link and
    // tooltip, as they stand (the shown item's page included).
    QString ItemToolTip(QTreeWidgetItem* node) const;
    // Every item node's icon anew, after the tree was rebuilt.
    void RefreshItemDecorations();
    ItemDecorations& Decorations() const { return *decorations_; }
    PictureThumbnails& Pictures() const { return *pictures_; }

    // --- documents -----------------------------------------------------------------
    // Opens the project file at path (nothing for an empty path), asking
    // first about unsaved changes. Errors go to the caller.
    void OpenProjectByPath(const QString& path);
    DocumentCommands& Documents() const { return *documents_; }

    // --- DocumentHost ---------------------------------------------------------------
    DesignTree& ProjectTree() override { return *designTree_; }
    void ResetTree() override { resetTree(); }
    void ResumeTreeEvents() override { suppressTreeEvents_ = false; }
    void ShowRoot(bool expandItems) override;
    void ProjectSaved() override;
    SettingsStore& Settings() const override { return settings_; }
    Shell& SystemShell() const override { return shell_; }
    QWidget* DialogParent() override { return this; }
    QMenu* RecentFilesMenu() const override;
    bool RunGuarded(const std::function<void()>& command) override;

    // --- parts for the application and the tests ----------------------------------
    PublishingAgent& Agent() override { return *agent_; }
    TreeWidgetDesignTree& DesignTreeAdapter() { return *designTree_; }
    QTreeWidget* Tree() const;
    MainActions& Actions() const { return *actions_; }
    StatusLine& Status() const { return *statusLine_; }
    QTabWidget* Pages() const { return pgcntrl1; }
    ScriptPage* Script() const { return scriptPage_; }
    PathPage* Path() const { return pathPage_; }
    ItemPage* Item() const { return itemPage_; }
    Prompter& Prompts() const override { return prompter_; }
    PreviewCommands& Preview() const { return *preview_; }
    HelpCommands& Help() const { return *help_; }

    // Runs a command of the user through the standard error box.
    template <typename Command>
    void Run(Command&& command) {
        RunCommand(prompter_, this, std::forward<Command>(command));
    }

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

    void FormCreate();
    void buildLayout();
    // Runs command through the standard error box whenever one of the
    // actions is triggered.
    void bind(std::initializer_list<QAction*> actions, const std::function<void()>& command);
    void connectCommands();
    void connectDocumentCommands();
    void connectPages();
    void installHintLine();
    void installPictures();
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

    void trvwDesignPanelChange(QTreeWidgetItem* current);
    void trvwDesignPanelMouseDown();
    void spnedtApWidthMouseMove(QWidget* control);
    void showTreePopup(const QPoint& position);

    void ToolBar1Click(bool shown);
    void StatusBar2Click(bool shown);

    int selectedIndex() const;
    int descendantsOf(int index);
    void moveBlockBefore(int moving, int before);
    int indexOf(QTreeWidgetItem* node) const;

    // Undo and redo (main_form_undo.cpp).
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
        explicit StructuralEdit(TMainForm& form) : form_(form), was_(form.structuralEdit_) {
            form_.structuralEdit_ = true;
        }
        ~StructuralEdit() { form_.structuralEdit_ = was_; }
        StructuralEdit(const StructuralEdit&) = delete;
        StructuralEdit& operator=(const StructuralEdit&) = delete;
        TMainForm& form_;
        bool was_;
    };

    Prompter& prompter_;
    SettingsStore& settings_;
    Shell& shell_;
    MainFormOptions options_;
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
    QWidget* pnlTreeView = nullptr;
    DesignTreeWidget* trvwDesignPanel = nullptr;
    QSplitter* splitter_ = nullptr;
    QTabWidget* pgcntrl1 = nullptr;
    ScriptPage* scriptPage_ = nullptr;
    ItemPage* itemPage_ = nullptr;
    PathPage* pathPage_ = nullptr;
    std::unique_ptr<TreeWidgetDesignTree> designTree_;
    std::unique_ptr<PreviewCommands> preview_;
    std::unique_ptr<HelpCommands> help_;
    PictureThumbnails* pictures_ = nullptr;
    ItemDecorations* decorations_ = nullptr;
};

// Start-up: the command-line arguments (without the program's own name),
// each followed by one space, with blanks and control characters trimmed
// from both ends of the whole.
QString JoinCommandLine(const QStringList& arguments);

// Start-up: opens the project named by the command-line arguments, if any.
// Nothing is asked about unsaved changes and nothing is reported: a project
// that cannot be opened leaves the editor as the failed open left it.
void OpenCommandLineProject(TMainForm& form, const QStringList& arguments);

}  // namespace marivel
