// Publishing: the save routine that puts everything a web site needs next to
// the project file, and the publish report that lists what to upload.

#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/agent.h"
#include "model/error.h"
#include "model/save_lock.h"
#include "model/text_file.h"
#include "model/whole_file.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

const std::string kRule(77, '=');

// Image names in item order, each item's double-density copy after its
// own, without empty names and repeats.
std::vector<std::string> DistinctImageNames(const SliderItemList& items) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const SliderItem& item : items)
        for (const std::string* name : {&item.ImageFile, &item.DoubleImageFile})
            if (!name->empty() && seen.insert(*name).second) names.push_back(*name);
    return names;
}

// The message of an error that ended a save after it had written files:
// every file is whole, old or new, and the user learns which are new.
std::string AfterWriting(const std::string& message, const std::vector<std::string>& written) {
    std::string text = message;
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != ')') text += '.';
    text += "\nThis save had already written:";
    for (std::size_t k = 0; k < written.size(); ++k) text += (k ? ", " : " ") + written[k];
    return text + ". Every other file is as it was";
}

// The original image paths of a save into another folder than the one they
// are read from, by item; only the items whose text changes.
std::vector<std::pair<std::size_t, std::string>> RebasedOriginals(const SliderItemList& items,
                                                                  const fs::path& from, const fs::path& to) {
    std::vector<std::pair<std::size_t, std::string>> rebased;
    const ImagePathRebase rebase(from, to);
    for (std::size_t k = 0; k < items.size(); ++k) {
        std::string path = rebase(items[k].OriginalImagePath);
        if (path != items[k].OriginalImagePath) rebased.emplace_back(k, std::move(path));
    }
    return rebased;
}

// Puts the given original image paths into the items for as long as it
// lives, and the old ones back after.
class SwappedOriginals {
public:
    SwappedOriginals(SliderItemList& items, std::vector<std::pair<std::size_t, std::string>>& paths)
        : items_(items), paths_(paths) {
        swap();
    }
    ~SwappedOriginals() { swap(); }
    SwappedOriginals(const SwappedOriginals&) = delete;
    SwappedOriginals& operator=(const SwappedOriginals&) = delete;

private:
    void swap() noexcept {
        for (auto& [k, path] : paths_) items_[k].OriginalImagePath.swap(path);
    }
    SliderItemList& items_;
    std::vector<std::pair<std::size_t, std::string>>& paths_;
};

}  // namespace

bool PublishingAgent::SaveAndPublish(const fs::path& folder, const std::string& fileName, DesignTree& tree) {
    return SaveAndPublishProject(folder / (PublishBaseName(fileName) + ".mvl"), tree);
}

bool PublishingAgent::SaveAndPublishProject(const fs::path& projectFile, DesignTree& tree) {
    const fs::path folder = projectFile.has_parent_path() ? projectFile.parent_path() : fs::path(".");
    // One save into a folder at a time, so the folder always holds one
    // save's files; how long to wait for another is the display's to say.
    bool waiting = false;
    std::optional<ActivityScope> waitingHint;
    std::optional<SaveLock> lock;
    try {
        lock.emplace(folder, [&](std::chrono::milliseconds waited) {
            if (!waiting) waitingHint.emplace(Display(), kWaitingForFolderHint, false);
            waiting = true;
            return Display().keepWaiting(kWaitingForFolderHint, waited);
        });
    } catch (...) {
        if (waiting) Display().waitEnded();
        throw;
    }
    if (waiting) Display().waitEnded();
    waitingHint.reset();
    if (lock->state() == SaveLock::State::GaveUp) return false;

    // Refused before anything is written rather than at the project file,
    // after the page and scripts are already published.
    CheckProjectCanBeStored();
    const PublishPlan plan = PlanPublish(*this, tree, projectFile);
    CheckPreparedImageNames(*this, plan);
    std::vector<fs::path> published;
    for (const std::string& name : plan.files()) published.push_back(folder / name);
    CheckOriginalsAreNotReplaced(Items, ProjectFolder, published);
    CheckPlanCanBeWritten(plan);
    // A save that was killed halfway left its unfinished copies beside the
    // files; no other save can be writing them now.
    RemoveLeftoverTemporaries(folder, plan.files());

    std::vector<std::string> written;
    std::vector<std::pair<std::size_t, std::string>> rebased;
    try {
        MakeHTMLCodes(folder / plan.pageFile(), tree);
        written.push_back(plan.pageFile());
        // A script missing from the program folder is not published; one that
        // cannot be written is an error, so the save is not taken as done.
        for (std::size_t k = 0; k < EngineFiles.size(); ++k)
            if (CopyWholeFile(EngineFileSource(k), folder / EngineFiles[k]))
                written.push_back(EngineFiles[k]);
        // A project written into another folder (Save As, a shipped template
        // saved as the user's own, marivel-publish --out) keeps its pictures:
        // the file names them from where it lies. The model takes the same
        // paths only once the whole save has completed, so a failed save
        // leaves it reading its pictures from where it did.
        rebased = RebasedOriginals(Items, ProjectFolder, folder);
        {
            SwappedOriginals swapped(Items, rebased);
            SaveProject(projectFile);
        }
        written.push_back(plan.projectFile);
        MakePublishReport(folder, plan.reportFile());
        written.push_back(plan.reportFile());

        Display().setProgressMaximum(100);
        ActivityScope activity(Display(), "Copying Publishable Files ... ...", true);
        // An item whose image was never prepared has none to publish; items
        // that share an image publish it once.
        for (const std::string& name : DistinctImageNames(Items))
            if (CopyWholeFile(PreviewFolder() / name, folder / name)) written.push_back(name);
        Display().advanceProgress(50);
        Display().advanceProgress(50);
    } catch (const std::exception& e) {
        if (written.empty()) throw;
        throw Error(AfterWriting(e.what(), written));
    }

    for (auto& [k, path] : rebased) Items[k].OriginalImagePath = std::move(path);
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    ProjectFolder = ec ? folder : absolute;
    // Saved without taking turns: said once per run, after the save, so
    // that its own messages do not cover it at once.
    static std::atomic<bool> toldNoTurns{false};
    if (lock->state() == SaveLock::State::Unavailable && !toldNoTurns.exchange(true))
        Display().setHint(kNoTurnsHint + lock->problem());
    return true;
}

void PublishingAgent::MakePublishReport(const fs::path& folder, const std::string& fileName) {
    AtomicTextWriter report(folder / fileName);
    report.writeLine(kRule);
    report.writeLine("This file includes a list of filename and you need to upload them to Web server");
    report.writeLine("to get the script to work. All these files are saved into the same directory along");
    report.writeLine("with the project file (*.mvl) as well as this file.");
    report.writeLine("");
    report.writeLine(kRule);
    report.writeLine("");

    Display().setProgressMaximum(101);
    ActivityScope activity(Display(), "Making Publish Report ... ...", true);
    report.writeLine("[Script file(s)]:");
    for (const std::string& name : EngineFiles) {
        report.writeLine("  " + name);
        Display().advanceProgress(1);
    }
    report.writeLine("");
    report.writeLine("[Image File(s)]: They should be copied along with script files!");
    for (const std::string& name : DistinctImageNames(Items)) report.writeLine("  " + name);
    Display().advanceProgress(50);
    Display().advanceProgress(50);
    report.writeLine("");
    report.writeLine("");
    report.writeLine(kRule);
    report.writeLine("End of Publish Report");
    report.writeLine(kRule);
    report.commit();
}

}  // namespace marivel
