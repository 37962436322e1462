// Undo and redo in the editor: taking the project (records, tree shape,
// view) to the document as steps, and showing a state the document put back.
#include <QTabWidget>
#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

#include "editor/item_decorations.h"
#include "editor/item_page.h"
#include "editor/path_page.h"
#include "editor/project_editor.h"
#include "editor/script_page.h"
#include "model/record_fields.h"
#include "platform/local_text.h"

namespace marivel {

ProjectEditor::EditStep::EditStep(ProjectEditor& editor, QString caption)
    : editor_(editor), caption_(std::move(caption)) {
    if (editor_.stepDepth_ == 0) {
        editor_.commitFieldEdits(true, true);
        before_ = editor_.currentView();
    }
    ++editor_.stepDepth_;
}

ProjectEditor::EditStep::~EditStep() {
    if (--editor_.stepDepth_ > 0) return;
    // A destructor must not throw; a state that cannot be taken leaves the
    // history as it was, and the next step compares against it.
    try {
        if (editor_.document_.historyPending()) {
            editor_.startHistory();
            return;
        }
        editor_.document_.record(editor_.captureProject(), fromQt(caption_), std::string(), before_,
                                 editor_.currentView(), moves_);
    } catch (...) {
    }
}

bool ProjectEditor::historyQuiet() const {
    // Inside a command, while a state is put back, and while a project is
    // being read or cleared, what the pages and the tree hold is no edit.
    return stepDepth_ > 0 || restoring_ || suppressTreeEvents_;
}

EditorView ProjectEditor::currentView() const {
    return {selectedIndex(), currentItemNode_ ? indexOf(currentItemNode_) : -1, w_.tabs->currentIndex()};
}

ProjectState ProjectEditor::captureProject() const {
    ProjectState state;
    state.applet = agent_.AppletData;
    const int count = designTree_.count();
    const SliderItemList& items = agent_.Items;
    state.nodes.reserve(size_t(std::max(0, count - 1)));
    for (int i = 1; i < count; ++i) {
        QTreeWidgetItem* node = designTree_.item(i);
        NodeRecord record;
        if (size_t(i - 1) < items.size()) record.item = items[size_t(i - 1)];
        record.depth = designTree_.depth(i);
        record.caption = fromQt(node->text(0));
        record.expanded = node->isExpanded();
        state.nodes.push_back(std::move(record));
    }
    if (QTreeWidgetItem* root = designTree_.root()) state.rootExpanded = root->isExpanded();
    state.view = currentView();
    return state;
}

// What commitPages stores, but only the fields a page shows and only where
// the user changed one, without settling the spin edits' texts. A commit the
// user did not ask for must change neither what a field shows nor the
// record: the fields the generator computes stay as they are, so that an
// undo gives back the file saved before, and a report or a save after it
// still knows the item's prepared picture.
void ProjectEditor::commitPagesQuietly() {
    SliderSettings shown;
    w_.scriptPage->apply(shown);
    w_.pathPage->apply(shown);
    if (!sameShownFields(shown, agent_.AppletData)) agent_.SetAppletData(shown);
    if (currentItemNode_) {
        const int index = indexOf(currentItemNode_) - 1;
        if (index >= 0 && size_t(index) < agent_.Items.size()) {
            const SliderItem page = w_.itemPage->commit();
            SliderItem& item = agent_.Items[size_t(index)];
            if (!sameShownFields(page, item)) {
                for (const auto& field : kItemFieldTable)
                    if (field.page != FieldPage::None) item.*field.member = page.*field.member;
                if (decorations_) decorations_->refresh(currentItemNode_);
            }
        }
    }
    document_.setPagesDiffer(false);
}

void ProjectEditor::commitFieldEdits(bool typed, bool wholeProject) {
    if (historyQuiet()) return;
    // Several items edited at once change records the shown-item check
    // below does not look at: the whole project is compared then.
    const bool shared = applySharedFields();
    commitPagesQuietly();
    recordFieldEdits(typed, wholeProject || shared);
}

void ProjectEditor::recordFieldEdits(bool typed, bool wholeProject) {
    if (historyQuiet()) return;
    if (document_.historyPending()) {
        startHistory();
        return;
    }
    // The pages reach only the slider record and the shown item: when both
    // still show what the history holds, there is nothing to record, and a
    // long project is not compared whole at every selection change.
    // A step and Undo still take the whole project, so that the state they
    // start from holds the tree's expansion too.
    const ProjectState& last = document_.baseline();
    const int shown = currentItemNode_ ? indexOf(currentItemNode_) - 1 : -1;
    const SliderItemList& items = agent_.Items;
    if (!wholeProject && sameShownFields(agent_.AppletData, last.applet) &&
        last.nodes.size() == items.size() &&
        (shown < 0 || (size_t(shown) < items.size() &&
                       sameShownFields(items[size_t(shown)], last.nodes[size_t(shown)].item))))
        return;
    ProjectState now = captureProject();
    const std::vector<FieldChange> changes = shownChanges(document_.baseline(), now);
    std::string caption = "Edit";
    std::string mergeKey;
    EditorView where = now.view;
    if (changes.size() == 1) {
        const FieldChange& change = changes.front();
        if (change.item < 0) {
            const auto& field = kAppletFieldTable[change.field];
            caption = field.caption;
            where = {0, where.current, field.page == FieldPage::Path ? kPathTab : kScriptTab};
            mergeKey = "slider " + std::to_string(change.field);
        } else {
            caption = kItemFieldTable[change.field].caption;
            where = {change.item + 1, change.item + 1, kItemTab};
            mergeKey = "item " + std::to_string(change.item) + " " + std::to_string(change.field);
        }
    }
    // A pick from a list or a dialog is a step of its own, also after typing.
    if (!typed) mergeKey.clear();
    document_.record(std::move(now), caption, mergeKey, where, where);
}

void ProjectEditor::startHistory() {
    document_.resetHistory(captureProject());
}

void ProjectEditor::ProjectSaved() {
    document_.markSaved(captureProject());
}

void ProjectEditor::undo() {
    commitFieldEdits(true, true);
    if (historyQuiet() || document_.historyPending() || !document_.undoStack().canUndo()) return;
    document_.undoStack().undo();
}

void ProjectEditor::redo() {
    commitFieldEdits(true, true);
    if (historyQuiet() || document_.historyPending() || !document_.undoStack().canRedo()) return;
    document_.undoStack().redo();
}

void ProjectEditor::rebuildTree(const ProjectState& state) {
    currentItemNode_ = nullptr;
    sharedNodes_.clear();
    StructuralEdit edit(*this);
    w_.tree->setUpdatesEnabled(false);
    designTree_.reset("Marivel");
    // parents[d]: the last node met at depth d, the parent of a node at d + 1.
    std::vector<int> parents{0};
    for (const NodeRecord& record : state.nodes) {
        const size_t depth = std::clamp<size_t>(size_t(std::max(record.depth, 1)), 1, parents.size());
        const int added = designTree_.addChild(parents[depth - 1], record.caption);
        parents.resize(depth);
        parents.push_back(added);
    }
    for (size_t i = 0; i < state.nodes.size(); ++i)
        if (state.nodes[i].expanded) designTree_.item(int(i) + 1)->setExpanded(true);
    designTree_.root()->setExpanded(state.rootExpanded);
    w_.tree->setUpdatesEnabled(true);
}

// The document has put a state back into its records: the tree, the pages
// and the commands show it.
void ProjectEditor::showRestored(const AppliedStep& applied) {
    const ProjectState& state = document_.baseline();
    restoring_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{restoring_};

    if (applied.structural || designTree_.count() != int(state.nodes.size()) + 1) {
        rebuildTree(state);
    } else {
        StructuralEdit edit(*this);
        for (size_t i = applied.first; i < applied.first + applied.count; ++i) {
            QTreeWidgetItem* node = designTree_.item(int(i) + 1);
            node->setText(0, toQt(state.nodes[i].caption));
            node->setExpanded(state.nodes[i].expanded);
        }
        designTree_.root()->setExpanded(state.rootExpanded);
    }

    EditorView view = state.view;
    currentItemNode_ = view.current > 0 ? designTree_.item(view.current) : nullptr;
    QTreeWidgetItem* selected = designTree_.item(view.selected);
    if (!selected) selected = designTree_.root();
    // The restored view selects one node: a step taken with several items
    // selected shows the one that was current.
    sharedNodes_.clear();
    if (!currentItemNode_ && view.selected > 0 && w_.itemPage->showsSeveral()) {
        currentItemNode_ = selected;
        view.current = view.selected;
    }
    {
        StructuralEdit edit(*this);
        w_.tree->setCurrentItem(selected);
        selected->setSelected(true);
    }
    w_.tree->scrollToItem(selected);
    loadSliderPages();
    if (currentItemNode_) loadItemPage(view.current - 1);
    document_.setCurrentItem(currentItemNode_ ? view.current - 1 : -1);
    updateItemCommands();
    if (view.page >= 0 && view.page < w_.tabs->count() && w_.tabs->isTabVisible(view.page))
        w_.tabs->setCurrentIndex(view.page);
    // A rebuilt tree has plain icons, and a restored picture path may name
    // another photo: the thumbnails follow the restored items.
    refreshItemDecorations();
}

}  // namespace marivel
