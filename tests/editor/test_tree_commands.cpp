// The item commands on the design tree and the item array together, the
// selection-change algorithm, the page tabs and the command states.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <map>

#include "editor/editor_fixture.h"

namespace marivel::test {
namespace {

using Names = std::vector<std::string>;
using Kind = ScriptedPrompter::Kind;

class TreeCommands : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        red = add(root(), "Red");
        green = add(root(), "Green");
        blue = add(root(), "Blue");
    }
    QTreeWidgetItem* red = nullptr;
    QTreeWidgetItem* green = nullptr;
    QTreeWidgetItem* blue = nullptr;
};

TEST_F(TreeCommands, MoveUpSwapsTheLastItemWithItsPreviousSibling) {
    select(blue);
    actions().moveUpAction->trigger();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Green"}));
    EXPECT_EQ(treeNames(), (Names{"Red", "Blue", "Green"}));
    EXPECT_EQ(tree()->currentItem(), blue);
    EXPECT_EQ(form->editor().currentItemNode(), blue);
    EXPECT_EQ(commands(), (Commands{false, true, true, true}));
}

TEST_F(TreeCommands, FirstItemCanOnlyMoveDown) {
    select(red);
    EXPECT_EQ(commands(), (Commands{false, true, false, true}));
    actions().moveDownAction->trigger();
    EXPECT_EQ(itemNames(), (Names{"Green", "Red", "Blue"}));
    EXPECT_EQ(treeNames(), (Names{"Green", "Red", "Blue"}));
    EXPECT_EQ(tree()->currentItem(), red);
    EXPECT_EQ(commands(), (Commands{false, true, true, true}));
}

TEST_F(TreeCommands, MovesWithoutASiblingOnlyMarkTheProjectModified) {
    form->editor().clearModified();
    select(root());
    form->editor().clearModified();
    form->editor().moveItemUp();
    EXPECT_TRUE(form->editor().isModified());
    form->editor().moveItemDown();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    select(blue);
    form->editor().moveItemDown();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
}

TEST_F(TreeCommands, NodeWithChildrenMovesUpPastALeafWithItsRecordsInOrder) {
    add(blue, "Blue1");
    add(blue, "Blue2");
    add(green, "Green1");
    ASSERT_EQ(itemNames(), (Names{"Red", "Green", "Green1", "Blue", "Blue1", "Blue2"}));
    select(blue);
    form->editor().moveItemUp();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Blue1", "Blue2", "Green", "Green1"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(levels(), (Names{"0", "0", "1", "1", "0", "1"}));
    EXPECT_EQ(blue->childCount(), 2);
    form->editor().moveItemUp();
    EXPECT_EQ(itemNames(), (Names{"Blue", "Blue1", "Blue2", "Red", "Green", "Green1"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(commands(), (Commands{false, true, false, true}));
}

TEST_F(TreeCommands, MoveDownPassesASiblingWithChildrenInsideASubtree) {
    QTreeWidgetItem* a = add(green, "A");
    add(a, "A1");
    QTreeWidgetItem* b = add(green, "B");
    add(b, "B1");
    add(b, "B2");
    select(a);
    form->editor().moveItemDown();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "B", "B1", "B2", "A", "A1", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(tree()->currentItem(), a);
    EXPECT_TRUE(green->isExpanded());
    EXPECT_EQ(commands(), (Commands{false, true, true, false}));
}

TEST_F(TreeCommands, PageOfAMovedItemIsSavedToItsNewIndex) {
    select(blue);
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("  Navy  ");
    form->editor().moveItemUp();
    form->editor().moveItemUp();
    select(green);  // the selection change writes Blue's page back
    EXPECT_EQ(itemNames(), (Names{"Navy", "Red", "Green"}));
}

TEST_F(TreeCommands, DeletingANodeWithChildrenAtTheEndRemovesItsRecords) {
    add(blue, "Blue1");
    add(blue, "Blue2");
    select(blue);
    prompter.queueAnswer(Prompter::Answer::Yes);
    actions().deleteAction->trigger();
    ASSERT_EQ(prompter.count(Kind::YesNo), 1);
    EXPECT_EQ(prompter.last()->text, "Are you sure to delete this item and all its children?");
    EXPECT_EQ(itemNames(), (Names{"Red", "Green"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(form->editor().currentItemNode(),
              tree()->currentItem());  // the selection change ran for the new node
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(TreeCommands, DeletingTheLastChildOfANodeFindsTheEndOfItsSubtreeAboveIt) {
    QTreeWidgetItem* a = add(red, "A");
    add(a, "A1");
    add(red, "B");
    select(a);
    prompter.queueAnswer(Prompter::Answer::Cancel);  // anything but No deletes
    form->editor().deleteItem();
    EXPECT_EQ(itemNames(), (Names{"Red", "B", "Green", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
    select(node("B"));
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
}

TEST_F(TreeCommands, AnsweringNoKeepsEverythingButMarksTheProjectModified) {
    select(green);
    form->editor().clearModified();
    prompter.queueAnswer(Prompter::Answer::No);
    form->editor().deleteItem();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_EQ(tree()->currentItem(), green);
    EXPECT_TRUE(form->editor().isModified());
}

TEST_F(TreeCommands, RootCannotBeDeleted) {
    select(root());
    form->editor().clearModified();
    actions().deleteAction->trigger();  // still enabled right after start
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "Root item cannot be deleted.");
    EXPECT_EQ(prompter.count(Kind::YesNo), 0);
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_TRUE(form->editor().isModified());
}

TEST_F(TreeCommands, InsertAddsALastChildOfTheRootWithANewRecord) {
    select(root());
    form->editor().clearModified();
    actions().insertAction->trigger();
    ASSERT_EQ(root()->childCount(), 4);
    EXPECT_EQ(root()->child(3)->text(0), "Item");
    ASSERT_EQ(items().size(), 4u);
    const SliderItem& added = items()[3];
    EXPECT_EQ(added.Level, "0");
    EXPECT_EQ(added.Target, "_self");
    EXPECT_EQ(added.ImageWidth, "160");
    EXPECT_EQ(added.ImageHeight, "120");
    EXPECT_EQ(added.Link, "");
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_TRUE(actions().saveAction->isEnabled());
}

// Whatever part of a long tree is in view, the node Insert adds shows.
TEST_F(TreeCommands, InsertedNodeShowsInALongTree) {
    for (int i = 0; i < 60; ++i) add(root(), "Filler" + std::to_string(i));
    for (const bool top : {true, false, true}) {
        SCOPED_TRACE(top ? "root in view" : "end in view");
        select(root());
        if (top)
            tree()->scrollToTop();
        else
            tree()->scrollToBottom();
        QApplication::processEvents();
        actions().insertAction->trigger();
        QApplication::processEvents();
        QTreeWidgetItem* added = root()->child(root()->childCount() - 1);
        EXPECT_EQ(added->text(0), "Item");
        EXPECT_TRUE(tree()->viewport()->rect().contains(tree()->visualItemRect(added)));
        EXPECT_EQ(tree()->currentItem(), root());
    }
}

TEST_F(TreeCommands, SelectingAnotherItemSavesTheShownItemFirst) {
    select(red);
    EXPECT_EQ(visibleTabs(), QStringList{"Item General"});
    auto* link = form->findChild<QComboBox*>("cmbx_ILink");
    ASSERT_NE(link, nullptr);
    link->setEditText("  http://example.com/red  ");
    EXPECT_EQ(items()[0].Link, "");  // pages are not bound live
    select(green);
    EXPECT_EQ(items()[0].Link, "http://example.com/red");
    // Only what the page shows is taken: selecting is no change to the rest.
    EXPECT_EQ(items()[0].ImageWidth, "160");
    EXPECT_EQ(items()[0].Level, "0");
    EXPECT_EQ(form->findChild<QLineEdit*>("edt_IToolTip")->text(), "Green");
    EXPECT_EQ(visibleTabs(), QStringList{"Item General"});
    EXPECT_EQ(form->editor().currentItemNode(), green);
}

TEST_F(TreeCommands, SelectingTheRootBringsBackTheSliderPagesAndSavesTheItem) {
    select(red);
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("Crimson");
    select(root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_EQ(items()[0].ToolTip, "Crimson");
    EXPECT_EQ(form->editor().currentItemNode(), red);  // kept, so selecting again changes nothing
    select(red);
    EXPECT_EQ(items()[0].ToolTip, "Crimson");
}

// Selecting is no change: nothing differs from what was saved.
TEST_F(TreeCommands, SelectingAnItemLeavesTheProjectUnmodified) {
    form->editor().clearModified();
    select(green);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().saveAction->isEnabled());
}

TEST_F(TreeCommands, DeletingTheOnlyItemReturnsToTheRoot) {
    select(blue);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    select(green);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    select(red);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(nodes().count(), 1);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_EQ(form->editor().currentItemNode(), nullptr);
    EXPECT_EQ(commands(), (Commands{true, false, false, false}));
}

TEST_F(TreeCommands, LeftClickOnTheRootRefreshesTabsAndCommands) {
    select(green);
    EXPECT_EQ(commands(), (Commands{false, true, true, true}));
    const QRect rect = tree()->visualItemRect(root());
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(commands(), (Commands{true, false, false, false}));
}

TEST_F(TreeCommands, RightClickSelectsTheNodeTheMenuCommandsActOn) {
    select(red);
    const QRect rect = tree()->visualItemRect(blue);
    // The popup opens modally; close it as soon as it shows.
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    QTest::mouseClick(tree()->viewport(), Qt::RightButton, {}, rect.center());
    EXPECT_EQ(tree()->currentItem(), blue);
    EXPECT_EQ(commands(), (Commands{false, true, true, false}));
    actions().moveUpAction->trigger();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Green"}));
}

// The menu key opens the popup at the selected node; when that node is
// scrolled out of view, the popup still opens over the tree, at the node.
TEST_F(TreeCommands, MenuKeyOpensThePopupAtTheSelectedNodeInView) {
    for (int i = 0; i < 60; ++i) add(root(), "Filler" + std::to_string(i));
    QTreeWidgetItem* last = root()->child(root()->childCount() - 1);
    struct Row {
        const char* what;
        QTreeWidgetItem* selected;
        QAbstractItemView::ScrollHint scroll;  // of the root
    };
    const Row rows[] = {
        {"selected node in view", red, QAbstractItemView::PositionAtTop},
        {"selected node below the view", last, QAbstractItemView::PositionAtTop},
        {"selected node above the view", red, QAbstractItemView::PositionAtBottom},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        select(row.selected);
        if (row.scroll == QAbstractItemView::PositionAtTop)
            tree()->scrollToTop();
        else
            tree()->scrollToBottom();
        QApplication::processEvents();
        // What the platform sends for the menu key: a keyboard context menu
        // event at the current node's place, wherever that is.
        const QRect cursor = tree()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, cursor.center(),
                                  tree()->viewport()->mapToGlobal(cursor.center()));
        QRect popupAt;
        QTimer::singleShot(0, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popupAt = popup->geometry();
                popup->close();
            }
        });
        QApplication::sendEvent(tree()->viewport(), &menuKey);
        ASSERT_TRUE(popupAt.isValid());
        const QRect node = tree()->visualItemRect(row.selected);
        EXPECT_TRUE(tree()->viewport()->rect().contains(node));
        const QRect viewport(tree()->viewport()->mapToGlobal(QPoint(0, 0)), tree()->viewport()->size());
        EXPECT_TRUE(viewport.contains(popupAt.topLeft()))
            << "popup at " << popupAt.y() << ", tree from " << viewport.top() << " to " << viewport.bottom();
        EXPECT_EQ(tree()->currentItem(), row.selected);
    }
}

TEST_F(TreeCommands, ItemToItemKeepsTheActivePage) {
    select(red);
    const int last = form->editor().lastPageIndex();
    select(blue);
    EXPECT_EQ(form->editor().lastPageIndex(), last);
    EXPECT_EQ(activeTab(), "Item General");
}

// --- what the tree shows of its selection ----------------------------------------

// The point at the middle of a node's expand/collapse arrow.
QPoint arrowOf(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QRect rect = tree->visualItemRect(item);
    return QPoint(rect.left() - tree->indentation() / 2, rect.center().y());
}

TEST_F(TreeCommands, CollapsingANodeThatHoldsTheSelectionSelectsIt) {
    QTreeWidgetItem* a = add(green, "A");
    QTreeWidgetItem* a1 = add(a, "A1");
    struct Row {
        const char* what;
        QTreeWidgetItem* selected;
        QTreeWidgetItem* collapsed;
        bool byMouse;
        QTreeWidgetItem* expected;
        Commands after;
    };
    const Row rows[] = {
        {"parent, by its arrow", a1, a, true, a, {false, true, false, false}},
        {"grandparent, by its arrow", a1, green, true, green, {false, true, true, true}},
        {"root, by its arrow", a1, root(), true, root(), {true, false, false, false}},
        {"parent, by program", a1, a, false, a, {false, true, false, false}},
        {"root, by program", green, root(), false, root(), {true, false, false, false}},
        {"a node beside the selection", blue, green, true, blue, {false, true, true, false}},
        {"the selected node itself", a, a, true, a, {false, true, false, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tree()->expandAll();
        QApplication::processEvents();
        select(row.selected);
        auto* tip = form->findChild<QLineEdit*>("edt_IToolTip");
        tip->setText("edited");
        const int shownIndex = nodes().indexOf(row.selected) - 1;
        if (row.byMouse) {
            QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, arrowOf(tree(), row.collapsed));
        } else {
            row.collapsed->setExpanded(false);
        }
        ASSERT_FALSE(row.collapsed->isExpanded());
        EXPECT_EQ(tree()->currentItem(), row.expected);
        EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{row.expected});
        EXPECT_EQ(commands(), row.after);
        if (row.expected != row.selected) {
            // The selection change committed the page it moved away from.
            EXPECT_EQ(items()[size_t(shownIndex)].ToolTip, "edited");
            if (row.expected == root()) {
                EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
            } else {
                EXPECT_EQ(form->editor().currentItemNode(), row.expected);
                EXPECT_EQ(tip->text(), row.expected->text(0));
            }
        }
        // Every record shows its node's name again for the next row.
        select(root());
        for (int i = 1; i < nodes().count(); ++i) items()[size_t(i - 1)].ToolTip = nodes().caption(i);
    }
}

TEST_F(TreeCommands, ClicksBesideTheNodesKeepTheSelectionHighlighted) {
    struct Row {
        const char* what;
        QTreeWidgetItem* selected;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        bool onTheNode;
    };
    const Row rows[] = {
        {"left click below the nodes", green, Qt::LeftButton, {}, false},
        {"left click below the nodes, root selected", root(), Qt::LeftButton, {}, false},
        {"control click below the nodes", blue, Qt::LeftButton, Qt::ControlModifier, false},
        {"middle click below the nodes", red, Qt::MiddleButton, {}, false},
        {"control click on the selected node", green, Qt::LeftButton, Qt::ControlModifier, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        select(row.selected);
        const QPoint at = row.onTheNode ? tree()->visualItemRect(row.selected).center()
                                        : QPoint(20, tree()->viewport()->height() - 10);
        ASSERT_TRUE(row.onTheNode || tree()->itemAt(at) == nullptr);
        QTest::mouseClick(tree()->viewport(), row.button, row.modifiers, at);
        EXPECT_EQ(tree()->currentItem(), row.selected);
        EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{row.selected});
    }
    // Control+Space toggles the selection in a plain item view; not here.
    select(green);
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{green});
}

TEST_F(TreeCommands, KeyboardMovesRefreshTheCommandsOnTheRootToo) {
    struct Row {
        const char* what;
        QTreeWidgetItem* from;
        Qt::Key key;
        QTreeWidgetItem* to;
        Commands after;
    };
    const Row rows[] = {
        {"up from the first item", red, Qt::Key_Up, root(), {true, false, false, false}},
        {"home from the last item", blue, Qt::Key_Home, root(), {true, false, false, false}},
        {"left from an item", green, Qt::Key_Left, root(), {true, false, false, false}},
        {"down from the root", root(), Qt::Key_Down, red, {false, true, false, true}},
        {"end from the root", root(), Qt::Key_End, blue, {false, true, true, false}},
    };
    tree()->setFocus();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        select(row.from);
        QTest::keyClick(tree(), row.key);
        EXPECT_EQ(tree()->currentItem(), row.to);
        EXPECT_EQ(commands(), row.after);
        EXPECT_EQ(activeTab(), row.to == root() ? "Script" : "Item General");
    }
    // Insert works at once, and the new item goes under the root.
    select(red);
    QTest::keyClick(tree(), Qt::Key_Up);
    actions().insertAction->trigger();
    EXPECT_EQ(items().size(), 4u);
}

// The page control's own keys (Control+Tab, the tab bar's arrows) only move
// between the pages that belong to the selection.
TEST_F(TreeCommands, PageKeysNeverOpenAPageOfTheOtherKindOfNode) {
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool onTabBar;
    };
    const Key keys[] = {
        {Qt::Key_Tab, Qt::ControlModifier, false},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, false},
        {Qt::Key_Right, {}, true},
        {Qt::Key_Left, {}, true},
        {Qt::Key_End, {}, true},
        {Qt::Key_Home, {}, true},
    };
    for (QTreeWidgetItem* selected : {root(), green}) {
        select(selected);
        const QStringList allowed = visibleTabs();
        QWidget* inPage = form->propertyTabs()->currentWidget()->findChild<QLineEdit*>();
        ASSERT_NE(inPage, nullptr);
        for (const Key& key : keys) {
            for (int i = 0; i < 3; ++i) {
                QWidget* target =
                    key.onTabBar ? static_cast<QWidget*>(form->propertyTabs()->tabBar()) : inPage;
                QTest::keyClick(target, key.key, key.modifiers);
                EXPECT_TRUE(allowed.contains(activeTab()))
                    << selected->text(0).toStdString() << ": key " << key.key << " showed "
                    << activeTab().toStdString();
            }
        }
    }
}

TEST_F(TreeCommands, MovesKeepTheExpansionOfEveryNode) {
    // Green and Blue each hold an expanded and a collapsed inner node, in
    // opposite orders, so a move that resets or swaps them shows up.
    QTreeWidgetItem* g1 = add(green, "G1");
    add(g1, "G1a");
    QTreeWidgetItem* g2 = add(green, "G2");
    add(g2, "G2a");
    QTreeWidgetItem* b1 = add(blue, "B1");
    add(b1, "B1a");
    QTreeWidgetItem* b2 = add(blue, "B2");
    QTreeWidgetItem* b2a = add(b2, "B2a");
    add(b2a, "B2a1");
    struct Row {
        const char* what;
        std::vector<QTreeWidgetItem*> collapsed;
        QTreeWidgetItem* selected;
        bool up;
    };
    const Row rows[] = {
        {"up, inner nodes mixed", {g2, b1}, blue, true},
        {"down, inner nodes mixed", {g1, b2a}, blue, false},
        {"up, moved node collapsed", {blue, g1}, blue, true},
        {"down, both blocks collapsed", {green, blue}, blue, false},
        {"up inside a block", {b1, b2a}, b2, true},
        {"down inside a block", {b2}, b2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tree()->expandAll();
        for (QTreeWidgetItem* n : row.collapsed) n->setExpanded(false);
        QApplication::processEvents();
        select(row.selected);
        const Names order = treeNames();
        std::map<QTreeWidgetItem*, bool> expanded;
        for (int i = 0; i < nodes().count(); ++i) expanded[nodes().item(i)] = nodes().item(i)->isExpanded();
        if (row.up)
            actions().moveUpAction->trigger();
        else
            actions().moveDownAction->trigger();
        ASSERT_NE(treeNames(), order);
        ASSERT_EQ(treeNames(), itemNames());
        for (const auto& [n, wasExpanded] : expanded)
            EXPECT_EQ(n->isExpanded(), wasExpanded) << n->text(0).toStdString();
        EXPECT_EQ(tree()->currentItem(), row.selected);
        EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{row.selected});
    }
}

// Repeated moves carry the selected node past the edge of the view; the view
// follows it, so the user always sees what the next move acts on.
TEST_F(TreeCommands, MovedNodeStaysInViewAtTheEdgesOfTheTree) {
    for (int i = 0; i < 60; ++i) add(root(), "Filler" + std::to_string(i));
    QApplication::processEvents();
    struct Row {
        const char* what;
        int row;  // among the root's children
        QAbstractItemView::ScrollHint start;
        bool up;
    };
    const Row rows[] = {
        {"down from the bottom edge", 20, QAbstractItemView::PositionAtBottom, false},
        {"up from the top edge", 40, QAbstractItemView::PositionAtTop, true},
        {"down from the top edge", 30, QAbstractItemView::PositionAtTop, false},
        {"up from the bottom edge", 30, QAbstractItemView::PositionAtBottom, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTreeWidgetItem* moving = root()->child(row.row);
        select(moving);
        tree()->scrollToItem(moving, row.start);
        QApplication::processEvents();
        for (int i = 0; i < 8; ++i) {
            if (row.up)
                actions().moveUpAction->trigger();
            else
                actions().moveDownAction->trigger();
            QApplication::processEvents();
            ASSERT_EQ(tree()->currentItem(), moving);
            EXPECT_TRUE(tree()->viewport()->rect().contains(tree()->visualItemRect(moving))) << "move " << i;
        }
        EXPECT_EQ(treeNames(), itemNames());
    }
}

TEST_F(EditorTest, ThousandsOfItemsStayConsistentThroughCommands) {
    for (int i = 0; i < 3000; ++i) form->editor().insertItem();
    ASSERT_EQ(items().size(), 3000u);
    select(root()->child(2999));
    for (int i = 0; i < 50; ++i) form->editor().moveItemUp();
    EXPECT_EQ(nodes().indexOf(tree()->currentItem()), 2950);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    EXPECT_EQ(items().size(), 2999u);
    EXPECT_EQ(nodes().count(), 3000);
}

}  // namespace
}  // namespace marivel::test
