#pragma once

#include <string>

namespace marivel {

// What the document agent needs of the design tree. Nodes are addressed by
// absolute index: the position in a pre-order walk of the whole tree, the
// root being 0. Node n (n >= 1) owns item n - 1 of the agent's item list.
class DesignTree {
public:
    virtual ~DesignTree() = default;

    virtual int count() const = 0;           // all nodes, root included
    virtual int depth(int index) const = 0;  // root = 0
    virtual std::string caption(int index) const = 0;
    virtual void setCaption(int index, const std::string& caption) = 0;

    // Adds a node as the last child of node `parent` and answers the new
    // node's absolute index.
    virtual int addChild(int parent, const std::string& caption) = 0;

    // Navigation; -1 where there is no such node.
    virtual int parent(int index) const = 0;
    virtual int previousSibling(int index) const = 0;
    virtual int nextSibling(int index) const = 0;
    // The node and all its descendants.
    virtual int subtreeSize(int index) const = 0;

    // Structural edits the item commands make on the tree side.
    virtual void removeSubtree(int index) = 0;
    // Moves node `index` with its subtree to stand directly before its
    // sibling `sibling` (same parent).
    virtual void moveBefore(int index, int sibling) = 0;
    // Removes every node and adds a single root node with that caption.
    virtual void reset(const std::string& rootCaption) = 0;
};

}  // namespace marivel
