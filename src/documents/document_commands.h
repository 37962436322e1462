#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "documents/project_file_stamp.h"

class QAction;
class QFileSystemWatcher;
class QWidget;

namespace marivel {

class DocumentHost;
class PreviewStash;

// How many file names a question names before it only counts the rest.
constexpr std::size_t kNamesListed = 12;
// The names joined by commas, at most kNamesListed of them, and "and N more".
QString ListOfNames(const std::vector<std::string>& names);

// The commands that create, open, save and close the one project the editor
// holds, the templates and the recent-files list. They run the host's agent,
// tree and pages in the right order and guard what the user typed: a command
// either completes or leaves the project as it was.
//
// Errors end a command and travel to the caller, which shows them in the
// standard error box; the handlers of the menus created here run through the
// host's guard themselves.
class DocumentCommands {
public:
    explicit DocumentCommands(DocumentHost& host);
    ~DocumentCommands();
    DocumentCommands(const DocumentCommands&) = delete;
    DocumentCommands& operator=(const DocumentCommands&) = delete;

    // How an open ended when it raised no error.
    enum class OpenOutcome {
        Opened,
        Declined,  // an empty path, or the user kept the project at the save prompt
        Refused,   // the file holds no project of this program (the user was told)
    };

    void newProject();
    void openWithDialog();
    // Opens the project file at path as Open does after its dialog; an empty
    // path does nothing.
    OpenOutcome openProjectByPath(const QString& path);
    void saveProject();
    void saveProjectAs();
    // Makes the project lie saved in folder, for a page there that loads the
    // scripts and pictures from beside itself. A project already saved there
    // is saved in place when it has changes, as Save does; one that is
    // untitled or lies elsewhere is saved as Save As does, its dialog
    // starting in folder with a proposed name.
    enum class SaveBeside {
        AlreadySaved,  // it lay saved there: nothing was written
        Saved,
        NotSaved,  // the user cancelled, or the save wrote nothing
    };
    SaveBeside saveBeside(const QString& folder);
    void showTemplates();
    void saveAsTemplate();
    // Run whenever the main window is about to close: true when it may.
    bool mayClose();

    // The project file changed on disk (the watcher's report): while there
    // are no unsaved changes the user is offered to read it again.
    void projectFileChanged(const QString& path);

    void loadRecentFilesMenu();
    void addRecentFile(const QString& path);
    void openRecentFile(const QAction* item);

private:
    // Asks about unsaved changes; false when the command is to end here.
    bool askToSaveChanges();
    // Save: false when its file dialog was cancelled.
    bool saveCurrent();
    // The save dialog: the project file the typed name leads to, or an
    // empty path when cancelled or when the user chose not to replace the
    // project file or the other files the save would replace.
    QString askSaveName(const QString& start);
    // Where the save dialog starts: the folder Save As Template chose, else
    // for a project never saved a proposed name in the folder of the site
    // its pictures lie in; empty for the platform's choice.
    QString saveDialogStart() const;
    // Save As from the dialog starting at start; false when nothing was saved.
    bool saveAsFrom(const QString& start);
    // Asks once, naming them, before a first save of the project into a
    // folder replaces files there that it did not write; false to cancel.
    bool MayReplaceFilesBeside(const std::filesystem::path& projectFile);
    // Asks, naming them, before a save in place replaces files that another
    // project in the folder published last (its page would then show this
    // slider); false to cancel.
    bool mayReplaceOtherProjectsFiles(const std::filesystem::path& projectFile);
    // False for a project file that Save must not write over where it lies.
    bool canSaveInPlace(const QString& path) const;
    // Saves into exactly that project file; false when the user gave up
    // waiting for another save into the folder (nothing was written).
    bool publishTo(const QString& path);
    void listSavedProject(const QString& path);
    OpenOutcome readProjectFile(const QString& path, PreviewStash& stash);
    QWidget* dialogParent() const;
    // What the project file holds now is what was read or last written;
    // the watcher follows it from now on (an empty path: no file).
    void rememberProjectFile(const QString& path);
    // Before Save writes over the project file: when another program
    // changed it since, the user chooses to overwrite it (Yes), save as
    // another file (No) or save nothing (Cancel).
    enum class WriteOver { Overwrite, SaveAs, Cancel };
    WriteOver askAboutChangedFile(const QString& path);
    std::filesystem::path ProgramFolder() const;

    DocumentHost& host_;
    // The folder the save dialog starts in (empty: the platform's choice).
    QString saveDialogFolder_;
    int completedOpens_ = 0;
    std::optional<ProjectFileStamp> knownFile_;
    std::unique_ptr<QFileSystemWatcher> watcher_;
    bool askingReload_ = false;
};

}  // namespace marivel
