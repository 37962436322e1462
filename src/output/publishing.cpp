// Publishing: the save routine that puts everything a web site needs next to
// the project file, and the publish report that lists what to upload.

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/folder_lock.h"
#include "model/text_file.h"
#include "model/whole_file.h"
#include "output/publishing_agent.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

const std::string kRule(77, '=');

// Image names in item order, without empty names and repeats.
std::vector<std::string> DistinctImageNames(const TItemArray& items) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const TItemData& item : items)
        if (!item.ImageFile.empty() && seen.insert(item.ImageFile).second) names.push_back(item.ImageFile);
    return names;
}

// Every file a save into `folder` writes, the images under the names the
// generation is about to give them.
std::vector<fs::path> PublishedFiles(const TkeltAppletAgent& agent, const DesignTree& tree,
                                     const fs::path& folder, const std::string& base) {
    std::vector<fs::path> files{folder / (base + ".html"), folder / (base + ".mvl"),
                                folder / (base + "_PublishReport.txt"), folder / kConfigScriptFile,
                                folder / kStyleSheetFile};
    if (!agent.EngineFiles.empty()) files.push_back(folder / agent.EngineFiles[0]);
    const int generated = GeneratedItemCount(agent.Items, tree);
    for (int k = 0; k < static_cast<int>(agent.Items.size()); ++k) {
        const TItemData& item = agent.Items[static_cast<std::size_t>(k)];
        if (k < generated && SourceImageExists(item.OriginalImagePath, agent.ProjectFolder))
            files.push_back(folder / PreparedImageName(k));
        else if (!item.ImageFile.empty())
            files.push_back(folder / item.ImageFile);
    }
    return files;
}

// The original image paths of a save into another folder than the one they
// are read from, by item; only the items whose text changes.
std::vector<std::pair<std::size_t, std::string>> RebasedOriginals(const TItemArray& items,
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
    SwappedOriginals(TItemArray& items, std::vector<std::pair<std::size_t, std::string>>& paths)
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
    TItemArray& items_;
    std::vector<std::pair<std::size_t, std::string>>& paths_;
};

}  // namespace

bool PublishingAgent::SaveAndPublish(const fs::path& folder, const std::string& fileName, DesignTree& tree) {
    const std::string base = PublishBaseName(fileName);

    // One save into a folder at a time, from this program or any other, so
    // the folder always holds one save's files.
    std::optional<ActivityScope> waiting;
    FolderLock lock(folder, [&] { waiting.emplace(Display(), kWaitingForFolderHint, false); });
    waiting.reset();
    // Refused before anything is written rather than at the project file,
    // after the page and scripts are already published.
    CheckProjectCanBeStored();
    const std::vector<fs::path> published = PublishedFiles(*this, tree, folder, base);
    CheckOriginalsAreNotReplaced(Items, ProjectFolder, published);
    // A save that was killed halfway left its unfinished copies beside the
    // files; no other save can be writing them now.
    std::vector<std::string> names;
    for (const fs::path& file : published) names.push_back(file.filename().string());
    RemoveLeftoverTemporaries(folder, names);

    MakeHTMLCodes(folder / (base + ".html"), tree);
    // A script missing from the program folder is not published; one that
    // cannot be written is an error, so the save is not taken as done.
    for (std::size_t k = 0; k < EngineFiles.size(); ++k)
        CopyWholeFile(EngineFileSource(k), folder / EngineFiles[k]);
    // A project written into another folder (Save As, a shipped template
    // saved as the user's own, marivel-publish --out) keeps its pictures: the
    // file names them from where it lies. The model takes the same paths
    // only once the whole save has completed, so a failed save leaves it
    // reading its pictures from where it did.
    std::vector<std::pair<std::size_t, std::string>> rebased = RebasedOriginals(Items, ProjectFolder, folder);
    {
        SwappedOriginals written(Items, rebased);
        SaveProject(folder / (base + ".mvl"));
    }
    MakePublishReport(folder, base + "_PublishReport.txt");

    Display().setProgressMaximum(100);
    ActivityScope activity(Display(), "Copying Publishable Files ... ...", true);
    // An item whose image was never prepared has none to publish; items that
    // share an image publish it once.
    for (const std::string& name : DistinctImageNames(Items))
        CopyWholeFile(PreviewFolder() / name, folder / name);
    Display().advanceProgress(50);
    Display().advanceProgress(50);

    for (auto& [k, path] : rebased) Items[k].OriginalImagePath = std::move(path);
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    ProjectFolder = ec ? folder : absolute;
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
