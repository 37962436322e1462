// Publishing: the save routine that puts everything a web site needs next to
// the project file, and the publish report that lists what to upload.

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/agent.h"
#include "model/folder_lock.h"
#include "model/text_file.h"
#include "model/whole_file.h"
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
                                folder / (base + "_PublishReport.txt"), folder / "tessalinecfg.js",
                                folder / "tessaline.css"};
    if (!agent.EngineFiles.empty()) files.push_back(folder / agent.EngineFiles[0]);
    const int generated = GeneratedItemCount(agent.Items, tree);
    for (int k = 0; k < static_cast<int>(agent.Items.size()); ++k) {
        const TItemData& item = agent.Items[static_cast<std::size_t>(k)];
        if (k < generated && SourceImageExists(item.OriginalImagePath))
            files.push_back(folder / PreparedImageName(k));
        else if (!item.ImageFile.empty())
            files.push_back(folder / item.ImageFile);
    }
    return files;
}

}  // namespace

bool TkeltAppletAgent::SaveAndPublish(const fs::path& folder, const std::string& fileName, DesignTree& tree) {
    const fs::path programFolder = ProgramFolder();
    const std::string base = PublishBaseName(fileName);

    // One save into a folder at a time, from this program or any other, so
    // the folder always holds one save's files.
    std::optional<ActivityScope> waiting;
    FolderLock lock(folder, [&] {
        waiting.emplace(Display(), "Waiting for another save into this folder ... ...", false);
    });
    waiting.reset();
    CheckOriginalsAreNotReplaced(Items, PublishedFiles(*this, tree, folder, base));

    MakeHTMLCodes(folder / (base + ".html"), tree);
    // A script missing from the program folder is not published; one that
    // cannot be written is an error, so the save is not taken as done.
    for (const std::string& name : EngineFiles) CopyWholeFile(programFolder / name, folder / name);
    SaveProject(folder / (base + ".mvl"));
    MakePublishReport(folder, base + "_PublishReport.txt");

    Display().setProgressMaximum(100);
    ActivityScope activity(Display(), "Copying Publishable Files ... ...", true);
    for (const TItemData& item : Items) {
        // An item whose image was never prepared has none to publish.
        if (!item.ImageFile.empty()) CopyWholeFile(PreviewFolder() / item.ImageFile, folder / item.ImageFile);
    }
    Display().advanceProgress(50);
    Display().advanceProgress(50);
    return true;
}

void TkeltAppletAgent::MakePublishReport(const fs::path& folder, const std::string& fileName) {
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
