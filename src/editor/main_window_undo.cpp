// Undo and redo on the main window: taking the project (model, tree shape,
// view) into the history and putting a state of the history back.
#include <QAction>
#include <QTabWidget>
#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

#include "editor/item_page.h"
#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "platform/local_text.h"

namespace marivel {

namespace {

// What a step of one field is called, by the field's position in its record.
const char* const kSliderFieldNames[SliderSettings::FieldCount] = {"Name",
                                                                   "Name",
                                                                   "Name",
                                                                   "Width",
                                                                   "Height",
                                                                   "Step",
                                                                   "Delay",
                                                                   "Gap",
                                                                   "Trailer Space",
                                                                   "Background Color",
                                                                   "Name",
                                                                   "Image Border Width",
                                                                   "Image Border Style",
                                                                   "Image Border Color",
                                                                   "Slider Border Width",
                                                                   "Slider Border Style",
                                                                   "Slider Border Color",
                                                                   "Root Directory for Local Computer",
                                                                   "Root Directory for Web Server",
                                                                   "Path Replacement"};
const char* const kItemFieldNames[SliderItem::FieldCount] = {
    "Item", "Original Image Path", "URL", "Target", "Tooltip", "Item", "Item", "Item", "Item"};
// Slider fields from this position on are edited on the "Path" page.
constexpr int kFirstPathField = 17;

}  // namespace

MainWindow::UndoStep::UndoStep(MainWindow& form, QString caption)
    : form_(form), caption_(std::move(caption)) {
    if (form_.stepDepth_ == 0) {
        form_.commitFieldEdits(true, true);
        before_ = form_.currentView();
    }
    ++form_.stepDepth_;
}

MainWindow::UndoStep::~UndoStep() {
    if (--form_.stepDepth_ > 0) return;
    // A destructor must not throw; a state that cannot be taken leaves the
    // history as it was, and the next step compares against it.
    try {
        if (form_.historyPending_) {
            form_.resetHistory();
            return;
        }
        form_.history_->record(form_.captureProject(), fromQt(caption_), std::string(), before_,
                               form_.currentView());
        form_.updateUndoCommands();
    } catch (...) {
    }
}

void MainWindow::runStep(const QString& caption, const std::function<void()>& command) {
    run([&] {
        UndoStep step(*this, caption);
        command();
    });
}

bool MainWindow::historyQuiet() const {
    // Inside a command, while a state is put back, and while a project is
    // being read or cleared, what the pages and the tree hold is no edit.
    return stepDepth_ > 0 || restoring_ || suppressTreeEvents_;
}

EditorView MainWindow::currentView() const {
    return {selectedIndex(), currentItemNode_ ? indexOf(currentItemNode_) : -1,
            propertyTabs_->currentIndex()};
}

ProjectState MainWindow::captureProject() const {
    ProjectState state;
    state.applet = agent_->AppletData;
    const int count = designTree_->count();
    const SliderItemList& items = agent_->Items;
    state.nodes.reserve(size_t(std::max(0, count - 1)));
    for (int i = 1; i < count; ++i) {
        QTreeWidgetItem* node = designTree_->item(i);
        NodeRecord record;
        if (size_t(i - 1) < items.size()) record.item = items[size_t(i - 1)];
        record.depth = designTree_->depth(i);
        record.caption = fromQt(node->text(0));
        record.expanded = node->isExpanded();
        state.nodes.push_back(std::move(record));
    }
    if (QTreeWidgetItem* root = designTree_->root()) state.rootExpanded = root->isExpanded();
    state.view = currentView();
    return state;
}

// What commitPages stores, but only where the user changed a shown field,
// and without settling the spin edits' texts. A commit the user did not ask
// for must change neither what a field shows nor the record: a commit
// empties the fields the generator computes, and for an item whose picture
// is missing those are saved as they stand, so an undo after it would not
// give back the file saved before.
void MainWindow::commitPagesQuietly() {
    SliderSettings shown;
    scriptPage_->apply(shown);
    pathPage_->apply(shown);
    if (!sameShownFields(shown, agent_->AppletData)) agent_->SetAppletData(shown);
    if (!currentItemNode_) return;
    const int index = indexOf(currentItemNode_) - 1;
    if (index < 0 || size_t(index) >= agent_->Items.size()) return;
    const SliderItem item = itemPage_->commit();
    if (!sameShownFields(item, agent_->Items[size_t(index)])) agent_->SetItem(item, index);
}

void MainWindow::commitFieldEdits(bool typed, bool wholeProject) {
    if (historyQuiet()) return;
    commitPagesQuietly();
    recordFieldEdits(typed, wholeProject);
}

void MainWindow::recordFieldEdits(bool typed, bool wholeProject) {
    if (historyQuiet()) return;
    if (historyPending_) {
        resetHistory();
        return;
    }
    // The pages reach only the slider record and the shown item: when both
    // still show what the history holds, there is nothing to record, and a
    // long project is not compared whole at every selection change.
    // A step and Undo still take the whole project, so that the state they
    // start from holds the tree's expansion too.
    const ProjectState& last = history_->baseline();
    const int shown = currentItemNode_ ? indexOf(currentItemNode_) - 1 : -1;
    const SliderItemList& items = agent_->Items;
    if (!wholeProject && sameShownFields(agent_->AppletData, last.applet) &&
        last.nodes.size() == items.size() &&
        (shown < 0 || (size_t(shown) < items.size() &&
                       sameShownFields(items[size_t(shown)], last.nodes[size_t(shown)].item))))
        return;
    ProjectState now = captureProject();
    const std::vector<FieldChange> changes = UndoHistory::shownChanges(history_->baseline(), now);
    std::string caption = "Edit";
    std::string mergeKey;
    EditorView where = now.view;
    if (changes.size() == 1) {
        const FieldChange& change = changes.front();
        if (change.item < 0) {
            caption = kSliderFieldNames[change.field];
            where = {0, where.current, change.field >= kFirstPathField ? kPathTab : kScriptTab};
            mergeKey = "slider " + std::to_string(change.field);
        } else {
            caption = kItemFieldNames[change.field];
            where = {change.item + 1, change.item + 1, kItemTab};
            mergeKey = "item " + std::to_string(change.item) + " " + std::to_string(change.field);
        }
    }
    if (!typed) mergeKey.clear();
    if (history_->record(std::move(now), caption, mergeKey, where, where)) updateUndoCommands();
}

void MainWindow::resetHistory() {
    history_->reset(captureProject());
    historyPending_ = false;
    updateUndoCommands();
}

void MainWindow::ProjectSaved() {
    // The save committed the pages and recorded what they held; what the
    // save itself changed (computed fields, image paths written anew for the
    // file's folder) is no step of the user's.
    if (historyPending_) {
        resetHistory();
    } else {
        history_->absorb(captureProject());
        history_->markClean();
    }
    updateUndoCommands();
}

void MainWindow::undo() {
    commitFieldEdits(true, true);
    if (historyQuiet() || historyPending_ || !history_->canUndo()) return;
    restoreProject(history_->undo());
}

void MainWindow::redo() {
    commitFieldEdits(true, true);
    if (historyQuiet() || historyPending_ || !history_->canRedo()) return;
    restoreProject(history_->redo());
}

void MainWindow::rebuildTree(const ProjectState& state) {
    currentItemNode_ = nullptr;
    StructuralEdit edit(*this);
    designTreeWidget_->setUpdatesEnabled(false);
    designTree_->reset("Marivel");
    // parents[d]: the last node met at depth d, the parent of a node at d + 1.
    std::vector<int> parents{0};
    for (const NodeRecord& record : state.nodes) {
        const size_t depth = std::clamp<size_t>(size_t(std::max(record.depth, 1)), 1, parents.size());
        const int added = designTree_->addChild(parents[depth - 1], record.caption);
        parents.resize(depth);
        parents.push_back(added);
    }
    for (size_t i = 0; i < state.nodes.size(); ++i)
        if (state.nodes[i].expanded) designTree_->item(int(i) + 1)->setExpanded(true);
    designTree_->root()->setExpanded(state.rootExpanded);
    designTreeWidget_->setUpdatesEnabled(true);
}

void MainWindow::restoreProject(const UndoHistory::Applied& applied) {
    const ProjectState& state = applied.state;
    restoring_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{restoring_};

    agent_->AppletData = state.applet;
    SliderItemList& items = agent_->Items;
    if (applied.structural || items.size() != state.nodes.size()) {
        items.clear();
        items.reserve(state.nodes.size());
        for (const NodeRecord& record : state.nodes) items.push_back(record.item);
        rebuildTree(state);
    } else {
        StructuralEdit edit(*this);
        for (size_t i = applied.first; i < applied.first + applied.added; ++i) {
            items[i] = state.nodes[i].item;
            QTreeWidgetItem* node = designTree_->item(int(i) + 1);
            node->setText(0, toQt(state.nodes[i].caption));
            node->setExpanded(state.nodes[i].expanded);
        }
        designTree_->root()->setExpanded(state.rootExpanded);
    }

    const EditorView& view = state.view;
    currentItemNode_ = view.current > 0 ? designTree_->item(view.current) : nullptr;
    QTreeWidgetItem* selected = designTree_->item(view.selected);
    if (!selected) selected = designTree_->root();
    {
        StructuralEdit edit(*this);
        designTreeWidget_->setCurrentItem(selected);
        selected->setSelected(true);
    }
    designTreeWidget_->scrollToItem(selected);
    loadSliderPages();
    if (currentItemNode_) loadItemPage(view.current - 1);
    updateItemCommands();
    if (view.page >= 0 && view.page < propertyTabs_->count() && propertyTabs_->isTabVisible(view.page))
        propertyTabs_->setCurrentIndex(view.page);
    // A rebuilt tree has plain icons, and a restored picture path may name
    // another photo: the thumbnails follow the restored items.
    refreshItemDecorations();
    setModifiedState(!history_->atClean());
    updateUndoCommands();
}

void MainWindow::updateUndoCommands() {
    MainActions& a = *actions_;
    const bool undoable = !historyPending_ && history_->canUndo();
    const bool redoable = !historyPending_ && history_->canRedo();
    a.undoAction->setEnabled(undoable);
    a.redoAction->setEnabled(redoable);
    a.undoAction->setText(undoable ? QStringLiteral("&Undo ") + toQt(history_->undoCaption())
                                   : QStringLiteral("&Undo"));
    a.redoAction->setText(redoable ? QStringLiteral("&Redo ") + toQt(history_->redoCaption())
                                   : QStringLiteral("&Redo"));
    // Every recorded, undone or redone step and every project read ends here.
    emit projectEdited();
}

}  // namespace marivel
