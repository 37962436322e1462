// Several items selected at once, the picture names on the nodes, and the
// keys and access keys of the menus.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <map>

#include "editor/editor_fixture.h"
#include "editor/item_decorations.h"
#include "editor/project_document.h"
#include "platform/typed_settings.h"

namespace marivel::test {
namespace {

using Names = std::vector<std::string>;

// A, B with the child B1, C and D; links "x", "y", "", "x", "x".
class SeveralItems : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        build();
    }
    void build() {
        form->editor().startEmpty();
        a = add(root(), "A");
        b = add(root(), "B");
        b1 = add(b, "B1");
        c = add(root(), "C");
        d = add(root(), "D");
        const char* links[] = {"x", "y", "", "x", "x"};
        for (size_t i = 0; i < items().size(); ++i) items()[i].Link = links[i];
        // Each build is a new project: its history starts from it.
        form->document().setHistoryPending();
        form->editor().clearModified();
        tree()->setFocus();
    }
    // Selects the first node with a click and adds the others with
    // Control+click, as the user does.
    void pick(std::initializer_list<QTreeWidgetItem*> nodes) {
        bool first = true;
        for (QTreeWidgetItem* node : nodes) {
            QTest::mouseClick(tree()->viewport(), Qt::LeftButton,
                              first ? Qt::NoModifier : Qt::ControlModifier,
                              tree()->visualItemRect(node).center());
            first = false;
        }
    }
    Names field(std::string SliderItem::*member) const {
        Names out;
        for (const auto& item : items()) out.push_back(item.*member);
        return out;
    }
    QComboBox* link() const { return form->findChild<QComboBox*>(QStringLiteral("cmbx_ILink")); }
    QLineEdit* tip() const { return form->findChild<QLineEdit*>(QStringLiteral("edt_IToolTip")); }
    QTreeWidgetItem *a = nullptr, *b = nullptr, *b1 = nullptr, *c = nullptr, *d = nullptr;
};

TEST_F(SeveralItems, OneEditSetsEveryItemLeavesDifferingFieldsAloneAndUndoesAsOneStep) {
    pick({a, b, d});
    ASSERT_EQ(tree()->selectedItems().size(), 3);
    // The links differ: empty, with the placeholder; the tooltips too.
    EXPECT_EQ(link()->currentText(), "");
    EXPECT_EQ(link()->lineEdit()->placeholderText(), "(several values)");
    EXPECT_EQ(tip()->placeholderText(), "(several values)");
    const int steps = form->document().undoStack().count();
    QTest::keyClicks(tip(), QStringLiteral("Shared"));
    QTest::keyClick(tip(), Qt::Key_Return);
    EXPECT_EQ(field(&SliderItem::ToolTip), (Names{"Shared", "Shared", "B1", "C", "Shared"}));
    EXPECT_EQ(field(&SliderItem::Link), (Names{"x", "y", "", "x", "x"}));
    EXPECT_EQ(form->document().undoStack().count(), steps + 1);
    EXPECT_EQ(tip()->placeholderText(), "");

    // Links shared by A and D show as they are and change together.
    pick({a, d});
    EXPECT_EQ(link()->currentText(), "x");
    link()->lineEdit()->selectAll();
    QTest::keyClicks(link()->lineEdit(), QStringLiteral("z"));
    QTest::keyClick(link()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(field(&SliderItem::Link), (Names{"z", "y", "", "x", "z"}));

    actions().undoAction->trigger();
    EXPECT_EQ(field(&SliderItem::Link), (Names{"x", "y", "", "x", "x"}));
    actions().undoAction->trigger();
    EXPECT_EQ(field(&SliderItem::ToolTip), (Names{"A", "B", "B1", "C", "D"}));
    // One item selected again: its own page, as before.
    pick({b});
    EXPECT_EQ(link()->currentText(), "y");
    EXPECT_EQ(tip()->text(), "B");
}

TEST_F(SeveralItems, DeleteAndMoveActOnEachSelectedBlockOnce) {
    struct Row {
        const char* what;
        Names picked;
        QAction* MainActions::*command;
        Prompter::Answer answer;
        Names after;
    };
    const Row rows[] = {
        {"delete three blocks", {"A", "B", "D"}, &MainActions::deleteAction, Prompter::Answer::Yes, {"C"}},
        {"delete a child with its parent",
         {"B", "B1", "C"},
         &MainActions::deleteAction,
         Prompter::Answer::Yes,
         {"A", "D"}},
        {"delete a parent with its child",
         {"B", "B1"},
         &MainActions::deleteAction,
         Prompter::Answer::Yes,
         {"A", "C", "D"}},
        {"delete answered No",
         {"A", "C"},
         &MainActions::deleteAction,
         Prompter::Answer::No,
         {"A", "B", "B1", "C", "D"}},
        {"up, apart", {"B", "D"}, &MainActions::moveUpAction, {}, {"B", "B1", "A", "D", "C"}},
        {"up, the first one stays",
         {"A", "C", "D"},
         &MainActions::moveUpAction,
         {},
         {"A", "C", "D", "B", "B1"}},
        {"down, apart", {"A", "C"}, &MainActions::moveDownAction, {}, {"B", "B1", "A", "D", "C"}},
        {"down, together", {"B", "C"}, &MainActions::moveDownAction, {}, {"A", "D", "B", "B1", "C"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        build();
        std::vector<QTreeWidgetItem*> picked;
        for (const std::string& name : row.picked) picked.push_back(node(name));
        tree()->setCurrentItem(picked.front());
        for (QTreeWidgetItem* n : picked) n->setSelected(true);
        const bool deleting = row.command == &MainActions::deleteAction;
        if (deleting) prompter.queueAnswer(row.answer);
        const size_t asked = prompter.asked().size();
        (actions().*row.command)->trigger();
        EXPECT_EQ(prompter.asked().size(), asked + (deleting ? 1 : 0));
        EXPECT_EQ(itemNames(), row.after);
        EXPECT_EQ(treeNames(), row.after);
        if (!deleting) {
            // The selection moves with the blocks; undo gives the order back.
            EXPECT_EQ(tree()->selectedItems().size(), qsizetype(picked.size()));
            actions().undoAction->trigger();
            EXPECT_EQ(itemNames(), (Names{"A", "B", "B1", "C", "D"}));
        }
    }
}

// Dropping a dragged selection: every block lands side by side in tree
// order, the place counted without the blocks; one undo step, exactly.
TEST_F(SeveralItems, DroppedSelectionMovesEachBlockOnceInTreeOrder) {
    using Place = DesignTreeWidget::DropPlace;
    struct Row {
        const char* what;
        Names picked;
        const char* target;
        Place place;
        Names after;  // empty: refused
        std::vector<int> depths;
    };
    const Row rows[] = {
        {"apart, below", {"A", "C"}, "D", Place::After, {"B", "B1", "D", "A", "C"}, {1, 2, 1, 1, 1}},
        {"apart, above", {"B", "D"}, "A", Place::Before, {"B", "B1", "D", "A", "C"}, {1, 2, 1, 1, 1}},
        {"taken from above", {"A", "C"}, "D", Place::Before, {"B", "B1", "A", "C", "D"}, {1, 2, 1, 1, 1}},
        {"both above", {"A", "B"}, "C", Place::After, {"C", "A", "B", "B1", "D"}, {1, 1, 1, 2, 1}},
        {"after the next one", {"A", "C"}, "B", Place::After, {"B", "B1", "A", "C", "D"}, {1, 2, 1, 1, 1}},
        {"a parent with its child",
         {"B1", "B", "D"},
         "A",
         Place::Before,
         {"B", "B1", "D", "A", "C"},
         {1, 2, 1, 1, 1}},
        {"into a leaf", {"D", "A"}, "C", Place::Into, {"B", "B1", "C", "A", "D"}, {1, 2, 1, 2, 2}},
        {"into a child", {"A", "C"}, "B1", Place::Into, {"B", "B1", "A", "C", "D"}, {1, 2, 3, 3, 1}},
        {"onto a picked one", {"A", "C"}, "C", Place::Into, {}, {}},
        {"into a picked block", {"B", "D"}, "B1", Place::Into, {}, {}},
        {"where they stand", {"B", "C"}, "A", Place::After, {}, {}},
    };
    const Names before{"A", "B", "B1", "C", "D"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        build();
        QList<QTreeWidgetItem*> picked;
        for (const std::string& name : row.picked) picked << node(name);
        tree()->setCurrentItem(picked.front());
        for (QTreeWidgetItem* n : picked) n->setSelected(true);
        const int steps = form->document().undoStack().count();
        const bool refused = row.after.empty();
        auto* view = static_cast<DesignTreeWidget*>(tree());
        EXPECT_EQ(
            DesignTreeWidget::canMove(view->blocksDraggedWith(picked.front()), node(row.target), row.place),
            !refused);
        form->editor().moveNodes(picked, node(row.target), row.place);
        EXPECT_EQ(form->document().undoStack().count(), steps + (refused ? 0 : 1));
        if (refused) {
            EXPECT_EQ(itemNames(), before);
            continue;
        }
        EXPECT_EQ(itemNames(), row.after);
        EXPECT_EQ(treeNames(), row.after);
        std::vector<int> depths;
        for (int i = 1; i < nodes().count(); ++i) depths.push_back(nodes().depth(i));
        EXPECT_EQ(depths, row.depths);
        for (size_t i = 0; i < items().size(); ++i)
            EXPECT_EQ(items()[i].Level, std::to_string(depths[i] - 1));
        EXPECT_EQ(tree()->selectedItems().size(), qsizetype(picked.size()));
        EXPECT_TRUE(form->editor().isModified());
        actions().undoAction->trigger();
        EXPECT_EQ(treeNames(), before);
        EXPECT_EQ(levels(), (Names{"0", "0", "1", "0", "0"}));
        EXPECT_FALSE(form->editor().isModified());
        actions().redoAction->trigger();
        EXPECT_EQ(itemNames(), row.after);
    }
    // The step keeps the moves, not the nodes between them.
    build();
    const std::size_t bytes = form->document().historyBytes();
    form->editor().moveNodes({a, c}, d, Place::After);
    EXPECT_LT(form->document().historyBytes() - bytes, sizeof(UndoStep) + sizeof(NodeRecord));
}

// A drag takes the selection along only from one of its nodes, and a node
// inside a selected block drags that block.
TEST_F(SeveralItems, ADragTakesTheSelectedBlocksAlong) {
    auto* view = static_cast<DesignTreeWidget*>(tree());
    pick({b, b1, d});
    // Pressing a selected node, where a drag starts, keeps the selection.
    QTest::mousePress(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(b1).center());
    ASSERT_EQ(tree()->currentItem(), b1);
    EXPECT_EQ(view->blocksDraggedWith(b1), (QList<QTreeWidgetItem*>{b, d}));
    EXPECT_EQ(view->blocksDraggedWith(c), (QList<QTreeWidgetItem*>{c}));
    EXPECT_TRUE(view->blocksDraggedWith(root()).isEmpty());
}

TEST_F(SeveralItems, NodesShowThePictureNameUnlessTheWarningCaptionAndTheChoiceIsKept) {
    items()[0].OriginalImagePath = (dir.path() + QStringLiteral("/photos/img10.jpg")).toStdString();
    a->setText(0, QStringLiteral("Item"));
    b->setText(0, QStringLiteral("Warning: Original image not found."));
    items()[1].OriginalImagePath = "gone.jpg";
    c->setText(0, QStringLiteral("Item"));  // no picture chosen
    form->editor().refreshItemDecorations();
    ItemDecorations& shown = form->editor().Decorations();
    EXPECT_EQ(shown.shownCaption(a), QStringLiteral("Item \u00B7 img10.jpg"));
    EXPECT_EQ(shown.shownCaption(b), "Warning: Original image not found.");
    EXPECT_EQ(shown.shownCaption(c), "Item");
    ASSERT_TRUE(actions().fileNamesAction->isChecked());
    actions().fileNamesAction->trigger();
    EXPECT_EQ(shown.shownCaption(a), "Item");
    EXPECT_FALSE(ReadSetting(settings, kShowFileNamesSetting));
}

TEST_F(SeveralItems, TreeKeysReachTheCommandsAndThePopup) {
    tree()->setCurrentItem(d);
    QTest::keyClick(tree(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(itemNames(), (Names{"A", "B", "B1", "D", "C"}));
    prompter.queueAnswer(Prompter::Answer::Yes);
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(itemNames(), (Names{"A", "B", "B1", "C"}));
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_Menu, Qt::NoModifier}}) {
        bool opened = false;
        QObject::connect(actions().popup, &QMenu::aboutToShow, actions().popup, [&] {
            opened = true;
            QTimer::singleShot(0, actions().popup, &QMenu::close);
        });
        QTest::keyClick(tree(), key, modifiers);
        EXPECT_TRUE(opened) << key;
        actions().popup->disconnect();
    }
}

// Within a menu no two entries share an access key, unless both have a
// shortcut (pairs of captions that must stay as they are).
TEST_F(SeveralItems, AccessKeysDoNotClashWithinAMenu) {
    QList<QMenu*> menus{actions().popup};
    for (QAction* entry : form->menuBar()->actions())
        if (entry->menu()) menus << entry->menu();
    auto accessKey = [](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    for (QMenu* menu : menus) {
        std::map<QChar, QList<QAction*>> byKey;
        for (QAction* entry : menu->actions())
            if (!entry->isSeparator()) byKey[accessKey(entry->text())] << entry;
        for (const auto& [key, entries] : byKey) {
            EXPECT_FALSE(key.isNull()) << entries.front()->text().toStdString();
            if (entries.size() < 2) continue;
            for (QAction* entry : entries)
                EXPECT_FALSE(entry->shortcut().isEmpty())
                    << menu->title().toStdString() << ": " << entry->text().toStdString();
        }
    }
    // The View entries each show a shortcut.
    for (QAction* entry : actions().viewMenu->actions())
        EXPECT_FALSE(entry->shortcut().isEmpty()) << entry->text().toStdString();
}

}  // namespace
}  // namespace marivel::test
