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

// The fields of the slider record a page shows, by their position in the
// record: the three names derived from the slider name are not among them.
constexpr int kShownAppletPositions[] = {0, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
// The item page shows these four; the others are computed by the generator.
constexpr int kShownItemPositions[] = {1, 2, 3, 4};

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

// Widens a step's run of nodes so that it also covers the change `run` from
// `from` to `to`. `from` holds the step's `replaced` side at `first`; that
// side becomes the matching part of `to`, while the `kept` side (the other
// state of the step) gains the nodes of `from` around it, unchanged by the step.
void widen(std::size_t& first, std::vector<NodeRecord>& kept, std::vector<NodeRecord>& replaced,
           const std::vector<NodeRecord>& from, const std::vector<NodeRecord>& to, const Run& run) {
    if (run.removed == 0 && run.added == 0) return;
    const std::size_t lo = std::min(first, run.first);
    const std::size_t hi = std::max(first + replaced.size(), run.first + run.removed);
    std::vector<NodeRecord> widened = slice(from, lo, first - lo);
    widened.insert(widened.end(), kept.begin(), kept.end());
    widened.insert(widened.end(), from.begin() + long(first + replaced.size()), from.begin() + long(hi));
    kept = std::move(widened);
    replaced = slice(to, lo, hi - lo + run.added - run.removed);
    first = lo;
}

}  // namespace

bool sameShownFields(const SliderSettings& a, const SliderSettings& b) {
    for (const int f : kShownAppletPositions)
        if (a.*kAppletFields[f] != b.*kAppletFields[f]) return false;
    return true;
}

bool sameShownFields(const SliderItem& a, const SliderItem& b) {
    for (const int f : kShownItemPositions)
        if (a.*kItemFields[f] != b.*kItemFields[f]) return false;
    return true;
}

void UndoHistory::reset(ProjectState state) {
    baseline_ = std::move(state);
    steps_.clear();
    position_ = 0;
    clean_ = 0;
}

void UndoHistory::absorb(ProjectState now) {
    // The change belongs to the state at the current position: the step
    // that led here ends in it, and the step Redo would do starts from it.
    // Undo and Redo then give back each state whole, computed fields too
    // (a committed item whose picture is missing is saved with them empty).
    // Opening and closing nodes between steps is the user's view, not a
    // change to keep with a step.
    const Run run = differingRun(baseline_.nodes, now.nodes, false);
    if (position_ > 0) {
        Step& done = steps_[position_ - 1];
        widen(done.first, done.before, done.after, baseline_.nodes, now.nodes, run);
        done.appletAfter = now.applet;
        done.rootExpandedAfter = now.rootExpanded;
    }
    if (position_ < steps_.size()) {
        Step& next = steps_[position_];
        widen(next.first, next.after, next.before, baseline_.nodes, now.nodes, run);
        next.appletBefore = now.applet;
        next.rootExpandedBefore = now.rootExpanded;
    }
    baseline_ = std::move(now);
}

std::vector<FieldChange> UndoHistory::shownChanges(const ProjectState& a, const ProjectState& b) {
    std::vector<FieldChange> changes;
    if (!sameShape(a.nodes, b.nodes)) return changes;
    for (const int f : kShownAppletPositions)
        if (a.applet.*kAppletFields[f] != b.applet.*kAppletFields[f]) changes.push_back({-1, f});
    for (std::size_t i = 0; i < a.nodes.size(); ++i) {
        if (a.nodes[i].item == b.nodes[i].item) continue;
        for (const int f : kShownItemPositions)
            if (a.nodes[i].item.*kItemFields[f] != b.nodes[i].item.*kItemFields[f])
                changes.push_back({int(i), f});
    }
    return changes;
}

bool UndoHistory::differsVisibly(const ProjectState& a, const ProjectState& b) {
    if (!sameShape(a.nodes, b.nodes)) return true;
    // Items of the same shape that moved differ in their shown fields too;
    // identical items trading places change nothing anyone could see or save.
    return !shownChanges(a, b).empty();
}

bool UndoHistory::record(ProjectState now, const std::string& caption, const std::string& mergeKey,
                         const EditorView& before, const EditorView& after) {
    if (!differsVisibly(baseline_, now)) {
        absorb(std::move(now));
        return false;
    }
    const Run run = differingRun(baseline_.nodes, now.nodes, true);
    Step step;
    step.caption = caption;
    step.mergeKey = mergeKey;
    step.first = run.first;
    step.before = slice(baseline_.nodes, run.first, run.removed);
    step.after = slice(now.nodes, run.first, run.added);
    step.appletBefore = baseline_.applet;
    step.appletAfter = now.applet;
    step.rootExpandedBefore = baseline_.rootExpanded;
    step.rootExpandedAfter = now.rootExpanded;
    step.viewBefore = before;
    step.viewAfter = after;
    baseline_ = std::move(now);

    // What was undone is gone once something new is done.
    steps_.erase(steps_.begin() + long(position_), steps_.end());
    if (clean_ > long(position_)) clean_ = -1;

    if (!mergeKey.empty() && position_ > 0 && clean_ != long(position_)) {
        Step& newest = steps_[position_ - 1];
        if (newest.mergeKey == mergeKey && newest.first == step.first &&
            newest.after.size() == step.before.size() && newest.before.size() == step.after.size()) {
            newest.after = std::move(step.after);
            newest.appletAfter = step.appletAfter;
            newest.rootExpandedAfter = step.rootExpandedAfter;
            newest.viewAfter = step.viewAfter;
            const bool undone = newest.appletBefore == newest.appletAfter &&
                                std::equal(newest.before.begin(), newest.before.end(), newest.after.begin(),
                                           newest.after.end(), sameNode);
            if (undone) {
                steps_.pop_back();
                --position_;
            }
            return true;
        }
    }
    steps_.push_back(std::move(step));
    ++position_;
    if (steps_.size() > kMaxSteps) {
        steps_.erase(steps_.begin());
        --position_;
        clean_ = clean_ > 0 ? clean_ - 1 : -1;
    }
    return true;
}

std::string UndoHistory::undoCaption() const {
    return canUndo() ? steps_[position_ - 1].caption : std::string();
}

std::string UndoHistory::redoCaption() const {
    return canRedo() ? steps_[position_].caption : std::string();
}

UndoHistory::Applied UndoHistory::apply(const Step& step, bool forward) {
    const std::vector<NodeRecord>& from = forward ? step.before : step.after;
    const std::vector<NodeRecord>& to = forward ? step.after : step.before;
    auto& nodes = baseline_.nodes;
    const auto at = nodes.begin() + long(step.first);
    bool structural = from.size() != to.size();
    for (std::size_t i = 0; !structural && i < from.size(); ++i) structural = from[i].depth != to[i].depth;
    if (from.size() == to.size()) {
        std::copy(to.begin(), to.end(), at);
    } else {
        nodes.erase(at, at + long(from.size()));
        nodes.insert(nodes.begin() + long(step.first), to.begin(), to.end());
    }
    baseline_.applet = forward ? step.appletAfter : step.appletBefore;
    baseline_.rootExpanded = forward ? step.rootExpandedAfter : step.rootExpandedBefore;
    baseline_.view = forward ? step.viewAfter : step.viewBefore;
    return {baseline_, step.first, from.size(), to.size(), structural};
}

UndoHistory::Applied UndoHistory::undo() {
    --position_;
    return apply(steps_[position_], false);
}

UndoHistory::Applied UndoHistory::redo() {
    ++position_;
    return apply(steps_[position_ - 1], true);
}

}  // namespace marivel
