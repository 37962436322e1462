// The script generator: completes the model (levels, links, prepared images)
// and writes the stylesheet, the configuration script and the page.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/field_codec.h"
#include "model/text_file.h"
#include "output/generated_files.h"
#include "output/image_preparer.h"
#include "output/jpeg_prepare.h"
#include "output/prepared_cache.h"
#include "output/publishing_agent.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kImageMissingCaption = "Warning: Original image not found.";
constexpr const char* kImageCaption = "Item";
constexpr const char* kGeneratingHint = "Making HTML Codes ... ...";

// The file an item's image is prepared from.
std::string SourcePathOf(const DocumentAgent& agent, const SliderItem& item) {
    return SourceImagePath(item.OriginalImagePath, agent.ProjectFolder).string();
}

// The bottom line while images are prepared: which image of how many, and a
// bar that moves per image. The generation's own message comes back after.
class ImageProgress {
public:
    ImageProgress(ActivityDisplay& display, std::size_t count) : display_(display), count_(count) {
        display_.setProgressMaximum(static_cast<int>(count));
    }
    ~ImageProgress() {
        display_.resetProgress();
        display_.setHint(kGeneratingHint);
    }
    ImageProgress(const ImageProgress&) = delete;
    ImageProgress& operator=(const ImageProgress&) = delete;

    void preparing(std::size_t done) {
        display_.setHint("Preparing images ... " + std::to_string(done + 1) + " of " +
                         std::to_string(count_));
    }
    void prepared() { display_.advanceProgress(1); }

private:
    ActivityDisplay& display_;
    std::size_t count_;
};

// Prepares the images of the items whose sources exist, on all cores, and
// completes the model in item order: when an image fails, the items before
// it are complete, the failing one and those after it are as they were
// (but for the failing one's caption), and the error ends the run.
void PrepareItemImages(PublishingAgent& agent, DesignTree& tree, const std::vector<bool>& exists) {
    agent.LastImagePass = {};
    // The slider width is only needed (and only checked) when at least one
    // source exists, and it is checked before anything is written.
    std::vector<std::string> sources;
    for (std::size_t k = 0; k < exists.size(); ++k)
        if (exists[k]) sources.push_back(SourcePathOf(agent, agent.Items[k]));
    std::optional<int> width;
    if (!sources.empty()) {
        width = StrToInt(agent.AppletData.Width);
        CheckSliderWidth(*width);
    }
    std::optional<PreparedImageCache> cache;
    std::optional<ImagePreparer> preparer;
    std::optional<ImageProgress> progress;
    if (!sources.empty()) {
        cache.emplace(PreparedImageCache::DefaultFolder());
        preparer.emplace(sources, *width, &*cache, 0U, agent.Quality);
        progress.emplace(agent.Display(), sources.size());
    }
    ActivityDisplay& display = agent.Display();
    std::size_t taken = 0;
    for (std::size_t k = 0; k < exists.size(); ++k) {
        SliderItem& item = agent.Items[k];
        const int node = static_cast<int>(k) + 1;
        if (!exists[k]) {
            // The item keeps the image name and size it had, so an image
            // prepared earlier is still used, and so does its copy for
            // screens of high density where there is one.
            tree.setCaption(node, kImageMissingCaption);
            item.DoubleImageFile = agent.Quality.density == Density::Double
                                       ? KeptDoubleImageName(item.ImageFile, agent.ProjectFolder)
                                       : "";
            continue;
        }
        tree.setCaption(node, kImageCaption);
        progress->preparing(taken);
        const PreparedCopy copy = preparer->take(taken++, [&display] { display.keepAlive(); });
        const std::string name = PreparedImageName(static_cast<int>(k));
        item.ImageWidth = std::to_string(copy.image.size.width);
        item.ImageHeight = std::to_string(copy.image.size.height);
        item.ImageFile = name;
        agent.PutInPreview(name, copy.jpeg);
        item.DoubleImageFile.clear();
        if (!copy.doubleJpeg.empty()) {
            item.DoubleImageFile = DoubleDensityImageName(static_cast<int>(k));
            agent.PutInPreview(item.DoubleImageFile, copy.doubleJpeg);
        }
        progress->prepared();
    }
    if (preparer) agent.LastImagePass = {preparer->decoded(), preparer->cached()};
}

void RewriteLinks(DocumentAgent& agent) {
    const SliderSettings& a = agent.AppletData;
    for (SliderItem& item : agent.Items)
        item.Link = RewriteLink(item.Link, a.RootDirLocal, a.RootDirRemote, a.RootDirLocalChecked);
}

}  // namespace

void PublishingAgent::MakeHTMLCodes(const fs::path& pagePath, DesignTree& tree) {
    ActivityScope activity(Display(), kGeneratingHint, false);
    EngineFiles.resize(3);
    EngineFiles[1] = kConfigScriptFile;
    EngineFiles[2] = kStyleSheetFile;
    // Everything that can be refused without touching a file is checked
    // first, so a refused run leaves the folders as they were.
    CheckScriptIdentifier("slider name", AppletData.SliderName, "the slider's script");
    RefreshLevels(tree);
    RewriteLinks(*this);
    CheckSliderSize(AppletData);
    const SliderSettings written = AdjustBorders(AppletData);
    // Which sources exist is asked once.
    std::vector<bool> exists(static_cast<std::size_t>(GeneratedItemCount(Items, tree)));
    for (std::size_t k = 0; k < exists.size(); ++k)
        exists[k] = SourceImageExists(Items[k].OriginalImagePath, ProjectFolder);
    CheckScriptValues(written, Items, exists);
    std::vector<fs::path> targets{pagePath, WorkFolder() / EngineFiles[1], WorkFolder() / EngineFiles[2]};
    for (std::size_t k = 0; k < exists.size(); ++k) {
        if (!exists[k]) continue;
        targets.push_back(PreviewFolder() / PreparedImageName(static_cast<int>(k)));
        if (Quality.density == Density::Double)
            targets.push_back(PreviewFolder() / DoubleDensityImageName(static_cast<int>(k)));
    }
    CheckOriginalsAreNotReplaced(Items, ProjectFolder, targets);

    PrepareItemImages(*this, tree, exists);

    WriteTextLines(WorkFolder() / EngineFiles[2], StyleSheetLines(written));
    WriteTextLines(WorkFolder() / EngineFiles[1], ConfigScriptLines(written, Items));
    WriteTextLines(pagePath, PageLines(written, EngineFiles, Items));
}

}  // namespace marivel
