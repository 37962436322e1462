#include "output/generated_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "model/error.h"
#include "model/field_codec.h"
#include "model/record_fields.h"
#include "model/text_encoding.h"
#include "output/script_text.h"

namespace marivel {

namespace {

// One addend of the adjusted height, for the message when the sum does not
// fit.
struct HeightPart {
    const char* field;
    long long value;     // the field's number
    long long addition;  // what it adds to the height
};

[[noreturn]] void RefuseHeight(const HeightPart (&parts)[3], long long total) {
    // The field that weighs most is the one to name: it is the one to fix.
    const HeightPart* culprit = &parts[0];
    for (const HeightPart& part : parts)
        if (std::llabs(part.addition) > std::llabs(culprit->addition)) culprit = &part;
    throw Error("The " + std::string(culprit->field) + " " + std::to_string(culprit->value) + " is too " +
                (total > 0 ? "large" : "small") + ": the slider height with its borders would be " +
                std::to_string(total) + " pixels");
}

// The number a field holds, or an error that names the field.
long long FieldNumber(std::string_view field, const std::string& text) {
    try {
        return StrToInt(text);
    } catch (const Error&) {
        throw Error("The " + std::string(field) + " \"" + text + "\" is not a whole number");
    }
}

long long FieldNumber(const SliderSettings& applet, std::string SliderSettings::*field) {
    return FieldNumber(FieldName(field), applet.*field);
}

}  // namespace

SliderSettings AdjustBorders(const SliderSettings& applet) {
    SliderSettings out = applet;
    // Stored numbers can be anything a 32-bit integer holds; the sum is made
    // in 64 bits, where it cannot overflow, and refused when the result does
    // not fit the 32 bits everything else reads it with.
    const long long imageBorder = FieldNumber(applet, &SliderSettings::ImageBorderWidth);
    const long long containerBorder = FieldNumber(applet, &SliderSettings::ContainerBorderWidth);
    const long long height = FieldNumber(applet, &SliderSettings::Height);
    const bool imageShown = applet.ImageBorderStyle != "0";
    const bool containerShown = applet.ContainerBorderStyle != "0";
    const HeightPart parts[3] = {
        {FieldName(&SliderSettings::Height), height, height},
        {FieldName(&SliderSettings::ImageBorderWidth), imageBorder, imageShown ? 2 * imageBorder : 0},
        {FieldName(&SliderSettings::ContainerBorderWidth), containerBorder,
         containerShown ? 2 * containerBorder : 0},
    };
    const long long total = parts[0].addition + parts[1].addition + parts[2].addition;
    if (total > std::numeric_limits<int>::max() || total < std::numeric_limits<int>::min())
        RefuseHeight(parts, total);
    if (!imageShown) out.ImageBorderWidth = "0";
    if (!containerShown) out.ContainerBorderWidth = "0";
    out.Height = std::to_string(total);
    return out;
}

void CheckSliderSize(const SliderSettings& applet) {
    for (auto field : {&SliderSettings::Width, &SliderSettings::Height}) {
        const long long value = FieldNumber(applet, field);
        if (value > kLargestSliderSide)
            throw Error("The " + std::string(FieldName(field)) + " " + std::to_string(value) +
                        " is too large: it can be at most " + std::to_string(kLargestSliderSide));
    }
}

void CheckScriptValues(const SliderSettings& applet, const SliderItemList& items,
                       const std::vector<bool>& replaced) {
    // The script passes these to the engine bare, outside any string, and the
    // stylesheet writes the styles' numbers: text that is not a number there
    // would become part of the script itself.
    for (auto field : {&SliderSettings::Width, &SliderSettings::Step, &SliderSettings::Delay,
                       &SliderSettings::Gap, &SliderSettings::TrailerSpace, &SliderSettings::ImageBorderStyle,
                       &SliderSettings::ContainerBorderStyle})
        FieldNumber(applet, field);
    // The border colours go into the stylesheet, which web pages include:
    // anything but the six digits would end the rule and style the page.
    // An empty colour only makes the browser drop that border, as it always
    // did, so such a project still publishes.
    for (auto field : {&SliderSettings::ImageBorderColor, &SliderSettings::ContainerBorderColor}) {
        const std::string& text = applet.*field;
        const bool hex =
            text.empty() || (text.size() == 6 && std::all_of(text.begin(), text.end(), [](char c) {
                                 return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                             }));
        if (!hex)
            throw Error("The " + std::string(FieldName(field)) + " \"" + text +
                        "\" is not a colour of six hexadecimal digits");
    }
    CheckScriptIdentifier("configuration array name", applet.CfgName, "the slider's array");
    // An item whose image is not prepared again keeps the name and size it
    // holds; a size never prepared is empty, which the script writes as a
    // hole.
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k < replaced.size() && replaced[k]) continue;
        const std::string item = " of item " + std::to_string(k + 1);
        // The name is also where its copy is read and published: a path
        // would read and write files outside the folders (a project that
        // names "../../.ssh/authorized_keys").
        const std::string& name = items[k].ImageFile;
        if (name == "." || name == ".." || name.find('/') != std::string::npos)
            throw Error("The " + std::string(FieldName(&SliderItem::ImageFile)) + item + " \"" + name +
                        "\" is not a file name. Choose the item's image again");
        for (auto field : {&SliderItem::ImageWidth, &SliderItem::ImageHeight})
            if (!(items[k].*field).empty()) FieldNumber(FieldName(field) + item, items[k].*field);
    }
}

namespace {

// Rules for what the engine adds to the box: the pause button (shown while
// the pointer or focus is in the slider, while it is paused, and always
// where there is no hover), dark with a white rim so it shows on light and
// dark pictures alike; and a focus ring drawn inside a linked image, where
// the clipping box cannot cut it.
constexpr const char* kControlRules[] = {
    ".sliderpause{",
    "position:absolute;top:6px;right:6px;z-index:1;box-sizing:border-box;width:30px;height:30px;",
    "margin:0;padding:0;border:2px solid #FFF;border-radius:50%;background:rgba(0,0,0,.6);",
    "cursor:pointer;opacity:0;",
    "}",
    ".sliderhost:hover .sliderpause,.sliderhost:focus-within .sliderpause,"
    ".sliderpause[aria-pressed=true]{opacity:1;}",
    "@media (hover:none){.sliderpause{opacity:1;}}",
    ".sliderpause::before{content:\"\";display:block;box-sizing:border-box;margin:auto;width:10px;height:"
    "12px;"
    "border:solid #FFF;border-width:0 3px;}",
    ".sliderpause[aria-pressed=true]::before{width:0;margin-left:9px;border-color:transparent #FFF;"
    "border-width:6px 0 6px 10px;}",
    ".slidercontainer a:focus-visible{outline-offset:-3px;}",
    // Previous and next, smaller, left of the pause button: browsing by
    // hand without the wheel, which stays the page's. Shown with the pause
    // button, and whenever the slider is paused.
    ".sliderprev,.slidernext{",
    "position:absolute;top:9px;z-index:1;box-sizing:border-box;width:24px;height:24px;margin:0;padding:0;",
    "border:2px solid #FFF;border-radius:50%;background:rgba(0,0,0,.6);cursor:pointer;opacity:0;",
    "}",
    ".sliderprev{right:68px;}.slidernext{right:40px;}",
    ".sliderhost:hover .sliderprev,.sliderhost:hover .slidernext,.sliderhost:focus-within .sliderprev,"
    ".sliderhost:focus-within .slidernext,.sliderpause[aria-pressed=true]~button{opacity:1;}",
    "@media (hover:none){.sliderprev,.slidernext{opacity:1;}}",
    ".sliderprev::before,.slidernext::before{content:\"\";display:block;width:0;margin:auto;"
    "border:solid transparent;border-width:0 5px 7px;border-bottom-color:#FFF;}",
    ".slidernext::before{border-width:7px 5px 0;border-color:#FFF transparent transparent;}",
};

std::vector<std::string> Banner(std::string_view version) {
    return {"/*",
            "Tessaline " + std::string(version),
            std::string(kMakerNotice),
            std::string(kProductPage),
            std::string(kSupportPage),
            "*/"};
}

std::string BorderRule(const std::string& colour, const std::string& width, const std::string& style) {
    return "BORDER:" + CssColor(colour) + " " + PxValue(width) + " " + BorderStyleName(style) + ";";
}

std::string Quoted(std::string_view text) {
    return "'" + EscapeForScriptString(text) + "'";
}

// A number written bare, in its plain decimal form: a stored "010" would
// read as octal 8 in the script. An empty size stays empty.
std::string Bare(const std::string& text) {
    return text.empty() ? text : std::to_string(StrToInt(text));
}

// A double-density copy is named after the six values, so an engine that
// knows only those reads the line as before.
std::string ItemLine(const std::string& name, const SliderItem& item) {
    const std::string doubled = item.DoubleImageFile.empty() ? "" : "," + Quoted(item.DoubleImageFile);
    return "CI" + name + "([" + Quoted(item.ImageFile) + "," + Quoted(EncodeLinkQuery(item.Link)) + "," +
           Quoted(item.Target) + "," + Quoted(item.ToolTip) + "," + Bare(item.ImageWidth) + "," +
           Bare(item.ImageHeight) + doubled + "]);";
}

// The configuration script records its own address as it runs (the engine
// may come before or after it, async or from another folder), and the
// engine finds the pictures beside that address.
constexpr const char* kScriptAddress = "(document.currentScript||{}).src";
constexpr const char* kAddressParameter = "tessalineSrc";

std::string ConstructorLine(const SliderSettings& a) {
    // Inside the script's own function: the array and the address are its
    // parameters, so a global of another script changes neither.
    return "new window.BKag(" + Quoted(a.DivId) + "," + Bare(a.Width) + "," + Bare(a.Height) + "," +
           Bare(a.Step) + "," + Bare(a.Delay) + "," + Bare(a.Gap) + "," + Bare(a.TrailerSpace) + "," +
           Quoted(a.BgColor) + "," + a.CfgName + "," + Bare(a.ImageBorderWidth) + "," +
           Bare(a.ContainerBorderWidth) + "," + kAddressParameter + ");};";
}

// A whole number of a size field, or 0 when the field holds none: the page's
// fallback skips what it cannot size instead of refusing the whole page.
int SizeOrZero(const std::string& text) {
    try {
        return std::max(0, StrToInt(text));
    } catch (const Error&) {
        return 0;
    }
}

// The pictures as plain links, for visitors without scripts and for
// crawlers; the engine replaces them when it starts. Items without a
// prepared picture are left out, as the engine leaves them out; an item
// without a link gives the bare picture, as in the slider.
std::vector<std::string> FallbackLines(const SliderSettings& applet, const SliderItemList& items) {
    std::vector<std::string> lines;
    for (const SliderItem& item : items) {
        const int height = SizeOrZero(item.ImageHeight);
        if (item.ImageFile.empty() || height == 0) continue;
        const int width =
            SizeOrZero(item.ImageWidth) > 0 ? SizeOrZero(item.ImageWidth) : SizeOrZero(applet.Width);
        const std::string img = "<img src=\"" + EscapeForHtmlAttribute(item.ImageFile) + "\" alt=\"" +
                                EscapeForHtmlAttribute(item.ToolTip) + "\" width=\"" + std::to_string(width) +
                                "\" height=\"" + std::to_string(height) + "\" loading=\"lazy\">";
        if (item.Link.empty()) {
            lines.push_back(img);
            continue;
        }
        const std::string target = item.Target.empty() || item.Target == "_self"
                                       ? ""
                                       : " target=\"" + EscapeForHtmlAttribute(item.Target) + "\"";
        lines.push_back("<a href=\"" + EscapeForHtmlAttribute(EncodeLinkQuery(item.Link)) + "\"" + target +
                        ">" + img + "</a>");
    }
    return lines;
}

// The slider's <div>, with `attributes` after its id and the fallback
// inside; a project without pictures keeps the one-line empty div.
std::vector<std::string> DivLines(const SliderSettings& applet, const SliderItemList& items,
                                  const std::string& attributes) {
    const std::string open = "<div id=\"" + EscapeForHtmlAttribute(applet.DivId) + "\"" + attributes + ">";
    std::vector<std::string> lines = FallbackLines(applet, items);
    if (lines.empty()) return {open + "</div>"};
    lines.insert(lines.begin(), open);
    lines.push_back("</div>");
    return lines;
}

// The id as a CSS identifier: what is not a letter, digit, "_" or "-", and
// a leading digit or "-", becomes a hexadecimal escape, so any id (and any
// text beyond ASCII, whatever the stylesheet is read as) selects exactly
// its <div> and nothing else of the page.
std::string CssIdentifier(std::string_view id) {
    std::string out;
    char hex[16];
    for (std::size_t i = 0; i < id.size();) {
        const DecodedChar c = DecodeCharAt(id, i);
        const bool plain = c.codePoint < 0x80 && (std::isalnum(static_cast<int>(c.codePoint)) != 0 ||
                                                  c.codePoint == '_' || c.codePoint == '-');
        const bool leading =
            i == 0 && (std::isdigit(static_cast<int>(c.codePoint)) != 0 || c.codePoint == '-');
        if (plain && !leading) {
            out += static_cast<char>(c.codePoint);
        } else {
            std::snprintf(hex, sizeof hex, "\\%x ", static_cast<unsigned>(c.codePoint));
            out += hex;
        }
        i += c.length;
    }
    return out;
}

// The slider's size as a rule for its <div>, so the pasted <div> needs no
// style attribute (which a strict style policy refuses). Its fallback
// pictures scroll inside it, one under the other.
std::vector<std::string> DivRules(const SliderSettings& applet) {
    if (applet.DivId.empty()) return {};
    const std::string id = "#" + CssIdentifier(applet.DivId);
    return {id + "{width:" + Bare(applet.Width) + "px;height:" + Bare(applet.Height) + "px;overflow:auto;}",
            id + ">a>img," + id + ">img{display:block;}"};
}

}  // namespace

std::vector<std::string> StyleSheetLines(const SliderSettings& applet) {
    std::vector<std::string> lines = Banner("1.0");
    lines.push_back(".slidercontainer{");
    lines.push_back(
        BorderRule(applet.ContainerBorderColor, applet.ContainerBorderWidth, applet.ContainerBorderStyle));
    lines.push_back("}");
    lines.push_back(".sliderimages{");
    lines.push_back(BorderRule(applet.ImageBorderColor, applet.ImageBorderWidth, applet.ImageBorderStyle));
    lines.push_back("}");
    // The engine's pause button and the focus ring of a linked image: drawn
    // here so a designer can restyle them, and loaded from a file so a page
    // with a strict style policy needs no inline style for them.
    for (const char* line : kControlRules) lines.push_back(line);
    for (std::string& line : DivRules(applet)) lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> ConfigScriptLines(const SliderSettings& applet, const SliderItemList& items) {
    const std::string& n = applet.SliderName;
    std::vector<std::string> lines = Banner("1.1");
    for (const SliderItem& item : items) lines.push_back(ItemLine(n, item));
    lines.push_back("function CI" + n + "(ipa){");
    // No string is ever evaluated (a strict script policy refuses eval and
    // string timers), and the function below is handed an array also when no
    // item line created one.
    const std::string ensure = "window." + n + "cfg=window." + n + "cfg||[];";
    lines.push_back(ensure);
    lines.push_back(n + "cfg[" + n + "cfg.length]=ipa;};");
    // Each script takes its own items into its own function and empties the
    // global array, so a second script of the same name (a second project
    // left at the default name) starts its own list instead of adding to
    // the first one's. The retry timer names the function of this script.
    lines.push_back("(function(" + applet.CfgName + "," + kAddressParameter + "){window." + n + "cfg=[];");
    lines.push_back("function Init" + n + "(){");
    lines.push_back("if (!window.buah){window.setTimeout(Init" + n + ",350);return;};");
    lines.push_back(ConstructorLine(applet));
    lines.push_back("Init" + n + "();})(window." + n + "cfg||[]," + kScriptAddress + ");");
    return lines;
}

std::string SavedFromUrlLine(std::string_view address) {
    char length[16];
    std::snprintf(length, sizeof length, "%04zu", address.size());
    return "<!-- saved from url=(" + std::string(length) + ")" + std::string(address) + " -->";
}

std::vector<std::string> PageLines(const SliderSettings& applet, const std::vector<std::string>& engineFiles,
                                   const SliderItemList& items) {
    std::vector<std::string> lines{
        SavedFromUrlLine(kSiteAddress),
        "<html>",
        "<head>",
        "<title>Preview</title>",
        "</head>",
        "<body>",
        "",
        "<!-- Tessaline 1.1 -->",
        "<!-- " + std::string(kMakerNotice) + " -->",
        "<!-- " + std::string(kProductPage) + " -->",
        "<!-- NOTE: Please insert these codes into <body> section of Web pages. -->",
        "<!-- BEGIN -->",
        "<link href=\"./" + engineFiles.at(2) + "\" type=text/css rel=stylesheet>",
        "<script language=\"javascript\" src=\"./" + engineFiles.at(0) + "\"></script>",
        "<script language=\"javascript\" src=\"./" + engineFiles.at(1) + "\"></script>",
        "<!-- END -->",
        "",
        "<!-- Please insert the <div> below to your Web page where you would -->",
        "<!-- like to include the menu. -->",
    };
    // The sample keeps its div's style attribute; the fallback goes inside.
    for (std::string& line :
         DivLines(applet, items,
                  " style=\"width:" + Bare(applet.Width) + "px;height:" + Bare(applet.Height) + "px;\""))
        lines.push_back(std::move(line));
    for (const char* line : {"", "</body>", "</html>"}) lines.push_back(line);
    return lines;
}

std::vector<std::string> PageHeadCodeLines(const std::vector<std::string>& engineFiles) {
    return {
        "<link href=\"./" + engineFiles.at(2) + "\" type=text/css rel=stylesheet>",
        "<script language=\"javascript\" src=\"./" + engineFiles.at(0) + "\"></script>",
        "<script language=\"javascript\" src=\"./" + engineFiles.at(1) + "\"></script>",
    };
}

std::vector<std::string> PageDivLines(const SliderSettings& applet, const SliderItemList& items) {
    return DivLines(applet, items, "");
}

}  // namespace marivel
