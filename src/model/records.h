#pragma once

#include <string>
#include <vector>

namespace marivel {

// Every value of the model is text: numbers as decimal text, colours as
// RRGGBB, border styles and choices as decimal indices. Field order is the
// order of the fields in a project file line.
struct SliderSettings {
    std::string SliderName;
    std::string CfgName;
    std::string DivId;
    std::string Width;
    std::string Height;
    std::string Step;
    std::string Delay;
    std::string Gap;
    std::string TrailerSpace;
    std::string BgColor;
    std::string CfgNameCopy;
    std::string ImageBorderWidth;
    std::string ImageBorderStyle;
    std::string ImageBorderColor;
    std::string ContainerBorderWidth;
    std::string ContainerBorderStyle;
    std::string ContainerBorderColor;
    std::string RootDirLocal;
    std::string RootDirRemote;
    std::string RootDirLocalChecked;

    static constexpr int FieldCount = 20;
    bool operator==(const SliderSettings&) const = default;
};

struct SliderItem {
    std::string ImageFile;
    std::string OriginalImagePath;
    std::string Link;
    std::string Target;
    std::string ToolTip;
    std::string ImageWidth;
    std::string ImageHeight;
    std::string Level;
    std::string Reserved;
    // Not one of the project file's fields: the name of the item's
    // double-density copy ("slider0@2x.jpg") when the last generation wrote
    // one, else empty. Only the configuration script and the publishing
    // read it, so a project file stays as it was.
    std::string DoubleImageFile;

    static constexpr int FieldCount = 9;
    bool operator==(const SliderItem&) const = default;
};

using SliderItemList = std::vector<SliderItem>;
using FieldStrings = std::vector<std::string>;

}  // namespace marivel
