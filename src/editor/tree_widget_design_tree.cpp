#include "editor/tree_widget_design_tree.h"

#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <string>

#include "model/error.h"
#include "platform/local_text.h"

namespace marivel {

DesignTreeWidget::DesignTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    connect(this, &QTreeView::collapsed, this, &DesignTreeWidget::takeSelectionFromHiddenDescendant);
    // DragDrop rather than InternalMove: drops from other programs still
    // reach the view's ordinary handling.
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

bool DesignTreeWidget::canMove(const QTreeWidgetItem* node, const QTreeWidgetItem* target, DropPlace place) {
    if (!node || !target || !node->parent()) return false;
    for (const QTreeWidgetItem* t = target; t; t = t->parent())
        if (t == node) return false;
    const QTreeWidgetItem* parent = target->parent();
    if (place != DropPlace::Into && !parent) return false;
    const QTreeWidgetItem* home = node->parent();
    // indexOfChild takes a non-const pointer but only compares it.
    const int row = home->indexOfChild(const_cast<QTreeWidgetItem*>(node));
    switch (place) {
        case DropPlace::Into:
            return !(home == target && row == target->childCount() - 1);
        case DropPlace::Before:
            return !(home == parent && parent->indexOfChild(const_cast<QTreeWidgetItem*>(target)) == row + 1);
        case DropPlace::After:
            return !(home == parent && parent->indexOfChild(const_cast<QTreeWidgetItem*>(target)) == row - 1);
    }
    return false;
}

DesignTreeWidget::DropTarget DesignTreeWidget::dropTargetAt(const QTreeWidgetItem* node,
                                                            const QPoint& position) const {
    QTreeWidgetItem* over = itemAt(position);
    if (!over) return {};
    const QRect row = visualItemRect(over);
    // The margins the view uses for its drop indicator.
    const int margin = std::clamp(int(std::lround(row.height() / 5.5)), 2, 12);
    DropPlace place = DropPlace::Into;
    if (position.y() - row.top() < margin)
        place = DropPlace::Before;
    else if (row.bottom() - position.y() < margin)
        place = DropPlace::After;
    if (!canMove(node, over, place)) return {};
    return {over, place};
}

bool DesignTreeWidget::isOwnDrag(const QDropEvent* event) const {
    return dragged_ && event->source() == this;
}

// The drag carries the view's own data; the move itself is made by whoever
// handles moveRequested, so the view never removes the dragged rows.
void DesignTreeWidget::startDrag(Qt::DropActions /*supportedActions*/) {
    QTreeWidgetItem* node = currentItem();
    if (!node || !node->parent()) return;  // the root stays where it is
    auto* drag = new QDrag(this);
    drag->setMimeData(model()->mimeData({currentIndex()}));
    // The row under the mouse travels with it, as the view's own drags show.
    const QRect row = visualItemRect(node);
    drag->setPixmap(viewport()->grab(row));
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - row.topLeft());
    dragged_ = node;
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    dragged_ = nullptr;
}

void DesignTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!isOwnDrag(event)) {
        QTreeWidget::dragEnterEvent(event);
        return;
    }
    setState(DraggingState);
    event->acceptProposedAction();
}

void DesignTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    // The view scrolls near its edges and draws the indicator either way.
    QTreeWidget::dragMoveEvent(event);
    if (!isOwnDrag(event)) return;
    if (dropTargetAt(dragged_, event->position().toPoint()).node) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DesignTreeWidget::dropEvent(QDropEvent* event) {
    if (!isOwnDrag(event)) {
        QTreeWidget::dropEvent(event);
        return;
    }
    const DropTarget target = dropTargetAt(dragged_, event->position().toPoint());
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    if (!target.node) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    emit moveRequested(dragged_, target.node, target.place);
}

void DesignTreeWidget::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    emit mousePressed();
}

// A plain item view clears the selection on a click beside the nodes and
// toggles it with Control; here a click can only select another node.
QItemSelectionModel::SelectionFlags DesignTreeWidget::selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const {
    if (!index.isValid()) return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void DesignTreeWidget::takeSelectionFromHiddenDescendant(const QModelIndex& collapsed) {
    const QModelIndex current = currentIndex();
    for (QModelIndex p = current.parent(); p.isValid(); p = p.parent()) {
        if (p == collapsed) {
            setCurrentIndex(collapsed);
            return;
        }
    }
}

TreeWidgetDesignTree::TreeWidgetDesignTree(QTreeWidget& tree, QIcon itemPicture, QIcon rootPicture)
    : tree_(tree), itemPicture_(std::move(itemPicture)), rootPicture_(std::move(rootPicture)) {}

void TreeWidgetDesignTree::ensureCache() const {
    if (valid_) return;
    order_.clear();
    depth_.clear();
    position_.clear();
    // Iterative pre-order walk: deep trees read from files must not overflow
    // the stack.
    std::vector<std::pair<QTreeWidgetItem*, int>> pending;
    for (int i = tree_.topLevelItemCount() - 1; i >= 0; --i) pending.emplace_back(tree_.topLevelItem(i), 0);
    while (!pending.empty()) {
        auto [node, d] = pending.back();
        pending.pop_back();
        position_.insert(node, int(order_.size()));
        order_.push_back(node);
        depth_.push_back(d);
        for (int i = node->childCount() - 1; i >= 0; --i) pending.emplace_back(node->child(i), d + 1);
    }
    valid_ = true;
}

QTreeWidgetItem* TreeWidgetDesignTree::item(int index) const {
    ensureCache();
    if (index < 0 || index >= int(order_.size())) return nullptr;
    return order_[size_t(index)];
}

QTreeWidgetItem* TreeWidgetDesignTree::at(int index) const {
    QTreeWidgetItem* node = item(index);
    if (!node) throw Error("Tree node index " + std::to_string(index) + " is out of bounds");
    return node;
}

int TreeWidgetDesignTree::indexOf(const QTreeWidgetItem* node) const {
    if (!node) return -1;
    ensureCache();
    return position_.value(node, -1);
}

QTreeWidgetItem* TreeWidgetDesignTree::root() const {
    return tree_.topLevelItem(0);
}

int TreeWidgetDesignTree::count() const {
    ensureCache();
    return int(order_.size());
}

int TreeWidgetDesignTree::depth(int index) const {
    at(index);
    return depth_[size_t(index)];
}

std::string TreeWidgetDesignTree::caption(int index) const {
    return fromQt(at(index)->text(0));
}

void TreeWidgetDesignTree::setCaption(int index, const std::string& caption) {
    at(index)->setText(0, toQt(caption));
}

int TreeWidgetDesignTree::addChild(int parentIndex, const std::string& caption) {
    QTreeWidgetItem* parentNode = at(parentIndex);
    const int position = parentIndex + subtreeSize(parentIndex);
    const int childDepth = depth_[size_t(parentIndex)] + 1;
    auto* node = new QTreeWidgetItem(QStringList{toQt(caption)});
    node->setIcon(0, itemPicture_);
    parentNode->addChild(node);
    if (position == int(order_.size())) {
        position_.insert(node, position);
        order_.push_back(node);
        depth_.push_back(childDepth);
    } else {
        valid_ = false;
    }
    return position;
}

int TreeWidgetDesignTree::parent(int index) const {
    QTreeWidgetItem* node = at(index);
    return node->parent() ? indexOf(node->parent()) : -1;
}

int TreeWidgetDesignTree::previousSibling(int index) const {
    QTreeWidgetItem* node = at(index);
    QTreeWidgetItem* p = node->parent();
    if (!p) return -1;
    const int row = p->indexOfChild(node);
    return row > 0 ? indexOf(p->child(row - 1)) : -1;
}

int TreeWidgetDesignTree::nextSibling(int index) const {
    QTreeWidgetItem* node = at(index);
    QTreeWidgetItem* p = node->parent();
    if (!p) return -1;
    const int row = p->indexOfChild(node);
    return row + 1 < p->childCount() ? indexOf(p->child(row + 1)) : -1;
}

int TreeWidgetDesignTree::subtreeSize(int index) const {
    at(index);
    const int d = depth_[size_t(index)];
    int end = index + 1;
    const int n = int(order_.size());
    while (end < n && depth_[size_t(end)] > d) ++end;
    return end - index;
}

void TreeWidgetDesignTree::removeSubtree(int index) {
    QTreeWidgetItem* node = at(index);
    valid_ = false;
    if (QTreeWidgetItem* p = node->parent())
        p->removeChild(node);
    else
        tree_.takeTopLevelItem(tree_.indexOfTopLevelItem(node));
    delete node;
    valid_ = false;
}

void TreeWidgetDesignTree::moveBefore(int index, int sibling) {
    QTreeWidgetItem* node = at(index);
    QTreeWidgetItem* other = at(sibling);
    QTreeWidgetItem* p = node->parent();
    if (!p || other->parent() != p) throw Error("Only sibling nodes can be moved past each other");
    const int row = p->indexOfChild(other);
    moveSubtree(node, p, p->indexOfChild(node) < row ? row - 1 : row);
}

void TreeWidgetDesignTree::moveSubtree(QTreeWidgetItem* node, QTreeWidgetItem* p, int row) {
    if (!node || !p || !node->parent()) throw Error("The root node cannot be moved");
    // Taking a node out of the view forgets which of its nodes were expanded;
    // the user's view of the moved block comes back as it was.
    std::vector<QTreeWidgetItem*> expanded;
    std::vector<QTreeWidgetItem*> pending{node};
    while (!pending.empty()) {
        QTreeWidgetItem* n = pending.back();
        pending.pop_back();
        if (n->isExpanded()) expanded.push_back(n);
        for (int i = 0; i < n->childCount(); ++i) pending.push_back(n->child(i));
    }
    valid_ = false;
    node->parent()->removeChild(node);
    p->insertChild(std::clamp(row, 0, p->childCount()), node);
    for (QTreeWidgetItem* n : expanded) n->setExpanded(true);
    p->setExpanded(true);
    valid_ = false;
}

void TreeWidgetDesignTree::reset(const std::string& rootCaption) {
    valid_ = false;
    tree_.clear();
    auto* rootNode = new QTreeWidgetItem(QStringList{toQt(rootCaption)});
    rootNode->setIcon(0, rootPicture_);
    tree_.addTopLevelItem(rootNode);
    valid_ = false;
}

}  // namespace marivel
