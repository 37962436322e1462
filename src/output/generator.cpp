// The script generator: completes the model (levels, links, prepared images)
// and writes the stylesheet, the configuration script and the page.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/agent.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "model/text_file.h"
#include "output/generated_files.h"
#include "output/jpeg_prepare.h"
#include "output/scratch_folder.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kImageMissingCaption = "Warning: Original image not found.";
constexpr const char* kImageCaption = "Item";

void CheckSliderName(const std::string& name) {
    if (IsScriptIdentifier(name)) return;
    throw Error("The slider name \"" + name +
                "\" cannot name the slider's script: it must start with a letter, \"_\" or \"$\" and hold "
                "only letters, digits, \"_\" and \"$\"");
}

void PrepareItemImages(TkeltAppletAgent& agent, DesignTree& tree, const std::vector<bool>& exists) {
    // The slider width is only needed (and only checked) when at least one
    // source exists, and it is checked before anything is written.
    std::optional<int> width;
    if (std::find(exists.begin(), exists.end(), true) != exists.end()) {
        width = StrToInt(agent.AppletData.Width);
        CheckSliderWidth(*width);
    }
    std::optional<ScratchFolder> scratch;
    for (std::size_t k = 0; k < exists.size(); ++k) {
        TItemData& item = agent.Items[k];
        const int node = static_cast<int>(k) + 1;
        if (!exists[k]) {
            // The item keeps the image name and size it had, so an image
            // prepared earlier is still used.
            tree.setCaption(node, kImageMissingCaption);
            continue;
        }
        tree.setCaption(node, kImageCaption);
        if (!scratch) scratch.emplace();
        const std::string name = PreparedImageName(static_cast<int>(k));
        const fs::path prepared = scratch->path() / name;
        const PreparedImage image = PrepareSliderImage(
            SourceImagePath(item.OriginalImagePath, agent.ProjectFolder), prepared, *width);
        item.ImageWidth = std::to_string(image.size.width);
        item.ImageHeight = std::to_string(image.size.height);
        item.ImageFile = name;
        agent.CopyToPreview(prepared);
        std::error_code ignored;
        fs::remove(prepared, ignored);
    }
}

void RewriteLinks(TkeltAppletAgent& agent) {
    const TAppletData& a = agent.AppletData;
    for (TItemData& item : agent.Items)
        item.Link = RewriteLink(item.Link, a.RootDirLocal, a.RootDirRemote, a.RootDirLocalChecked);
}

}  // namespace

void TkeltAppletAgent::MakeHTMLCodes(const fs::path& pagePath, DesignTree& tree) {
    ActivityScope activity(Display(), "Making HTML Codes ... ...", false);
    EngineFiles.resize(3);
    EngineFiles[1] = "tessalinecfg.js";
    EngineFiles[2] = "tessaline.css";
    // Everything that can be refused without touching a file is checked
    // first, so a refused run leaves the folders as they were.
    CheckSliderName(AppletData.SliderName);
    RefreshLevels(tree);
    RewriteLinks(*this);
    const TAppletData written = AdjustBorders(AppletData);
    // Which sources exist is asked once.
    std::vector<bool> exists(static_cast<std::size_t>(GeneratedItemCount(Items, tree)));
    for (std::size_t k = 0; k < exists.size(); ++k)
        exists[k] = SourceImageExists(Items[k].OriginalImagePath, ProjectFolder);
    std::vector<fs::path> targets{pagePath, ProgramFolder() / EngineFiles[1],
                                  ProgramFolder() / EngineFiles[2]};
    for (std::size_t k = 0; k < exists.size(); ++k)
        if (exists[k]) targets.push_back(PreviewFolder() / PreparedImageName(static_cast<int>(k)));
    CheckOriginalsAreNotReplaced(Items, ProjectFolder, targets);

    PrepareItemImages(*this, tree, exists);

    WriteTextLines(ProgramFolder() / EngineFiles[2], StyleSheetLines(written));
    WriteTextLines(ProgramFolder() / EngineFiles[1], ConfigScriptLines(written, Items));
    WriteTextLines(pagePath, PageLines(written, EngineFiles));
}

}  // namespace marivel
