#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QTreeWidget>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "model/design_tree.h"

namespace marivel {

// The design tree widget. It tells the main window about mouse presses after
// the view has handled them, so a click first moves the selection and then
// refreshes the command states. Any mouse button, the right one included,
// selects the node under the mouse: a command chosen from the popup menu
// therefore acts on the node that was right-clicked.
//
// The commands always act on the current node, so the tree never hides it:
// nothing deselects it (a click beside the nodes, Control+click, Control+
// Space), and collapsing a node that holds it makes the collapsed node the
// current one, which runs the selection change as any other move does.
//
// A node can be dragged inside the tree, with its whole subtree, to stand
// before or after another node or to become its last child. Dragging one of
// several selected nodes drags them all, as a file manager does: each
// selected node whose ancestors are not selected goes with its subtree, and
// they land side by side in tree order. The widget only finds where a drop
// would go and asks the main window (moveRequested) to make the move on the
// tree and the item list together. Files dragged in from a file manager are
// reported by filesDropped; other drags that come from elsewhere go to the
// widget's ordinary handling.
class DesignTreeWidget final : public QTreeWidget {
    Q_OBJECT
public:
    enum class DropPlace { Before, After, Into };
    struct DropTarget {
        QTreeWidgetItem* node = nullptr;  // nullptr: no move may be made there
        DropPlace place = DropPlace::Into;
    };

    explicit DesignTreeWidget(QWidget* parent = nullptr);

    // Where files dragged in from outside (a file manager) land when dropped
    // at a point of the viewport: on a node they become its last children
    // (row -1), at the upper or lower edge of a node they go beside it, at
    // row `row` of its parent. Nothing goes above or beside the root: a drop
    // on the root's row or below the last node adds to the root's children.
    struct FileDrop {
        QTreeWidgetItem* parent = nullptr;
        int row = -1;
        bool operator==(const FileDrop&) const = default;
    };
    FileDrop fileDropAt(const QPoint& position) const;
    // Whether a drag carries files from outside this tree.
    static bool carriesFiles(const QDropEvent* event, const QWidget* tree);

    // Whether moving node to place relative to target changes the tree and
    // keeps it sound: never the root, never into or beside the moving
    // node's own subtree, never beside the root, and never where the node
    // already stands.
    static bool canMove(const QTreeWidgetItem* node, const QTreeWidgetItem* target, DropPlace place);
    // The same for several blocks (outermost nodes in tree order, see
    // selectedBlocks): never into or beside one of them or their
    // descendants, and never where they already stand side by side. One
    // block is judged as canMove for one node judges it.
    static bool canMove(const QList<QTreeWidgetItem*>& blocks, const QTreeWidgetItem* target,
                        DropPlace place);
    // The node that follows the moved blocks among their new siblings once
    // they are dropped, or nullptr when they become the last children: the
    // place is found in the tree without them, so blocks taken from above
    // the target do not shift it.
    static QTreeWidgetItem* nodeAfterDrop(const QList<QTreeWidgetItem*>& blocks, QTreeWidgetItem* target,
                                          DropPlace place);
    // Where node would go if dropped at position (viewport coordinates): the
    // top and bottom edge of a row mean before and after it, the middle into
    // it, as the view draws its drop indicator.
    DropTarget dropTargetAt(const QTreeWidgetItem* node, const QPoint& position) const;
    DropTarget dropTargetAt(const QList<QTreeWidgetItem*>& blocks, const QPoint& position) const;
    // The selected nodes below the root whose ancestors are not selected, in
    // tree order: what Delete, Move and a drag of the selection act on.
    QList<QTreeWidgetItem*> selectedBlocks() const;
    // What a drag that starts at node takes along: the selected blocks when
    // node is one of several selected nodes, else node alone; nothing for
    // the root.
    QList<QTreeWidgetItem*> blocksDraggedWith(QTreeWidgetItem* node) const;

signals:
    void mousePressed();
    // Files from outside were dropped (see FileDrop).
    void filesDropped(const QList<QUrl>& urls, QTreeWidgetItem* parent, int row);
    // The blocks dragged (one node, or the selected blocks) were dropped.
    void moveRequested(const QList<QTreeWidgetItem*>& blocks, QTreeWidgetItem* target,
                       DesignTreeWidget::DropPlace place);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Shift+F10 and the Menu key open the popup at the current node.
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void takeSelectionFromHiddenDescendant(const QModelIndex& collapsed);
    // The external file drag: where the mark is drawn and what is accepted.
    bool followFileDrag(QDropEvent* event);
    void endFileDrag();

    // The mark of the place a file drop would land: a node's row (framed) or
    // a line between rows; none while no file drag is over the tree.
    std::optional<QRect> fileDropMark_;

    bool isOwnDrag(const QDropEvent* event) const;
    // Where the view's drop indicator stands at position: the row and
    // whether its edge or its middle.
    DropTarget placeAt(const QPoint& position) const;
    // The rows of blocks that are in view, as one picture that follows the
    // mouse.
    QPixmap dragPicture(const QList<QTreeWidgetItem*>& blocks, QPoint& hotSpot) const;

    // The blocks of a drag started here, while it runs.
    QList<QTreeWidgetItem*> dragged_;
};

// DesignTree over a QTreeWidget. Absolute indexes (pre-order positions, root
// 0) are answered from a cached pre-order list that a structural change
// drops and the next look-up rebuilds, so look-ups are O(1) amortised even
// for very long projects. Adding nodes at the end of the pre-order (how a
// project is read) extends the cache instead of dropping it.
class TreeWidgetDesignTree final : public DesignTree {
public:
    TreeWidgetDesignTree(QTreeWidget& tree, QIcon itemPicture, QIcon rootPicture);

    int count() const override;
    int depth(int index) const override;
    std::string caption(int index) const override;
    void setCaption(int index, const std::string& caption) override;
    int addChild(int parent, const std::string& caption) override;
    int parent(int index) const override;
    int previousSibling(int index) const override;
    int nextSibling(int index) const override;
    int subtreeSize(int index) const override;
    void removeSubtree(int index) override;
    void moveBefore(int index, int sibling) override;
    // Moves node with its subtree to be child number row of newParent
    // (counted without the node), keeping which of its nodes are expanded.
    void moveSubtree(QTreeWidgetItem* node, QTreeWidgetItem* newParent, int row);
    void reset(const std::string& rootCaption) override;

    // Adds one node per caption as children of node `parent` from its child
    // row `row` on (-1 or the child count: after the last child), all in one
    // change of the view; answers the first new node's absolute index. The
    // new nodes follow each other in the pre-order.
    int insertChildren(int parent, int row, const std::vector<std::string>& captions);
    // Between nodes and indexes; nullptr and -1 for what is not there.
    QTreeWidgetItem* item(int index) const;
    int indexOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* root() const;
    // For changes made to the widget behind the adapter's back.
    void invalidate() { valid_ = false; }

private:
    void ensureCache() const;
    QTreeWidgetItem* at(int index) const;  // throws Error on a bad index

    QTreeWidget& tree_;
    QIcon itemPicture_;
    QIcon rootPicture_;
    mutable bool valid_ = false;
    mutable std::vector<QTreeWidgetItem*> order_;
    mutable std::vector<int> depth_;
    mutable QHash<const QTreeWidgetItem*, int> position_;
};

}  // namespace marivel
