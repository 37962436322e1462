#include "output/generated_files.h"

#include <cstdio>

#include "model/field_codec.h"
#include "output/script_text.h"

namespace marivel {

TAppletData AdjustBorders(const TAppletData& applet) {
    TAppletData out = applet;
    const int imageBorder = StrToInt(applet.ImageBorderWidth);
    const int containerBorder = StrToInt(applet.ContainerBorderWidth);
    int height = StrToInt(applet.Height) + 2 * imageBorder + 2 * containerBorder;
    if (applet.ImageBorderStyle == "0") {
        height -= 2 * imageBorder;
        out.ImageBorderWidth = "0";
    }
    if (applet.ContainerBorderStyle == "0") {
        height -= 2 * containerBorder;
        out.ContainerBorderWidth = "0";
    }
    out.Height = std::to_string(height);
    return out;
}

namespace {

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

// Values written bare (numbers, the array's name) are not checked, but they
// are kept ASCII like the rest of the script.
std::string Bare(std::string_view text) {
    return EscapeNonAsciiForScript(text);
}

std::string ItemLine(const std::string& name, const TItemData& item) {
    return "CI" + name + "([" + Quoted(item.ImageFile) + "," + Quoted(item.Link) + "," + Quoted(item.Target) +
           "," + Quoted(item.ToolTip) + "," + Bare(item.ImageWidth) + "," + Bare(item.ImageHeight) + "]);";
}

std::string ConstructorLine(const TAppletData& a) {
    return "new BKag(" + Quoted(a.DivId) + "," + Bare(a.Width) + "," + Bare(a.Height) + "," + Bare(a.Step) +
           "," + Bare(a.Delay) + "," + Bare(a.Gap) + "," + Bare(a.TrailerSpace) + "," + Quoted(a.BgColor) +
           "," + Bare(a.CfgName) + "," + Bare(a.ImageBorderWidth) + "," + Bare(a.ContainerBorderWidth) +
           ");};";
}

}  // namespace

std::vector<std::string> StyleSheetLines(const TAppletData& applet) {
    std::vector<std::string> lines = Banner("1.0");
    lines.push_back(".slidercontainer{");
    lines.push_back(
        BorderRule(applet.ContainerBorderColor, applet.ContainerBorderWidth, applet.ContainerBorderStyle));
    lines.push_back("}");
    lines.push_back(".sliderimages{");
    lines.push_back(BorderRule(applet.ImageBorderColor, applet.ImageBorderWidth, applet.ImageBorderStyle));
    lines.push_back("}");
    return lines;
}

std::vector<std::string> ConfigScriptLines(const TAppletData& applet, const TItemArray& items) {
    const std::string& n = applet.SliderName;
    std::vector<std::string> lines = Banner("1.1");
    for (const TItemData& item : items) lines.push_back(ItemLine(n, item));
    lines.push_back("function CI" + n + "(ipa){");
    lines.push_back("if(!(window." + n + "cfg)){eval('window." + n + "cfg=new Array();');};");
    lines.push_back(n + "cfg[" + n + "cfg.length]=ipa;};");
    lines.push_back("function Init" + n + "(){");
    lines.push_back("if (!window.buah){setTimeout('Init" + n + "()',350);return;};");
    lines.push_back(ConstructorLine(applet));
    lines.push_back("Init" + n + "();");
    return lines;
}

std::string SavedFromUrlLine(std::string_view address) {
    char length[16];
    std::snprintf(length, sizeof length, "%04zu", address.size());
    return "<!-- saved from url=(" + std::string(length) + ")" + std::string(address) + " -->";
}

std::vector<std::string> PageLines(const TAppletData& applet, const std::vector<std::string>& engineFiles) {
    return {
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
        "<div id=\"" + EscapeForHtmlAttribute(applet.DivId) + "\" style=\"width:" +
            EscapeForHtmlAttribute(applet.Width) + "px;height:" + EscapeForHtmlAttribute(applet.Height) +
            "px;\"></div>",
        "",
        "</body>",
        "</html>",
    };
}

}  // namespace marivel
