#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <string>

#include "model/records.h"

namespace marivel {

// Where the editor shows a field: one of its property pages, or none (the
// names derived from the slider name and what the generator computes).
enum class FieldPage { None, Script, Path, Item };

// One field of a record: the member, what the user calls it in messages
// ("slider width"), the caption of an undo step that changed it (the
// label the page shows it under: "Width"), and the page that shows it.
template <typename Record>
struct RecordField {
    std::string Record::*member;
    const char* name;
    const char* caption;
    FieldPage page;
};

// The fields of both records in file order: the file codec, the messages
// that name a field, the undo steps and the pages all read these tables.
inline constexpr RecordField<SliderSettings> kAppletFieldTable[] = {
    {&SliderSettings::SliderName, "slider name", "Name", FieldPage::Script},
    {&SliderSettings::CfgName, "configuration array name", "Name", FieldPage::None},
    {&SliderSettings::DivId, "container id", "Name", FieldPage::None},
    {&SliderSettings::Width, "slider width", "Width", FieldPage::Script},
    {&SliderSettings::Height, "slider height", "Height", FieldPage::Script},
    {&SliderSettings::Step, "scrolling step", "Step", FieldPage::Script},
    {&SliderSettings::Delay, "scrolling delay", "Delay", FieldPage::Script},
    {&SliderSettings::Gap, "gap between images", "Gap", FieldPage::Script},
    {&SliderSettings::TrailerSpace, "space after the last image", "Trailer Space", FieldPage::Script},
    {&SliderSettings::BgColor, "background colour", "Background Color", FieldPage::Script},
    {&SliderSettings::CfgNameCopy, "configuration array name", "Name", FieldPage::None},
    {&SliderSettings::ImageBorderWidth, "image border width", "Image Border Width", FieldPage::Script},
    {&SliderSettings::ImageBorderStyle, "image border style", "Image Border Style", FieldPage::Script},
    {&SliderSettings::ImageBorderColor, "image border colour", "Image Border Color", FieldPage::Script},
    {&SliderSettings::ContainerBorderWidth, "container border width", "Slider Border Width",
     FieldPage::Script},
    {&SliderSettings::ContainerBorderStyle, "container border style", "Slider Border Style",
     FieldPage::Script},
    {&SliderSettings::ContainerBorderColor, "container border colour", "Slider Border Color",
     FieldPage::Script},
    {&SliderSettings::RootDirLocal, "local root folder", "Root Directory for Local Computer",
     FieldPage::Path},
    {&SliderSettings::RootDirRemote, "web root folder", "Root Directory for Web Server", FieldPage::Path},
    {&SliderSettings::RootDirLocalChecked, "root choice", "Path Replacement", FieldPage::Path},
};
static_assert(std::size(kAppletFieldTable) == SliderSettings::FieldCount);

inline constexpr RecordField<SliderItem> kItemFieldTable[] = {
    {&SliderItem::ImageFile, "prepared image name", "Item", FieldPage::None},
    {&SliderItem::OriginalImagePath, "original image path", "Original Image Path", FieldPage::Item},
    {&SliderItem::Link, "link", "URL", FieldPage::Item},
    {&SliderItem::Target, "target", "Target", FieldPage::Item},
    {&SliderItem::ToolTip, "tooltip", "Tooltip", FieldPage::Item},
    {&SliderItem::ImageWidth, "image width", "Item", FieldPage::None},
    {&SliderItem::ImageHeight, "image height", "Item", FieldPage::None},
    {&SliderItem::Level, "level", "Item", FieldPage::None},
    {&SliderItem::Reserved, "reserved field", "Item", FieldPage::None},
};
static_assert(std::size(kItemFieldTable) == SliderItem::FieldCount);

template <typename Record, std::size_t N>
constexpr std::array<std::string Record::*, N> MembersOf(const RecordField<Record> (&table)[N]) {
    std::array<std::string Record::*, N> members{};
    for (std::size_t f = 0; f < N; ++f) members[f] = table[f].member;
    return members;
}

// The members alone, in file order, for the codec.
inline constexpr auto kAppletFields = MembersOf(kAppletFieldTable);
inline constexpr auto kItemFields = MembersOf(kItemFieldTable);

// The name of one field, as the tables above give it.
constexpr const char* FieldName(std::string SliderSettings::*field) {
    for (const auto& f : kAppletFieldTable)
        if (f.member == field) return f.name;
    return "field";
}
constexpr const char* FieldName(std::string SliderItem::*field) {
    for (const auto& f : kItemFieldTable)
        if (f.member == field) return f.name;
    return "field";
}

}  // namespace marivel
