#include "documents/document_commands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "documents/document_host.h"
#include "documents/document_places.h"
#include "documents/recent_files.h"
#include "documents/templates_dialog.h"
#include "model/error.h"
#include "model/memory_tree.h"
#include "model/whole_file.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "output/script_text.h"
#include "platform/local_text.h"
#include "platform/prompter.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

const QString kProjectFilter = QStringLiteral("Marivel Files (*.mvl)");
const QString kRefused = QStringLiteral("This file wasn't saved by Marivel 1.1, open failed!");

bool SameFolder(const fs::path& a, const fs::path& b) {
    const auto first = IdentifyFile(a.empty() ? fs::path(".") : a);
    return first && first == IdentifyFile(b.empty() ? fs::path(".") : b);
}

}  // namespace

QString ListOfNames(const std::vector<std::string>& names) {
    QStringList shown;
    for (std::size_t k = 0; k < names.size() && k < kNamesListed; ++k) shown << toQt(names[k]);
    QString list = shown.join(QStringLiteral(", "));
    if (names.size() > kNamesListed)
        list += QStringLiteral(" and %1 more").arg(static_cast<qulonglong>(names.size() - kNamesListed));
    return list;
}

// Opening a project clears the preview folder before the file is read. When
// the read then fails, the project stays, and so must the prepared images a
// later save copies from that folder: they are kept aside until the open has
// either completed or put them back.
class PreviewStash {
public:
    explicit PreviewStash(PublishingAgent& agent) : agent_(agent), names_(agent.PreviewFiles) {
        if (!names_.empty()) {
            copies_.emplace();
            std::error_code ignored;
            for (const std::string& name : names_)
                fs::copy_file(agent_.PreviewFolder() / name, stashed(name),
                              fs::copy_options::overwrite_existing, ignored);
        }
        agent_.ClearPreview();
    }
    // Puts every file back and records it again, in the order it had.
    void restore() {
        for (const std::string& name : names_) agent_.CopyToPreview(stashed(name));
        names_.clear();
    }

private:
    fs::path stashed(const std::string& name) const { return toLocalPath(copies_->path()) / name; }

    PublishingAgent& agent_;
    std::vector<std::string> names_;
    std::optional<QTemporaryDir> copies_;
};

DocumentCommands::DocumentCommands(DocumentHost& host)
    : host_(host), watcher_(std::make_unique<QFileSystemWatcher>()) {
    QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                     [this](const QString& path) { host_.runGuarded([&] { projectFileChanged(path); }); });
}

DocumentCommands::~DocumentCommands() = default;

fs::path DocumentCommands::ProgramFolder() const {
    return host_.documentAgent().ProgramFolder();
}

QWidget* DocumentCommands::dialogParent() const {
    // A question asked while the templates dialog is up belongs above it.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return host_.dialogParent();
}

// --- the save prompt and saving -------------------------------------------------

bool DocumentCommands::askToSaveChanges() {
    if (!host_.isModified()) return true;
    switch (host_.prompts().yesNoCancel(dialogParent(), QStringLiteral("Save changes to files?"))) {
        case Prompter::Answer::Yes:
            // A save that did not happen (its dialog cancelled) must not let
            // the command throw the changes away.
            return saveCurrent();
        case Prompter::Answer::No:
            return true;
        case Prompter::Answer::Cancel:
            break;
    }
    return false;
}

QString DocumentCommands::saveDialogStart() const {
    if (!saveDialogFolder_.isEmpty() || !host_.currentFileName().isEmpty()) return saveDialogFolder_;
    // A first save almost always goes into the user's site, and the pictures
    // were taken from there: Enter then saves beside its page.
    const DocumentAgent& agent = host_.documentAgent();
    const fs::path site = SiteFolderOfPictures(agent.Items, agent.ProjectFolder);
    return site.empty() ? QString() : toQt(ProposedProjectFile(site).string());
}

QString DocumentCommands::askSaveName(const QString& start) {
    // The dialog would ask about the name typed; the question belongs to the
    // project file that name leads to, so it is asked here.
    const QString typed =
        host_.prompts().saveFile(dialogParent(), QStringLiteral("Save As"), kProjectFilter, start, false);
    if (typed.isEmpty()) return typed;
    const fs::path project = ProjectFileForTypedName(toLocalPath(typed));
    std::error_code ec;
    if (fs::exists(fs::symlink_status(project, ec))) {
        const QString question = toQt(project.filename().string()) +
                                 QStringLiteral(" already exists.\nDo you want to replace it?");
        if (host_.prompts().yesNo(dialogParent(), question) != Prompter::Answer::Yes) return QString();
    }
    if (!MayReplaceFilesBeside(project)) return QString();
    return toQt(project.string());
}

bool DocumentCommands::MayReplaceFilesBeside(const fs::path& projectFile) {
    const DocumentAgent& agent = host_.documentAgent();
    const PublishPlan plan = PlanPublish(agent, host_.projectTree(), projectFile);
    std::vector<std::string> replaced = plan.existingFilesReplaced();
    // A file the save copies onto itself (saving into the program's own
    // folder) is not replaced.
    std::unordered_set<FileIdentity, FileIdentityHash> sources;
    auto addSource = [&sources](const fs::path& source) {
        if (const auto id = IdentifyFile(source)) sources.insert(*id);
    };
    for (std::size_t k = 0; k < agent.EngineFiles.size(); ++k) addSource(agent.EngineFileSource(k));
    for (const std::string& name : plan.images) addSource(agent.PreviewFolder() / name);
    std::erase_if(replaced, [&](const std::string& name) {
        const auto target = IdentifyFile(plan.folder / name);
        return target && sources.count(*target) > 0;
    });
    // What this project wrote into the same folder at its last save is its
    // own to replace: saving it there again is no first save.
    if (!host_.currentFileName().isEmpty()) {
        const fs::path current = toLocalPath(host_.currentFileName());
        if (SameFolder(current.parent_path(), plan.folder)) {
            const std::vector<std::string> published = FilesLastPublishedWith(current);
            std::unordered_set<std::string> own(published.begin(), published.end());
            own.insert(current.filename().string());
            std::erase_if(replaced, [&own](const std::string& name) { return own.count(name) > 0; });
        }
    }
    if (replaced.empty()) return true;
    const QString question = QStringLiteral("Saving here replaces: ") + ListOfNames(replaced) +
                             QStringLiteral(".\nOK replaces them; Cancel saves nothing.");
    return host_.prompts().okCancel(dialogParent(), question) == Prompter::Answer::Yes;
}

bool DocumentCommands::mayReplaceOtherProjectsFiles(const fs::path& projectFile) {
    const PublishPlan plan = PlanPublish(host_.documentAgent(), host_.projectTree(), projectFile);
    const std::vector<ForeignFiles> foreign = FilesOfOtherProjects(plan);
    if (foreign.empty()) return true;
    QString question = QStringLiteral("Saving here replaces files of another project:");
    for (const ForeignFiles& other : foreign)
        question += QStringLiteral(" %1 published %2;").arg(toQt(other.project), ListOfNames(other.files));
    question.back() = QLatin1Char('.');
    question += QStringLiteral("\nOK replaces them; Cancel saves nothing.");
    return host_.prompts().okCancel(dialogParent(), question) == Prompter::Answer::Yes;
}

bool DocumentCommands::publishTo(const QString& path) {
    if (!host_.documentAgent().SaveAndPublishProject(toLocalPath(path), host_.projectTree())) return false;
    host_.showItemImagePath();
    return true;
}

bool DocumentCommands::canSaveInPlace(const QString& path) const {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    // What an installed Marivel ships stays as it shipped, even for a user
    // who could write there.
    const ProgramFolders& program = host_.documentAgent().Folders();
    if (!program.IsPortable()) {
        const QString shipped = QDir(toQt(program.shipped.string())).absolutePath();
        if (folder == shipped || folder.startsWith(shipped + QLatin1Char('/'))) return false;
    }
    return QFileInfo(folder).isWritable();
}

bool DocumentCommands::saveCurrent() {
    host_.commitPages();
    // A project whose folder cannot be written (a template or sample of an
    // installed Marivel, a project on a read-only medium) is saved as one
    // without a name would be: the user chooses where its copy goes, and its
    // pictures are still found from there.
    const QString current = host_.currentFileName();
    bool inPlace = !current.isEmpty() && canSaveInPlace(current);
    if (inPlace) {
        const WriteOver answer = askAboutChangedFile(current);
        if (answer == WriteOver::Cancel) return false;
        inPlace = answer == WriteOver::Overwrite;
    }
    if (inPlace) {
        // Saved over the very file it was opened from or last saved to,
        // whatever its name ends in; but not over what another project in
        // the folder published without a word.
        if (!mayReplaceOtherProjectsFiles(toLocalPath(current))) return false;
        if (!publishTo(current)) return false;
        host_.ProjectSaved();
        host_.clearModified();
        rememberProjectFile(current);
        return true;
    }
    const QString path = askSaveName(saveDialogStart());
    if (path.isEmpty() || !publishTo(path)) return false;
    host_.ProjectSaved();
    // Only a save that returned changes the state: a failed one leaves the
    // project as unsaved and as untitled as it was.
    host_.clearModified();
    host_.setCurrentFileName(path);
    rememberProjectFile(path);
    listSavedProject(path);
    return true;
}

void DocumentCommands::rememberProjectFile(const QString& path) {
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    knownFile_.reset();
    if (path.isEmpty()) return;
    knownFile_ = StampProjectFile(path);
    if (knownFile_) watcher_->addPath(path);
}

DocumentCommands::WriteOver DocumentCommands::askAboutChangedFile(const QString& path) {
    // Another editor, a colleague or a sync tool saved the file since: a
    // save over it would lose what they wrote. A file that is gone (or is
    // no file any more) holds nothing to lose; the save tells what fails.
    const auto now = StampProjectFile(path);
    if (!knownFile_ || !now || now == knownFile_) return WriteOver::Overwrite;
    const QString question = QFileInfo(path).fileName() +
                             QStringLiteral(
                                 " was changed by another program since it was opened or saved here.\n"
                                 "Yes overwrites it, No saves this project as another file, "
                                 "Cancel saves nothing.");
    switch (host_.prompts().yesNoCancel(dialogParent(), question)) {
        case Prompter::Answer::Yes:
            return WriteOver::Overwrite;
        case Prompter::Answer::No:
            return WriteOver::SaveAs;
        case Prompter::Answer::Cancel:
            break;
    }
    return WriteOver::Cancel;
}

void DocumentCommands::projectFileChanged(const QString& path) {
    if (path != host_.currentFileName()) return;
    // A file replaced by a rename is no longer watched: the new one is.
    if (!watcher_->files().contains(path) && QFileInfo::exists(path)) watcher_->addPath(path);
    if (askingReload_ || host_.isModified() || QApplication::activeModalWidget()) return;
    const auto now = StampProjectFile(path);
    if (!now || now == knownFile_) return;
    askingReload_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{askingReload_};
    const QString question =
        QFileInfo(path).fileName() +
        QStringLiteral(" was changed by another program.\nDo you want to open it again?");
    if (host_.prompts().yesNo(dialogParent(), question) != Prompter::Answer::Yes) return;
    PreviewStash stash(host_.documentAgent());
    readProjectFile(path, stash);
}

void DocumentCommands::saveProject() {
    saveCurrent();
}

void DocumentCommands::saveProjectAs() {
    saveAsFrom(saveDialogStart());
}

bool DocumentCommands::saveAsFrom(const QString& start) {
    host_.commitPages();
    const QString path = askSaveName(start);
    if (path.isEmpty() || !publishTo(path)) return false;
    host_.ProjectSaved();
    host_.setCurrentFileName(path);
    rememberProjectFile(path);
    listSavedProject(path);
    return true;
}

DocumentCommands::SaveBeside DocumentCommands::saveBeside(const QString& folder) {
    host_.commitPages();
    const QString current = host_.currentFileName();
    const fs::path target = toLocalPath(folder);
    bool saved = false;
    if (!current.isEmpty() && SameFolder(toLocalPath(current).parent_path(), target)) {
        if (!host_.isModified()) return SaveBeside::AlreadySaved;
        saved = saveCurrent();
    } else {
        saved = saveAsFrom(toQt(ProposedProjectFile(target).string()));
    }
    return saved ? SaveBeside::Saved : SaveBeside::NotSaved;
}

void DocumentCommands::listSavedProject(const QString& path) {
    // A project saved under a new name is one the user will want back, as
    // one that was opened; the list names the file that was written. The
    // save itself has completed: a list that cannot be written is told, and
    // the command goes on.
    host_.runGuarded([&] { addRecentFile(path); });
}

// --- New and Open -----------------------------------------------------------------

void DocumentCommands::newProject() {
    if (!askToSaveChanges()) return;
    host_.documentAgent().ClearPreview();
    host_.setCurrentFileName(QString());
    rememberProjectFile(QString());
    host_.reduceTreeToRoot();
    host_.resumeTreeEvents();
    host_.documentAgent().ResetProject();
    host_.loadSliderPages();
    host_.showRoot(false);
    host_.clearModified();
}

void DocumentCommands::openWithDialog() {
    if (!askToSaveChanges()) return;
    PreviewStash stash(host_.documentAgent());
    const QString path = host_.prompts().openFile(dialogParent(), QStringLiteral("Open"), kProjectFilter);
    if (path.isEmpty()) return;
    readProjectFile(path, stash);
}

DocumentCommands::OpenOutcome DocumentCommands::openProjectByPath(const QString& path) {
    if (path.isEmpty() || !askToSaveChanges()) return OpenOutcome::Declined;
    PreviewStash stash(host_.documentAgent());
    return readProjectFile(path, stash);
}

DocumentCommands::OpenOutcome DocumentCommands::readProjectFile(const QString& given, PreviewStash& stash) {
    // A path relative to the working folder would mean another file in the
    // next run; the list of recent files and later saves need the full path.
    const QString path =
        QFileInfo(given).isRelative() ? QDir::cleanPath(QDir::current().absoluteFilePath(given)) : given;
    const fs::path file = toLocalPath(path);
    PublishingAgent& agent = host_.documentAgent();

    // The file is read aside first: the shown project is only replaced once
    // the file has been read whole, so a failed or refused open leaves the
    // model, the tree and the pages (with anything typed into them) as they were.
    PublishingAgent read(agent.Folders(), &agent.Display());
    MemoryDesignTree readTree;
    readTree.reset("Marivel");
    LoadResult result;
    try {
        result = read.LoadProject(file, readTree);
    } catch (...) {
        stash.restore();
        throw;
    }
    if (result != LoadResult::Loaded) {
        stash.restore();
        host_.prompts().error(dialogParent(), kRefused, QStringLiteral("Tessaline"));
        return OpenOutcome::Refused;
    }

    host_.reduceTreeToRoot();
    agent.AppletData = std::move(read.AppletData);
    agent.Items = std::move(read.Items);
    agent.FileVersion = std::move(read.FileVersion);
    agent.ProjectFolder = std::move(read.ProjectFolder);
    agent.RebuildTreeFromLevels(host_.projectTree());
    // The project has been replaced: what follows only completes the open.
    // The recent-files list and the preview copies of the prepared images are
    // conveniences, so failing to write them must not leave a half-shown
    // project; their first error is told once the open has completed.
    std::exception_ptr laterError;
    auto completing = [&laterError](const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            if (!laterError) laterError = std::current_exception();
        }
    };
    completing([&] { addRecentFile(path); });
    host_.resumeTreeEvents();
    host_.loadSliderPages();
    host_.setCurrentFileName(path);
    rememberProjectFile(path);
    completing([&] { agent.CopyResourceFiles(file.parent_path()); });
    host_.showRoot(true);
    host_.clearModified();
    ++completedOpens_;
    if (laterError) std::rethrow_exception(laterError);
    return OpenOutcome::Opened;
}

// --- closing ------------------------------------------------------------------------

bool DocumentCommands::mayClose() {
    PublishingAgent& agent = host_.documentAgent();
    if (host_.isModified()) {
        switch (host_.prompts().yesNoCancel(dialogParent(),
                                            QStringLiteral("Save changes to files before Exit?"))) {
            case Prompter::Answer::Yes: {
                // A titled project is saved and the window closes with the
                // preview folder as it is; an untitled one asks for a name
                // first and empties the folder whether or not it was saved.
                const bool titled = !host_.currentFileName().isEmpty();
                const bool saved = saveCurrent();
                if (!titled) agent.ClearPreview();
                return saved;
            }
            case Prompter::Answer::Cancel:
                agent.ClearPreview();
                return false;
            case Prompter::Answer::No:
                break;
        }
    }
    agent.ClearPreview();
    return true;
}

// --- templates ------------------------------------------------------------------------

void DocumentCommands::showTemplates() {
    TemplatesDialog::Handlers handlers;
    // The list stays up for another choice only when the template could not
    // be opened; an error told after a completed open does not count.
    handlers.openProject = [this](const QString& path) {
        OpenOutcome outcome = OpenOutcome::Declined;
        const int opensBefore = completedOpens_;
        const bool clean = host_.runGuarded([&] { outcome = openProjectByPath(path); });
        return completedOpens_ != opensBefore || (clean && outcome != OpenOutcome::Refused);
    };
    handlers.newProject = [this] { host_.runGuarded([this] { newProject(); }); };
    handlers.showError = [this](const QString& message) {
        host_.runGuarded([&] { throw Error(fromQt(message)); });
    };
    const PublishingAgent& agent = host_.documentAgent();
    TemplatesDialog dialog(TemplatesFolder(agent.ShippedFolder()), TemplatesFolder(agent.ProgramFolder()),
                           host_.settingsStore(), std::move(handlers), dialogParent());
    dialog.exec();
}

void DocumentCommands::saveAsTemplate() {
    const fs::path folder = TemplatesFolder(ProgramFolder());
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored)) fs::create_directory(folder, ignored);
    // The save dialog keeps starting there for the rest of the run.
    saveDialogFolder_ = toQt(folder.string());
    saveProjectAs();
}

// --- recent files ----------------------------------------------------------------------

void DocumentCommands::loadRecentFilesMenu() {
    QMenu* menu = host_.recentFilesMenu();
    // An empty submenu is greyed, also when the list cannot be read at all.
    menu->menuAction()->setEnabled(!menu->isEmpty());
    const RecentFilesList::Lines lines = RecentFilesList(RecentFilesPath(ProgramFolder())).ReadLines();
    // The entry clicked may be the one running this: it is only let go of
    // once its click has been handled.
    for (QAction* old : menu->actions()) {
        menu->removeAction(old);
        old->deleteLater();
    }
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        QAction* item = menu->addAction(toQt(RecentFilesList::CaptionOfLine(line)));
        item->setData(toQt(RecentFilesList::PathOfLine(line)));
        QObject::connect(item, &QAction::triggered, item,
                         [this, item] { host_.runGuarded([this, item] { openRecentFile(item); }); });
    }
    menu->menuAction()->setEnabled(!menu->isEmpty());
}

void DocumentCommands::addRecentFile(const QString& path) {
    if (RecentFilesList(RecentFilesPath(ProgramFolder())).Add(fromQt(path))) loadRecentFilesMenu();
}

void DocumentCommands::openRecentFile(const QAction* item) {
    openProjectByPath(item->data().toString());
}

}  // namespace marivel
