// Several items selected at once: the fields they share on the item page,
// and Delete, Move and drops acting on the selected blocks.
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "editor/item_page.h"
#include "editor/project_editor.h"
#include "model/field_codec.h"
#include "platform/local_text.h"
#include "platform/prompter.h"

namespace marivel {

namespace {

// The three fields several items can share, with what says on the page
// whether the user set them.
struct SharedField {
    std::string SliderItem::*member;
    bool ItemPage::SharedFields::*flag;
};
constexpr SharedField kSharedFields[] = {{&SliderItem::Link, &ItemPage::SharedFields::link},
                                         {&SliderItem::Target, &ItemPage::SharedFields::target},
                                         {&SliderItem::ToolTip, &ItemPage::SharedFields::toolTip}};

}  // namespace

QList<QTreeWidgetItem*> ProjectEditor::selectedItemNodes() const {
    QList<QTreeWidgetItem*> nodes;
    if (w_.tree->topLevelItemCount() == 0) return nodes;
    for (QTreeWidgetItemIterator it(w_.tree->topLevelItem(0)); *it; ++it)
        if ((*it)->parent() && (*it)->isSelected()) nodes << *it;
    return nodes;
}

std::vector<int> ProjectEditor::selectedBlocks() const {
    std::vector<int> blocks;
    for (QTreeWidgetItem* node : w_.tree->selectedBlocks()) blocks.push_back(indexOf(node));
    return blocks;
}

QList<QTreeWidgetItem*> ProjectEditor::outermostInTreeOrder(const QList<QTreeWidgetItem*>& nodes) const {
    std::vector<std::pair<int, QTreeWidgetItem*>> ordered;
    for (QTreeWidgetItem* node : nodes)
        if (const int at = indexOf(node); at >= 0) ordered.emplace_back(at, node);
    std::sort(ordered.begin(), ordered.end());
    QList<QTreeWidgetItem*> blocks;
    // In tree order a node inside a block comes before the block's end.
    int end = 0;
    for (const auto& [at, node] : ordered) {
        if (at < end) continue;
        blocks << node;
        end = at + designTree_.subtreeSize(at);
    }
    return blocks;
}

void ProjectEditor::selectionSetChanged() {
    if (suppressTreeEvents_ || structuralEdit_) return;
    if (selectedItemNodes().size() > 1) {
        treeSelectionChanged(w_.tree->currentItem());
        return;
    }
    // One item or none: as before, unless the page showed several items;
    // then what was typed for them is stored, and the page shows one again.
    if (sharedNodes_.isEmpty()) return;
    commitFieldEdits(true);
    sharedNodes_.clear();
    currentItemNode_ = nullptr;
    treeSelectionChanged(w_.tree->currentItem());
}

void ProjectEditor::showSharedFields() {
    const QList<QTreeWidgetItem*> nodes = selectedItemNodes();
    if (nodes == sharedNodes_ && w_.itemPage->showsSeveral()) return;
    // What was typed for the item or the items shown so far is theirs.
    if (currentItemNode_ || !sharedNodes_.isEmpty()) commitFieldEdits(true);
    currentItemNode_ = nullptr;
    sharedNodes_ = nodes;
    SliderItem shared;
    ItemPage::SharedFields differing;
    bool first = true;
    for (QTreeWidgetItem* node : nodes) {
        const int index = indexOf(node) - 1;
        if (index < 0 || size_t(index) >= agent_.Items.size()) continue;
        const SliderItem& item = agent_.Items[size_t(index)];
        for (const SharedField& field : kSharedFields) {
            if (first)
                shared.*field.member = Trim(item.*field.member);
            else if (shared.*field.member != Trim(item.*field.member))
                differing.*field.flag = true;
        }
        first = false;
    }
    w_.itemPage->loadShared(shared, differing);
    document_.setCurrentItem(indexOf(w_.tree->currentItem()) - 1);
}

bool ProjectEditor::applySharedFields() {
    if (sharedNodes_.size() < 2 || !w_.itemPage->showsSeveral()) return false;
    const SliderItem page = w_.itemPage->commit();
    const ItemPage::SharedFields set = w_.itemPage->sharedFieldsSet();
    bool changed = false;
    for (QTreeWidgetItem* node : sharedNodes_) {
        const int index = indexOf(node) - 1;
        if (index < 0 || size_t(index) >= agent_.Items.size()) continue;
        SliderItem& item = agent_.Items[size_t(index)];
        for (const SharedField& field : kSharedFields) {
            if (!(set.*field.flag) || item.*field.member == page.*field.member) continue;
            item.*field.member = page.*field.member;
            changed = true;
        }
    }
    // A field typed into is shared now: it loses its "(several values)".
    if (changed) {
        const QList<QTreeWidgetItem*> nodes = sharedNodes_;
        sharedNodes_.clear();
        showSharedFields();
        sharedNodes_ = nodes;
    }
    return changed;
}

void ProjectEditor::reselect(const QList<QTreeWidgetItem*>& nodes, QTreeWidgetItem* current) {
    StructuralEdit edit(*this);
    w_.tree->setCurrentItem(current);
    for (QTreeWidgetItem* node : nodes) node->setSelected(true);
    w_.tree->scrollToItem(current);
}

void ProjectEditor::deleteBlocks(const std::vector<int>& blocks) {
    if (prompter_.yesNo(w_.window,
                        QStringLiteral("Are you sure to delete this item and all its children?")) ==
        Prompter::Answer::No)
        return;
    currentItemNode_ = nullptr;
    sharedNodes_.clear();
    // From the last block back, so that the indexes of the blocks before it
    // still hold.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        const int a = *it;
        const int size = designTree_.subtreeSize(a);
        for (int i = 0; i < size; ++i) agent_.DeleteItem(a - 1);
        StructuralEdit edit(*this);
        designTree_.removeSubtree(a);
    }
    QTreeWidgetItem* now = w_.tree->currentItem();
    if (!now) now = designTree_.root();
    {
        StructuralEdit edit(*this);
        w_.tree->setCurrentItem(now);
        now->setSelected(true);
    }
    treeSelectionChanged(now);
    updateItemCommands();
}

// Each block changes place with its neighbouring sibling, as Move Up and
// Move Down do for one; a block whose neighbour is a selected block that
// could not move stays too, so the selection keeps its order.
void ProjectEditor::moveBlocks(bool up, EditStep& step) {
    const QList<QTreeWidgetItem*> selected = w_.tree->selectedItems();
    QTreeWidgetItem* current = w_.tree->currentItem();
    std::vector<QTreeWidgetItem*> order;
    for (int b : selectedBlocks()) order.push_back(designTree_.item(b));
    if (!up) std::reverse(order.begin(), order.end());
    std::vector<QTreeWidgetItem*> stuck;
    for (QTreeWidgetItem* node : order) {
        const int b = indexOf(node);
        const int n = up ? designTree_.previousSibling(b) : designTree_.nextSibling(b);
        if (n < 0 || std::find(stuck.begin(), stuck.end(), designTree_.item(n)) != stuck.end()) {
            stuck.push_back(node);
            continue;
        }
        const int moving = up ? b : n;
        const int before = up ? n : b;
        const int size = designTree_.subtreeSize(moving);
        agent_.MoveItems(moving - 1, size, before - 1);
        step.addMove({std::size_t(moving - 1), std::size_t(size), std::size_t(before - 1)});
        StructuralEdit edit(*this);
        designTree_.moveBefore(moving, before);
    }
    reselect(selected, current);
    updateItemCommands();
}

// Each block in turn goes to stand just before the node that is to follow
// them all: blocks taken from above the drop place shift nothing, and the
// blocks end side by side in the order they had. Each is one move of its
// records, so the step keeps moves, not the nodes between.
void ProjectEditor::moveNodes(const QList<QTreeWidgetItem*>& nodes, QTreeWidgetItem* target,
                              DesignTreeWidget::DropPlace place) {
    const QList<QTreeWidgetItem*> blocks = outermostInTreeOrder(nodes);
    if (blocks.size() <= 1) {
        moveNode(blocks.value(0), target, place);
        return;
    }
    EditStep step(*this, QStringLiteral("Move"));
    if (!DesignTreeWidget::canMove(blocks, target, place)) return;
    QTreeWidgetItem* parent = place == DesignTreeWidget::DropPlace::Into ? target : target->parent();
    QTreeWidgetItem* following = DesignTreeWidget::nodeAfterDrop(blocks, target, place);
    const QList<QTreeWidgetItem*> selected = w_.tree->selectedItems();
    QTreeWidgetItem* current = w_.tree->currentItem();
    if (!current) current = blocks.front();
    std::vector<int> depths;
    for (QTreeWidgetItem* block : blocks) depths.push_back(designTree_.depth(indexOf(block)));
    for (QTreeWidgetItem* block : blocks) {
        const int from = indexOf(block);
        const int size = designTree_.subtreeSize(from);
        int row = following ? parent->indexOfChild(following) : parent->childCount();
        // The row counts the siblings without the moving block.
        if (block->parent() == parent && parent->indexOfChild(block) < row) --row;
        int to;
        {
            StructuralEdit edit(*this);
            designTree_.moveSubtree(block, parent, row);
            to = indexOf(block);
        }
        if (to == from) continue;
        agent_.MoveItems(from - 1, size, to - 1);
        step.addMove({std::size_t(from - 1), std::size_t(size), std::size_t(to - 1)});
    }
    // Blocks that changed parents changed depth: their levels follow the tree.
    for (std::size_t i = 0; i < depths.size(); ++i) {
        const int at = indexOf(blocks[qsizetype(i)]);
        if (designTree_.depth(at) == depths[i]) continue;
        const int end = at + designTree_.subtreeSize(at);
        for (int k = at; k < end; ++k)
            agent_.Items[size_t(k - 1)].Level = std::to_string(designTree_.depth(k) - 1);
    }
    reselect(selected, current);
    document_.setCurrentItem(indexOf(current) - 1);
    updateItemCommands();
}

}  // namespace marivel
