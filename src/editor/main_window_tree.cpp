// The design tree side of the main window: the item commands, the
// selection-change algorithm, the page tabs and the command states.
#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <utility>
#include <vector>

#include "editor/item_page.h"
#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "platform/prompter.h"

namespace marivel {

namespace {
constexpr int kScriptTab = 0;
constexpr int kItemTab = 1;
constexpr int kPathTab = 2;
}  // namespace

int MainWindow::indexOf(QTreeWidgetItem* node) const {
    return designTree_->indexOf(node);
}

int MainWindow::selectedIndex() const {
    return designTree_->indexOf(designTreeWidget_->currentItem());
}

void MainWindow::resetTree() {
    // A new or opened project starts a new history once it is shown.
    history_->reset(ProjectState{});
    historyPending_ = true;
    updateUndoCommands();
    currentItemNode_ = nullptr;
    descendantCount_ = 0;
    suppressTreeEvents_ = true;
    {
        StructuralEdit edit(*this);
        designTree_->reset("Marivel");
    }
    selectRoot();
}

void MainWindow::selectRoot() {
    StructuralEdit edit(*this);
    QTreeWidgetItem* root = designTree_->root();
    designTreeWidget_->setCurrentItem(root);
    if (root) root->setSelected(true);
}

void MainWindow::insertItem() {
    UndoStep step(*this, QStringLiteral("Insert"));
    markModified();
    SliderItem record = DocumentAgent::MakeNewItem();
    const int selected = selectedIndex();
    if (selected < 0) return;
    int added;
    {
        StructuralEdit edit(*this);
        added = designTree_->addChild(selected, "Item");
        designTree_->item(selected)->setExpanded(true);
    }
    record.Level = std::to_string(designTree_->depth(added) - 1);
    agent_->InsertItem(added - 1, record);
    // In a tree longer than the view the new last node would appear below
    // it, and Insert would seem to do nothing. The selection stays where
    // it was.
    designTreeWidget_->scrollToItem(designTree_->item(added));
    updateItemCommands();
}

void MainWindow::deleteItem() {
    UndoStep step(*this, QStringLiteral("Delete"));
    markModified();
    const int a = selectedIndex();
    if (a <= 0) {
        prompter_.error(this, QStringLiteral("Root item cannot be deleted."));
        return;
    }
    if (prompter_.yesNo(this, QStringLiteral("Are you sure to delete this item and all its children?")) ==
        Prompter::Answer::No)
        return;
    // The first node after the selected subtree.
    int node = a;
    while (designTree_->nextSibling(node) < 0 && node != 0) node = designTree_->parent(node);
    const int next = designTree_->nextSibling(node);
    const int e = next >= 0 ? next : designTree_->count();
    for (int i = 0; i < e - a; ++i) agent_->DeleteItem(a - 1);
    currentItemNode_ = nullptr;
    {
        StructuralEdit edit(*this);
        designTree_->removeSubtree(a);
    }
    // The widget has picked the node to select now; the selection-change
    // algorithm runs for it against the shortened tree and array.
    QTreeWidgetItem* now = designTreeWidget_->currentItem();
    if (!now) {
        selectRoot();
        now = designTreeWidget_->currentItem();
    }
    now->setSelected(true);
    treeSelectionChanged(now);
    updateItemCommands();
}

void MainWindow::countDescendants(QTreeWidgetItem* node) {
    // The same sum as counting each node's direct children recursively, with
    // an explicit stack so deep trees cannot overflow the call stack.
    std::vector<QTreeWidgetItem*> pending{node};
    while (!pending.empty()) {
        QTreeWidgetItem* n = pending.back();
        pending.pop_back();
        descendantCount_ += n->childCount();
        for (int i = 0; i < n->childCount(); ++i) pending.push_back(n->child(i));
    }
}

int MainWindow::descendantsOf(int index) {
    descendantCount_ = 0;
    countDescendants(designTree_->item(index));
    return descendantCount_;
}

// Both moves exchange two neighbouring sibling blocks: the later block
// (node `moving` and its descendants) goes before the earlier one (node
// `before` and its descendants). Each record of the moving block bubbles up
// past the whole earlier block, so both keep their inner order; the tree
// node then follows. The selected node stays selected.
void MainWindow::moveBlockBefore(int moving, int before) {
    QTreeWidgetItem* selectedNode = designTreeWidget_->currentItem();
    const int first = moving - 1;
    const int movingDescendants = descendantsOf(moving);
    const int passedDescendants = descendantsOf(before);
    for (int j = first; j <= first + movingDescendants; ++j)
        for (int t = j; t >= j - passedDescendants; --t) agent_->SwapWithPrevious(t);
    StructuralEdit edit(*this);
    designTree_->moveBefore(moving, before);
    designTreeWidget_->setCurrentItem(selectedNode);
    selectedNode->setSelected(true);
    // Move Down shifts the selected node without making it current anew, so
    // the view would not follow it: a user moving an item past the edge of
    // the tree would lose sight of what the next Move acts on.
    designTreeWidget_->scrollToItem(selectedNode);
}

void MainWindow::moveItemUp() {
    UndoStep step(*this, QStringLiteral("Move Up"));
    markModified();
    const int selected = selectedIndex();
    const int previous = selected > 0 ? designTree_->previousSibling(selected) : -1;
    if (previous >= 0) moveBlockBefore(selected, previous);
    updateItemCommands();
}

void MainWindow::moveItemDown() {
    UndoStep step(*this, QStringLiteral("Move Down"));
    markModified();
    const int selected = selectedIndex();
    const int next = selected > 0 ? designTree_->nextSibling(selected) : -1;
    if (next >= 0) moveBlockBefore(next, selected);
    updateItemCommands();
}

void MainWindow::moveNode(QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place) {
    UndoStep step(*this, QStringLiteral("Move"));
    if (!DesignTreeWidget::canMove(node, target, place)) return;
    markModified();
    using Place = DesignTreeWidget::DropPlace;
    QTreeWidgetItem* parent = place == Place::Into ? target : target->parent();
    int row = place == Place::Into ? target->childCount() : parent->indexOfChild(target);
    if (place == Place::After) ++row;
    // The row counts the siblings without the moving node.
    if (node->parent() == parent && parent->indexOfChild(node) < row) --row;

    const int from = indexOf(node);
    const int size = designTree_->subtreeSize(from);
    const int oldDepth = designTree_->depth(from);
    QTreeWidgetItem* wasCurrent = designTreeWidget_->currentItem();
    int to;
    {
        StructuralEdit edit(*this);
        designTree_->moveSubtree(node, parent, row);
        to = indexOf(node);
        designTreeWidget_->setCurrentItem(wasCurrent);
    }
    // The block's records move as the node's block did: the other records
    // keep their order, so the item of node n is still record n - 1.
    agent_->MoveItems(from - 1, size, to - 1);
    // A block that changed parents changed depth: its levels follow the tree.
    // Within one parent nothing changes, exactly as Move Up and Move Down.
    if (designTree_->depth(to) != oldDepth)
        for (int k = to; k < to + size; ++k)
            agent_->Items[size_t(k - 1)].Level = std::to_string(designTree_->depth(k) - 1);
    // The selection follows the moved node; selecting it anew commits the
    // page of the item shown before, as any selection change does.
    if (designTreeWidget_->currentItem() != node) designTreeWidget_->setCurrentItem(node);
    node->setSelected(true);
    designTreeWidget_->scrollToItem(node);
    updateItemCommands();
}

void MainWindow::treeSelectionChanged(QTreeWidgetItem* current) {
    if (suppressTreeEvents_ || structuralEdit_ || !current) return;
    updatePageTabs();
    if (currentItemNode_) {
        commitItemPage(indexOf(currentItemNode_) - 1);
        // What was typed for the item shown so far is its own step, taken
        // while the page still belongs to that item.
        recordFieldEdits(true);
    }
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
    }
    updateItemCommands();
    markModified();
}

void MainWindow::treeMousePressed() {
    if (suppressTreeEvents_) return;
    if (QTreeWidgetItem* node = designTreeWidget_->currentItem()) {
        node->setSelected(true);
        updateItemCommands();
    }
}

void MainWindow::showTreePopup(const QPoint& position) {
    // The press that opened the menu has already selected the node under the
    // mouse, so every entry acts on the node the user right-clicked.
    QPoint at = position;
    // The menu key asks for the menu at the selected node, which may be
    // scrolled out of view: the menu would open away from the tree, even
    // outside the window. The node is brought into view and the menu opens
    // at it.
    if (!designTreeWidget_->viewport()->rect().contains(at)) {
        if (QTreeWidgetItem* node = designTreeWidget_->currentItem()) {
            designTreeWidget_->scrollToItem(node);
            at = designTreeWidget_->visualItemRect(node).center();
        }
        const QSize view = designTreeWidget_->viewport()->size();
        at.setX(std::clamp(at.x(), 0, std::max(0, view.width() - 1)));
        at.setY(std::clamp(at.y(), 0, std::max(0, view.height() - 1)));
    }
    actions_->popup->exec(designTreeWidget_->viewport()->mapToGlobal(at));
}

void MainWindow::updateItemCommands() {
    const int s = selectedIndex();
    const bool item = s > 0;
    MainActions& a = *actions_;
    a.popupInsertAction->setEnabled(s == 0);
    a.popupDeleteAction->setEnabled(item);
    a.popupMoveUpAction->setEnabled(item && designTree_->previousSibling(s) >= 0);
    a.popupMoveDownAction->setEnabled(item && designTree_->nextSibling(s) >= 0);
    const std::pair<QAction*, std::pair<QAction*, QAction*>> copies[] = {
        {a.popupInsertAction, {a.insertTool, a.insertAction}},
        {a.popupDeleteAction, {a.deleteTool, a.deleteAction}},
        {a.popupMoveUpAction, {a.moveUpTool, a.moveUpAction}},
        {a.popupMoveDownAction, {a.moveDownTool, a.moveDownAction}},
    };
    for (const auto& [from, to] : copies) {
        to.first->setEnabled(from->isEnabled());
        to.second->setEnabled(from->isEnabled());
    }
    updatePageTabs();
}

void MainWindow::updatePageTabs() {
    const int s = selectedIndex();
    if (lastPageIndex_ != kNeverArranged && (s == lastPageIndex_ || (s > 0 && lastPageIndex_ > 0))) return;
    const bool root = s <= 0;
    // A hidden tab is disabled too: the page control's Control+Tab and the
    // tab bar's keys only skip disabled tabs, and would otherwise open the
    // item page (of an item no longer selected) while the root is selected.
    const std::pair<int, bool> tabs[] = {{kScriptTab, root}, {kPathTab, root}, {kItemTab, !root}};
    for (const auto& [tab, shown] : tabs) {
        if (!shown) continue;
        propertyTabs_->setTabEnabled(tab, true);
        propertyTabs_->setTabVisible(tab, true);
    }
    propertyTabs_->setCurrentIndex(root ? kScriptTab : kItemTab);
    for (const auto& [tab, shown] : tabs) {
        if (shown) continue;
        propertyTabs_->setTabVisible(tab, false);
        propertyTabs_->setTabEnabled(tab, false);
    }
    lastPageIndex_ = s;
}

}  // namespace marivel
