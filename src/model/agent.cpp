#include "model/agent.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/field_codec.h"
#include "model/record_fields.h"

namespace marivel {

namespace {

template <typename Record, std::size_t N>
FieldStrings ToStrings(const Record& record, const std::array<std::string Record::*, N>& fields) {
    FieldStrings strings;
    strings.reserve(N);
    for (auto field : fields) strings.push_back(record.*field);
    return strings;
}

template <typename Record, std::size_t N>
Record FromStrings(const FieldStrings& strings, const std::array<std::string Record::*, N>& fields) {
    Record record;
    for (std::size_t i = 0; i < N && i < strings.size(); ++i) record.*fields[i] = strings[i];
    return record;
}

}  // namespace

DocumentAgent::DocumentAgent(ProgramFolders folders, ActivityDisplay* display)
    : EngineFiles{"tessaline.js", kConfigScriptFile, kStyleSheetFile},
      Separator("#$@"),
      folders_(std::move(folders)),
      display_(display ? display : &silent_) {}

std::filesystem::path DocumentAgent::EngineFileSource(std::size_t k) const {
    return (k == 0 ? ShippedFolder() : WorkFolder()) / EngineFiles.at(k);
}

void DocumentAgent::SetDisplay(ActivityDisplay* display) {
    display_ = display ? display : &silent_;
}

void DocumentAgent::ResetProject() {
    AppletData = SliderSettings{
        "VSlider1", "VSlider1Cfg", "VSlider1_DIV", "168", "400", "1",      "39", "0", "0", "FFFFFF", "",
        "4",        "2",           "DBEAF5",       "4",   "0",   "FFFF00", "",   "",  "1",
    };
    Items.clear();
    ProjectFolder.clear();
}

SliderItem DocumentAgent::GetItem(int index) const {
    if (index < 0 || index >= static_cast<int>(Items.size())) return {};
    return Items[static_cast<std::size_t>(index)];
}

void DocumentAgent::SetItem(const SliderItem& item, int index) {
    if (index < 0 || index >= static_cast<int>(Items.size())) return;
    Items[static_cast<std::size_t>(index)] = item;
}

SliderItem DocumentAgent::MakeNewItem() {
    SliderItem item;
    item.Target = "_self";
    item.ImageWidth = "160";
    item.ImageHeight = "120";
    return item;
}

void DocumentAgent::InsertItem(int index, const SliderItem& item) {
    const int n = static_cast<int>(Items.size());
    if (n == 0) {
        Items.assign(1, item);
    } else if (index >= 0 && index <= n) {
        Items.insert(Items.begin() + index, item);
    }
}

void DocumentAgent::DeleteItem(int index) {
    const int n = static_cast<int>(Items.size());
    if (n == 1) {
        Items.clear();
    } else if (index >= 0 && index < n) {
        Items.erase(Items.begin() + index);
    }
}

void DocumentAgent::SwapWithPrevious(int index) {
    if (index >= 1 && index < static_cast<int>(Items.size()))
        std::swap(Items[static_cast<std::size_t>(index)], Items[static_cast<std::size_t>(index - 1)]);
}

void DocumentAgent::MoveItems(int from, int count, int to) {
    const int n = static_cast<int>(Items.size());
    if (from < 0 || count <= 0 || to < 0 || from + count > n || to + count > n || from == to) return;
    const auto at = [this](int i) { return Items.begin() + i; };
    if (to < from)
        std::rotate(at(to), at(from), at(from + count));
    else
        std::rotate(at(from), at(from + count), at(to + count));
}

void DocumentAgent::RefreshLevels(const DesignTree& tree) {
    const int nodes = tree.count();
    for (int k = 1; k < nodes && k - 1 < static_cast<int>(Items.size()); ++k)
        Items[static_cast<std::size_t>(k - 1)].Level = std::to_string(tree.depth(k) - 1);
}

FieldStrings DocumentAgent::AppletDataToStrings(const SliderSettings& data) {
    return ToStrings(data, kAppletFields);
}

SliderSettings DocumentAgent::StringsToAppletData(const FieldStrings& strings) {
    return FromStrings<SliderSettings>(strings, kAppletFields);
}

FieldStrings DocumentAgent::ItemToStrings(const SliderItem& item) {
    return ToStrings(item, kItemFields);
}

SliderItem DocumentAgent::StringsToItem(const FieldStrings& strings) {
    return FromStrings<SliderItem>(strings, kItemFields);
}

}  // namespace marivel
