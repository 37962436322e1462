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
#include "editor/main_form.h"
#include "platform/prompter.h"

namespace marivel {

namespace {
constexpr int kScriptTab = 0;
constexpr int kItemTab = 1;
constexpr int kPathTab = 2;
}  // namespace

int TMainForm::indexOf(QTreeWidgetItem* node) const {
    return designTree_->indexOf(node);
}

int TMainForm::selectedIndex() const {
    return designTree_->indexOf(trvwDesignPanel->currentItem());
}

void TMainForm::resetTree() {
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

void TMainForm::selectRoot() {
    StructuralEdit edit(*this);
    QTreeWidgetItem* root = designTree_->root();
    trvwDesignPanel->setCurrentItem(root);
    if (root) root->setSelected(true);
}

void TMainForm::Insert1Click() {
    UndoStep step(*this, QStringLiteral("Insert"));
    MarkModified();
    TItemData record = TkeltAppletAgent::MakeNewItem();
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
    trvwDesignPanel->scrollToItem(designTree_->item(added));
    UpdateItemCommands();
}

void TMainForm::Delete1Click() {
    UndoStep step(*this, QStringLiteral("Delete"));
    MarkModified();
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
    QTreeWidgetItem* now = trvwDesignPanel->currentItem();
    if (!now) {
        selectRoot();
        now = trvwDesignPanel->currentItem();
    }
    now->setSelected(true);
    trvwDesignPanelChange(now);
    UpdateItemCommands();
}

void TMainForm::CountDescendants(QTreeWidgetItem* node) {
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

int TMainForm::descendantsOf(int index) {
    descendantCount_ = 0;
    CountDescendants(designTree_->item(index));
    return descendantCount_;
}

// Both moves exchange two neighbouring sibling blocks: the later block
// (node `moving` and its descendants) goes before the earlier one (node
// `before` and its descendants). Each record of the moving block bubbles up
// past the whole earlier block, so both keep their inner order; the tree
// node then follows. The selected node stays selected.
void TMainForm::moveBlockBefore(int moving, int before) {
    QTreeWidgetItem* selectedNode = trvwDesignPanel->currentItem();
    const int first = moving - 1;
    const int movingDescendants = descendantsOf(moving);
    const int passedDescendants = descendantsOf(before);
    for (int j = first; j <= first + movingDescendants; ++j)
        for (int t = j; t >= j - passedDescendants; --t) agent_->SwapWithPrevious(t);
    StructuralEdit edit(*this);
    designTree_->moveBefore(moving, before);
    trvwDesignPanel->setCurrentItem(selectedNode);
    selectedNode->setSelected(true);
    // Move Down shifts the selected node without making it current anew, so
    // the view would not follow it: a user moving an item past the edge of
    // the tree would lose sight of what the next Move acts on.
    trvwDesignPanel->scrollToItem(selectedNode);
}

void TMainForm::MoveUp1Click() {
    UndoStep step(*this, QStringLiteral("Move Up"));
    MarkModified();
    const int selected = selectedIndex();
    const int previous = selected > 0 ? designTree_->previousSibling(selected) : -1;
    if (previous >= 0) moveBlockBefore(selected, previous);
    UpdateItemCommands();
}

void TMainForm::MoveDown1Click() {
    UndoStep step(*this, QStringLiteral("Move Down"));
    MarkModified();
    const int selected = selectedIndex();
    const int next = selected > 0 ? designTree_->nextSibling(selected) : -1;
    if (next >= 0) moveBlockBefore(next, selected);
    UpdateItemCommands();
}

void TMainForm::moveNode(QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place) {
    UndoStep step(*this, QStringLiteral("Move"));
    if (!DesignTreeWidget::canMove(node, target, place)) return;
    MarkModified();
    using Place = DesignTreeWidget::DropPlace;
    QTreeWidgetItem* parent = place == Place::Into ? target : target->parent();
    int row = place == Place::Into ? target->childCount() : parent->indexOfChild(target);
    if (place == Place::After) ++row;
    // The row counts the siblings without the moving node.
    if (node->parent() == parent && parent->indexOfChild(node) < row) --row;

    const int from = indexOf(node);
    const int size = designTree_->subtreeSize(from);
    const int oldDepth = designTree_->depth(from);
    QTreeWidgetItem* wasCurrent = trvwDesignPanel->currentItem();
    int to;
    {
        StructuralEdit edit(*this);
        designTree_->moveSubtree(node, parent, row);
        to = indexOf(node);
        trvwDesignPanel->setCurrentItem(wasCurrent);
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
    if (trvwDesignPanel->currentItem() != node) trvwDesignPanel->setCurrentItem(node);
    node->setSelected(true);
    trvwDesignPanel->scrollToItem(node);
    UpdateItemCommands();
}

void TMainForm::trvwDesignPanelChange(QTreeWidgetItem* current) {
    if (suppressTreeEvents_ || structuralEdit_ || !current) return;
    UpdatePageTabs();
    if (currentItemNode_) {
        SaveItemPane(indexOf(currentItemNode_) - 1);
        // What was typed for the item shown so far is its own step, taken
        // while the page still belongs to that item.
        recordFieldEdits(true);
    }
    const int s = indexOf(current);
    if (s <= 0) {
        // Reaching the root from the keyboard (or by a collapse) brings no
        // mouse press that would refresh the commands, and Insert, which
        // only the root allows, would stay disabled.
        UpdateItemCommands();
        return;
    }
    if (currentItemNode_ != current) {
        currentItemNode_ = current;
        LoadItemPane(s - 1);
    }
    UpdateItemCommands();
    MarkModified();
}

void TMainForm::trvwDesignPanelMouseDown() {
    if (suppressTreeEvents_) return;
    if (QTreeWidgetItem* node = trvwDesignPanel->currentItem()) {
        node->setSelected(true);
        UpdateItemCommands();
    }
}

void TMainForm::showTreePopup(const QPoint& position) {
    // The press that opened the menu has already selected the node under the
    // mouse, so every entry acts on the node the user right-clicked.
    QPoint at = position;
    // The menu key asks for the menu at the selected node, which may be
    // scrolled out of view: the menu would open away from the tree, even
    // outside the window. The node is brought into view and the menu opens
    // at it.
    if (!trvwDesignPanel->viewport()->rect().contains(at)) {
        if (QTreeWidgetItem* node = trvwDesignPanel->currentItem()) {
            trvwDesignPanel->scrollToItem(node);
            at = trvwDesignPanel->visualItemRect(node).center();
        }
        const QSize view = trvwDesignPanel->viewport()->size();
        at.setX(std::clamp(at.x(), 0, std::max(0, view.width() - 1)));
        at.setY(std::clamp(at.y(), 0, std::max(0, view.height() - 1)));
    }
    actions_->popup->exec(trvwDesignPanel->viewport()->mapToGlobal(at));
}

void TMainForm::UpdateItemCommands() {
    const int s = selectedIndex();
    const bool item = s > 0;
    MainActions& a = *actions_;
    a.Insert1->setEnabled(s == 0);
    a.Delete1->setEnabled(item);
    a.MoveUp1->setEnabled(item && designTree_->previousSibling(s) >= 0);
    a.MoveDown1->setEnabled(item && designTree_->nextSibling(s) >= 0);
    const std::pair<QAction*, std::pair<QAction*, QAction*>> copies[] = {
        {a.Insert1, {a.tlbtnInsert, a.Insert2}},
        {a.Delete1, {a.tlbtnDelete, a.Delete2}},
        {a.MoveUp1, {a.tlbtnMoveUp, a.MoveUp2}},
        {a.MoveDown1, {a.tlbtnMoveDown, a.MoveDown2}},
    };
    for (const auto& [from, to] : copies) {
        to.first->setEnabled(from->isEnabled());
        to.second->setEnabled(from->isEnabled());
    }
    UpdatePageTabs();
}

void TMainForm::UpdatePageTabs() {
    const int s = selectedIndex();
    if (lastPageIndex_ != kNeverArranged && (s == lastPageIndex_ || (s > 0 && lastPageIndex_ > 0))) return;
    const bool root = s <= 0;
    // A hidden tab is disabled too: the page control's Control+Tab and the
    // tab bar's keys only skip disabled tabs, and would otherwise open the
    // item page (of an item no longer selected) while the root is selected.
    const std::pair<int, bool> tabs[] = {{kScriptTab, root}, {kPathTab, root}, {kItemTab, !root}};
    for (const auto& [tab, shown] : tabs) {
        if (!shown) continue;
        pgcntrl1->setTabEnabled(tab, true);
        pgcntrl1->setTabVisible(tab, true);
    }
    pgcntrl1->setCurrentIndex(root ? kScriptTab : kItemTab);
    for (const auto& [tab, shown] : tabs) {
        if (shown) continue;
        pgcntrl1->setTabVisible(tab, false);
        pgcntrl1->setTabEnabled(tab, false);
    }
    lastPageIndex_ = s;
}

}  // namespace marivel
