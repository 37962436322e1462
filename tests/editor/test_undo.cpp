// Undo and redo of every kind of change to the project, and reordering the
// design tree by dragging: judged by what a save writes and by what the
// tree, the pages and the Edit menu show.
#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <functional>

#include <QDockWidget>
#include <QTimer>
#include <QUndoView>

#include "documents/document_commands.h"
#include "documents/image_quality_dialog.h"
#include "editor/color_swatch.h"
#include "editor/editor_fixture.h"
#include "editor/project_document.h"
#include "editor/spin_edit.h"
#include "output/source_images.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

using Names = std::vector<std::string>;
using Place = DesignTreeWidget::DropPlace;

// Red, Green with the children G1 and G2, Blue with B1; saved and opened, so the
// history starts from it.
class UndoTest : public EditorTest {
public:
    // The step table below reaches the window through these.
    using EditorTest::form;
    using EditorTest::prompter;

    void SetUp() override {
        EditorTest::SetUp();
        file = dir.filePath(QStringLiteral("project.mvl"));
        QTreeWidgetItem* parent = add(root(), "Red");
        parent = add(root(), "Green");
        add(parent, "G1");
        add(parent, "G2");
        add(add(root(), "Blue"), "B1");
        save();
        form->editor().clearModified();
        form->openProjectByPath(file);
        red = named("Red");
        green = named("Green");
        g1 = named("G1");
        g2 = named("G2");
        blue = named("Blue");
        ASSERT_FALSE(actions().undoAction->isEnabled());
    }

    // Saves under one name (Save As) and answers the project file's bytes.
    std::string save() {
        prompter.queuePath(file);
        // Saving under its own name again asks whether to replace it.
        if (QFileInfo::exists(file)) prompter.queueAnswer(Prompter::Answer::Yes);
        form->documentCommands().saveProjectAs();
        return ReadBytes(std::filesystem::path(file.toStdString()));
    }
    template <typename T>
    T* control(const char* name) const {
        T* w = form->findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    // Types text into an edit and leaves it with Return, as a user would.
    void type(QWidget* edit, const QString& text) {
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Saving rewrites the captions, so nodes are found through their items
    // (named by their tooltips): the mapping is what the tests check.
    QTreeWidgetItem* named(const std::string& name) const {
        for (size_t i = 0; i < items().size(); ++i)
            if (items()[i].ToolTip == name) return nodes().item(int(i) + 1);
        ADD_FAILURE() << "no item " << name;
        return nullptr;
    }
    std::vector<int> treeDepths() const {
        std::vector<int> depths;
        for (int i = 1; i < nodes().count(); ++i) depths.push_back(nodes().depth(i));
        return depths;
    }
    // A small JPEG in the test's folder, for the picture commands.
    QString jpeg(const char* name) const {
        const QString path = dir.filePath(QLatin1String(name));
        WriteJpeg(std::filesystem::path(path.toStdString()), {.width = 64, .height = 48});
        return path;
    }
    QString undoText() const { return actions().undoAction->text(); }
    QString redoText() const { return actions().redoAction->text(); }

    QString file;
    QTreeWidgetItem* red = nullptr;
    QTreeWidgetItem* green = nullptr;
    QTreeWidgetItem* g1 = nullptr;
    QTreeWidgetItem* g2 = nullptr;
    QTreeWidgetItem* blue = nullptr;
};

struct StepCase {
    const char* name;
    const char* undoCaption;    // as the Edit menu shows it
    const char* pageAfterUndo;  // where the step was made
    const char* selectFirst;    // the item selected before the save; nullptr: the root
    std::function<void(UndoTest&)> step;
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.name;
}

class UndoEveryStep : public UndoTest, public ::testing::WithParamInterface<StepCase> {};

const StepCase kStepCases[] = {
    {"Insert", "&Undo Insert", "Script", nullptr, [](UndoTest& t) { t.form->editor().insertItem(); }},
    {"DeleteBlock", "&Undo Delete", "Item General", "Green",
     [](UndoTest& t) {
         t.prompter.queueAnswer(Prompter::Answer::Yes);
         t.form->editor().deleteItem();
     }},
    {"MoveUpPastBlock", "&Undo Move Up", "Item General", "Blue",
     [](UndoTest& t) { t.form->editor().moveItemUp(); }},
    {"MoveDownBlock", "&Undo Move Down", "Item General", "Green",
     [](UndoTest& t) { t.form->editor().moveItemDown(); }},
    {"DragBlockIntoLeaf", "&Undo Move", "Item General", "Green",
     [](UndoTest& t) { t.form->editor().moveNode(t.named("Green"), t.named("Red"), Place::Into); }},
    {"DragLeafOutOfBlock", "&Undo Move", "Item General", "G1",
     [](UndoTest& t) { t.form->editor().moveNode(t.named("G1"), t.named("Red"), Place::Before); }},
    {"TypedName", "&Undo Name", "Script", nullptr,
     [](UndoTest& t) { t.type(t.control<QLineEdit>("edt_pSliderName"), "X"); }},
    {"TypedSpin", "&Undo Delay", "Script", nullptr,
     [](UndoTest& t) { t.type(t.control<SpinEdit>("spnedt_pDelay"), "7"); }},
    {"BorderStyle", "&Undo Slider Border Style", "Script", nullptr,
     [](UndoTest& t) { QTest::keyClick(t.control<QComboBox>("cmbx_pContainerBorderStyle"), Qt::Key_Down); }},
    {"ColorDialog", "&Undo Image Border Color", "Script", nullptr,
     [](UndoTest& t) {
         t.prompter.queueColor(QColor(0x12, 0x34, 0x56));
         QTest::mouseClick(t.control<ColorSwatch>("pnl_pImageBorderColor"), Qt::LeftButton);
     }},
    {"TypedRootDirectory", "&Undo Root Directory for Web Server", "Path", nullptr,
     [](UndoTest& t) { t.type(t.control<QLineEdit>("edtpInternalUse_RootDir_Remote"), "http://x/"); }},
    {"TypedLocalRootDirectory", "&Undo Root Directory for Local Computer", "Path", nullptr,
     [](UndoTest& t) { t.type(t.control<QLineEdit>("edtpInternalUse_RootDir_Local"), "/srv/x"); }},
    {"ConversionChoice", "&Undo Path Replacement", "Path", nullptr,
     [](UndoTest& t) { t.control<QAbstractButton>("rdbtnpInternalUse_RootDir_Local_Checked2")->click(); }},
    {"TypedTooltip", "&Undo Tooltip", "Item General", "Red",
     [](UndoTest& t) { t.type(t.control<QLineEdit>("edt_IToolTip"), " tip"); }},
    {"TypedTarget", "&Undo Target", "Item General", "Red",
     [](UndoTest& t) { t.type(t.control<QComboBox>("cmbx_ITarget")->lineEdit(), "x"); }},
    {"InsertPictures", "&Undo Insert Pictures", "Script", nullptr,
     [](UndoTest& t) {
         t.prompter.queuePaths({t.jpeg("b.jpg"), t.jpeg("a.jpg")});
         t.form->editor().insertPicturesWithDialog();
     }},
    {"DropPictures", "&Undo Drop Pictures", "Item General", "Green",
     [](UndoTest& t) {
         const QList<QUrl> urls{QUrl::fromLocalFile(t.jpeg("c.jpg"))};
         t.form->run([&] { t.form->editor().dropFilesOnTree(urls, t.named("Green"), -1); });
     }},
    {"PictureDialog", "&Undo Original Image Path", "Item General", "G1",
     [](UndoTest& t) {
         t.prompter.queuePath(QStringLiteral("/pictures/new.jpg"));
         t.control<QAbstractButton>("spdbtnOriginalImagePath")->click();
     }},
};

// Every kind of step is taken back whole: the project saves byte for byte as
// before it, the saved state counts as unsaved no more, and Redo brings the
// step back as it was done.
TEST_P(UndoEveryStep, UndoSavesAsBeforeTheStepAndRedoAsAfterIt) {
    const StepCase& c = GetParam();
    select(c.selectFirst ? named(c.selectFirst) : root());
    const std::string before = save();
    form->editor().clearModified();
    const std::vector<int> depthsBefore = treeDepths();

    c.step(*this);
    EXPECT_EQ(undoText(), QString::fromLatin1(c.undoCaption));
    EXPECT_TRUE(form->editor().isModified());
    const Names namesAfter = itemNames();
    const std::vector<int> depthsAfter = treeDepths();

    actions().undoAction->trigger();
    EXPECT_EQ(treeDepths(), depthsBefore);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().saveAction->isEnabled());
    EXPECT_EQ(activeTab(), QString::fromLatin1(c.pageAfterUndo));
    EXPECT_EQ(redoText(),
              QString::fromLatin1(c.undoCaption).replace(QStringLiteral("&Undo"), QStringLiteral("&Redo")));
    EXPECT_EQ(save(), before);

    actions().redoAction->trigger();
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_EQ(itemNames(), namesAfter);
    EXPECT_EQ(treeDepths(), depthsAfter);
    EXPECT_FALSE(actions().redoAction->isEnabled());
    const std::string after = save();
    ASSERT_NE(after, before) << "the step changed nothing that is saved";
    // And once more, now from a saved state after the step.
    actions().undoAction->trigger();
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_EQ(save(), before);
}

INSTANTIATE_TEST_SUITE_P(Steps, UndoEveryStep, ::testing::ValuesIn(kStepCases),
                         [](const auto& row) { return std::string(row.param.name); });

// --- drag reorder -------------------------------------------------------------

struct DragCase {
    const char* name;
    const char* moving;
    int ups, downs;  // the Move Up / Move Down commands that do the same
    const char* target;
    Place place;
};

void PrintTo(const DragCase& c, std::ostream* os) {
    *os << c.name;
}

class DragReorder : public UndoTest, public ::testing::WithParamInterface<DragCase> {};

// A drag within one parent leaves the project exactly as the Move Up and
// Move Down commands would: the same array, levels, tree and saved file.
TEST_P(DragReorder, SavesAsTheMoveCommandsDo) {
    const DragCase& c = GetParam();
    select(named(c.moving));
    for (int i = 0; i < c.ups; ++i) form->editor().moveItemUp();
    for (int i = 0; i < c.downs; ++i) form->editor().moveItemDown();
    const Names moved = itemNames();
    const std::vector<int> movedDepths = treeDepths();
    const std::string byCommands = save();
    const Names movedLevels = levels();
    while (actions().undoAction->isEnabled()) actions().undoAction->trigger();
    ASSERT_NE(itemNames(), moved);

    select(named(c.moving));
    form->editor().moveNode(named(c.moving), named(c.target), c.place);
    EXPECT_EQ(itemNames(), moved);
    EXPECT_EQ(treeDepths(), movedDepths);
    EXPECT_EQ(tree()->currentItem(), named(c.moving));
    EXPECT_TRUE(named(c.moving)->parent()->isExpanded());
    EXPECT_EQ(save(), byCommands);
    EXPECT_EQ(levels(), movedLevels);
}

const DragCase kDragCases[] = {
    {"BlockDownPastBlock", "Green", 0, 1, "Blue", Place::After},
    {"BlockUpToTheTop", "Blue", 2, 0, "Red", Place::Before},
    {"LeafDownPastBlock", "Red", 0, 1, "Blue", Place::Before},
    {"ChildUp", "G2", 1, 0, "G1", Place::Before},
};
INSTANTIATE_TEST_SUITE_P(Equivalents, DragReorder, ::testing::ValuesIn(kDragCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(UndoTest, DragIntoAnotherNodeReparentsTheBlockAndItsLevels) {
    save();
    green->setExpanded(true);
    red->setExpanded(false);
    select(green);
    const Names levelsBefore = levels();
    form->editor().moveNode(green, red, Place::Into);
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "G1", "G2", "Blue", "B1"}));
    EXPECT_EQ(treeDepths(), (std::vector<int>{1, 2, 3, 3, 1, 2}));
    EXPECT_EQ(levels(), (Names{"0", "1", "2", "2", "0", "1"}));
    EXPECT_EQ(green->parent(), red);
    EXPECT_TRUE(red->isExpanded());
    EXPECT_TRUE(green->isExpanded());
    EXPECT_EQ(tree()->currentItem(), green);
    EXPECT_EQ(form->editor().currentItemNode(), green);

    // Out again, after Blue: the last block of the array.
    form->editor().moveNode(green, blue, Place::After);
    EXPECT_EQ(itemNames(), (Names{"Red", "Blue", "B1", "Green", "G1", "G2"}));
    EXPECT_EQ(levels(), (Names{"0", "0", "1", "0", "1", "1"}));
    EXPECT_EQ(undoText(), "&Undo Move");

    actions().undoAction->trigger();
    actions().undoAction->trigger();
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "G1", "G2", "Blue", "B1"}));
    EXPECT_EQ(treeDepths(), (std::vector<int>{1, 1, 2, 2, 1, 2}));
    EXPECT_EQ(levels(), levelsBefore);
    QTreeWidgetItem* restored = named("Green");
    EXPECT_EQ(restored->parent(), root());
    EXPECT_EQ(restored->childCount(), 2);
    EXPECT_TRUE(restored->isExpanded());
    EXPECT_FALSE(named("Red")->isExpanded());
    EXPECT_EQ(tree()->currentItem(), restored);
    EXPECT_EQ(form->editor().currentItemNode(), restored);
}

// Moves the tree refuses, whether they come from a drop or a caller.
TEST_F(UndoTest, DropsIntoItselfBesideTheRootOrInPlaceAreRefused) {
    struct Refused {
        QTreeWidgetItem* node;
        QTreeWidgetItem* target;
        Place place;
    };
    const Refused cases[] = {
        {green, green, Place::Into},  {green, g1, Place::Into},      {green, g2, Place::After},
        {red, root(), Place::Before}, {red, root(), Place::After},   {root(), red, Place::Into},
        {red, green, Place::Before},  {green, red, Place::After},    {g2, green, Place::Into},
        {blue, green, Place::After},  {nullptr, red, Place::Before}, {red, nullptr, Place::Into},
    };
    save();
    for (const Refused& r : cases) {
        EXPECT_FALSE(DesignTreeWidget::canMove(r.node, r.target, r.place))
            << (r.node ? r.node->text(0).toStdString() : "none") << " to "
            << (r.target ? r.target->text(0).toStdString() : "none");
        form->editor().moveNode(r.node, r.target, r.place);
    }
    EXPECT_EQ(itemNames(), (Names{"Red", "Green", "G1", "G2", "Blue", "B1"}));
    EXPECT_FALSE(actions().undoAction->isEnabled());
    EXPECT_FALSE(DesignTreeWidget::canMove(blue, root(), Place::Into));  // already the last child
    EXPECT_TRUE(DesignTreeWidget::canMove(red, root(), Place::Into));
}

// The upper and lower edge of a row put the node beside it, the middle into it.
TEST_F(UndoTest, DropPositionFollowsTheRowEdges) {
    auto* view = static_cast<DesignTreeWidget*>(tree());
    const QRect row = tree()->visualItemRect(blue);
    ASSERT_TRUE(row.isValid());
    const struct {
        int y;
        QTreeWidgetItem* node;
        Place place;
    } cases[] = {
        {row.top(), blue, Place::Before},
        {row.center().y(), blue, Place::Into},
        {row.bottom(), blue, Place::After},
    };
    for (const auto& c : cases) {
        const auto target = view->dropTargetAt(red, QPoint(row.center().x(), c.y));
        EXPECT_EQ(target.node, c.node) << c.y;
        EXPECT_EQ(target.place, c.place) << c.y;
    }
    const QRect top = tree()->visualItemRect(root());
    EXPECT_EQ(view->dropTargetAt(red, QPoint(top.center().x(), top.top())).node, nullptr);
    EXPECT_EQ(view->dropTargetAt(root(), row.center()).node, nullptr);
}

// --- the history's rules -------------------------------------------------------

TEST_F(UndoTest, TypingIntoOneFieldInSeveralVisitsIsOneStep) {
    save();
    select(red);
    auto* tip = control<QLineEdit>("edt_IToolTip");
    tip->clear();
    type(tip, "a");
    type(tip, "b");
    EXPECT_EQ(undoText(), "&Undo Tooltip");
    type(control<QComboBox>("cmbx_ITarget")->lineEdit(), "x");
    EXPECT_EQ(undoText(), "&Undo Target");
    type(tip, "c");  // another field came between: a step of its own
    EXPECT_EQ(form->editor().documentAgent().Items[0].ToolTip, "abc");

    actions().undoAction->trigger();
    EXPECT_EQ(form->editor().documentAgent().Items[0].ToolTip, "ab");
    EXPECT_EQ(tip->text(), "ab");
    actions().undoAction->trigger();
    EXPECT_EQ(form->editor().documentAgent().Items[0].Target, "_self");
    actions().undoAction->trigger();
    EXPECT_EQ(form->editor().documentAgent().Items[0].ToolTip, "Red");
    EXPECT_EQ(tip->text(), "Red");
    EXPECT_FALSE(actions().undoAction->isEnabled());
    EXPECT_FALSE(form->editor().isModified());
}

// Undo commits the pages first: what was typed and not yet committed becomes
// the step Undo takes back, and Redo gives it back; nothing typed is lost.
TEST_F(UndoTest, UndoTakesBackUncommittedTypingAsAStepOfItsOwn) {
    save();
    form->editor().insertItem();
    auto* name = control<QLineEdit>("edt_pSliderName");
    QTest::keyClicks(name, "Typed");
    actions().undoAction->trigger();
    EXPECT_EQ(name->text(), "VSlider1");
    EXPECT_EQ(items().size(), 7u);  // the Insert is still there
    EXPECT_EQ(undoText(), "&Undo Insert");
    EXPECT_EQ(redoText(), "&Redo Name");
    actions().redoAction->trigger();
    EXPECT_EQ(name->text(), "VSlider1Typed");
    EXPECT_EQ(form->editor().documentAgent().AppletData.SliderName, "VSlider1Typed");
}

// Undoing an edit of an item shows that item again; selecting items,
// building and saving are no steps; New and Open start a new history.
TEST_F(UndoTest, SelectionSaveAndNewAreNoSteps) {
    save();
    select(red);
    type(control<QLineEdit>("edt_IToolTip"), "!");
    select(blue);
    select(root());
    save();
    EXPECT_EQ(undoText(), "&Undo Tooltip");
    actions().undoAction->trigger();
    EXPECT_EQ(tree()->currentItem(), red);
    EXPECT_EQ(activeTab(), "Item General");
    EXPECT_EQ(control<QLineEdit>("edt_IToolTip")->text(), "Red");
    EXPECT_TRUE(form->editor().isModified());  // the last save held the tooltip
    actions().redoAction->trigger();
    EXPECT_FALSE(form->editor().isModified());

    prompter.queueAnswer(Prompter::Answer::No);
    form->editor().insertItem();
    actions().newAction->trigger();
    EXPECT_FALSE(actions().undoAction->isEnabled());
    EXPECT_FALSE(actions().redoAction->isEnabled());
    EXPECT_EQ(undoText(), "&Undo");
}

// Ctrl+Z in a box takes back its typing first, as in any text box; with
// nothing left there, the same keys undo and redo the project.
TEST_F(UndoTest, UndoKeysInABoxGoToTheProjectOnceTheBoxHasNothingToTakeBack) {
    save();
    form->editor().insertItem();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* name = control<QLineEdit>("edt_pSliderName");
    name->setFocus();
    QTest::keyClicks(name, "ab");
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name->text(), "VSlider1");
    EXPECT_EQ(items().size(), 7u);
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(items().size(), 6u);
    QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(items().size(), 7u);
    EXPECT_EQ(name->text(), "VSlider1");
}

TEST_F(UndoTest, EditMenuFollowsFileWithItsShortcuts) {
    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(actions().undoAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(actions().redoAction->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                   QKeySequence(QStringLiteral("Ctrl+Y"))}));
}

// --- what counts as a change ------------------------------------------------------

// Looking is no change: selecting nodes, opening the pages and leaving fields
// unchanged keep Save off, and closing asks nothing.
TEST_F(UndoTest, SelectingAndLeavingFieldsUnchangedNeverModifies) {
    prompter.clear();
    for (QTreeWidgetItem* n : {red, g1, blue, root(), green}) {
        const QPoint at = tree()->visualItemRect(n).center();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(tree()->currentItem(), n);
    }
    auto* tip = control<QLineEdit>("edt_IToolTip");
    type(tip, "");  // Return in a field left as it was
    type(control<QComboBox>("cmbx_ITarget")->lineEdit(), "");
    select(root());
    type(control<QLineEdit>("edt_pSliderName"), "");
    form->propertyTabs()->setCurrentIndex(2);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().saveAction->isEnabled());
    EXPECT_FALSE(actions().undoAction->isEnabled());
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(prompter.asked().empty());
}

// Typing taken back inside the box leaves nothing to save, before and after
// the box is left.
TEST_F(UndoTest, TypingTakenBackInsideTheBoxLeavesNothingToSave) {
    select(red);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* tip = control<QLineEdit>("edt_IToolTip");
    tip->setFocus();
    tip->end(false);
    QTest::keyClicks(tip, "xy");
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_TRUE(actions().saveAction->isEnabled());
    QTest::keyClick(tip, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(tip->text(), "Red");
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().saveAction->isEnabled());
    QTest::keyClick(tip, Qt::Key_Tab);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().undoAction->isEnabled());
}

// Another image quality makes the next save write other files: Save is
// offered and writes them; the same choice again changes nothing.
TEST_F(UndoTest, AnotherImageQualityEnablesSaveAndTheSaveUsesIt) {
    select(red);
    control<QLineEdit>("edtOriginalImagePath")->setText(jpeg("wide.jpg"));
    {
        const QString wide = dir.filePath("wide.jpg");
        WriteJpeg(std::filesystem::path(wide.toStdString()), {.width = 1200, .height = 900});
    }
    save();
    form->editor().clearModified();
    auto choose = [this](Density density) {
        StoreImageQuality(settings, {ResizeMode::Exact, density});
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<ImageQualityDialog*>(QApplication::activeModalWidget()))
                d->storeAndClose();
        });
        actions().ImageQuality1->trigger();
    };
    choose(Density::Single);
    EXPECT_FALSE(form->editor().isModified());
    choose(Density::Double);
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_TRUE(actions().saveAction->isEnabled());
    actions().saveAction->trigger();
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromStdString(DoubleDensityImageName(0)))));
}

// A pick from a dialog after typing into the same field is a step of its
// own: Undo gives back what was typed.
TEST_F(UndoTest, APickAfterTypingTheSameFieldIsAStepOfItsOwn) {
    select(red);
    auto* path = control<QLineEdit>("edtOriginalImagePath");
    type(path, "/typed.jpg");
    prompter.queuePath(QStringLiteral("/pictures/picked.jpg"));
    control<QAbstractButton>("spdbtnOriginalImagePath")->click();
    ASSERT_EQ(path->text(), "/pictures/picked.jpg");
    actions().undoAction->trigger();
    EXPECT_EQ(path->text(), "/typed.jpg");
    EXPECT_EQ(undoText(), "&Undo Original Image Path");
}

// View > Undo History lists the steps; a click goes back to any of them.
TEST_F(UndoTest, UndoHistoryDockListsTheStepsAndAClickGoesBack) {
    QAction* shown = actions().byName(QStringLiteral("undoHistoryAction"));
    ASSERT_NE(shown, nullptr);
    shown->trigger();
    ASSERT_TRUE(form->undoHistoryDock()->isVisible());
    form->editor().insertItem();
    select(red);
    type(control<QLineEdit>("edt_IToolTip"), " tip");
    form->editor().moveItemDown();
    select(blue);
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->editor().deleteItem();
    select(root());
    type(control<QLineEdit>("edt_pSliderName"), "X");
    auto* view = form->undoHistoryDock()->findChild<QUndoView*>();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model()->rowCount(), 6);  // the opened project and five steps
    EXPECT_EQ(view->model()->index(3, 0).data().toString(), "Move Down");
    if (const QByteArray shots = qgetenv("MARIVEL_SHOTS"); !shots.isEmpty())
        form->grab().save(QString::fromLocal8Bit(shots) + "/undo-history.png");

    view->setCurrentIndex(view->model()->index(2, 0));
    EXPECT_EQ(form->document().undoStack().index(), 2);
    EXPECT_EQ(itemNames(), (Names{"Red tip", "Green", "G1", "G2", "Blue", "B1", ""}));
    view->setCurrentIndex(view->model()->index(0, 0));
    EXPECT_FALSE(form->editor().isModified());
}

}  // namespace
}  // namespace marivel::test
