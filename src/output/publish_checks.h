#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/records.h"

namespace marivel {

// What the checks before publishing look for. None of them stops a save:
// they tell the designer what a visitor would suffer from.
enum class CheckKind {
    MissingPicture,     // the item's original picture is not there
    NoDescription,      // no tooltip: the picture's alt text is empty
    Enlarged,           // the picture is narrower than the slider
    SamePicture,        // another item shows the same picture file
    InvalidLink,        // a space, no scheme, nothing after the scheme
    ScriptLink,         // a javascript: link
    HeavyFirstView,     // what the slider loads first weighs above the limit
    UnknownWeight,      // not a failure: pictures not prepared yet
    DefaultSliderName,  // "VSlider1": two such sliders on one page clash
};

struct CheckFinding {
    CheckKind kind;
    int item;          // index into the items, -1 for the slider itself
    std::string text;  // one line, naming the item ("Item 3 (img10.jpg): ...")
    // False only for a note that asks for no change.
    bool failed() const { return kind != CheckKind::UnknownWeight; }
};

// The weight above which the first view is reported, in bytes.
inline constexpr std::uintmax_t kFirstViewLimit = 1000 * 1000;
inline constexpr const char* kDefaultSliderName = "VSlider1";

// Checks the slider and its items as they would be published. Relative
// picture paths are read from projectFolder; the prepared copies the first
// view is weighed by are looked for in preparedFolder (the preview folder
// of the last generation). Reads only picture headers and file sizes.
std::vector<CheckFinding> CheckBeforePublishing(const SliderSettings& applet, const SliderItemList& items,
                                                const std::filesystem::path& projectFolder,
                                                const std::filesystem::path& preparedFolder);

// Which items the slider engine asks the browser for first (indexes into
// items): those in view at the start and in the stretch it fetches ahead
// while the slider moves. `applet` holds the values as entered; empty when
// the values are no numbers.
std::vector<int> FirstLoadedItems(const SliderSettings& applet, const SliderItemList& items);

// The problem a link would cause once published, or empty when it is fine
// (an empty link included: the picture then links nowhere).
std::string LinkProblem(const std::string& link);

}  // namespace marivel
