#include "model/memory_tree.h"

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

int MemoryDesignTree::addChild(int parent, const std::string& caption) {
    if (!valid(parent)) return -1;
    const int at = parent == 0 ? count() : parent + subtreeSize(parent);
    nodes_.insert(nodes_.begin() + at, Node{caption, nodes_[parent].depth + 1});
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
    nodes_.erase(nodes_.begin() + index, nodes_.begin() + index + subtreeSize(index));
}

void MemoryDesignTree::moveBefore(int index, int sibling) {
    if (!valid(index) || !valid(sibling) || index == sibling) return;
    if (nodes_[index].depth != nodes_[sibling].depth || parent(index) != parent(sibling)) return;
    const int size = subtreeSize(index);
    std::vector<Node> block(nodes_.begin() + index, nodes_.begin() + index + size);
    nodes_.erase(nodes_.begin() + index, nodes_.begin() + index + size);
    const int at = sibling < index ? sibling : sibling - size;
    nodes_.insert(nodes_.begin() + at, block.begin(), block.end());
}

void MemoryDesignTree::reset(const std::string& rootCaption) {
    nodes_.assign(1, Node{rootCaption, 0});
}

}  // namespace marivel
