#pragma once

#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <vector>

#include "documents/document_host.h"
#include "editor/error_box.h"
#include "editor/project_document.h"
#include "editor/tree_widget_design_tree.h"

class QMenu;
class QTabWidget;
class QTreeWidgetItem;

namespace marivel {

class ItemDecorations;
class ItemPage;
class MainActions;
class PathPage;
class PictureThumbnails;
class Prompter;
class ScriptPage;
class SettingsStore;
class Shell;
class StatusLine;

// The widgets through which the user edits the project, made by the main
// window's layout.
struct EditorWidgets {
    QMainWindow* window;
    DesignTreeWidget* tree;
    QTabWidget* tabs;
    ScriptPage* scriptPage;
    ItemPage* itemPage;
    PathPage* pathPage;
    MainActions* actions;
    StatusLine* statusLine;
};

// The property pages' places in the tab widget, as the layout adds them.
inline constexpr int kScriptTab = 0;
inline constexpr int kItemTab = 1;
inline constexpr int kPathTab = 2;

// Keeps the design tree and the three property pages in step with the
// project document, and turns what the user does in them into operations
// of the document: Insert, Delete, Move, drags, Insert Pictures, drops and
// field edits, each one undo step. The document commands (New, Open, Save)
// reach the project through it as their DocumentHost.
class ProjectEditor final : public QObject, public DocumentHost {
    Q_OBJECT
public:
    ProjectEditor(ProjectDocument& document, EditorWidgets widgets, Prompter& prompter,
                  SettingsStore& settings, Shell& shell);
    ~ProjectEditor() override;

    ProjectDocument& document() const { return document_; }
    QTreeWidgetItem* currentItemNode() const { return currentItemNode_; }
    bool treeEventsSuppressed() const { return suppressTreeEvents_; }
    int lastPageIndex() const { return lastPageIndex_; }
    TreeWidgetDesignTree& designTreeAdapter() { return designTree_; }
    ItemDecorations& Decorations() const { return *decorations_; }
    PictureThumbnails& Pictures() const { return *pictures_; }

    // Marks the project changed by something no step holds.
    void markModified() { document_.markUnrecordedChange(); }
    // A new, empty project: the start and New.
    void startEmpty();

    // --- undo and redo ---------------------------------------------------------------
    // Makes everything done to the project while it lives one undo step,
    // named by caption ("Delete" shows as "Undo Delete"). Edits typed into
    // the pages and not yet committed are committed first and become a step
    // of their own, so the step holds only what the command did. Steps nest:
    // only the outermost one is recorded. A command that changes nothing
    // the user can see or save makes no step.
    class EditStep {
    public:
        EditStep(ProjectEditor& editor, QString caption);
        ~EditStep();
        EditStep(const EditStep&) = delete;
        EditStep& operator=(const EditStep&) = delete;
        // The command moved a block of nodes: the step keeps the move.
        void setMove(const NodeMove& move) { moves_ = {move}; }
        // One more block moved, after those before it.
        void addMove(const NodeMove& move) { moves_.push_back(move); }

    private:
        ProjectEditor& editor_;
        QString caption_;
        EditorView before_;
        std::vector<NodeMove> moves_;
    };
    // Undo and Redo of the Edit menu. Each commits the pages first.
    void undo();
    void redo();
    // Commits the pages and records what they changed as a step of the
    // field that changed ("Tooltip"); typed steps of one field that follow
    // each other fold into one. wholeProject compares the whole project even
    // when the pages show what the history holds.
    void commitFieldEdits(bool typed, bool wholeProject = false);

    // --- the item commands -------------------------------------------------------
    void insertItem();
    void deleteItem();
    void moveItemUp();
    void moveItemDown();
    // Moves node with its subtree before or after target, or to be its last
    // child, as one undo step: what dropping a dragged node does.
    void moveNode(QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place);
    // Moves several nodes, each with its subtree, to stand side by side in
    // tree order before or after target, or as its last children, as one
    // undo step: what dropping a dragged selection does. A node whose
    // ancestor is among them goes with that ancestor; one node left moves as
    // moveNode moves it. The nodes stay selected.
    void moveNodes(const QList<QTreeWidgetItem*>& nodes, QTreeWidgetItem* target,
                   DesignTreeWidget::DropPlace place);
    void updateItemCommands();
    void loadItemPage(int index);

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
    void showThumbnails(bool shown);
    // View > File Names, remembered for the next run.
    void showFileNames(bool shown);
    // Runs step once the event that asked for it has ended and no operation
    // is under way (one that keeps the window painting lets timers run).
    void whenIdle(std::function<void()> step, int delay = 0);
    // The tooltip of an item node: its picture, prepared size, link and
    // tooltip, as they stand (the shown item's page included).
    QString itemToolTip(QTreeWidgetItem* node) const;
    void refreshItemDecorations();

    // --- DocumentHost -----------------------------------------------------------------
    bool isModified() const override { return document_.isModified(); }
    void clearModified() override;
    const QString& currentFileName() const override { return document_.fileName(); }
    void setCurrentFileName(const QString& path) override { document_.setFileName(path); }
    void ProjectSaved() override;
    void commitPages() override;
    void loadSliderPages() override;
    void showItemImagePath() override;
    DesignTree& projectTree() override { return designTree_; }
    void reduceTreeToRoot() override { resetTree(); }
    void resumeTreeEvents() override { suppressTreeEvents_ = false; }
    void showRoot(bool expandItems) override;
    void selectItem(int item) override;
    PublishingAgent& documentAgent() override { return document_.agent(); }
    Prompter& prompts() const override { return prompter_; }
    SettingsStore& settingsStore() const override { return settings_; }
    Shell& systemShell() const override { return shell_; }
    QWidget* dialogParent() override;
    void showResult(const QString& text) override;
    QMenu* recentFilesMenu() const override;
    bool runGuarded(const std::function<void()>& command) override;

    template <typename Command>
    void run(Command&& command) {
        RunCommand(prompter_, dialogParent(), std::forward<Command>(command));
    }

signals:
    // A project file among files dropped on the tree.
    void projectDropped(const QString& path);

private:
    void connectWidgets();
    void installPictures();
    int indexOf(QTreeWidgetItem* node) const { return designTree_.indexOf(node); }
    int selectedIndex() const;
    void resetTree();
    void selectRoot();
    void treeSelectionChanged(QTreeWidgetItem* current);
    // --- several items selected ----------------------------------------------------
    // The selected item nodes in tree order (the root left out).
    QList<QTreeWidgetItem*> selectedItemNodes() const;
    // The selected nodes whose ancestors are not selected, as absolute
    // indexes in tree order: what Delete and Move act on.
    std::vector<int> selectedBlocks() const;
    void selectionSetChanged();
    // Shows the fields the selected items share on the item page.
    void showSharedFields();
    // Stores what the item page shows for several items into each of them
    // (the fields the user left alone excepted); answers whether a record
    // changed.
    bool applySharedFields();
    void reselect(const QList<QTreeWidgetItem*>& nodes, QTreeWidgetItem* current);
    void deleteBlocks(const std::vector<int>& blocks);
    void moveBlocks(bool up, EditStep& step);
    // nodes without those inside another of them, in tree order.
    QList<QTreeWidgetItem*> outermostInTreeOrder(const QList<QTreeWidgetItem*>& nodes) const;
    void treeMousePressed();
    void updatePageTabs();
    void moveBlockBefore(int moving, int before, EditStep& step);
    void commitSliderPages();
    void commitItemPage(int index);
    void pagesEdited();
    void pictureChosen();
    QString pictureFileOf(QTreeWidgetItem* node) const;

    // Undo and redo (project_editor_undo.cpp).
    ProjectState captureProject() const;
    EditorView currentView() const;
    bool historyQuiet() const;
    void commitPagesQuietly();
    void recordFieldEdits(bool typed, bool wholeProject = false);
    void startHistory();
    void showRestored(const AppliedStep& applied);
    void rebuildTree(const ProjectState& state);

    // Structural edits of the tree run with the selection-change handler
    // silenced; the handler is run explicitly afterwards where needed. The
    // widget moves its current item around during removals and moves, at
    // moments when the absolute indexes do not yet match the item array.
    struct StructuralEdit {
        explicit StructuralEdit(ProjectEditor& editor) : editor_(editor), was_(editor.structuralEdit_) {
            editor_.structuralEdit_ = true;
        }
        ~StructuralEdit() { editor_.structuralEdit_ = was_; }
        StructuralEdit(const StructuralEdit&) = delete;
        StructuralEdit& operator=(const StructuralEdit&) = delete;
        ProjectEditor& editor_;
        bool was_;
    };

    ProjectDocument& document_;
    PublishingAgent& agent_;
    EditorWidgets w_;
    Prompter& prompter_;
    SettingsStore& settings_;
    Shell& shell_;
    TreeWidgetDesignTree designTree_;
    PictureThumbnails* pictures_ = nullptr;
    ItemDecorations* decorations_ = nullptr;

    // The tab arrangement last made, by selected node index; no index is
    // this, so the first arrangement always runs.
    static constexpr int kNeverArranged = -2009;
    int lastPageIndex_ = kNeverArranged;
    QTreeWidgetItem* currentItemNode_ = nullptr;
    // The items whose shared fields the item page shows (two or more), or
    // none while it shows one item.
    QList<QTreeWidgetItem*> sharedNodes_;
    bool suppressTreeEvents_ = false;
    bool structuralEdit_ = false;
    int stepDepth_ = 0;
    bool restoring_ = false;
};

}  // namespace marivel
