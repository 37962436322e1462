#include "editor/project_document.h"

#include <QUndoCommand>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/local_text.h"

namespace marivel {

namespace {
// Typed edits of one field share this command id; their merge keys tell
// the fields apart.
constexpr int kTypedEdit = 1;
}  // namespace

// One step on the stack. The change is already made when the command is
// pushed, so its first redo does nothing.
class StepCommand final : public QUndoCommand {
public:
    StepCommand(ProjectDocument& document, UndoStep step)
        : QUndoCommand(toQt(step.caption)), document_(document), step_(std::move(step)) {}

    int id() const override { return step_.mergeKey.empty() ? -1 : kTypedEdit; }
    bool mergeWith(const QUndoCommand* other) override {
        if (document_.rebuilding_) return false;
        const auto& later = static_cast<const StepCommand&>(*other).step_;
        if (later.mergeKey != step_.mergeKey || !foldInto(step_, later)) return false;
        setObsolete(step_.changesNothing());
        return true;
    }
    void undo() override {
        if (!document_.rebuilding_) document_.apply(step_, false);
    }
    void redo() override {
        if (!pushed_) {
            pushed_ = true;
            return;
        }
        if (!document_.rebuilding_) document_.apply(step_, true);
    }
    UndoStep& step() { return step_; }
    const UndoStep& step() const { return step_; }

private:
    ProjectDocument& document_;
    UndoStep step_;
    bool pushed_ = false;
};

namespace {
StepCommand* commandAt(const QUndoStack& stack, int index) {
    return index >= 0 && index < stack.count()
               ? static_cast<StepCommand*>(const_cast<QUndoCommand*>(stack.command(index)))
               : nullptr;
}
}  // namespace

ProjectDocument::ProjectDocument(ProgramFolders folders, ActivityDisplay* display, QObject* parent)
    : QObject(parent), agent_(std::make_unique<PublishingAgent>(std::move(folders), display)) {
    stack_.setUndoLimit(kStepLimit);
    connect(&stack_, &QUndoStack::cleanChanged, this, [this] { announceModified(); });
}

ProjectDocument::~ProjectDocument() {
    // The commands refer to the document: they go before it does.
    rebuilding_ = true;
    stack_.clear();
}

void ProjectDocument::setFileName(const QString& path) {
    if (path == fileName_) return;
    fileName_ = path;
    emit fileNameChanged(path);
}

void ProjectDocument::announceModified() {
    if (isModified() == announcedModified_) return;
    announcedModified_ = isModified();
    emit modifiedChanged(announcedModified_);
}

void ProjectDocument::markUnrecordedChange() {
    unrecorded_ = true;
    announceModified();
}

void ProjectDocument::setPagesDiffer(bool differ) {
    pagesDiffer_ = differ;
    announceModified();
}

void ProjectDocument::clearModified() {
    unrecorded_ = pagesDiffer_ = false;
    if (!pending_) stack_.setClean();
    // Announced even when nothing changed: the Save commands follow it.
    announcedModified_ = isModified();
    emit modifiedChanged(announcedModified_);
}

void ProjectDocument::setCurrentItem(int item) {
    if (item == currentItem_) return;
    currentItem_ = item;
    emit currentItemChanged(item);
}

// --- the history ------------------------------------------------------------------

void ProjectDocument::resetHistory(ProjectState state) {
    rebuilding_ = true;
    stack_.clear();
    rebuilding_ = false;
    baseline_ = std::move(state);
    pending_ = false;
    announceModified();
}

void ProjectDocument::absorb(ProjectState now) {
    // The change belongs to the state at the current position: the step
    // that led here ends in it, and the step Redo would do starts from it.
    const int index = stack_.index();
    if (StepCommand* done = commandAt(stack_, index - 1)) absorbAfter(done->step(), baseline_, now);
    if (StepCommand* next = commandAt(stack_, index)) absorbBefore(next->step(), baseline_, now);
    baseline_ = std::move(now);
}

bool ProjectDocument::record(ProjectState now, const std::string& caption, const std::string& mergeKey,
                             const EditorView& before, const EditorView& after, std::vector<NodeMove> moves) {
    if (!differsVisibly(baseline_, now)) {
        absorb(std::move(now));
        return false;
    }
    UndoStep step = makeStep(baseline_, now, moves);
    step.caption = caption;
    step.mergeKey = mergeKey;
    step.viewBefore = before;
    step.viewAfter = after;
    const bool structural =
        !moves.empty() ||
        !std::equal(step.post.before.begin(), step.post.before.end(), step.post.after.begin(),
                    step.post.after.end(), [](const auto& a, const auto& b) { return a.depth == b.depth; });
    baseline_ = std::move(now);
    announce(step, structural);
    stack_.push(new StepCommand(*this, std::move(step)));
    enforceBudget();
    announceModified();
    return true;
}

void ProjectDocument::markSaved(ProjectState now) {
    // What the save itself changed (computed fields, image paths written
    // anew for the file's folder) is no step of the user's.
    if (pending_) {
        resetHistory(std::move(now));
    } else {
        absorb(std::move(now));
        stack_.setClean();
    }
    unrecorded_ = pagesDiffer_ = false;
    announceModified();
}

void ProjectDocument::announce(const UndoStep& step, bool structural) {
    if (!(step.appletBefore == step.appletAfter)) emit settingsChanged();
    if (structural) {
        emit structureChanged();
        return;
    }
    const NodePatch& patch = step.post;
    if (patch.after.empty()) return;
    emit itemsChanged(int(patch.first), int(patch.after.size()));
    for (std::size_t i = 0; i < patch.after.size() && i < patch.before.size(); ++i)
        if (patch.before[i].item.OriginalImagePath != patch.after[i].item.OriginalImagePath)
            emit pictureChanged(int(patch.first + i));
}

void ProjectDocument::apply(const UndoStep& step, bool forward) {
    applying_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{applying_};
    const AppliedStep applied = applyStep(baseline_, step, forward);
    agent_->AppletData = baseline_.applet;
    SliderItemList& items = agent_->Items;
    if (applied.structural || items.size() != baseline_.nodes.size()) {
        items.clear();
        items.reserve(baseline_.nodes.size());
        for (const NodeRecord& node : baseline_.nodes) items.push_back(node.item);
    } else {
        for (std::size_t i = applied.first; i < applied.first + applied.count; ++i)
            items[i] = baseline_.nodes[i].item;
    }
    emit restored(applied);
    if (!(step.appletBefore == step.appletAfter)) emit settingsChanged();
    if (applied.structural)
        emit structureChanged();
    else if (applied.count > 0)
        emit itemsChanged(int(applied.first), int(applied.count));
    // The clean index is reached or left after this returns; the stack
    // announces it through cleanChanged.
}

// --- the memory budget ------------------------------------------------------------------

void ProjectDocument::setByteBudget(std::size_t bytes) {
    byteBudget_ = bytes;
    enforceBudget();
}

std::size_t ProjectDocument::historyBytes() const {
    std::size_t total = 0;
    for (int i = 0; i < stack_.count(); ++i) total += commandAt(stack_, i)->step().bytes();
    return total;
}

void ProjectDocument::enforceBudget() {
    const int count = stack_.count();
    std::vector<std::size_t> sizes(std::size_t(std::max(count, 0)));
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) total += sizes[std::size_t(i)] = commandAt(stack_, i)->step().bytes();
    // The newest step always stays: what was just done can be taken back.
    int dropped = 0;
    while (total > byteBudget_ && dropped < std::min(count - 1, stack_.index()))
        total -= sizes[std::size_t(dropped++)];
    if (dropped == 0) return;

    // QUndoStack keeps no byte count and cannot drop its oldest commands
    // itself: the kept steps are taken out and pushed again, with nothing
    // applied while they are.
    const int index = stack_.index();
    const int clean = stack_.cleanIndex();
    std::vector<UndoStep> kept;
    kept.reserve(std::size_t(count - dropped));
    for (int i = dropped; i < count; ++i) kept.push_back(std::move(commandAt(stack_, i)->step()));
    rebuilding_ = true;
    stack_.clear();
    for (UndoStep& step : kept) stack_.push(new StepCommand(*this, std::move(step)));
    if (clean >= dropped) {
        stack_.setIndex(clean - dropped);
        stack_.setClean();
    } else {
        // The saved state is gone with the dropped steps: no undo reaches it.
        stack_.resetClean();
    }
    stack_.setIndex(std::max(index - dropped, 0));
    rebuilding_ = false;
    announceModified();
}

}  // namespace marivel
