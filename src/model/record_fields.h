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

}  // namespace marivel
