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
    virtual bool isModified() const = 0;
    // Modified := false, and the Save commands are greyed.
    virtual void clearModified() = 0;
    virtual const QString& currentFileName() const = 0;
    virtual void setCurrentFileName(const QString& path) = 0;
    // The project as it stands has just been written to its file: undoing
    // back to this point leaves no unsaved changes.
    virtual void ProjectSaved() = 0;

    // --- pages ----------------------------------------------------------------------
    // Commits the slider pages and the shown item into the model.
    virtual void commitPages() = 0;
    // Fills the slider pages from the model.
    virtual void loadSliderPages() = 0;
    // Shows the model's image path of the item on the item page again: a
    // save into another folder may have written it anew.
    virtual void showItemImagePath() = 0;

    // --- design tree ---------------------------------------------------------------
    virtual DesignTree& projectTree() = 0;
    // No current item, the root node alone and selected, tree events
    // suppressed until resumeTreeEvents.
    virtual void reduceTreeToRoot() = 0;
    virtual void resumeTreeEvents() = 0;
    // Selects the root node and arranges the page tabs for it; expandItems
    // opens every node so a project that was read shows all its items.
    virtual void showRoot(bool expandItems) = 0;
    // Makes the node of item `item` (0: the first item) the current one, as a
    // click on it would, and brings it into view; nothing for an item that is
    // not there.
    virtual void selectItem(int item) = 0;

    // --- the rest of the window ---------------------------------------------------
    virtual PublishingAgent& documentAgent() = 0;
    virtual Prompter& prompts() const = 0;
    virtual SettingsStore& settingsStore() const = 0;
    // Opens documents and starts programs.
    virtual Shell& systemShell() const = 0;
    // The owner of the dialogs the commands show.
    virtual QWidget* dialogParent() = 0;
    // Tells the outcome of a completed command in the bottom line, where it
    // stays until the user does something else: no box to close.
    virtual void showResult(const QString& text) = 0;
    virtual QMenu* recentFilesMenu() const = 0;
    // Runs a command of the user: an error it raises ends it and is shown in
    // the standard error box. True when the command ended without an error.
    virtual bool runGuarded(const std::function<void()>& command) = 0;
};

}  // namespace marivel
