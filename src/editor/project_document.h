#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/undo_history.h"
#include "model/program_folders.h"
#include "output/publishing_agent.h"

namespace marivel {

class ActivityDisplay;

// The project the editor holds: the agent with its records (the slider
// record and the items in tree order, each with its level), the file name,
// the undo stack and whether the project differs from what was saved.
//
// Every change the user makes is one undo command on the stack. The views
// (the design tree, the property pages, a live preview) observe the signals
// below; the tree and the pages feed what the user does back through
// record(), which the document turns into a step and announces.
//
// "Modified" means differs from what was saved: the stack away from its
// clean index, typing on a page not yet committed that differs from the
// record, or a change no step holds that the next save writes (the image
// quality). Selecting nodes never modifies.
class ProjectDocument final : public QObject {
    Q_OBJECT
public:
    // How far back the user can go, in steps and in memory; the oldest
    // steps are dropped beyond either.
    static constexpr int kStepLimit = 1000;
    static constexpr std::size_t kDefaultByteBudget = std::size_t(64) << 20;

    ProjectDocument(ProgramFolders folders, ActivityDisplay* display, QObject* parent = nullptr);
    ~ProjectDocument() override;

    PublishingAgent& agent() const { return *agent_; }
    QUndoStack& undoStack() { return stack_; }
    const QUndoStack& undoStack() const { return stack_; }

    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& path);

    bool isModified() const { return unrecorded_ || pagesDiffer_ || !stack_.isClean(); }
    // A change that the next save writes but no step holds (the image
    // quality choice).
    void markUnrecordedChange();
    // The pages show typing that differs from the records (or no longer
    // does): announced so that Save follows what the user typed.
    void setPagesDiffer(bool differ);
    // Forgets every change without announcing it: the start-up opens the
    // command-line project without a question about the project before.
    void forgetChangesQuietly() { unrecorded_ = pagesDiffer_ = false; }
    // Nothing differs from what was saved any more (a project made or read,
    // or an explicit reset).
    void clearModified();

    // --- the history ------------------------------------------------------------
    // A new history from state, which is the saved state.
    void resetHistory(ProjectState state);
    // The history starts from the project once it is shown: until then steps
    // and saves only start it.
    bool historyPending() const { return pending_; }
    void setHistoryPending() { pending_ = true; }
    const ProjectState& baseline() const { return baseline_; }
    // Makes the difference between the baseline and now one step named
    // caption, unless no shown field differs, in which case now is taken
    // in without a step. A typed step with the same mergeKey as the newest
    // one folds into it; a fold that brings the field back to where the
    // step began drops the step. moves: the blocks the command moved, in
    // the order it moved them, kept as moves rather than as the nodes
    // between their places. Answers whether a step was made or changed.
    bool record(ProjectState now, const std::string& caption, const std::string& mergeKey,
                const EditorView& before, const EditorView& after, std::vector<NodeMove> moves);
    bool record(ProjectState now, const std::string& caption, const std::string& mergeKey,
                const EditorView& before, const EditorView& after, std::optional<NodeMove> move = {}) {
        return record(std::move(now), caption, mergeKey, before, after,
                      move ? std::vector<NodeMove>{*move} : std::vector<NodeMove>{});
    }
    // now becomes the baseline without a step (a change no user would call
    // an edit: computed fields, captions, expansion).
    void absorb(ProjectState now);
    // The project as it stands was written to its file.
    void markSaved(ProjectState now);
    // Undoing while one is being applied does nothing.
    bool applying() const { return applying_; }

    // The memory the steps may take; the oldest are dropped beyond it.
    void setByteBudget(std::size_t bytes);
    std::size_t historyBytes() const;

    // --- the view's position -------------------------------------------------------
    // The item whose page is shown (-1: none). Selection is no change.
    void setCurrentItem(int item);
    int currentItem() const { return currentItem_; }

signals:
    // The slider record (the fields of the Script and Path pages) changed.
    void settingsChanged();
    // Items [first, first + count) changed their fields; the tree's shape
    // is the same.
    void itemsChanged(int first, int count);
    // Items were inserted, deleted or moved: every index may mean another
    // item now.
    void structureChanged();
    // The picture of item changed (its original image path).
    void pictureChanged(int item);
    void modifiedChanged(bool modified);
    void fileNameChanged(const QString& path);
    // The item whose page is shown changed (-1: none).
    void currentItemChanged(int item);
    // Undo or Redo put baseline() back into the records; the views show it
    // again (applied tells what changed).
    void restored(const AppliedStep& applied);

private:
    friend class StepCommand;
    void apply(const UndoStep& step, bool forward);
    void announce(const UndoStep& step, bool structural);
    void announceModified();
    void enforceBudget();

    std::unique_ptr<PublishingAgent> agent_;
    QUndoStack stack_;
    ProjectState baseline_;
    QString fileName_;
    bool pending_ = true;
    bool unrecorded_ = false;
    bool pagesDiffer_ = false;
    bool announcedModified_ = false;
    bool applying_ = false;
    // While the stack is rebuilt without its oldest steps, its commands
    // neither merge nor apply anything.
    bool rebuilding_ = false;
    std::size_t byteBudget_ = kDefaultByteBudget;
    int currentItem_ = -1;
};

}  // namespace marivel
