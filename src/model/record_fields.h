#pragma once

#include <iterator>
#include <string>

#include "model/records.h"

namespace marivel {

// The fields of both records in file order; one table serves both
// directions of the conversion.
inline constexpr std::string SliderSettings::*kAppletFields[] = {
    &SliderSettings::SliderName,
    &SliderSettings::CfgName,
    &SliderSettings::DivId,
    &SliderSettings::Width,
    &SliderSettings::Height,
    &SliderSettings::Step,
    &SliderSettings::Delay,
    &SliderSettings::Gap,
    &SliderSettings::TrailerSpace,
    &SliderSettings::BgColor,
    &SliderSettings::CfgNameCopy,
    &SliderSettings::ImageBorderWidth,
    &SliderSettings::ImageBorderStyle,
    &SliderSettings::ImageBorderColor,
    &SliderSettings::ContainerBorderWidth,
    &SliderSettings::ContainerBorderStyle,
    &SliderSettings::ContainerBorderColor,
    &SliderSettings::RootDirLocal,
    &SliderSettings::RootDirRemote,
    &SliderSettings::RootDirLocalChecked,
};
static_assert(std::size(kAppletFields) == SliderSettings::FieldCount);

inline constexpr std::string SliderItem::*kItemFields[] = {
    &SliderItem::ImageFile, &SliderItem::OriginalImagePath, &SliderItem::Link,        &SliderItem::Target,
    &SliderItem::ToolTip,   &SliderItem::ImageWidth,        &SliderItem::ImageHeight, &SliderItem::Level,
    &SliderItem::Reserved,
};
static_assert(std::size(kItemFields) == SliderItem::FieldCount);

// What the user calls each field, in the order above, for the messages
// that name one.
inline constexpr const char* kAppletFieldNames[] = {
    "slider name",
    "configuration array name",
    "container id",
    "slider width",
    "slider height",
    "scrolling step",
    "scrolling delay",
    "gap between images",
    "space after the last image",
    "background colour",
    "configuration array name",
    "image border width",
    "image border style",
    "image border colour",
    "container border width",
    "container border style",
    "container border colour",
    "local root folder",
    "web root folder",
    "root choice",
};
static_assert(std::size(kAppletFieldNames) == SliderSettings::FieldCount);
inline constexpr const char* kItemFieldNames[] = {
    "prepared image name", "original image path", "link",  "target",         "tooltip",
    "image width",         "image height",        "level", "reserved field",
};
static_assert(std::size(kItemFieldNames) == SliderItem::FieldCount);

// The name of one field, as the tables above give it.
constexpr const char* FieldName(std::string SliderSettings::*field) {
    for (std::size_t f = 0; f < std::size(kAppletFields); ++f)
        if (kAppletFields[f] == field) return kAppletFieldNames[f];
    return "field";
}
constexpr const char* FieldName(std::string SliderItem::*field) {
    for (std::size_t f = 0; f < std::size(kItemFields); ++f)
        if (kItemFields[f] == field) return kItemFieldNames[f];
    return "field";
}

}  // namespace marivel
