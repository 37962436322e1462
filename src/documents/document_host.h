#pragma once

#include <QString>
#include <functional>

class QMenu;
class QWidget;

namespace marivel {

class DesignTree;
class Prompter;
class SettingsStore;
class Shell;
class PublishingAgent;

// What the command classes (document, preview and help commands) need of the
// main window. The window owns the agent, the design tree, the pages and the
// editor state; the commands only decide in which order those run, so they
// reach them through this interface and never through the window's class.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // --- editor state -------------------------------------------------------------
    virtual bool Modified() const = 0;
    // Modified := false, and the Save commands are greyed.
    virtual void ClearModified() = 0;
    virtual const QString& CurrentFileName() const = 0;
    virtual void SetCurrentFileName(const QString& path) = 0;
    // The project as it stands has just been written to its file: undoing
    // back to this point leaves no unsaved changes.
    virtual void ProjectSaved() = 0;

    // --- pages ----------------------------------------------------------------------
    // Commits the slider pages and the shown item into the model.
    virtual void CommitPanes() = 0;
    // Fills the slider pages from the model.
    virtual void LoadAppletPane() = 0;
    // Shows the model's image path of the item on the item page again: a
    // save into another folder may have written it anew.
    virtual void ShowItemImagePath() = 0;

    // --- design tree ---------------------------------------------------------------
    virtual DesignTree& ProjectTree() = 0;
    // No current item, the root node alone and selected, tree events
    // suppressed until ResumeTreeEvents.
    virtual void ResetTree() = 0;
    virtual void ResumeTreeEvents() = 0;
    // Selects the root node and arranges the page tabs for it; expandItems
    // opens every node so a project that was read shows all its items.
    virtual void ShowRoot(bool expandItems) = 0;

    // --- the rest of the window ---------------------------------------------------
    virtual PublishingAgent& Agent() = 0;
    virtual Prompter& Prompts() const = 0;
    virtual SettingsStore& Settings() const = 0;
    // Opens documents and starts programs.
    virtual Shell& SystemShell() const = 0;
    // The owner of the dialogs the commands show.
    virtual QWidget* DialogParent() = 0;
    virtual QMenu* RecentFilesMenu() const = 0;
    // Runs a command of the user: an error it raises ends it and is shown in
    // the standard error box. True when the command ended without an error.
    virtual bool RunGuarded(const std::function<void()>& command) = 0;
};

}  // namespace marivel
