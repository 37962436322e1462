#pragma once

#include <QHash>
#include <QIcon>
#include <QTreeWidget>
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
class DesignTreeWidget final : public QTreeWidget {
    Q_OBJECT
public:
    explicit DesignTreeWidget(QWidget* parent = nullptr);

signals:
    void mousePressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void takeSelectionFromHiddenDescendant(const QModelIndex& collapsed);
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
    void reset(const std::string& rootCaption) override;

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
