#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/image_quality.h"
#include "model/records.h"

namespace marivel {

// What the live preview shows, copied out of the document so that making
// the preview never touches the user's records (generation fills in sizes,
// names and rewritten links; the preview does that on its copy only).
struct PreviewSnapshot {
    SliderSettings applet;
    SliderItemList items;
    std::filesystem::path projectFolder;
    ImageQuality quality;
};

// A picture of the preview as the page gets it: a prepared file in the
// preview's folder, or, while it is being prepared (or cannot be), no file
// and the size of the box it will fill.
struct PreviewPicture {
    std::string file;        // empty: an empty box
    std::string doubleFile;  // the 2x copy, when there is one
    int width = 0;
    int height = 0;
};

// How the page frames the slider: at its own width, in a column of 320
// pixels, or as wide as the pane.
enum class PreviewColumn { Slider, Narrow, Pane };
inline constexpr int kNarrowColumnWidth = 320;

// The page's state that outlives a reload.
struct PreviewPageState {
    int generation = 0;  // told back when the page shows its first frame
    PreviewColumn column = PreviewColumn::Slider;
    bool paused = false;
    int selected = -1;  // position among the shown pictures, -1: none
};

// What WritePreviewSite made of a snapshot.
struct PreviewSite {
    // For each picture the engine shows, in its order, the item it stands
    // for: the engine leaves out items without a height.
    std::vector<int> shownItems;
    // The items' links as a visitor would follow them.
    std::vector<std::string> links;
};

// The page file the pane loads.
inline constexpr const char* kPreviewPageFile = "index.html";

// Checks the snapshot as a build would (sizes, numbers, colours, script
// names): throws Error with the message a build would give, before any file
// is written.
void CheckPreviewSnapshot(const PreviewSnapshot& snapshot);

// The prepared size a picture will have at the slider's width, guessed from
// the size an earlier generation stored for it, else a box of 4:3, so the
// page keeps its layout while the picture is prepared.
PreviewPicture PendingPictureSize(const SliderItem& item, int sliderWidth);

// Writes the page, the configuration script and the stylesheet for the
// snapshot into folder (the engine script is copied from engineScript once),
// with pictures[k] as item k's picture. Throws Error as a build would.
PreviewSite WritePreviewSite(const std::filesystem::path& folder, const std::filesystem::path& engineScript,
                             const PreviewSnapshot& snapshot, const std::vector<PreviewPicture>& pictures,
                             const PreviewPageState& state);

// The CSS width of the column element for a column choice.
std::string ColumnCss(PreviewColumn column);

}  // namespace marivel
