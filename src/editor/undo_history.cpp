#include "editor/undo_history.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "model/record_fields.h"

namespace marivel {

namespace {

// Captions and expansion are the view's, not the project's.
bool sameNode(const NodeRecord& a, const NodeRecord& b) {
    return a.depth == b.depth && a.item == b.item;
}
// A step keeps the expansion it changed too (a drop into a node opens it),
// so that undo shows the tree as it was.
bool sameNodeShown(const NodeRecord& a, const NodeRecord& b) {
    return sameNode(a, b) && a.expanded == b.expanded;
}

bool sameShape(const std::vector<NodeRecord>& a, const std::vector<NodeRecord>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const auto& x, const auto& y) { return x.depth == y.depth; });
}

// The run [first, first + removed) of a that stands as [first, first + added)
// in b: everything outside it is the same in both.
struct Run {
    std::size_t first, removed, added;
};
// withExpansion: nodes opened or closed count as changed.
Run differingRun(const std::vector<NodeRecord>& a, const std::vector<NodeRecord>& b, bool withExpansion) {
    const auto same = withExpansion ? sameNodeShown : sameNode;
    const std::size_t shorter = std::min(a.size(), b.size());
    std::size_t head = 0;
    while (head < shorter && same(a[head], b[head])) ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && same(a[a.size() - 1 - tail], b[b.size() - 1 - tail])) ++tail;
    return {head, a.size() - head - tail, b.size() - head - tail};
}

std::vector<NodeRecord> slice(const std::vector<NodeRecord>& nodes, std::size_t first, std::size_t count) {
    return {nodes.begin() + long(first), nodes.begin() + long(first + count)};
}

NodePatch patchBetween(const std::vector<NodeRecord>& a, const std::vector<NodeRecord>& b) {
    const Run run = differingRun(a, b, true);
    return {run.first, slice(a, run.first, run.removed), slice(b, run.first, run.added)};
}

// Widens a patch's run of nodes so that it also covers the change `run` from
// `from` to `to`. `from` holds the patch's `replaced` side at `first`; that
// side becomes the matching part of `to`, while the `kept` side (the other
// state of the patch) gains the nodes of `from` around it, unchanged by it.
void widen(std::size_t& first, std::vector<NodeRecord>& kept, std::vector<NodeRecord>& replaced,
           const std::vector<NodeRecord>& from, const std::vector<NodeRecord>& to, const Run& run) {
    if (run.removed == 0 && run.added == 0) return;
    // An empty patch stands anywhere: it starts where the change does, so
    // that it keeps no more nodes than the change touched.
    if (kept.empty() && replaced.empty()) first = run.first;
    const std::size_t lo = std::min(first, run.first);
    const std::size_t hi = std::max(first + replaced.size(), run.first + run.removed);
    std::vector<NodeRecord> widened = slice(from, lo, first - lo);
    widened.insert(widened.end(), kept.begin(), kept.end());
    widened.insert(widened.end(), from.begin() + long(first + replaced.size()), from.begin() + long(hi));
    kept = std::move(widened);
    replaced = slice(to, lo, hi - lo + run.added - run.removed);
    first = lo;
}

// Puts one side of a patch in place of the other; answers whether the
// shape of the tree changed.
bool applyPatch(std::vector<NodeRecord>& nodes, const NodePatch& patch, bool forward) {
    const std::vector<NodeRecord>& from = forward ? patch.before : patch.after;
    const std::vector<NodeRecord>& to = forward ? patch.after : patch.before;
    const auto at = nodes.begin() + long(patch.first);
    bool structural = from.size() != to.size();
    for (std::size_t i = 0; !structural && i < from.size(); ++i) structural = from[i].depth != to[i].depth;
    if (from.size() == to.size()) {
        std::copy(to.begin(), to.end(), at);
    } else {
        nodes.erase(at, at + long(from.size()));
        nodes.insert(nodes.begin() + long(patch.first), to.begin(), to.end());
    }
    return structural;
}

std::size_t bytesOf(const std::string& text) {
    return text.capacity() > 15 ? text.capacity() + 1 : 0;  // beyond the short-string buffer
}

std::size_t bytesOf(const std::vector<NodeRecord>& nodes) {
    std::size_t bytes = nodes.capacity() * sizeof(NodeRecord);
    for (const NodeRecord& node : nodes) {
        bytes += bytesOf(node.caption);
        for (const auto& field : kItemFieldTable) bytes += bytesOf(node.item.*field.member);
    }
    return bytes;
}

}  // namespace

bool sameShownFields(const SliderSettings& a, const SliderSettings& b) {
    for (const auto& field : kAppletFieldTable)
        if (field.page != FieldPage::None && a.*field.member != b.*field.member) return false;
    return true;
}

bool sameShownFields(const SliderItem& a, const SliderItem& b) {
    for (const auto& field : kItemFieldTable)
        if (field.page != FieldPage::None && a.*field.member != b.*field.member) return false;
    return true;
}

std::vector<FieldChange> shownChanges(const ProjectState& a, const ProjectState& b) {
    std::vector<FieldChange> changes;
    if (!sameShape(a.nodes, b.nodes)) return changes;
    for (std::size_t f = 0; f < std::size(kAppletFieldTable); ++f) {
        const auto& field = kAppletFieldTable[f];
        if (field.page != FieldPage::None && a.applet.*field.member != b.applet.*field.member)
            changes.push_back({-1, int(f)});
    }
    for (std::size_t i = 0; i < a.nodes.size(); ++i) {
        if (a.nodes[i].item == b.nodes[i].item) continue;
        for (std::size_t f = 0; f < std::size(kItemFieldTable); ++f) {
            const auto& field = kItemFieldTable[f];
            if (field.page != FieldPage::None &&
                a.nodes[i].item.*field.member != b.nodes[i].item.*field.member)
                changes.push_back({int(i), int(f)});
        }
    }
    return changes;
}

bool differsVisibly(const ProjectState& a, const ProjectState& b) {
    if (!sameShape(a.nodes, b.nodes)) return true;
    // Items of the same shape that moved differ in their shown fields too;
    // identical items trading places change nothing anyone could see or save.
    return !shownChanges(a, b).empty();
}

void applyMove(std::vector<NodeRecord>& nodes, const NodeMove& move) {
    if (move.count == 0 || move.from == move.to || move.from + move.count > nodes.size() ||
        move.to + move.count > nodes.size())
        return;
    const auto at = [&nodes](std::size_t i) { return nodes.begin() + long(i); };
    if (move.to < move.from)
        std::rotate(at(move.to), at(move.from), at(move.from + move.count));
    else
        std::rotate(at(move.from), at(move.from + move.count), at(move.to + move.count));
}

std::size_t UndoStep::bytes() const {
    std::size_t total =
        sizeof(UndoStep) + moves.capacity() * sizeof(NodeMove) + bytesOf(caption) + bytesOf(mergeKey);
    for (const NodePatch* patch : {&pre, &post}) total += bytesOf(patch->before) + bytesOf(patch->after);
    for (const auto& field : kAppletFieldTable)
        total += bytesOf(appletBefore.*field.member) + bytesOf(appletAfter.*field.member);
    return total;
}

bool UndoStep::changesNothing() const {
    auto unchanged = [](const NodePatch& p) {
        return std::equal(p.before.begin(), p.before.end(), p.after.begin(), p.after.end(), sameNode);
    };
    return moves.empty() && appletBefore == appletAfter && unchanged(pre) && unchanged(post);
}

UndoStep makeStep(const ProjectState& before, const ProjectState& now, const std::vector<NodeMove>& moves) {
    UndoStep step;
    if (!moves.empty()) {
        std::vector<NodeRecord> moved = before.nodes;
        for (const NodeMove& move : moves) applyMove(moved, move);
        step.post = patchBetween(moved, now.nodes);
        step.moves = moves;
    } else {
        step.post = patchBetween(before.nodes, now.nodes);
    }
    step.appletBefore = before.applet;
    step.appletAfter = now.applet;
    step.rootExpandedBefore = before.rootExpanded;
    step.rootExpandedAfter = now.rootExpanded;
    return step;
}

bool foldInto(UndoStep& step, const UndoStep& later) {
    if (!step.moves.empty() || !later.moves.empty() || !step.pre.before.empty() || !step.pre.after.empty() ||
        !later.pre.before.empty() || !later.pre.after.empty())
        return false;
    // Where the step starts matters as much as how long it is: the same key
    // over another run would undo the wrong nodes.
    if (step.post.first != later.post.first || step.post.after.size() != later.post.before.size() ||
        step.post.before.size() != later.post.after.size())
        return false;
    step.post.after = later.post.after;
    step.appletAfter = later.appletAfter;
    step.rootExpandedAfter = later.rootExpandedAfter;
    step.viewAfter = later.viewAfter;
    return true;
}

AppliedStep applyStep(ProjectState& state, const UndoStep& step, bool forward) {
    auto& nodes = state.nodes;
    bool structural = !step.moves.empty();
    if (forward) {
        structural = applyPatch(nodes, step.pre, true) || structural;
        for (const NodeMove& move : step.moves) applyMove(nodes, move);
        structural = applyPatch(nodes, step.post, true) || structural;
    } else {
        structural = applyPatch(nodes, step.post, false) || structural;
        for (auto move = step.moves.rbegin(); move != step.moves.rend(); ++move)
            applyMove(nodes, move->inverse());
        structural = applyPatch(nodes, step.pre, false) || structural;
    }
    state.applet = forward ? step.appletAfter : step.appletBefore;
    state.rootExpanded = forward ? step.rootExpandedAfter : step.rootExpandedBefore;
    state.view = forward ? step.viewAfter : step.viewBefore;
    // Without a change of shape the sides of both patches are as long as
    // each other: the nodes to show anew lie between the two runs' ends.
    std::size_t lo = nodes.size(), hi = 0;
    for (const NodePatch* patch : {&step.pre, &step.post}) {
        if (patch->before.empty() && patch->after.empty()) continue;
        lo = std::min(lo, patch->first);
        hi = std::max(hi, patch->first + patch->after.size());
    }
    if (lo > hi) lo = hi = 0;
    return {lo, std::min(hi, nodes.size()) - std::min(lo, nodes.size()), structural};
}

void absorbAfter(UndoStep& done, const ProjectState& from, const ProjectState& to) {
    // Opening and closing nodes between steps is the user's view, not a
    // change to keep with a step.
    const Run run = differingRun(from.nodes, to.nodes, false);
    widen(done.post.first, done.post.before, done.post.after, from.nodes, to.nodes, run);
    done.appletAfter = to.applet;
    done.rootExpandedAfter = to.rootExpanded;
}

void absorbBefore(UndoStep& next, const ProjectState& from, const ProjectState& to) {
    const Run run = differingRun(from.nodes, to.nodes, false);
    widen(next.pre.first, next.pre.after, next.pre.before, from.nodes, to.nodes, run);
    next.appletBefore = to.applet;
    next.rootExpandedBefore = to.rootExpanded;
}

}  // namespace marivel
