// Publishing: the save routine that puts everything a web site needs next to
// the project file, and the publish report that lists what to upload.

#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/agent.h"
#include "model/text_file.h"
#include "output/script_text.h"

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

}  // namespace

bool TkeltAppletAgent::SaveAndPublish(const fs::path& folder, const std::string& fileName, DesignTree& tree) {
    const fs::path programFolder = ProgramFolder();
    const std::string base = PublishBaseName(fileName);

    MakeHTMLCodes(folder / (base + ".html"), tree);
    std::error_code ignored;
    for (const std::string& name : EngineFiles)
        fs::copy_file(programFolder / name, folder / name, fs::copy_options::overwrite_existing, ignored);
    SaveProject(folder / (base + ".mvl"));
    MakePublishReport(folder, base + "_PublishReport.txt");

    Display().setProgressMaximum(100);
    ActivityScope activity(Display(), "Copying Publishable Files ... ...", true);
    for (const TItemData& item : Items) {
        if (item.ImageFile.empty()) continue;
        fs::copy_file(PreviewFolder() / item.ImageFile, folder / item.ImageFile,
                      fs::copy_options::overwrite_existing, ignored);
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
