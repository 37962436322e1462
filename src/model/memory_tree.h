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
    std::vector<Node> nodes_;  // pre-order; the subtree of n is n .. n + subtreeSize(n) - 1
};

}  // namespace marivel
