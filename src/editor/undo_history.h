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

// The undo and redo steps of one project.
//
// The history keeps a baseline, the project as it was at the end of the
// last step, and each step keeps only what it changed: the run of nodes
// between the longest common head and tail of the node lists before and
// after, and the slider record. A one-field edit thus costs one record and
// a block move the records between its two places, whatever the size of the
// project; finding the run compares the lists once, which a 10,000-item
// project does in well under a millisecond.
//
// Changes no user would call an edit (the fields the generator recomputes,
// the names derived from the slider name, captions, expansion) are taken into
// the baseline without a step (absorb).
class UndoHistory {
public:
    // How far back the user can go; the oldest step is dropped beyond it.
    static constexpr std::size_t kMaxSteps = 1000;

    // A new baseline and no steps; the baseline is the saved state.
    void reset(ProjectState state);
    const ProjectState& baseline() const { return baseline_; }
    // now becomes the baseline; no step is made.
    void absorb(ProjectState now);

    // Makes the difference between the baseline and now one step, unless no
    // shown field differs, in which case now is absorbed. A step whose
    // mergeKey is not empty and equals that of the newest step, with the
    // same run of nodes and no save in between, is folded into it (typing
    // into one field in several visits); a fold that brings the project back
    // to where the newest step began drops that step. Answers whether the
    // project changed.
    bool record(ProjectState now, const std::string& caption, const std::string& mergeKey,
                const EditorView& before, const EditorView& after);

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // The caption of the step Undo (Redo) would take back (do again).
    std::string undoCaption() const;
    std::string redoCaption() const;

    // What an undo or redo turned the baseline into: the new state, and the
    // run of nodes that differs from the state before (first node, and how
    // many nodes stood there before and stand there now). structural tells
    // whether the tree's shape changed.
    struct Applied {
        const ProjectState& state;
        std::size_t first;
        std::size_t removed;
        std::size_t added;
        bool structural;
    };
    // The caller checks canUndo / canRedo first.
    Applied undo();
    Applied redo();

    // The current position is what the file on disk holds.
    void markClean() { clean_ = long(position_); }
    bool atClean() const { return clean_ == long(position_); }
    std::size_t size() const { return steps_.size(); }

    // The shown fields that differ between two states with the same shape;
    // an empty answer for states that differ in shape.
    static std::vector<FieldChange> shownChanges(const ProjectState& a, const ProjectState& b);
    // Whether the two states differ in anything the user sees on the pages
    // or in the tree's shape.
    static bool differsVisibly(const ProjectState& a, const ProjectState& b);

private:
    struct Step {
        std::string caption;
        std::string mergeKey;
        std::size_t first = 0;
        std::vector<NodeRecord> before;
        std::vector<NodeRecord> after;
        SliderSettings appletBefore;
        SliderSettings appletAfter;
        bool rootExpandedBefore = true;
        bool rootExpandedAfter = true;
        EditorView viewBefore;
        EditorView viewAfter;
    };
    Applied apply(const Step& step, bool forward);

    ProjectState baseline_;
    std::vector<Step> steps_;
    std::size_t position_ = 0;  // steps before it are done, from it on undone
    long clean_ = 0;            // -1: the saved state can no longer be reached
};

}  // namespace marivel
