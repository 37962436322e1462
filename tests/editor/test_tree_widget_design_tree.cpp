// The tree widget adapter must answer exactly what the in-memory tree of the
// core answers, after any sequence of edits.
#include <gtest/gtest.h>

#include <QTreeWidget>
#include <random>

#include "editor/tree_widget_design_tree.h"
#include "model/error.h"
#include "model/memory_tree.h"

namespace marivel {
namespace {

void expectSame(const DesignTree& expected, const TreeWidgetDesignTree& actual, int step) {
    ASSERT_EQ(expected.count(), actual.count()) << "step " << step;
    for (int i = 0; i < expected.count(); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << step << ", node " << i);
        EXPECT_EQ(expected.caption(i), actual.caption(i));
        EXPECT_EQ(expected.depth(i), actual.depth(i));
        EXPECT_EQ(expected.parent(i), actual.parent(i));
        EXPECT_EQ(expected.previousSibling(i), actual.previousSibling(i));
        EXPECT_EQ(expected.nextSibling(i), actual.nextSibling(i));
        EXPECT_EQ(expected.subtreeSize(i), actual.subtreeSize(i));
        EXPECT_EQ(actual.indexOf(actual.item(i)), i);
    }
}

TEST(TreeWidgetDesignTree, RandomEditsMatchTheInMemoryTree) {
    QTreeWidget widget;
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon());
    MemoryDesignTree reference;
    tree.reset("Marivel");
    std::mt19937 random(20261208);
    int names = 0;
    for (int step = 0; step < 400; ++step) {
        const int n = reference.count();
        const int op = int(random() % 10);
        if (op < 5 || n < 3) {
            const int parent = int(random() % unsigned(n));
            const std::string caption = "N" + std::to_string(names++);
            EXPECT_EQ(tree.addChild(parent, caption), reference.addChild(parent, caption));
        } else if (op < 7) {
            const int node = 1 + int(random() % unsigned(n - 1));
            const int previous = reference.previousSibling(node);
            if (previous >= 0) {
                reference.moveBefore(node, previous);
                tree.moveBefore(node, previous);
            }
        } else if (op < 8 && n > 20) {
            const int node = 1 + int(random() % unsigned(n - 1));
            reference.removeSubtree(node);
            tree.removeSubtree(node);
        } else {
            const int node = int(random() % unsigned(n));
            reference.setCaption(node, "C" + std::to_string(step));
            tree.setCaption(node, "C" + std::to_string(step));
        }
        if (step % 20 == 0 || step == 399) expectSame(reference, tree, step);
    }
}

TEST(TreeWidgetDesignTree, ResetLeavesOneRootWithItsPicture) {
    QTreeWidget widget;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon(pixmap));
    tree.reset("Marivel");
    tree.addChild(0, "Item");
    tree.addChild(1, "Child");
    tree.reset("Marivel");
    EXPECT_EQ(tree.count(), 1);
    EXPECT_EQ(tree.caption(0), "Marivel");
    EXPECT_EQ(tree.depth(0), 0);
    EXPECT_EQ(tree.parent(0), -1);
    EXPECT_FALSE(widget.topLevelItem(0)->icon(0).isNull());
}

TEST(TreeWidgetDesignTree, BadIndexesAreErrorsNotCrashes) {
    QTreeWidget widget;
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon());
    tree.reset("Marivel");
    tree.addChild(0, "A");
    tree.addChild(0, "B");
    EXPECT_THROW(tree.depth(3), Error);
    EXPECT_THROW(tree.caption(-1), Error);
    EXPECT_THROW(tree.addChild(7, "x"), Error);
    EXPECT_THROW(tree.moveBefore(1, 0), Error);  // not siblings
    EXPECT_EQ(tree.item(9), nullptr);
    EXPECT_EQ(tree.indexOf(nullptr), -1);
    EXPECT_EQ(tree.count(), 3);
}

TEST(TreeWidgetDesignTree, ChangesMadeOnTheWidgetAreSeenAfterInvalidate) {
    QTreeWidget widget;
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon());
    tree.reset("Marivel");
    tree.addChild(0, "A");
    widget.topLevelItem(0)->addChild(new QTreeWidgetItem(QStringList{"B"}));
    tree.invalidate();
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.caption(2), "B");
}

}  // namespace
}  // namespace marivel
