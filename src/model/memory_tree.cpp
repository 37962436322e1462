#include "model/memory_tree.h"

#include <algorithm>
#include <iterator>

namespace marivel {

MemoryDesignTree::MemoryDesignTree(const std::string& rootCaption) {
    reset(rootCaption);
}

int MemoryDesignTree::depth(int index) const {
    return valid(index) ? nodes_[index].depth : -1;
}

std::string MemoryDesignTree::caption(int index) const {
    return valid(index) ? nodes_[index].caption : "";
}

void MemoryDesignTree::setCaption(int index, const std::string& caption) {
    if (valid(index)) nodes_[index].caption = caption;
}

bool MemoryDesignTree::subtreeEndsAtBack(int index) {
    if (!rightmostValid_) {
        // Walking back from the last node, each shallower node is an ancestor
        // of it.
        rightmost_.clear();
        int depth = nodes_.back().depth + 1;
        for (int i = count() - 1; i >= 0; --i) {
            if (nodes_[i].depth < depth) {
                rightmost_.push_back(i);
                depth = nodes_[i].depth;
            }
        }
        std::reverse(rightmost_.begin(), rightmost_.end());
        rightmostValid_ = true;
    }
    const auto depth = static_cast<std::size_t>(nodes_[index].depth);
    return depth < rightmost_.size() && rightmost_[depth] == index;
}

int MemoryDesignTree::addChild(int parent, const std::string& caption) {
    if (!valid(parent)) return -1;
    const int depth = nodes_[parent].depth + 1;
    if (subtreeEndsAtBack(parent)) {
        nodes_.push_back(Node{caption, depth});
        rightmost_.resize(static_cast<std::size_t>(depth));
        rightmost_.push_back(count() - 1);
        return count() - 1;
    }
    const int at = parent + subtreeSize(parent);
    nodes_.insert(nodes_.begin() + at, Node{caption, depth});
    rightmostValid_ = false;
    return at;
}

int MemoryDesignTree::parent(int index) const {
    if (!valid(index)) return -1;
    for (int i = index - 1; i >= 0; --i)
        if (nodes_[i].depth < nodes_[index].depth) return i;
    return -1;
}

int MemoryDesignTree::previousSibling(int index) const {
    if (!valid(index)) return -1;
    const int d = nodes_[index].depth;
    for (int i = index - 1; i >= 0; --i) {
        if (nodes_[i].depth < d) return -1;
        if (nodes_[i].depth == d) return i;
    }
    return -1;
}

int MemoryDesignTree::nextSibling(int index) const {
    if (!valid(index)) return -1;
    const int next = index + subtreeSize(index);
    return next < count() && nodes_[next].depth == nodes_[index].depth ? next : -1;
}

int MemoryDesignTree::subtreeSize(int index) const {
    if (!valid(index)) return 0;
    int end = index + 1;
    while (end < count() && nodes_[end].depth > nodes_[index].depth) ++end;
    return end - index;
}

void MemoryDesignTree::removeSubtree(int index) {
    if (index <= 0 || !valid(index)) return;  // the root stays
    rightmostValid_ = false;
    nodes_.erase(nodes_.begin() + index, nodes_.begin() + index + subtreeSize(index));
}

void MemoryDesignTree::moveBefore(int index, int sibling) {
    if (!valid(index) || !valid(sibling) || index == sibling) return;
    if (nodes_[index].depth != nodes_[sibling].depth || parent(index) != parent(sibling)) return;
    rightmostValid_ = false;
    const int size = subtreeSize(index);
    std::vector<Node> block(nodes_.begin() + index, nodes_.begin() + index + size);
    nodes_.erase(nodes_.begin() + index, nodes_.begin() + index + size);
    const int at = sibling < index ? sibling : sibling - size;
    nodes_.insert(nodes_.begin() + at, block.begin(), block.end());
}

void MemoryDesignTree::reset(const std::string& rootCaption) {
    nodes_.assign(1, Node{rootCaption, 0});
    rightmost_.assign(1, 0);
    rightmostValid_ = true;
}

}  // namespace marivel
