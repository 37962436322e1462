#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/records.h"

namespace marivel {

// Who made the generated files: the banner of the stylesheet and the
// configuration script and the comments of the page carry these.
inline constexpr std::string_view kMakerNotice = "Made with Marivel 1.1, (C) Kelt Software";
inline constexpr std::string_view kProductPage = "https://www.kelt.example/marivel/";
inline constexpr std::string_view kSupportPage = "https://www.kelt.example/support/";
// The site a browser files the page under ("saved from url" comment).
inline constexpr std::string_view kSiteAddress = "https://www.kelt.example/";

// The slider values the written files show: Height grows by twice each
// visible border's width, and a border whose style is "0" (none) gets width
// 0. Only the copy changes; the model keeps what the user entered, so saving
// twice does not add the allowance twice. Throws Error on non-integers and,
// naming the field to fix, on a height that does not fit 32 bits.
SliderSettings AdjustBorders(const SliderSettings& applet);

// The largest slider width and height the editor lets a user enter.
inline constexpr int kLargestSliderSide = 9999;

// Refuses, naming the field, a slider width or height above
// kLargestSliderSide: a small project file must not make every publish
// prepare and copy images of hundreds of megabytes. Values that are no
// whole numbers are left to CheckScriptValues.
void CheckSliderSize(const SliderSettings& applet);

// Refuses, naming the field, any value the configuration script would
// write outside a string or the stylesheet would write into a rule that is
// not what it must be there: a whole number, six hexadecimal digits for the
// border colours, or for the configuration array's name a script identifier. The image
// sizes of the items whose `replaced` entry is true are not looked at, as
// the image pass gives them new ones.
void CheckScriptValues(const SliderSettings& applet, const SliderItemList& items,
                       const std::vector<bool>& replaced);

// The lines of the three generated files (without line ends). `applet` holds
// the adjusted values; item texts are escaped for their script strings and,
// in the page's fallback pictures, for HTML attributes. The stylesheet sizes
// the slider's <div> by its id; the page's div keeps its style attribute too.
std::vector<std::string> StyleSheetLines(const SliderSettings& applet);
std::vector<std::string> ConfigScriptLines(const SliderSettings& applet, const SliderItemList& items);
std::vector<std::string> PageLines(const SliderSettings& applet, const std::vector<std::string>& engineFiles,
                                   const SliderItemList& items);

// What a site's own page needs to show the slider, for Copy Head Code, Copy
// Div and Insert into Page: the head code (the stylesheet link and the two
// script lines, in the order the sample page has them) and the slider's
// <div>. `applet` holds the adjusted values, `items` the published items.
// The div carries no style attribute (the stylesheet sizes it) and holds
// the items' prepared pictures as plain links, in item order:
// <a href><img src alt width height loading="lazy"></a>, a bare <img> for
// an item without a link; items without a prepared picture are left out.
std::vector<std::string> PageHeadCodeLines(const std::vector<std::string>& engineFiles);
std::vector<std::string> PageDivLines(const SliderSettings& applet, const SliderItemList& items);

// The "saved from url" comment of the page's first line: the address length
// as four decimal digits, then the address.
std::string SavedFromUrlLine(std::string_view address);

}  // namespace marivel
