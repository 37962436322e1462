#pragma once

#include <string>
#include <vector>

#include "model/design_tree.h"

namespace marivel {

// An in-memory design tree for the command line tool and the tests. Nodes
// are kept in pre-order, so absolute index look-ups are direct.
class MemoryDesignTree final : public DesignTree {
public:
    explicit MemoryDesignTree(const std::string& rootCaption = "Marivel");

    int count() const override { return static_cast<int>(nodes_.size()); }
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

private:
    struct Node {
        std::string caption;
        int depth;
    };
    bool valid(int index) const { return index >= 0 && index < count(); }
    bool subtreeEndsAtBack(int index);
    std::vector<Node> nodes_;  // pre-order; the subtree of n is n .. n + subtreeSize(n) - 1
    // The nodes from the root down to the last node of the list, node k of it
    // at depth k: exactly the nodes whose subtrees end at the back, so adding
    // a child to one of them is an append. Loading a project adds every node
    // that way, which keeps it linear however many children a node has.
    // Rebuilt on demand after other structural edits.
    std::vector<int> rightmost_;
    bool rightmostValid_ = false;
};

}  // namespace marivel
