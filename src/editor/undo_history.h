#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/records.h"

namespace marivel {

// One node of the design tree below the root, with the item it owns.
struct NodeRecord {
    SliderItem item;
    int depth = 1;  // the root is 0
    // What the tree shows of the node; kept so an undo shows it again, but
    // never a change of the project (the generator rewrites captions).
    std::string caption;
    bool expanded = false;
};

// Where the user is: the selected node, the node whose item the item page
// belongs to (-1 for none) and the active page tab.
struct EditorView {
    int selected = 0;
    int current = -1;
    int page = 0;
    bool operator==(const EditorView&) const = default;
};

// The project as the history compares and restores it: the slider record,
// the nodes in pre-order (node n + 1 owns item n) and the view.
struct ProjectState {
    SliderSettings applet;
    std::vector<NodeRecord> nodes;
    bool rootExpanded = true;
    EditorView view;
};

// One field of the project that the user sees on a page.
struct FieldChange {
    int item = -1;  // -1: a field of the slider record
    int field = 0;  // the field's position in its record
};

// Whether two records agree in every field the pages show (the slider
// record's derived names and the fields the generator computes aside).
bool sameShownFields(const SliderSettings& a, const SliderSettings& b);
bool sameShownFields(const SliderItem& a, const SliderItem& b);
// The shown fields that differ between two states with the same shape; an
// empty answer for states that differ in shape.
std::vector<FieldChange> shownChanges(const ProjectState& a, const ProjectState& b);
// Whether the two states differ in anything the user sees on the pages or
// in the tree's shape.
bool differsVisibly(const ProjectState& a, const ProjectState& b);

// A block of nodes [from, from + count) taken out and put back so that it
// starts at `to` (positions in the node list, as DocumentAgent::MoveItems).
struct NodeMove {
    std::size_t from = 0, count = 0, to = 0;
    // The same move as seen from its result.
    NodeMove inverse() const { return {to, count, from}; }
};
void applyMove(std::vector<NodeRecord>& nodes, const NodeMove& move);

// The run [first, first + before.size()) of nodes that a change turns into
// `after`: everything outside it is the same on both sides.
struct NodePatch {
    std::size_t first = 0;
    std::vector<NodeRecord> before;
    std::vector<NodeRecord> after;
};

// One undo step. It keeps only what it changed, so a one-field edit costs
// one record whatever the size of the project: the run of nodes between the
// longest common head and tail of the node lists before and after, and the
// slider record. A move keeps the moves themselves, not the nodes between
// their places (dragging the first of 10,000 items below the last would
// otherwise keep all of them twice), and a patch for what else changed
// (levels of blocks that changed parents, a target node that opened).
// Several blocks dragged at once are one move each, in the order made.
//
// Forward: `pre` (in the coordinates before the moves), then the moves in
// order, then `post`. Backward in the opposite order, each move inverted.
// `pre` only grows when a change that is no step is taken in before the
// step (see absorbBefore).
struct UndoStep {
    std::string caption;
    // Typed steps of one field carry the same key and fold into one.
    std::string mergeKey;
    NodePatch pre;
    std::vector<NodeMove> moves;
    NodePatch post;
    SliderSettings appletBefore, appletAfter;
    bool rootExpandedBefore = true, rootExpandedAfter = true;
    EditorView viewBefore, viewAfter;

    // What the step keeps in memory, roughly: the history's budget counts it.
    std::size_t bytes() const;
    // Whether the step, after a fold, leaves the project as it found it.
    bool changesNothing() const;
};

// The step from `before` to `now`; moves, when the command knows it moved
// blocks (each in the coordinates the one before it left), are kept as such
// and the patch covers the rest.
UndoStep makeStep(const ProjectState& before, const ProjectState& now,
                  const std::vector<NodeMove>& moves = {});

// Folds `later` (a typed edit of the same field following `step` directly)
// into step: false when the two do not cover the same run of nodes, in which
// case step is left as it was.
bool foldInto(UndoStep& step, const UndoStep& later);

// What applying a step turned the state into: the run of nodes that differs
// from the state before (when the shape did not change), and whether the
// tree's shape changed.
struct AppliedStep {
    std::size_t first = 0;
    std::size_t count = 0;
    bool structural = false;
};
AppliedStep applyStep(ProjectState& state, const UndoStep& step, bool forward);

// A change that is no step (the fields the generator recomputes, the
// names derived from the slider name, captions, expansion) moves from
// `from` to `to`: the step that ends in `from` (done) or starts from it
// (next) takes it in, so that undo and redo give back each state whole.
void absorbAfter(UndoStep& done, const ProjectState& from, const ProjectState& to);
void absorbBefore(UndoStep& next, const ProjectState& from, const ProjectState& to);

}  // namespace marivel
