// The design tree and the pages over the project document: the item
// commands, the selection-change algorithm, the page tabs and the command
// states, and what the document commands need of the editor.
#include "editor/project_editor.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <utility>

#include "editor/icon_set.h"
#include "editor/item_decorations.h"
#include "editor/item_page.h"
#include "editor/main_actions.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "editor/status_line.h"
#include "platform/prompter.h"

namespace marivel {

ProjectEditor::ProjectEditor(ProjectDocument& document, EditorWidgets widgets, Prompter& prompter,
                             SettingsStore& settings, Shell& shell)
    : QObject(widgets.window),
      document_(document),
      agent_(document.agent()),
      w_(widgets),
      prompter_(prompter),
      settings_(settings),
      shell_(shell),
      designTree_(*widgets.tree, icons::itemNode(), icons::rootNode()) {
    connectWidgets();
    installPictures();
    // Del, Alt+Up and Alt+Down act where the tree has the focus.
    w_.tree->addActions({w_.actions->deleteAction, w_.actions->moveUpAction, w_.actions->moveDownAction});
    w_.itemPage->setProjectFolder([this] { return agent_.ProjectFolder; });
}

ProjectEditor::~ProjectEditor() {
    // The pages' change handlers must not reach a half-destroyed editor.
    for (QObject* source : {static_cast<QObject*>(w_.scriptPage), static_cast<QObject*>(w_.pathPage),
                            static_cast<QObject*>(w_.itemPage), static_cast<QObject*>(w_.tree)})
        source->disconnect(this);
}

void ProjectEditor::connectWidgets() {
    connect(w_.tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { run([&] { treeSelectionChanged(current); }); });
    connect(w_.tree, &QTreeWidget::itemSelectionChanged, this,
            [this] { run([this] { selectionSetChanged(); }); });
    connect(w_.tree, &DesignTreeWidget::mousePressed, this, [this] { run([this] { treeMousePressed(); }); });
    connect(w_.tree, &DesignTreeWidget::moveRequested, this,
            [this](const QList<QTreeWidgetItem*>& nodes, QTreeWidgetItem* target,
                   DesignTreeWidget::DropPlace place) { run([&] { moveNodes(nodes, target, place); }); });
    // Typing on a page makes the project modified while it differs from the
    // records, and no longer once it is typed back.
    connect(w_.scriptPage, &ScriptPage::modified, this, &ProjectEditor::pagesEdited);
    connect(w_.pathPage, &PathPage::modified, this, &ProjectEditor::pagesEdited);
    connect(w_.itemPage, &ItemPage::modified, this, &ProjectEditor::pagesEdited);
    // Leaving a field, or picking a value from a list or a dialog, commits
    // the pages: each such edit is one step of the undo history.
    auto fieldEdited = [this](bool typed) { run([this, typed] { commitFieldEdits(typed); }); };
    connect(w_.scriptPage, &ScriptPage::editFinished, this, fieldEdited);
    connect(w_.pathPage, &PathPage::editFinished, this, fieldEdited);
    connect(w_.itemPage, &ItemPage::editFinished, this, fieldEdited);
    connect(&document_, &ProjectDocument::restored, this,
            [this](const AppliedStep& applied) { showRestored(applied); });
}

QWidget* ProjectEditor::dialogParent() {
    return w_.window;
}

void ProjectEditor::showResult(const QString& text) {
    w_.statusLine->showMessage(text);
}

QMenu* ProjectEditor::recentFilesMenu() const {
    return w_.actions->recentFilesSubmenu;
}

bool ProjectEditor::runGuarded(const std::function<void()>& command) {
    bool completed = false;
    run([&] {
        command();
        completed = true;
    });
    return completed;
}

void ProjectEditor::startEmpty() {
    currentItemNode_ = nullptr;
    suppressTreeEvents_ = false;
    document_.setFileName(QString());
    resetTree();
    suppressTreeEvents_ = false;
    agent_.ResetProject();
    loadSliderPages();
    // The item commands stay as the designer made them (all enabled) until
    // the tree is first used; their handlers guard the root.
    updatePageTabs();
}

void ProjectEditor::clearModified() {
    // Start, New and Open end here with the new project shown: the history
    // starts from it.
    if (document_.historyPending() && !suppressTreeEvents_) startHistory();
    document_.clearModified();
}

// --- pages ------------------------------------------------------------------------

void ProjectEditor::commitSliderPages() {
    w_.scriptPage->settleNumbers();
    SliderSettings slider;
    w_.scriptPage->apply(slider);
    w_.pathPage->apply(slider);
    agent_.SetAppletData(slider);
}

void ProjectEditor::loadSliderPages() {
    const SliderSettings slider = agent_.GetAppletData();
    w_.scriptPage->load(slider);
    w_.pathPage->load(slider);
}

void ProjectEditor::commitItemPage(int index) {
    agent_.SetItem(w_.itemPage->commit(), index);
    // A path typed into the page shows on its node once it is committed.
    if (decorations_) decorations_->refresh(designTree_.item(index + 1));
}

void ProjectEditor::loadItemPage(int index) {
    w_.itemPage->load(agent_.GetItem(index));
}

void ProjectEditor::showItemImagePath() {
    if (currentItemNode_)
        w_.itemPage->showImagePath(agent_.GetItem(indexOf(currentItemNode_) - 1).OriginalImagePath);
}

void ProjectEditor::commitPages() {
    commitSliderPages();
    if (currentItemNode_) commitItemPage(indexOf(currentItemNode_) - 1);
    const bool shared = applySharedFields();
    // What the user typed reaches the history before the command's own work.
    recordFieldEdits(true, shared);
}

void ProjectEditor::pagesEdited() {
    if (historyQuiet()) return;
    SliderSettings shown;
    w_.scriptPage->apply(shown);
    w_.pathPage->apply(shown);
    bool differ = !sameShownFields(shown, agent_.AppletData);
    const int index = currentItemNode_ ? indexOf(currentItemNode_) - 1 : -1;
    if (!differ && index >= 0 && std::size_t(index) < agent_.Items.size())
        differ = !sameShownFields(w_.itemPage->commit(), agent_.Items[std::size_t(index)]);
    document_.setPagesDiffer(differ);
}

// --- the tree -----------------------------------------------------------------------

int ProjectEditor::selectedIndex() const {
    return designTree_.indexOf(w_.tree->currentItem());
}

void ProjectEditor::resetTree() {
    // A new or opened project starts a new history once it is shown.
    document_.resetHistory(ProjectState{});
    document_.setHistoryPending();
    currentItemNode_ = nullptr;
    sharedNodes_.clear();
    document_.setCurrentItem(-1);
    suppressTreeEvents_ = true;
    {
        StructuralEdit edit(*this);
        designTree_.reset("Marivel");
    }
    selectRoot();
}

void ProjectEditor::selectRoot() {
    StructuralEdit edit(*this);
    QTreeWidgetItem* root = designTree_.root();
    w_.tree->setCurrentItem(root);
    if (root) root->setSelected(true);
}

void ProjectEditor::showRoot(bool expandItems) {
    // The view lays out expanded nodes level by level on the stack, so a file
    // nested tens of thousands of levels deep would crash it when expanded
    // whole; no project a person reads nests anywhere near this far.
    constexpr int kExpandedLevels = 200;
    if (expandItems) w_.tree->expandRecursively(w_.tree->rootIndex(), kExpandedLevels);
    selectRoot();
    refreshItemDecorations();
    // The root is selected without a mouse press: the commands still had
    // the states of the node selected before (Insert disabled, Delete
    // enabled), so a new project could not get its first item.
    updateItemCommands();
}

void ProjectEditor::selectItem(int item) {
    QTreeWidgetItem* node = item >= 0 ? designTree_.item(item + 1) : nullptr;
    if (!node) return;
    // Made current without a click, it becomes the one selected node and
    // the selection change runs for it as for a click.
    w_.tree->setCurrentItem(node);
    w_.tree->scrollToItem(node);
}

void ProjectEditor::insertItem() {
    EditStep step(*this, QStringLiteral("Insert"));
    SliderItem record = DocumentAgent::MakeNewItem();
    const int selected = selectedIndex();
    if (selected < 0) return;
    int added;
    {
        StructuralEdit edit(*this);
        added = designTree_.addChild(selected, "Item");
        designTree_.item(selected)->setExpanded(true);
    }
    record.Level = std::to_string(designTree_.depth(added) - 1);
    agent_.InsertItem(added - 1, record);
    // In a tree longer than the view the new last node would appear below
    // it, and Insert would seem to do nothing. The selection stays where
    // it was.
    w_.tree->scrollToItem(designTree_.item(added));
    updateItemCommands();
}

void ProjectEditor::deleteItem() {
    EditStep step(*this, QStringLiteral("Delete"));
    if (const std::vector<int> blocks = selectedBlocks(); blocks.size() > 1) {
        deleteBlocks(blocks);
        return;
    }
    const int a = selectedIndex();
    if (a <= 0) {
        prompter_.error(w_.window, QStringLiteral("Root item cannot be deleted."));
        return;
    }
    if (prompter_.yesNo(w_.window,
                        QStringLiteral("Are you sure to delete this item and all its children?")) ==
        Prompter::Answer::No)
        return;
    const int size = designTree_.subtreeSize(a);
    for (int i = 0; i < size; ++i) agent_.DeleteItem(a - 1);
    currentItemNode_ = nullptr;
    // A parent selected with its own items is one block: the page showed
    // them all, and none of them is left.
    sharedNodes_.clear();
    {
        StructuralEdit edit(*this);
        designTree_.removeSubtree(a);
    }
    // The widget has picked the node to select now; the selection-change
    // algorithm runs for it against the shortened tree and array.
    QTreeWidgetItem* now = w_.tree->currentItem();
    if (!now) {
        selectRoot();
        now = w_.tree->currentItem();
    }
    now->setSelected(true);
    treeSelectionChanged(now);
    updateItemCommands();
}

// Both moves exchange two neighbouring sibling blocks: the later block
// (node `moving` and its descendants) goes before the earlier one (node
// `before` and its descendants); both keep their inner order. The selected
// node stays selected.
void ProjectEditor::moveBlockBefore(int moving, int before, EditStep& step) {
    QTreeWidgetItem* selectedNode = w_.tree->currentItem();
    const int size = designTree_.subtreeSize(moving);
    agent_.MoveItems(moving - 1, size, before - 1);
    step.setMove({std::size_t(moving - 1), std::size_t(size), std::size_t(before - 1)});
    StructuralEdit edit(*this);
    designTree_.moveBefore(moving, before);
    w_.tree->setCurrentItem(selectedNode);
    selectedNode->setSelected(true);
    // Move Down shifts the selected node without making it current anew, so
    // the view would not follow it: a user moving an item past the edge of
    // the tree would lose sight of what the next Move acts on.
    w_.tree->scrollToItem(selectedNode);
}

void ProjectEditor::moveItemUp() {
    EditStep step(*this, QStringLiteral("Move Up"));
    if (selectedBlocks().size() > 1) {
        moveBlocks(true, step);
        return;
    }
    const int selected = selectedIndex();
    const int previous = selected > 0 ? designTree_.previousSibling(selected) : -1;
    if (previous >= 0) moveBlockBefore(selected, previous, step);
    updateItemCommands();
}

void ProjectEditor::moveItemDown() {
    EditStep step(*this, QStringLiteral("Move Down"));
    if (selectedBlocks().size() > 1) {
        moveBlocks(false, step);
        return;
    }
    const int selected = selectedIndex();
    const int next = selected > 0 ? designTree_.nextSibling(selected) : -1;
    if (next >= 0) moveBlockBefore(next, selected, step);
    updateItemCommands();
}

void ProjectEditor::moveNode(QTreeWidgetItem* node, QTreeWidgetItem* target,
                             DesignTreeWidget::DropPlace place) {
    EditStep step(*this, QStringLiteral("Move"));
    if (!DesignTreeWidget::canMove(node, target, place)) return;
    using Place = DesignTreeWidget::DropPlace;
    QTreeWidgetItem* parent = place == Place::Into ? target : target->parent();
    int row = place == Place::Into ? target->childCount() : parent->indexOfChild(target);
    if (place == Place::After) ++row;
    // The row counts the siblings without the moving node.
    if (node->parent() == parent && parent->indexOfChild(node) < row) --row;

    const int from = indexOf(node);
    const int size = designTree_.subtreeSize(from);
    const int oldDepth = designTree_.depth(from);
    QTreeWidgetItem* wasCurrent = w_.tree->currentItem();
    int to;
    {
        StructuralEdit edit(*this);
        designTree_.moveSubtree(node, parent, row);
        to = indexOf(node);
        w_.tree->setCurrentItem(wasCurrent);
    }
    // The block's records move as the node's block did: the other records
    // keep their order, so the item of node n is still record n - 1.
    agent_.MoveItems(from - 1, size, to - 1);
    step.setMove({std::size_t(from - 1), std::size_t(size), std::size_t(to - 1)});
    // A block that changed parents changed depth: its levels follow the tree.
    // Within one parent nothing changes, exactly as Move Up and Move Down.
    if (designTree_.depth(to) != oldDepth)
        for (int k = to; k < to + size; ++k)
            agent_.Items[size_t(k - 1)].Level = std::to_string(designTree_.depth(k) - 1);
    // The selection follows the moved node; selecting it anew commits the
    // page of the item shown before, as any selection change does.
    if (w_.tree->currentItem() != node) w_.tree->setCurrentItem(node);
    node->setSelected(true);
    w_.tree->scrollToItem(node);
    updateItemCommands();
}

void ProjectEditor::treeSelectionChanged(QTreeWidgetItem* current) {
    if (suppressTreeEvents_ || structuralEdit_ || !current) return;
    updatePageTabs();
    // With several items selected the page shows what they share; the
    // current node is one of them and has no page of its own.
    if (selectedItemNodes().size() > 1) {
        showSharedFields();
        updateItemCommands();
        return;
    }
    // What was typed for the item shown so far is its own step, taken while
    // the page still belongs to that item. Selecting is no change: nothing
    // the user did not type reaches the records.
    if (currentItemNode_) commitFieldEdits(true);
    const int s = indexOf(current);
    if (s <= 0) {
        // Reaching the root from the keyboard (or by a collapse) brings no
        // mouse press that would refresh the commands, and Insert, which
        // only the root allows, would stay disabled.
        updateItemCommands();
        return;
    }
    if (currentItemNode_ != current) {
        currentItemNode_ = current;
        loadItemPage(s - 1);
        document_.setCurrentItem(s - 1);
    }
    updateItemCommands();
}

void ProjectEditor::treeMousePressed() {
    if (suppressTreeEvents_) return;
    if (QTreeWidgetItem* node = w_.tree->currentItem()) {
        node->setSelected(true);
        updateItemCommands();
    }
}

void ProjectEditor::updateItemCommands() {
    const int s = selectedIndex();
    const bool item = s > 0;
    // One action per command serves the menu, the tool bar and the popup.
    MainActions& a = *w_.actions;
    if (const std::vector<int> blocks = selectedBlocks(); blocks.size() > 1) {
        // A block moves when its neighbour is not a selected block: a chain
        // of selected blocks at the edge stays where it is.
        auto movable = [&](bool up) {
            return std::any_of(blocks.begin(), blocks.end(), [&](int b) {
                const int n = up ? designTree_.previousSibling(b) : designTree_.nextSibling(b);
                return n >= 0 && !designTree_.item(n)->isSelected();
            });
        };
        a.insertAction->setEnabled(false);
        a.deleteAction->setEnabled(true);
        a.moveUpAction->setEnabled(movable(true));
        a.moveDownAction->setEnabled(movable(false));
        updatePageTabs();
        return;
    }
    a.insertAction->setEnabled(s == 0);
    a.deleteAction->setEnabled(item);
    a.moveUpAction->setEnabled(item && designTree_.previousSibling(s) >= 0);
    a.moveDownAction->setEnabled(item && designTree_.nextSibling(s) >= 0);
    updatePageTabs();
}

void ProjectEditor::updatePageTabs() {
    const int s = selectedIndex();
    if (lastPageIndex_ != kNeverArranged && (s == lastPageIndex_ || (s > 0 && lastPageIndex_ > 0))) return;
    const bool root = s <= 0;
    QTabWidget* tabs = w_.tabs;
    // A hidden tab is disabled too: the page control's Control+Tab and the
    // tab bar's keys only skip disabled tabs, and would otherwise open the
    // item page (of an item no longer selected) while the root is selected.
    const std::pair<int, bool> shown[] = {{kScriptTab, root}, {kPathTab, root}, {kItemTab, !root}};
    for (const auto& [tab, on] : shown) {
        if (!on) continue;
        tabs->setTabEnabled(tab, true);
        tabs->setTabVisible(tab, true);
    }
    tabs->setCurrentIndex(root ? kScriptTab : kItemTab);
    for (const auto& [tab, on] : shown) {
        if (on) continue;
        tabs->setTabVisible(tab, false);
        tabs->setTabEnabled(tab, false);
    }
    lastPageIndex_ = s;
}

}  // namespace marivel
