#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "model/agent.h"
#include "model/memory_tree.h"

namespace marivel {
namespace {

SliderItem Named(const std::string& name) {
    SliderItem item;
    item.ToolTip = name;
    return item;
}

std::string Names(const DocumentAgent& agent) {
    std::string names;
    for (const auto& item : agent.Items) names += item.ToolTip + " ";
    return names;
}

class Records : public ::testing::Test {
protected:
    DocumentAgent agent{std::filesystem::temp_directory_path()};
    void fill(std::initializer_list<const char*> names) {
        agent.Items.clear();
        for (auto n : names) agent.Items.push_back(Named(n));
    }
};

TEST_F(Records, NewAgentAndNewProject) {
    EXPECT_EQ(agent.AppletData, SliderSettings{});
    EXPECT_EQ(agent.EngineFiles,
              (std::vector<std::string>{"tessaline.js", "tessalinecfg.js", "tessaline.css"}));
    EXPECT_EQ(agent.Separator, "#$@");
    agent.Items.push_back(Named("x"));
    agent.ResetProject();
    EXPECT_TRUE(agent.Items.empty());
    EXPECT_EQ(DocumentAgent::AppletDataToStrings(agent.GetAppletData()),
              (FieldStrings{"VSlider1", "VSlider1Cfg", "VSlider1_DIV", "168", "400", "1", "39",
                            "0",        "0",           "FFFFFF",       "",    "4",   "2", "DBEAF5",
                            "4",        "0",           "FFFF00",       "",    "",    "1"}));
    const SliderItem fresh = DocumentAgent::MakeNewItem();
    EXPECT_EQ(DocumentAgent::ItemToStrings(fresh),
              (FieldStrings{"", "", "", "_self", "", "160", "120", "", ""}));
}

TEST_F(Records, StringConversionsKeepFieldOrder) {
    FieldStrings strings;
    for (int i = 0; i < 20; ++i) strings.push_back("f" + std::to_string(i));
    const SliderSettings data = DocumentAgent::StringsToAppletData(strings);
    EXPECT_EQ(data.SliderName, "f0");
    EXPECT_EQ(data.BgColor, "f9");
    EXPECT_EQ(data.RootDirLocalChecked, "f19");
    EXPECT_EQ(DocumentAgent::AppletDataToStrings(data), strings);
    const FieldStrings itemStrings{"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    const SliderItem item = DocumentAgent::StringsToItem(itemStrings);
    EXPECT_EQ(item.Link, "c");
    EXPECT_EQ(item.Level, "h");
    EXPECT_EQ(DocumentAgent::ItemToStrings(item), itemStrings);
}

TEST_F(Records, InsertBoundaries) {
    agent.InsertItem(5, Named("x"));  // into an empty list the index does not matter
    EXPECT_EQ(Names(agent), "x ");
    agent.InsertItem(1, Named("end"));  // index n appends
    agent.InsertItem(0, Named("front"));
    agent.InsertItem(2, Named("mid"));
    EXPECT_EQ(Names(agent), "front x mid end ");
    agent.InsertItem(5, Named("beyond"));  // n + 1 changes nothing
    agent.InsertItem(-1, Named("negative"));
    EXPECT_EQ(Names(agent), "front x mid end ");
}

TEST_F(Records, DeleteBoundaries) {
    fill({"only"});
    agent.DeleteItem(3);  // a one-item list empties whatever the index
    EXPECT_TRUE(agent.Items.empty());
    agent.DeleteItem(0);  // nothing to delete
    fill({"a", "b", "c", "d"});
    agent.DeleteItem(4);  // index n: nothing
    agent.DeleteItem(-1);
    EXPECT_EQ(Names(agent), "a b c d ");
    agent.DeleteItem(3);
    agent.DeleteItem(0);
    EXPECT_EQ(Names(agent), "b c ");
}

TEST_F(Records, SwapBoundaries) {
    fill({"a", "b", "c"});
    agent.SwapWithPrevious(0);
    agent.SwapWithPrevious(3);
    agent.SwapWithPrevious(-1);
    EXPECT_EQ(Names(agent), "a b c ");
    agent.SwapWithPrevious(2);
    EXPECT_EQ(Names(agent), "a c b ");
}

TEST_F(Records, GettersAndSettersCopyAndIgnoreBadIndices) {
    fill({"a", "b"});
    SliderItem copy = agent.GetItem(1);
    copy.ToolTip = "changed";
    EXPECT_EQ(agent.Items[1].ToolTip, "b");  // the getter handed out a copy
    agent.SetItem(copy, 1);
    agent.SetItem(Named("nowhere"), 2);
    EXPECT_EQ(Names(agent), "a changed ");
    EXPECT_EQ(agent.GetItem(7), SliderItem{});
}

// The item commands move whole blocks with repeated swaps: every record of
// the moving block bubbles past the other block.
void MoveBlockUp(DocumentAgent& agent, int s, int k, int m) {
    for (int j = 0; j < m; ++j)
        for (int t = 0; t < k; ++t) agent.SwapWithPrevious(s + j - t);
}

TEST_F(Records, BlockMovesByRepeatedSwaps) {
    fill({"P", "S", "S1", "S2"});
    MoveBlockUp(agent, 1, 1, 3);  // S with two children up past the leaf P
    EXPECT_EQ(Names(agent), "S S1 S2 P ");
    fill({"S", "S1", "S2", "N", "N1"});
    MoveBlockUp(agent, 3, 3, 2);  // S down past N with one child: N's block moves up
    EXPECT_EQ(Names(agent), "N N1 S S1 S2 ");
}

TEST_F(Records, RefreshLevelsFollowsTheTree) {
    MemoryDesignTree tree;
    const int a = tree.addChild(0, "Item");
    const int a1 = tree.addChild(a, "Item");
    tree.addChild(a1, "Item");
    tree.addChild(0, "Item");
    fill({"a", "a1", "a11", "b"});
    agent.RefreshLevels(tree);
    std::string levels;
    for (const auto& item : agent.Items) levels += item.Level;
    EXPECT_EQ(levels, "0120");
}

TEST(MemoryTree, NavigatesAndEditsInPreOrder) {
    MemoryDesignTree tree;
    const int p = tree.addChild(0, "P");
    const int s = tree.addChild(0, "S");
    tree.addChild(s, "S1");
    tree.addChild(s, "S2");
    const int n = tree.addChild(0, "N");
    tree.addChild(p, "P1");  // lands after P, shifting the rest
    ASSERT_EQ(tree.count(), 7);
    EXPECT_EQ(tree.caption(2), "P1");
    EXPECT_EQ(tree.subtreeSize(3), 3);
    EXPECT_EQ(tree.parent(4), 3);
    EXPECT_EQ(tree.nextSibling(3), 6);
    EXPECT_EQ(tree.previousSibling(3), 1);
    EXPECT_EQ(tree.previousSibling(1), -1);
    EXPECT_EQ(tree.nextSibling(6), -1);
    tree.moveBefore(3, 1);  // S with its children before P
    std::string order;
    for (int i = 0; i < tree.count(); ++i) order += tree.caption(i) + " ";
    EXPECT_EQ(order, "Marivel S S1 S2 P P1 N ");
    tree.removeSubtree(1);
    EXPECT_EQ(tree.count(), 4);
    EXPECT_EQ(tree.caption(1), "P");
    tree.removeSubtree(0);  // the root stays
    EXPECT_EQ(tree.count(), 4);
    (void)n;
}

TEST(MemoryTree, AddsAnywhereLikeAPlainPreOrderListAfterAnyEdit) {
    // Appends along the last branch take a short cut; mixed with inserts
    // elsewhere, moves and removals the tree must still match a plain list
    // of depths that finds each subtree's end by scanning.
    MemoryDesignTree tree;
    std::vector<int> plain{0};
    auto plainSubtree = [&](int i) {
        int end = i + 1;
        while (end < static_cast<int>(plain.size()) && plain[end] > plain[i]) ++end;
        return end - i;
    };
    unsigned seed = 12345;
    auto next = [&](int bound) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(bound));
    };
    for (int step = 0; step < 3000; ++step) {
        const int n = static_cast<int>(plain.size());
        const int op = next(20);
        if (op < 14) {
            // Mostly the last node or its parent, as loading does.
            const int parent = op < 3 ? n - 1 : op < 6 ? std::max(0, tree.parent(n - 1)) : next(n);
            const int at = parent + plainSubtree(parent);
            plain.insert(plain.begin() + at, plain[parent] + 1);
            ASSERT_EQ(tree.addChild(parent, "x"), at) << "step " << step;
        } else if (op < 17 && n > 2) {
            // A small subtree, so the tree keeps growing.
            int node = 1 + next(n - 1);
            while (plainSubtree(node) > 3) ++node;
            const int size = plainSubtree(node);
            plain.erase(plain.begin() + node, plain.begin() + node + size);
            tree.removeSubtree(node);
        } else if (n > 2) {
            const int node = 1 + next(n - 1);
            const int sibling = tree.previousSibling(node);
            if (sibling < 0) continue;
            const int size = plainSubtree(node);
            std::vector<int> block(plain.begin() + node, plain.begin() + node + size);
            plain.erase(plain.begin() + node, plain.begin() + node + size);
            plain.insert(plain.begin() + sibling, block.begin(), block.end());
            tree.moveBefore(node, sibling);
        }
        ASSERT_EQ(tree.count(), static_cast<int>(plain.size())) << "step " << step;
    }
    for (int i = 0; i < tree.count(); ++i) EXPECT_EQ(tree.depth(i), plain[i]) << i;
}

}  // namespace
}  // namespace marivel
