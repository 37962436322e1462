// Reading and writing the project file (.mvl): a tagged text file holding the
// slider record on one line and the items, one line each, in tree pre-order.

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "model/agent.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "model/record_fields.h"
#include "model/text_encoding.h"
#include "model/text_file.h"

namespace marivel {

namespace {

constexpr const char* kHeaderLines[] = {
    "<Warning_Info>",
    "Note: This file was created and maintained by Marivel 1.1.",
    "Do not modify it or script project may not be opened again!",
    "</Warning_Info>",
    "<Product_Name>",
    "Marivel",
    "</Product_Name>",
    "<Product_Version>",
    "1.1",
    "</Product_Version>",
};
constexpr std::string_view kProductNameTag = "<Product_Name>";
constexpr std::string_view kProductName = "Marivel";
constexpr std::string_view kProductVersionTag = "<Product_Version>";
constexpr std::string_view kAppletOpen = "<Applet_Parameters>";
constexpr std::string_view kAppletClose = "</Applet_Parameters>";
constexpr std::string_view kItemsOpen = "<Item_Parameters>";
constexpr std::string_view kItemsClose = "</Item_Parameters>";

// The reader's cursor over the file: "take the next line" and "skip to".
// The text is UTF-8; a file that is not (one saved on a system whose text is
// a single-byte code page) is read as Windows-1252, so its accented letters
// survive instead of turning into replacement characters that a save would
// store for good.
class TagReader {
public:
    explicit TagReader(const std::filesystem::path& path) : reader_(path, kProjectFileKind) {
        reader_.text() = ToUtf8(std::move(reader_.text()));
    }
    bool take() { return reader_.next(current_); }
    bool skipTo(std::string_view tag) {
        while (current_ != tag)
            if (!take()) return false;
        return true;
    }
    std::string_view current() const { return current_; }
    std::size_t remainingLines() const { return reader_.remainingLines(); }

private:
    TextLineReader reader_;
    std::string_view current_;
};

// Resets the bottom line whichever way reading ends.
struct BottomLineReset {
    ActivityDisplay& display;
    ~BottomLineReset() {
        display.resetProgress();
        display.setHint("");
        display.setBusy(false);
    }
};

SliderItem ItemFromLine(std::string_view line, const std::string& separator) {
    SliderItem item;
    SplitRecordLine(line, SliderItem::FieldCount, separator,
                    [&item](int k, std::string_view field) { item.*kItemFields[k - 1] = field; });
    return item;
}

// For each item, the absolute index of the node it hangs under. Well-formed
// lists (first Level 0, each Level at most one above the one before) follow
// the file's rule exactly: Level 0 under the root, one deeper than the item
// before under that item, otherwise under the nearest earlier item with a
// smaller Level. Lists the program never writes still give every item exactly
// one node: a first Level other than 0 and negative Levels hang under the
// root, a jump of more than one level hangs under the item before.
std::vector<int> ParentNodesFromLevels(const SliderItemList& items) {
    std::vector<int> parents;
    parents.reserve(items.size());
    std::vector<long long> levels;
    levels.reserve(items.size());
    for (const auto& item : items) levels.push_back(StrToInt(item.Level));

    // Earlier items with rising Levels: the candidates for "nearest earlier
    // item whose Level is smaller" (a previous-smaller-element stack).
    std::vector<int> smaller;
    // Nodes from the root down to the last node added; a new node can only
    // land at the end of the pre-order under one of them.
    std::vector<int> rightmostPath{0};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const long long level = levels[i];
        while (!smaller.empty() && levels[static_cast<std::size_t>(smaller.back())] >= level)
            smaller.pop_back();
        int parent = 0;
        if (i > 0 && level > 0) {
            const long long previous = levels[i - 1];
            if (level > previous)
                parent = static_cast<int>(i);  // the node of item i - 1
            else if (!smaller.empty())
                parent = smaller.back() + 1;
        }
        while (rightmostPath.size() > 1 && rightmostPath.back() != parent) rightmostPath.pop_back();
        if (rightmostPath.back() != parent) parent = 0;
        parents.push_back(parent);
        rightmostPath.push_back(static_cast<int>(i) + 1);
        smaller.push_back(static_cast<int>(i));
    }
    return parents;
}

void AddNodes(DesignTree& tree, const std::vector<int>& parents) {
    for (int parent : parents) tree.addChild(parent, "Image");
}

// Why `text` cannot stand in a record line, or nothing.
std::optional<std::string> UnstorableBecause(const std::string& text, const std::string& separator) {
    if (!separator.empty() && text.find(separator) != std::string::npos)
        return "holds \"" + separator + "\", which separates the fields of the project file";
    // A carriage return alone is kept: only a line feed ends a line.
    if (text.find('\n') != std::string::npos)
        return "holds a line break, which ends the lines of the project file";
    return std::nullopt;
}

}  // namespace

void DocumentAgent::CheckProjectCanBeStored() const {
    // The file has no quoting: such a value would be read back as other
    // fields or other items, and the reloaded project would be another one.
    const auto refuse = [](const std::string& field, const std::string& why) {
        throw Error("The project cannot be saved: the " + field + " " + why +
                    ". Change the text, or rename the file it names");
    };
    for (std::size_t f = 0; f < std::size(kAppletFields); ++f)
        if (const auto why = UnstorableBecause(AppletData.*kAppletFields[f], Separator))
            refuse(kAppletFieldTable[f].name, *why);
    for (std::size_t k = 0; k < Items.size(); ++k)
        for (std::size_t f = 0; f < std::size(kItemFields); ++f)
            if (const auto why = UnstorableBecause(Items[k].*kItemFields[f], Separator))
                refuse(std::string(kItemFieldTable[f].name) + " of item " + std::to_string(k + 1), *why);
}

void DocumentAgent::SaveProject(const std::filesystem::path& path) {
    CheckProjectCanBeStored();
    AtomicTextWriter file(path);
    ActivityDisplay& display = Display();
    display.setProgressMaximum(9 * static_cast<int>(Items.size()) + 15);
    ActivityScope scope(display, "Saving Data ... ...", true);

    for (const char* line : kHeaderLines) file.writeLine(line);
    display.advanceProgress(10);

    file.writeLine(kAppletOpen);
    file.writeLine(JoinRecordLine(AppletDataToStrings(AppletData), Separator));
    file.writeLine(kAppletClose);
    display.advanceProgress(5);

    file.writeLine(kItemsOpen);
    std::string line;
    for (const auto& item : Items) {
        line.clear();
        for (const auto& field : ItemToStrings(item)) {
            line += field;
            line += Separator;
            display.advanceProgress(1);
        }
        file.writeLine(line);
    }
    file.writeLine(kItemsClose);
    file.commit();
}

LoadResult DocumentAgent::LoadProject(const std::filesystem::path& path, DesignTree& tree) {
    TagReader file(path);
    ActivityDisplay& display = Display();
    BottomLineReset reset{display};

    if (!file.take() || !file.skipTo(kProductNameTag) || !file.take()) return LoadResult::NoProject;
    if (file.current() != kProductName) return LoadResult::WrongProduct;
    if (!file.take() || !file.skipTo(kProductVersionTag) || !file.take()) return LoadResult::NoProject;
    std::string version(file.current());
    if (!file.take() || !file.skipTo(kAppletOpen) || !file.take()) return LoadResult::NoProject;

    FieldStrings fields;
    for (int n = 1; n <= SliderSettings::FieldCount; ++n)
        fields.push_back(ExtractField(file.current(), n, Separator));
    SliderSettings applet = StringsToAppletData(fields);

    // Everything is read into fresh structures and committed only when the
    // tree can be built, so a bad file never leaves model and tree apart.
    SliderItemList items;
    if (file.skipTo(kItemsOpen)) {
        display.setHint("Loading Data ... ...");
        display.setBusy(true);
        // Sized once up front (but never beyond what a real project holds):
        // growing item by item would move every record several times.
        items.reserve(std::min<std::size_t>(file.remainingLines(), 1u << 20));
        while (file.take() && file.current() != kItemsClose)
            items.push_back(ItemFromLine(file.current(), Separator));
    }
    const std::vector<int> parents = ParentNodesFromLevels(items);
    // Relative image paths are read from the project's folder from now on,
    // whatever the current folder becomes.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    std::filesystem::path folder = (ec ? path : absolute).parent_path();

    AppletData = std::move(applet);
    Items = std::move(items);
    FileVersion = std::move(version);
    ProjectFolder = std::move(folder);
    AddNodes(tree, parents);
    return LoadResult::Loaded;
}

void DocumentAgent::RebuildTreeFromLevels(DesignTree& tree) const {
    AddNodes(tree, ParentNodesFromLevels(Items));
}

}  // namespace marivel
