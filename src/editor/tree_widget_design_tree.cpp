#include "editor/tree_widget_design_tree.h"

#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "model/error.h"
#include "platform/local_text.h"

namespace marivel {

DesignTreeWidget::DesignTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    // Pictures and folders can be dropped in from a file manager.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    connect(this, &QTreeView::collapsed, this, &DesignTreeWidget::takeSelectionFromHiddenDescendant);
    // DragDrop rather than InternalMove: drops from other programs still
    // reach the view's ordinary handling.
    setDragEnabled(true);
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

bool DesignTreeWidget::canMove(const QList<QTreeWidgetItem*>& blocks, const QTreeWidgetItem* target,
                               DropPlace place) {
    if (blocks.size() == 1) return canMove(blocks.front(), target, place);
    if (blocks.isEmpty() || !target) return false;
    for (const QTreeWidgetItem* node : blocks)
        if (!node || !node->parent()) return false;
    // Asked at every move of the mouse, also with thousands of blocks.
    const QSet<const QTreeWidgetItem*> moving(blocks.begin(), blocks.end());
    for (const QTreeWidgetItem* t = target; t; t = t->parent())
        if (moving.contains(t)) return false;
    QTreeWidgetItem* parent =
        place == DropPlace::Into ? const_cast<QTreeWidgetItem*>(target) : target->parent();
    if (!parent) return false;
    // Blocks that already stand side by side, in order, just before the
    // node that would follow them stay where they are: no move.
    QTreeWidgetItem* following = nodeAfterDrop(blocks, const_cast<QTreeWidgetItem*>(target), place);
    const int end = following ? parent->indexOfChild(following) : parent->childCount();
    const int first = end - int(blocks.size());
    if (first < 0) return true;
    for (int i = 0; i < int(blocks.size()); ++i)
        if (parent->child(first + i) != blocks[i]) return true;
    return false;
}

QTreeWidgetItem* DesignTreeWidget::nodeAfterDrop(const QList<QTreeWidgetItem*>& blocks,
                                                 QTreeWidgetItem* target, DropPlace place) {
    if (!target || place == DropPlace::Into) return nullptr;
    if (place == DropPlace::Before) return target;
    QTreeWidgetItem* parent = target->parent();
    if (!parent) return nullptr;
    // After the target means before its next sibling that stays.
    const QSet<const QTreeWidgetItem*> moving(blocks.begin(), blocks.end());
    for (int row = parent->indexOfChild(target) + 1; row < parent->childCount(); ++row)
        if (!moving.contains(parent->child(row))) return parent->child(row);
    return nullptr;
}

QList<QTreeWidgetItem*> DesignTreeWidget::selectedBlocks() const {
    QList<QTreeWidgetItem*> blocks;
    if (topLevelItemCount() == 0) return blocks;
    for (QTreeWidgetItemIterator it(topLevelItem(0), QTreeWidgetItemIterator::Selected); *it; ++it) {
        QTreeWidgetItem* node = *it;
        bool inner = !node->parent();
        for (const QTreeWidgetItem* p = node->parent(); p && p->parent() && !inner; p = p->parent())
            inner = p->isSelected();
        if (!inner) blocks << node;
    }
    return blocks;
}

QList<QTreeWidgetItem*> DesignTreeWidget::blocksDraggedWith(QTreeWidgetItem* node) const {
    if (!node || !node->parent()) return {};
    // A node of a selection drags the selection; a node inside a selected
    // block drags that block.
    if (node->isSelected() && selectedItems().size() > 1) return selectedBlocks();
    return {node};
}

DesignTreeWidget::DropTarget DesignTreeWidget::placeAt(const QPoint& position) const {
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
    return {over, place};
}

DesignTreeWidget::DropTarget DesignTreeWidget::dropTargetAt(const QTreeWidgetItem* node,
                                                            const QPoint& position) const {
    const DropTarget at = placeAt(position);
    if (!canMove(node, at.node, at.place)) return {};
    return at;
}

DesignTreeWidget::DropTarget DesignTreeWidget::dropTargetAt(const QList<QTreeWidgetItem*>& blocks,
                                                            const QPoint& position) const {
    const DropTarget at = placeAt(position);
    if (!canMove(blocks, at.node, at.place)) return {};
    return at;
}

bool DesignTreeWidget::isOwnDrag(const QDropEvent* event) const {
    return !dragged_.isEmpty() && event->source() == this;
}

QPixmap DesignTreeWidget::dragPicture(const QList<QTreeWidgetItem*>& blocks, QPoint& hotSpot) const {
    const QRect shown = viewport()->rect();
    QRect area;
    QList<QRect> rows;
    for (QTreeWidgetItem* node : blocks) {
        const QRect row = visualItemRect(node);
        if (!row.intersects(shown)) continue;
        rows << row;
        area |= row;
    }
    hotSpot = viewport()->mapFromGlobal(QCursor::pos()) - area.topLeft();
    if (area.isEmpty()) return {};
    const qreal ratio = viewport()->devicePixelRatioF();
    QPixmap picture(area.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (const QRect& row : rows) painter.drawPixmap(row.topLeft() - area.topLeft(), viewport()->grab(row));
    return picture;
}

// The drag carries the view's own data; the move itself is made by whoever
// handles moveRequested, so the view never removes the dragged rows.
void DesignTreeWidget::startDrag(Qt::DropActions /*supportedActions*/) {
    QTreeWidgetItem* node = currentItem();
    if (!node || !node->parent()) return;  // the root stays where it is
    auto* drag = new QDrag(this);
    dragged_ = blocksDraggedWith(node);
    if (dragged_.size() > 1) {
        QModelIndexList rows;
        for (QTreeWidgetItem* block : std::as_const(dragged_)) rows << indexFromItem(block);
        drag->setMimeData(model()->mimeData(rows));
        QPoint hotSpot;
        drag->setPixmap(dragPicture(dragged_, hotSpot));
        drag->setHotSpot(hotSpot);
    } else {
        drag->setMimeData(model()->mimeData({indexFromItem(dragged_.front())}));
        // The row under the mouse travels with it, as the view's own drags show.
        const QRect row = visualItemRect(dragged_.front());
        drag->setPixmap(viewport()->grab(row));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - row.topLeft());
    }
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    dragged_.clear();
}

void DesignTreeWidget::keyPressEvent(QKeyEvent* event) {
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (!menuKey && !shiftF10) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    // The menu acts on the selection, so it opens at the current node (the
    // popup's owner brings a node scrolled out of view back first).
    event->accept();
    QPoint at = viewport()->rect().center();
    if (QTreeWidgetItem* node = currentItem()) at = visualItemRect(node).center();
    if (contextMenuPolicy() == Qt::CustomContextMenu) emit customContextMenuRequested(at);
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
    // A node made current by the program is the one selected node, whatever
    // keys the user happens to hold at that moment.
    if (!event) return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    // Control+click adds a node to the selection or takes it out, but
    // never takes out the last one: a tree with nothing selected would
    // leave the pages and the commands without a node.
    const QItemSelectionModel* model = selectionModel();
    const bool keepsOne = model && (!model->isSelected(index) || model->selectedRows().size() > 1);
    if ((flags & QItemSelectionModel::Toggle) && selectionMode() == QAbstractItemView::ExtendedSelection &&
        keepsOne)
        return flags;
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

// --- files dropped from outside ------------------------------------------------

bool DesignTreeWidget::carriesFiles(const QDropEvent* event, const QWidget* tree) {
    if (event->source() == tree || !event->mimeData()->hasUrls()) return false;
    const QList<QUrl> urls = event->mimeData()->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

DesignTreeWidget::FileDrop DesignTreeWidget::fileDropAt(const QPoint& position) const {
    QTreeWidgetItem* root = topLevelItem(0);
    QTreeWidgetItem* node = itemAt(position);
    if (!node || !node->parent()) return {root, -1};
    QTreeWidgetItem* parentNode = node->parent();
    const int row = parentNode->indexOfChild(node);
    const QRect rect = visualItemRect(node);
    // The edges the view itself uses for drops between rows.
    const int margin = std::clamp(qRound(rect.height() / 5.5), 2, 12);
    if (position.y() < rect.top() + margin) return {parentNode, row};
    if (position.y() > rect.bottom() - margin) {
        // Below an open node the line stands above its first child.
        if (node->isExpanded() && node->childCount() > 0) return {node, 0};
        return {parentNode, row + 1};
    }
    return {node, -1};
}

bool DesignTreeWidget::followFileDrag(QDropEvent* event) {
    if (!carriesFiles(event, this)) return false;
    const QPoint at = event->position().toPoint();
    const FileDrop drop = fileDropAt(at);
    QRect mark;
    if (drop.row < 0) {
        mark = visualItemRect(drop.parent).adjusted(0, 0, -1, -1);
    } else {
        QTreeWidgetItem* node = itemAt(at);
        const QRect rect = node ? visualItemRect(node) : QRect();
        const bool above =
            node && node->parent() == drop.parent && drop.parent->indexOfChild(node) == drop.row;
        const int y = above ? rect.top() : rect.bottom();
        mark = QRect(rect.left(), y, viewport()->width() - rect.left(), 0);
    }
    if (fileDropMark_ != mark) {
        fileDropMark_ = mark;
        viewport()->update();
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void DesignTreeWidget::endFileDrag() {
    if (!fileDropMark_) return;
    fileDropMark_.reset();
    viewport()->update();
}

// Files from outside go to the file drop; a node dragged inside the tree is
// moved by whoever handles moveRequested; anything else gets the view's own
// handling.
void DesignTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (followFileDrag(event)) return;
    if (!isOwnDrag(event)) {
        QTreeWidget::dragEnterEvent(event);
        return;
    }
    setState(DraggingState);
    event->acceptProposedAction();
}

void DesignTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (followFileDrag(event)) return;
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

void DesignTreeWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    endFileDrag();
    QTreeWidget::dragLeaveEvent(event);
}

void DesignTreeWidget::dropEvent(QDropEvent* event) {
    if (carriesFiles(event, this)) {
        endFileDrag();
        const FileDrop drop = fileDropAt(event->position().toPoint());
        event->setDropAction(Qt::CopyAction);
        event->accept();
        emit filesDropped(event->mimeData()->urls(), drop.parent, drop.row);
        return;
    }
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
    const QList<QTreeWidgetItem*> blocks = dragged_;
    emit moveRequested(blocks, target.node, target.place);
}

void DesignTreeWidget::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (!fileDropMark_) return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    if (fileDropMark_->height() == 0)
        painter.drawLine(fileDropMark_->topLeft(), fileDropMark_->topRight());
    else
        painter.drawRect(*fileDropMark_);
}

// --- the adapter ---------------------------------------------------------------------

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

int TreeWidgetDesignTree::insertChildren(int parentIndex, int row, const std::vector<std::string>& captions) {
    QTreeWidgetItem* parentNode = at(parentIndex);
    const int children = parentNode->childCount();
    if (row < 0 || row > children) row = children;
    const int first =
        row < children ? indexOf(parentNode->child(row)) : parentIndex + subtreeSize(parentIndex);
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(qsizetype(captions.size()));
    for (const std::string& caption : captions) {
        auto* node = new QTreeWidgetItem(QStringList{toQt(caption)});
        node->setIcon(0, itemPicture_);
        nodes << node;
    }
    valid_ = false;
    parentNode->insertChildren(row, nodes);
    return first;
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
