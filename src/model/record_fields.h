#pragma once

#include <iterator>
#include <string>

#include "model/records.h"

namespace marivel {

// The fields of both records in file order; one table serves both
// directions of the conversion.
inline constexpr std::string TAppletData::*kAppletFields[] = {
    &TAppletData::SliderName,
    &TAppletData::CfgName,
    &TAppletData::DivId,
    &TAppletData::Width,
    &TAppletData::Height,
    &TAppletData::Step,
    &TAppletData::Delay,
    &TAppletData::Gap,
    &TAppletData::TrailerSpace,
    &TAppletData::BgColor,
    &TAppletData::CfgNameCopy,
    &TAppletData::ImageBorderWidth,
    &TAppletData::ImageBorderStyle,
    &TAppletData::ImageBorderColor,
    &TAppletData::ContainerBorderWidth,
    &TAppletData::ContainerBorderStyle,
    &TAppletData::ContainerBorderColor,
    &TAppletData::RootDirLocal,
    &TAppletData::RootDirRemote,
    &TAppletData::RootDirLocalChecked,
};
static_assert(std::size(kAppletFields) == TAppletData::FieldCount);

inline constexpr std::string TItemData::*kItemFields[] = {
    &TItemData::ImageFile, &TItemData::OriginalImagePath, &TItemData::Link,        &TItemData::Target,
    &TItemData::ToolTip,   &TItemData::ImageWidth,        &TItemData::ImageHeight, &TItemData::Level,
    &TItemData::Reserved,
};
static_assert(std::size(kItemFields) == TItemData::FieldCount);

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
static_assert(std::size(kAppletFieldNames) == TAppletData::FieldCount);
inline constexpr const char* kItemFieldNames[] = {
    "prepared image name", "original image path", "link",  "target",         "tooltip",
    "image width",         "image height",        "level", "reserved field",
};
static_assert(std::size(kItemFieldNames) == TItemData::FieldCount);

// The name of one field, as the tables above give it.
constexpr const char* FieldName(std::string TAppletData::*field) {
    for (std::size_t f = 0; f < std::size(kAppletFields); ++f)
        if (kAppletFields[f] == field) return kAppletFieldNames[f];
    return "field";
}
constexpr const char* FieldName(std::string TItemData::*field) {
    for (std::size_t f = 0; f < std::size(kItemFields); ++f)
        if (kItemFields[f] == field) return kItemFieldNames[f];
    return "field";
}

}  // namespace marivel
