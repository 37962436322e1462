// The item commands on the design tree and the item array together, the
// selection-change algorithm, the page tabs and the command states.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

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
    actions().MoveUp2->trigger();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Green"}));
    EXPECT_EQ(treeNames(), (Names{"Red", "Blue", "Green"}));
    EXPECT_EQ(tree()->currentItem(), blue);
    EXPECT_EQ(form->CurrentItemNode(), blue);
    EXPECT_EQ(commands(), (Commands{false, true, true, true}));
}

TEST_F(TreeCommands, FirstItemCanOnlyMoveDown) {
    select(red);
    EXPECT_EQ(commands(), (Commands{false, true, false, true}));
    actions().tlbtnMoveDown->trigger();
    EXPECT_EQ(itemNames(), (Names{"Green", "Red", "Blue"}));
    EXPECT_EQ(treeNames(), (Names{"Green", "Red", "Blue"}));
    EXPECT_EQ(tree()->currentItem(), red);
    EXPECT_EQ(commands(), (Commands{false, true, true, true}));
}

TEST_F(TreeCommands, MovesWithoutASiblingOnlyMarkTheProjectModified) {
    form->ClearModified();
    select(root());
    form->ClearModified();
    form->MoveUp1Click();
    EXPECT_TRUE(form->Modified());
    form->MoveDown1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    select(blue);
    form->MoveDown1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
}

TEST_F(TreeCommands, NodeWithChildrenMovesUpPastALeafWithItsRecordsInOrder) {
    add(blue, "Blue1");
    add(blue, "Blue2");
    add(green, "Green1");
    ASSERT_EQ(itemNames(), (Names{"Red", "Green", "Green1", "Blue", "Blue1", "Blue2"}));
    select(blue);
    form->MoveUp1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Blue1", "Blue2", "Green", "Green1"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(levels(), (Names{"0", "0", "1", "1", "0", "1"}));
    EXPECT_EQ(blue->childCount(), 2);
    form->MoveUp1Click();
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
    form->MoveDown1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "B", "B1", "B2", "A", "A1", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(tree()->currentItem(), a);
    EXPECT_TRUE(green->isExpanded());
    EXPECT_EQ(commands(), (Commands{false, true, true, false}));
}

TEST_F(TreeCommands, PageOfAMovedItemIsSavedToItsNewIndex) {
    select(blue);
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("  Navy  ");
    form->MoveUp1Click();
    form->MoveUp1Click();
    select(green);  // the selection change writes Blue's page back
    EXPECT_EQ(itemNames(), (Names{"Navy", "Red", "Green"}));
}

TEST_F(TreeCommands, DeletingANodeWithChildrenAtTheEndRemovesItsRecords) {
    add(blue, "Blue1");
    add(blue, "Blue2");
    select(blue);
    prompter.queueAnswer(Prompter::Answer::Yes);
    actions().Delete1->trigger();
    ASSERT_EQ(prompter.count(Kind::YesNo), 1);
    EXPECT_EQ(prompter.last()->text, "Are you sure to delete this item and all its children?");
    EXPECT_EQ(itemNames(), (Names{"Red", "Green"}));
    EXPECT_EQ(treeNames(), itemNames());
    EXPECT_EQ(form->CurrentItemNode(), tree()->currentItem());  // the selection change ran for the new node
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(TreeCommands, DeletingTheLastChildOfANodeFindsTheEndOfItsSubtreeAboveIt) {
    QTreeWidgetItem* a = add(red, "A");
    add(a, "A1");
    add(red, "B");
    select(a);
    prompter.queueAnswer(Prompter::Answer::Cancel);  // anything but No deletes
    form->Delete1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "B", "Green", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
    select(node("B"));
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->Delete1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_EQ(treeNames(), itemNames());
}

TEST_F(TreeCommands, AnsweringNoKeepsEverythingButMarksTheProjectModified) {
    select(green);
    form->ClearModified();
    prompter.queueAnswer(Prompter::Answer::No);
    form->Delete1Click();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_EQ(tree()->currentItem(), green);
    EXPECT_TRUE(form->Modified());
}

TEST_F(TreeCommands, RootCannotBeDeleted) {
    select(root());
    form->ClearModified();
    actions().tlbtnDelete->trigger();  // still enabled right after selecting the root by program
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "Root item cannot be deleted.");
    EXPECT_EQ(prompter.count(Kind::YesNo), 0);
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "Blue"}));
    EXPECT_TRUE(form->Modified());
}

TEST_F(TreeCommands, InsertAddsALastChildOfTheRootWithANewRecord) {
    select(root());
    form->ClearModified();
    actions().Insert2->trigger();
    ASSERT_EQ(root()->childCount(), 4);
    EXPECT_EQ(root()->child(3)->text(0), "Item");
    ASSERT_EQ(items().size(), 4u);
    const TItemData& added = items()[3];
    EXPECT_EQ(added.Level, "0");
    EXPECT_EQ(added.Target, "_self");
    EXPECT_EQ(added.ImageWidth, "160");
    EXPECT_EQ(added.ImageHeight, "120");
    EXPECT_EQ(added.Link, "");
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_TRUE(form->Modified());
    EXPECT_TRUE(actions().Save1->isEnabled());
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
    EXPECT_EQ(items()[0].ImageWidth, "");  // a commit writes a fresh record
    EXPECT_EQ(items()[0].Level, "");
    EXPECT_EQ(form->findChild<QLineEdit*>("edt_IToolTip")->text(), "Green");
    EXPECT_EQ(visibleTabs(), QStringList{"Item General"});
    EXPECT_EQ(form->CurrentItemNode(), green);
}

TEST_F(TreeCommands, SelectingTheRootBringsBackTheSliderPagesAndSavesTheItem) {
    select(red);
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("Crimson");
    select(root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_EQ(items()[0].ToolTip, "Crimson");
    EXPECT_EQ(form->CurrentItemNode(), red);  // kept, so selecting again changes nothing
    select(red);
    EXPECT_EQ(items()[0].ToolTip, "Crimson");
}

TEST_F(TreeCommands, SelectingAnItemMarksTheProjectModified) {
    form->ClearModified();
    select(green);
    EXPECT_TRUE(form->Modified());
    EXPECT_TRUE(actions().tlbtnSave->isEnabled());
}

TEST_F(TreeCommands, DeletingTheOnlyItemReturnsToTheRoot) {
    select(blue);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->Delete1Click();
    select(green);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->Delete1Click();
    select(red);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->Delete1Click();
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(nodes().count(), 1);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_EQ(form->CurrentItemNode(), nullptr);
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
    actions().MoveUp1->trigger();
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "Green"}));
}

TEST_F(TreeCommands, ItemToItemKeepsTheActivePage) {
    select(red);
    const int last = form->LastPageIndex();
    select(blue);
    EXPECT_EQ(form->LastPageIndex(), last);
    EXPECT_EQ(activeTab(), "Item General");
}

TEST_F(EditorTest, ThousandsOfItemsStayConsistentThroughCommands) {
    for (int i = 0; i < 3000; ++i) form->Insert1Click();
    ASSERT_EQ(items().size(), 3000u);
    select(root()->child(2999));
    for (int i = 0; i < 50; ++i) form->MoveUp1Click();
    EXPECT_EQ(nodes().indexOf(tree()->currentItem()), 2950);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->Delete1Click();
    EXPECT_EQ(items().size(), 2999u);
    EXPECT_EQ(nodes().count(), 3000);
}

}  // namespace
}  // namespace marivel::test
