#include <gtest/gtest.h>

#include <functional>

#include "model/agent.h"
#include "model/error.h"
#include "model/memory_tree.h"
#include "support/file_size_limit.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

using test::FileSizeLimit;
using test::ReadBytes;
using test::RecordingDisplay;
using test::TempDir;
using test::WriteBytes;

const std::string kHeader =
    "<Warning_Info>\r\n"
    "Note: This file was created and maintained by Marivel 1.1.\r\n"
    "Do not modify it or script project may not be opened again!\r\n"
    "</Warning_Info>\r\n"
    "<Product_Name>\r\nMarivel\r\n</Product_Name>\r\n"
    "<Product_Version>\r\n1.1\r\n</Product_Version>\r\n";
const std::string kDefaultApplet =
    "VSlider1#$@VSlider1Cfg#$@VSlider1_DIV#$@168#$@400#$@1#$@39#$@0#$@0#$@FFFFFF#$@#$@4#$@2#$@DBEAF5#$@4#$@0#"
    "$@"
    "FFFF00#$@#$@#$@1#$@";

std::string ProjectText(const std::string& items, const std::string& applet = kDefaultApplet) {
    return kHeader + "<Applet_Parameters>\r\n" + applet +
           "\r\n</Applet_Parameters>\r\n<Item_Parameters>\r\n" + items + "</Item_Parameters>\r\n";
}

std::string ItemLine(const std::string& tooltip, const std::string& level) {
    return "#$@#$@#$@_self#$@" + tooltip + "#$@160#$@120#$@" + level + "#$@#$@\r\n";
}

// The tree as "depth:caption" of every node below the root, in pre-order.
std::string Shape(const DesignTree& tree) {
    std::string shape;
    for (int i = 1; i < tree.count(); ++i) shape += std::to_string(tree.depth(i)) + " ";
    return shape;
}

class ProjectFile : public ::testing::Test {
protected:
    TempDir dir;
    RecordingDisplay display;
    DocumentAgent agent{dir.path(), &display};
    MemoryDesignTree tree;

    void SetUp() override { agent.ResetProject(); }

    // Builds items and tree from a list of depths below the root (1 = child of the root).
    void buildTree(const std::vector<int>& depths) {
        tree.reset("Marivel");
        agent.Items.clear();
        std::vector<int> lastAtDepth{0};
        for (std::size_t i = 0; i < depths.size(); ++i) {
            const int d = depths[i];
            const int node = tree.addChild(lastAtDepth[static_cast<std::size_t>(d - 1)], "Item");
            lastAtDepth.resize(static_cast<std::size_t>(d) + 1);
            lastAtDepth[static_cast<std::size_t>(d)] = node;
            SliderItem item = DocumentAgent::MakeNewItem();
            item.ToolTip = "P" + std::to_string(i + 1);
            agent.InsertItem(node - 1, item);
        }
        agent.RefreshLevels(tree);
    }

    LoadResult load(const std::string& text) {
        WriteBytes(dir / "in.mvl", text);
        tree.reset("Marivel");
        return agent.LoadProject(dir / "in.mvl", tree);
    }
};

TEST_F(ProjectFile, NewProjectWithOneItemIsWrittenByteForByte) {
    SliderItem item = DocumentAgent::MakeNewItem();
    item.Level = "0";
    agent.InsertItem(0, item);
    agent.SaveProject(dir / "p.mvl");
    EXPECT_EQ(ReadBytes(dir / "p.mvl"), ProjectText("#$@#$@#$@_self#$@#$@160#$@120#$@0#$@#$@\r\n"));
    EXPECT_EQ(display.maximum, 24);
    EXPECT_EQ(display.stepsTotal, 24);
}

TEST_F(ProjectFile, SavingShowsProgressAndRestoresTheBottomLine) {
    agent.SaveProject(dir / "empty.mvl");
    EXPECT_EQ(ReadBytes(dir / "empty.mvl"), ProjectText(""));
    EXPECT_EQ(display.maximum, 15);
    EXPECT_EQ(display.stepsTotal, 15);
    EXPECT_EQ(display.events.front(), "max:15");
    EXPECT_NE(std::find(display.events.begin(), display.events.end(), "hint:Saving Data ... ..."),
              display.events.end());
    EXPECT_EQ(display.position, 0);
    EXPECT_EQ(display.hint, "");
    EXPECT_FALSE(display.busy);
}

TEST_F(ProjectFile, RoundTripKeepsTreeShapeAndOrder) {
    const std::vector<std::vector<int>> shapes{
        {1, 2, 3, 2, 1, 2}, {1, 2, 2, 1}, {1, 1, 1}, {1, 2, 3, 4, 1}, {}};
    for (const auto& depths : shapes) {
        buildTree(depths);
        agent.AppletData.SliderName = "Gallery";
        const std::string before = Shape(tree);
        const SliderItemList items = agent.Items;
        agent.SaveProject(dir / "round.mvl");

        DocumentAgent reader(dir.path());
        MemoryDesignTree rebuilt;
        ASSERT_EQ(reader.LoadProject(dir / "round.mvl", rebuilt), LoadResult::Loaded);
        EXPECT_EQ(Shape(rebuilt), before);
        EXPECT_EQ(reader.Items, items);
        EXPECT_EQ(reader.AppletData, agent.AppletData);
        EXPECT_EQ(reader.FileVersion, "1.1");
        for (int i = 1; i < rebuilt.count(); ++i) EXPECT_EQ(rebuilt.caption(i), "Image");
    }
}

TEST_F(ProjectFile, LoadingShowsItsHintAndRestoresTheBottomLine) {
    ASSERT_EQ(load(ProjectText(ItemLine("a", "0"))), LoadResult::Loaded);
    EXPECT_NE(std::find(display.events.begin(), display.events.end(), "hint:Loading Data ... ..."),
              display.events.end());
    EXPECT_EQ(display.events.back(), "idle");
    EXPECT_EQ(display.hint, "");
    EXPECT_EQ(display.position, 0);
}

TEST_F(ProjectFile, ReaderIsLenientWhereTheFormatAllows) {
    // Any version text, unknown lines between the blocks, a short applet line
    // and LF line ends all load.
    std::string text = ProjectText(ItemLine("a", "0"), "Short#$@#$@#$@123#$@");
    text.replace(text.find("1.1\r\n</Product_Version>"), 3, "");
    text.replace(text.find("<Applet_Parameters>"), 0, "junk\r\n");
    text.replace(text.find("<Item_Parameters>"), 0, "more junk\r\n");
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    for (const auto& variant : {text, lf}) {
        ASSERT_EQ(load(variant), LoadResult::Loaded);
        EXPECT_EQ(agent.FileVersion, "");
        EXPECT_EQ(agent.AppletData.SliderName, "Short");
        EXPECT_EQ(agent.AppletData.Width, "123");
        EXPECT_EQ(agent.AppletData.Height, "");
        EXPECT_EQ(agent.AppletData.RootDirLocalChecked, "");
        ASSERT_EQ(agent.Items.size(), 1u);
        EXPECT_EQ(agent.Items[0].ToolTip, "a");
        EXPECT_EQ(tree.count(), 2);
    }
}

TEST_F(ProjectFile, TextThatIsNotUtf8IsReadAsWindows1252) {
    struct Row {
        const char* name;
        std::string tooltip;  // as the file holds it
        std::string applet;   // the slider name, as the file holds it
        std::string tooltipRead, appletRead;
    };
    const Row rows[] = {
        {"UTF-8 stays as it is", "Caf\xC3\xA9 \xE6\x97\xA5", "Galerie", "Caf\xC3\xA9 \xE6\x97\xA5",
         "Galerie"},
        {"a legacy accent", "Caf\xE9", "Galerie", "Caf\xC3\xA9", "Galerie"},
        {"legacy punctuation", "\x80 5 \x93q\x94", "S\xE9rie", "\xE2\x82\xAC 5 \xE2\x80\x9Cq\xE2\x80\x9D",
         "S\xC3\xA9rie"},
        {"an unassigned byte", "\x81", "x", "\xC2\x81", "x"},
        // One byte that is no UTF-8 makes the whole file legacy text.
        {"mixed", "Caf\xC3\xA9", "S\xE9rie", "Caf\xC3\x83\xC2\xA9", "S\xC3\xA9rie"},
        {"a cut UTF-8 sequence", "Caf\xC3", "x", "Caf\xC3\x83", "x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(load(ProjectText(ItemLine(row.tooltip, "0"), row.applet + "#$@")), LoadResult::Loaded);
        ASSERT_EQ(agent.Items.size(), 1u);
        EXPECT_EQ(agent.Items[0].ToolTip, row.tooltipRead);
        EXPECT_EQ(agent.AppletData.SliderName, row.appletRead);
        // Saved, the text is UTF-8 and reads back the same.
        agent.SaveProject(dir / "again.mvl");
        DocumentAgent reader(dir.path());
        MemoryDesignTree rebuilt;
        ASSERT_EQ(reader.LoadProject(dir / "again.mvl", rebuilt), LoadResult::Loaded);
        EXPECT_EQ(reader.Items, agent.Items);
        EXPECT_NE(ReadBytes(dir / "again.mvl").find(row.tooltipRead), std::string::npos);
    }
}

TEST_F(ProjectFile, ForeignFilesAreRefusedAndChangeNothing) {
    buildTree({1, 2});
    const SliderItemList items = agent.Items;
    const SliderSettings applet = agent.AppletData;
    std::string trailingBlank = ProjectText(ItemLine("x", "0"), "Other#$@");
    trailingBlank.replace(trailingBlank.find("\r\nMarivel\r\n"), 11, "\r\nMarivel \r\n");

    struct Case {
        const char* name;
        std::string text;
        LoadResult expected;
    };
    const Case cases[] = {
        {"trailing blank in the product name", trailingBlank, LoadResult::WrongProduct},
        {"other product", "<Product_Name>\r\nOther\r\n", LoadResult::WrongProduct},
        {"empty file", "", LoadResult::NoProject},
        {"no product tag", "hello\r\nworld\r\n", LoadResult::NoProject},
        {"ends after the product name", kHeader.substr(0, kHeader.find("</Product_Name>")),
         LoadResult::NoProject},
        {"ends before the applet line", kHeader + "<Applet_Parameters>\r\n", LoadResult::NoProject},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(c.text), c.expected) << c.name;
        EXPECT_EQ(agent.Items, items) << c.name;
        EXPECT_EQ(agent.AppletData, applet) << c.name;
        EXPECT_EQ(tree.count(), 1) << c.name;
        EXPECT_EQ(display.hint, "");
        EXPECT_FALSE(display.busy);
    }
}

TEST_F(ProjectFile, EveryItemReadGetsExactlyOneNode) {
    struct Case {
        const char* name;
        std::vector<std::string> levels;
        std::string shape;  // depths of the rebuilt nodes
    };
    const Case cases[] = {
        {"well formed", {"0", "1", "2", "1", "0", "1"}, "1 2 3 2 1 2 "},
        {"first level not 0", {"2", "3", "0"}, "1 2 1 "},
        {"negative level", {"0", "-1", "1"}, "1 1 2 "},
        {"jump of two levels", {"0", "2", "1"}, "1 2 2 "},
        {"siblings after a jump", {"0", "3", "3", "1"}, "1 2 2 2 "},
        {"shallower than every earlier level", {"3", "5", "1"}, "1 2 1 "},
    };
    for (const auto& c : cases) {
        std::string items;
        for (const auto& level : c.levels) items += ItemLine("t", level);
        ASSERT_EQ(load(ProjectText(items)), LoadResult::Loaded) << c.name;
        EXPECT_EQ(agent.Items.size(), c.levels.size()) << c.name;
        EXPECT_EQ(Shape(tree), c.shape) << c.name;
    }
}

TEST_F(ProjectFile, TruncatedFilesKeepTreeAndItemsInStep) {
    const std::string full = ProjectText(ItemLine("a", "0") + ItemLine("b", "1") + ItemLine("c", "0"));
    // Inside the item block: the items read so far, with their nodes.
    const std::string cutAfterLevel = "c#$@160#$@120#$@0#$@";
    ASSERT_EQ(load(full.substr(0, full.find(cutAfterLevel) + cutAfterLevel.size())), LoadResult::Loaded);
    EXPECT_EQ(agent.Items.size(), 3u);  // the cut line still counts as an item
    EXPECT_EQ(agent.Items[2].ToolTip, "c");
    EXPECT_EQ(Shape(tree), "1 2 1 ");
    ASSERT_EQ(load(full.substr(0, full.find("\r\n", full.find("#$@b#$@")) + 2)), LoadResult::Loaded);
    EXPECT_EQ(Shape(tree), "1 2 ");
    // Right after the opening tag, and before it: no items, the root alone.
    ASSERT_EQ(load(full.substr(0, full.find("<Item_Parameters>") + 19)), LoadResult::Loaded);
    EXPECT_TRUE(agent.Items.empty());
    EXPECT_EQ(tree.count(), 1);
    ASSERT_EQ(load(full.substr(0, full.find("</Applet_Parameters>")) + "</Applet_Parameters>\r\n"),
              LoadResult::Loaded);
    EXPECT_TRUE(agent.Items.empty());
    EXPECT_EQ(agent.AppletData.SliderName, "VSlider1");
    EXPECT_EQ(display.hint, "");
    EXPECT_EQ(display.position, 0);
    // A line cut before its level has no level to place it by: the load fails
    // like any other bad level.
    EXPECT_THROW(load(full.substr(0, full.find("#$@c#$@"))), Error);
}

TEST_F(ProjectFile, NonNumericLevelFailsAndLeavesEverythingAsItWas) {
    buildTree({1, 1});
    const SliderItemList items = agent.Items;
    try {
        load(ProjectText(ItemLine("a", "0") + ItemLine("b", "one"), "Changed#$@"));
        FAIL() << "loaded a file with a bad level";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "'one' is not a valid integer value");
    }
    EXPECT_EQ(agent.Items, items);
    EXPECT_EQ(agent.AppletData.SliderName, "VSlider1");
    EXPECT_EQ(tree.count(), 1);
    EXPECT_EQ(display.hint, "");
    EXPECT_FALSE(display.busy);
}

TEST_F(ProjectFile, MissingFilesAndFoldersRaiseClearErrors) {
    EXPECT_THROW(agent.LoadProject(dir / "absent.mvl", tree), Error);
    try {
        agent.SaveProject(dir / "no-such-folder" / "p.mvl");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file"), std::string::npos) << e.what();
    }
    EXPECT_EQ(display.hint, "");
}

TEST_F(ProjectFile, FailedSaveKeepsThePreviousFileByteForByte) {
    buildTree({1, 2});
    agent.SaveProject(dir / "keep.mvl");
    const std::string before = ReadBytes(dir / "keep.mvl");
    for (int i = 0; i < 2000; ++i) agent.InsertItem(0, DocumentAgent::MakeNewItem());
    agent.Items[0].Level = "0";
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(agent.SaveProject(dir / "keep.mvl"), Error);
    }
    EXPECT_EQ(ReadBytes(dir / "keep.mvl"), before);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
        EXPECT_EQ(entry.path().filename(), "keep.mvl");
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(display.position, 0);
    EXPECT_FALSE(display.busy);
}

TEST_F(ProjectFile, ValuesTheFileCannotKeepAreRefusedBeforeWriting) {
    // The file has no quoting: a picture named "a#$@b.jpg" or a line break
    // would come back as other fields or other items.
    buildTree({1, 2});
    agent.SaveProject(dir / "keep.mvl");
    const std::string before = ReadBytes(dir / "keep.mvl");
    struct Row {
        std::function<void(DocumentAgent&)> set;
        std::string message;  // empty: saved and read back unchanged
    };
    const Row rows[] = {
        {[](auto& a) { a.Items[1].OriginalImagePath = "/photos/a#$@b.jpg"; },
         "The project cannot be saved: the original image path of item 2 holds \"#$@\", which separates the "
         "fields of the project file"},
        {[](auto& a) { a.Items[0].ToolTip = "two\nlines"; },
         "the tooltip of item 1 holds a line break, which ends the lines of the project file"},
        {[](auto& a) { a.Items[0].Link = "http://x/\r\n"; }, "the link of item 1 holds a line break"},
        {[](auto& a) { a.AppletData.RootDirLocal = "/www#$@"; }, "the local root folder holds \"#$@\""},
        // Parts of the separator, and other control characters, are kept.
        {[](auto& a) { a.Items[0].ToolTip = "#$ @ $@ #\t\r."; }, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        agent.ResetProject();
        buildTree({1, 2});
        row.set(agent);
        const SliderItemList items = agent.Items;
        if (row.message.empty()) {
            agent.SaveProject(dir / "other.mvl");
            agent.Items.clear();
            MemoryDesignTree reread("Marivel");
            ASSERT_EQ(agent.LoadProject(dir / "other.mvl", reread), LoadResult::Loaded);
            EXPECT_EQ(agent.Items, items);
            continue;
        }
        try {
            agent.SaveProject(dir / "keep.mvl");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadBytes(dir / "keep.mvl"), before);
        EXPECT_FALSE(display.busy);
    }
}

}  // namespace
}  // namespace marivel
