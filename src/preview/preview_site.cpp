#include "preview/preview_site.h"

#include <cmath>
#include <string>
#include <vector>

#include "model/agent.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "model/text_file.h"
#include "model/whole_file.h"
#include "output/generated_files.h"
#include "output/script_text.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

int NumberOr(const std::string& text, int fallback) {
    try {
        return text.empty() ? fallback : StrToInt(text);
    } catch (const Error&) {
        return fallback;
    }
}

}  // namespace

void CheckPreviewSnapshot(const PreviewSnapshot& snapshot) {
    const SliderSettings& a = snapshot.applet;
    CheckScriptIdentifier("slider name", a.SliderName, "the slider's script");
    CheckSliderSize(a);
    const SliderSettings written = AdjustBorders(a);
    // The pictures' names and sizes are the preview's own, never the
    // stored ones.
    CheckScriptValues(written, snapshot.items, std::vector<bool>(snapshot.items.size(), true));
    if (StrToInt(a.Width) < 1) throw Error("The Width " + a.Width + " is too small: it must be at least 1");
}

PreviewPicture PendingPictureSize(const SliderItem& item, int sliderWidth) {
    PreviewPicture box;
    box.width = sliderWidth;
    const int storedWidth = NumberOr(item.ImageWidth, 0);
    const int storedHeight = NumberOr(item.ImageHeight, 0);
    // Prepared pictures are as wide as the slider, so an earlier size scales
    // with the width.
    if (storedWidth > 0 && storedHeight > 0)
        box.height = std::max(1, int(std::lround(double(storedHeight) * sliderWidth / storedWidth)));
    else
        box.height = std::max(1, sliderWidth * 3 / 4);
    return box;
}

std::string ColumnCss(PreviewColumn column) {
    switch (column) {
        case PreviewColumn::Narrow:
            return std::to_string(kNarrowColumnWidth) + "px";
        case PreviewColumn::Pane:
            return "auto";
        case PreviewColumn::Slider:
            break;
    }
    return "max-content";
}

PreviewSite WritePreviewSite(const fs::path& folder, const fs::path& engineScript,
                             const PreviewSnapshot& snapshot, const std::vector<PreviewPicture>& pictures,
                             const PreviewPageState& state) {
    CheckPreviewSnapshot(snapshot);
    const SliderSettings& a = snapshot.applet;
    const SliderSettings written = AdjustBorders(a);
    PreviewSite site;
    SliderItemList items = snapshot.items;
    for (std::size_t k = 0; k < items.size(); ++k) {
        SliderItem& item = items[k];
        item.Link = RewriteLink(item.Link, a.RootDirLocal, a.RootDirRemote, a.RootDirLocalChecked);
        site.links.push_back(item.Link);
        const PreviewPicture picture = k < pictures.size() ? pictures[k] : PreviewPicture{};
        item.ImageFile = picture.file;
        item.DoubleImageFile = picture.doubleFile;
        item.ImageWidth = picture.height > 0 ? std::to_string(picture.width) : std::string();
        item.ImageHeight = picture.height > 0 ? std::to_string(picture.height) : std::string();
        if (picture.height > 0) site.shownItems.push_back(int(k));
    }

    const std::vector<std::string> engineFiles{"tessaline.js", kConfigScriptFile, kStyleSheetFile};
    std::error_code ec;
    if (!fs::exists(folder / engineFiles[0], ec))
        if (!CopyWholeFile(engineScript, folder / engineFiles[0], Durability::Unsynced))
            throw Error("The slider engine " + engineScript.string() + " could not be copied");
    WriteTextLines(folder / kStyleSheetFile, StyleSheetLines(written));
    WriteTextLines(folder / kConfigScriptFile, ConfigScriptLines(written, items));

    // The sample page a build writes, with the slider in a column whose
    // width the pane's tool bar sets, and the state the pane's own script
    // restores after a reload.
    std::vector<std::string> page{
        "<!DOCTYPE html>",
        "<html data-generation=\"" + std::to_string(state.generation) + "\" data-paused=\"" +
            (state.paused ? "1" : "0") + "\" data-selected=\"" + std::to_string(state.selected) + "\">",
        "<head>",
        "<meta charset=\"utf-8\">",
        "<title>Preview</title>",
        "<style>",
        "body{margin:8px;background:#fff;}",
        "#marivel-column{width:" + ColumnCss(state.column) + ";}",
        ".sliderimages.marivel-selected{outline:3px solid #1a73e8;outline-offset:-3px;}",
        "</style>",
    };
    for (const std::string& line : PageHeadCodeLines(engineFiles)) page.push_back(line);
    page.push_back("</head>");
    page.push_back("<body>");
    page.push_back("<div id=\"marivel-column\">");
    for (const std::string& line : PageDivLines(written, items)) page.push_back(line);
    page.push_back("</div>");
    page.push_back("</body>");
    page.push_back("</html>");
    WriteTextLines(folder / kPreviewPageFile, page);
    return site;
}

}  // namespace marivel
