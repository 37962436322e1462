// The project document's history on its own: the step limit, the memory
// budget, folding typed edits, moves kept as moves, and what Modified means.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUndoStack>
#include <string>
#include <vector>

#include "editor/project_document.h"

namespace marivel::test {
namespace {

// A state of n top-level nodes whose tooltips are "0", "1", ...
ProjectState Nodes(int n) {
    ProjectState state;
    for (int i = 0; i < n; ++i) {
        NodeRecord node;
        node.item.ToolTip = std::to_string(i);
        state.nodes.push_back(node);
    }
    return state;
}

std::vector<std::string> Tips(const ProjectDocument& document) {
    std::vector<std::string> tips;
    for (const SliderItem& item : document.agent().Items) tips.push_back(item.ToolTip);
    return tips;
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        document.resetHistory(Nodes(0));
    }
    // One edit of the slider name, as a page would record it.
    void rename(const std::string& name, const std::string& key = {}) {
        ProjectState now = document.baseline();
        now.applet.SliderName = name;
        document.record(now, "Name", key, {}, {});
    }
    // Sets node i's tooltip, as typing into its page would.
    void retip(int i, const std::string& tip, const std::string& key) {
        ProjectState now = document.baseline();
        now.nodes[std::size_t(i)].item.ToolTip = tip;
        document.record(now, "Tooltip", key, {}, {});
    }

    QTemporaryDir dir;
    ProjectDocument document{ProgramFolders{dir.path().toStdString(), dir.path().toStdString()}, nullptr};
    QUndoStack& stack = document.undoStack();
};

TEST_F(DocumentTest, KeepsExactlyTheLastThousandSteps) {
    for (int i = 0; i <= ProjectDocument::kStepLimit; ++i) rename("n" + std::to_string(i));
    EXPECT_EQ(stack.count(), 1000);
    EXPECT_EQ(stack.index(), 1000);
    while (stack.canUndo()) stack.undo();
    // The first step was dropped: the oldest kept one starts from its result.
    EXPECT_EQ(document.agent().AppletData.SliderName, "n0");
    EXPECT_TRUE(document.isModified());  // the saved state is gone with it
}

TEST_F(DocumentTest, TypedEditsFoldOnlyIntoTheSameFieldAtTheSamePlace) {
    struct Row {
        const char* what;
        std::vector<std::pair<int, std::string>> edits;  // node, key
        int steps;
    };
    const Row rows[] = {
        {"same field twice", {{1, "k"}, {1, "k"}}, 1},
        {"same key, another node", {{1, "k"}, {3, "k"}}, 2},
        {"another key", {{1, "k"}, {1, "j"}}, 2},
        {"untyped", {{1, ""}, {1, ""}}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        document.resetHistory(Nodes(5));
        int n = 0;
        for (const auto& [node, key] : row.edits) retip(node, "t" + std::to_string(n++), key);
        EXPECT_EQ(stack.count(), row.steps);
    }
}

TEST_F(DocumentTest, FoldBackToTheStartDropsTheStepAndASaveStopsFolding) {
    document.resetHistory(Nodes(3));
    document.agent().Items = {SliderItem{}, SliderItem{}, SliderItem{}};
    retip(1, "x", "k");
    retip(1, "1", "k");  // typed back
    EXPECT_EQ(stack.count(), 0);
    EXPECT_FALSE(document.isModified());

    retip(1, "a", "k");
    document.markSaved(document.baseline());
    retip(1, "ab", "k");
    EXPECT_EQ(stack.count(), 2);
    stack.undo();
    EXPECT_FALSE(document.isModified());
    stack.undo();
    EXPECT_TRUE(document.isModified());
}

TEST_F(DocumentTest, AMoveKeepsTheMoveNotTheNodesBetween) {
    constexpr int kItems = 10000;
    document.resetHistory(Nodes(kItems));
    ProjectState moved = document.baseline();
    const NodeMove move{0, 1, kItems - 1};
    applyMove(moved.nodes, move);
    document.record(moved, "Move", {}, {}, {}, move);
    EXPECT_LT(document.historyBytes(), std::size_t(4096));
    EXPECT_EQ(document.baseline().nodes.back().item.ToolTip, "0");

    stack.undo();
    std::vector<std::string> tips = Tips(document);
    ASSERT_EQ(tips.size(), std::size_t(kItems));
    EXPECT_EQ(tips.front(), "0");
    EXPECT_EQ(tips[1], "1");
    EXPECT_EQ(tips.back(), std::to_string(kItems - 1));
    stack.redo();
    tips = Tips(document);
    EXPECT_EQ(tips.front(), "1");
    EXPECT_EQ(tips.back(), "0");
}

// Blocks dragged together are moves made one after the other: Undo takes
// them back in the opposite order, and the step keeps no nodes.
TEST_F(DocumentTest, SeveralMovesUndoInTheOppositeOrderAndKeepNoNodes) {
    constexpr int kItems = 10000;
    document.resetHistory(Nodes(kItems));
    ProjectState moved = document.baseline();
    const std::vector<NodeMove> moves{{0, 1, kItems - 1}, {5000, 2, 0}};
    for (const NodeMove& move : moves) applyMove(moved.nodes, move);
    document.record(moved, "Move", {}, {}, {}, moves);
    EXPECT_LT(document.historyBytes(), std::size_t(4096));
    ASSERT_EQ(document.baseline().nodes.front().item.ToolTip, "5001");
    stack.undo();
    std::vector<std::string> tips = Tips(document);
    for (int i : {0, 1, 4999, 5000, 5001, 5002, kItems - 1})
        EXPECT_EQ(tips[std::size_t(i)], std::to_string(i));
    stack.redo();
    tips = Tips(document);
    EXPECT_EQ((std::vector<std::string>{tips.front(), tips[2], tips.back()}),
              (std::vector<std::string>{"5001", "1", "0"}));
}

// A move that also changed the block's level keeps the rest as a patch.
TEST_F(DocumentTest, AMoveIntoAnotherParentUndoesItsLevelsToo) {
    document.resetHistory(Nodes(4));
    ProjectState now = document.baseline();
    applyMove(now.nodes, {3, 1, 1});
    now.nodes[1].depth = 2;
    now.nodes[1].item.Level = "1";
    document.record(now, "Move", {}, {}, {}, NodeMove{3, 1, 1});
    stack.undo();
    EXPECT_EQ(document.baseline().nodes[3].depth, 1);
    EXPECT_EQ(document.baseline().nodes[3].item.ToolTip, "3");
    EXPECT_EQ(document.baseline().nodes[3].item.Level, "");
    stack.redo();
    EXPECT_EQ(document.baseline().nodes[1].depth, 2);
    EXPECT_EQ(document.baseline().nodes[1].item.ToolTip, "3");
}

TEST_F(DocumentTest, TheBudgetDropsTheOldestStepsAndKeepsTheNewest) {
    document.resetHistory(Nodes(1));
    const std::string big(100000, 'x');
    for (int i = 0; i < 10; ++i) retip(0, big + std::to_string(i), {});
    ASSERT_EQ(stack.count(), 10);
    document.setByteBudget(450000);  // room for two steps of two 100 kB strings
    EXPECT_EQ(stack.count(), 2);
    EXPECT_LE(document.historyBytes(), std::size_t(450000));
    stack.undo();
    EXPECT_EQ(document.baseline().nodes[0].item.ToolTip, big + "8");
    stack.undo();
    EXPECT_EQ(document.baseline().nodes[0].item.ToolTip, big + "7");
    EXPECT_FALSE(stack.canUndo());
    EXPECT_TRUE(document.isModified());  // the saved state was dropped
    stack.redo();
    stack.redo();
    document.setByteBudget(0);
    EXPECT_EQ(stack.count(), 1);  // what was just done stays undoable
    EXPECT_TRUE(stack.canUndo());
}

TEST_F(DocumentTest, ModifiedFollowsTheStackThePagesAndUnrecordedChanges) {
    std::vector<bool> announced;
    QObject::connect(&document, &ProjectDocument::modifiedChanged,
                     [&announced](bool modified) { announced.push_back(modified); });
    document.setPagesDiffer(true);
    document.setPagesDiffer(false);
    rename("a");
    stack.undo();
    document.markUnrecordedChange();
    document.markSaved(document.baseline());
    EXPECT_EQ(announced, (std::vector<bool>{true, false, true, false, true, false}));
}

}  // namespace
}  // namespace marivel::test
