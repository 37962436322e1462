// The main window as it starts, its bottom line, the hint line, the
// standard error box and the opening of a project by path.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "editor/editor_fixture.h"
#include "editor/item_page.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "editor/status_line.h"
#include "model/error.h"
#include "model/memory_tree.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

using Kind = ScriptedPrompter::Kind;

QLabel* hintLine(MainWindow& form) {
    return form.findChild<QLabel*>("stctxtHint");
}

// Every real mouse move carries its own time stamp; so do these.
void moveMouseOver(QWidget* w) {
    static quint64 time = 1000;
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    move.setTimestamp(++time);
    QApplication::sendEvent(w, &move);
}

TEST_F(EditorTest, StartsWithTheRootSelectedTheSliderPagesAndNothingToSave) {
    EXPECT_EQ(form->windowTitle(), "Marivel");
    ASSERT_EQ(tree()->topLevelItemCount(), 1);
    EXPECT_EQ(root()->text(0), "Marivel");
    EXPECT_EQ(root()->childCount(), 0);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_TRUE(root()->isSelected());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(activeTab(), "Script");
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(actions().saveAction->isEnabled());
    EXPECT_FALSE(form->findChild<QToolButton*>("tlbtnSave")->isEnabled());
    EXPECT_EQ(commands(), (Commands{true, true, true, true}));  // untouched until the tree is used
    EXPECT_EQ(form->editor().currentItemNode(), nullptr);
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());
    EXPECT_FALSE(form->editor().treeEventsSuppressed());
    EXPECT_EQ(form->editor().lastPageIndex(), 0);
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(hintLine(*form)->text(), "");
    EXPECT_EQ(form->findChild<QProgressBar*>("prgrsbrMainFormBottom")->value(), 0);
    EXPECT_EQ(form->findChild<QLineEdit*>("edt_pSliderName")->text(), "VSlider1");
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(EditorTest, EveryNamedControlExists) {
    const char* names[] = {"tlbr1",           "tlbtnNew",     "tlbtnOpen",   "tlbtnSave",
                           "tlbtnInsert",     "tlbtnDelete",  "tlbtnMoveUp", "tlbtnMoveDown",
                           "tlbtnBuildHTML",  "tlbtnPreview", "tlbtnHelp",   "pnlTreeView",
                           "trvwDesignPanel", "pgcntrl1",     "tbshtScript", "tbshtItemGeneral",
                           "tbshtPath",       "StatusBar1",   "stctxtHint",  "prgrsbrMainFormBottom"};
    for (const char* name : names) EXPECT_NE(form->findChild<QWidget*>(name), nullptr) << name;
    const char* menuEntries[] = {
        "New1",       "Open1",      "Save1",       "Save2",   "Templet1",    "SaveAsTemplate1", "Exit1",
        "ToolBar1",   "StatusBar2", "Insert2",     "Delete2", "MoveUp2",     "MoveDown2",       "Preview1",
        "BuildHTML1", "Publish1",   "WebBrowser1", "Topic1",  "ViewSample1", "Homepage1",       "ContactUs1",
        "About1",     "Insert1",    "Delete1",     "MoveUp1", "MoveDown1"};
    for (const char* name : menuEntries) EXPECT_NE(actions().byName(name), nullptr) << name;
    EXPECT_EQ(actions().saveAction->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(actions().previewAction->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(actions().toolButtons().size(), 10);
    QStringList menus;
    for (QAction* a : form->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Item", "&Script", "&Option", "&Help"}));
}

TEST_F(EditorTest, HintLineFollowsTheMouseOverTheListedControls) {
    QLabel* hint = hintLine(*form);
    QToolButton* open = form->findChild<QToolButton*>("tlbtnOpen");
    moveMouseOver(open);
    EXPECT_EQ(hint->text(), "Open a project from the file that you saved before");
    moveMouseOver(form->findChild<QToolButton*>("tlbtnPreview"));
    EXPECT_EQ(hint->text(), "preview the applet in web browser");
    moveMouseOver(form->findChild<QStatusBar*>("StatusBar1"));  // no handler: the line stays
    EXPECT_EQ(hint->text(), "preview the applet in web browser");
    QWidget* spin = form->findChild<QWidget*>("spnedt_pWidth");
    moveMouseOver(spin);  // the spin edits carry their own hint text, or none
    EXPECT_EQ(hint->text(), spin->property("hint").toString());
    moveMouseOver(tree()->viewport());
    EXPECT_EQ(hint->text(), "Add, remove or move items by right-clicking the mouse.");
    moveMouseOver(form->findChild<QWidget*>("tbshtScript"));
    EXPECT_EQ(hint->text(), form->findChild<QWidget*>("tbshtScript")->property("hint").toString());
}

TEST_F(EditorTest, HintLineWatchesEveryListedControl) {
    const char* names[] = {"tbshtScript",
                           "pnl_pBgColor",
                           "pnl_pContainerBorderColor",
                           "pnl_pImageBorderColor",
                           "spnedt_pWidth",
                           "spedt_pHeight",
                           "spnedt_pStep",
                           "spnedt_pDelay",
                           "spnedt_pGap",
                           "spnedt_pTrailerSpace",
                           "spnedt_pContainerBorderWidth",
                           "spnedt_pImageBorderWidth",
                           "GroupBox7",
                           "spdbtnItURL",
                           "spdbtnOriginalImagePath",
                           "edt_IToolTip",
                           "pnlTreeView",
                           "trvwDesignPanel"};
    QLabel* hint = hintLine(*form);
    for (const char* name : names) {
        auto* control = form->findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_TRUE(control->hasMouseTracking()) << name;
        control->setProperty("hint", QString("hint of ") + name);
        moveMouseOver(control);
        EXPECT_EQ(hint->text(), QString("hint of ") + name);
    }
    for (QToolButton* button : actions().toolButtons()) {
        moveMouseOver(button);
        EXPECT_FALSE(hint->text().isEmpty());
        EXPECT_EQ(hint->text(), button->property("hint").toString());
    }
}

TEST_F(EditorTest, ToggleViewsHideTheToolBarAndTheWholeBottomLine) {
    actions().statusBarAction->trigger();
    EXPECT_FALSE(actions().statusBarAction->isChecked());
    EXPECT_FALSE(form->findChild<QWidget*>("StatusBar1")->isVisible());
    EXPECT_FALSE(hintLine(*form)->isVisible());
    EXPECT_FALSE(form->findChild<QWidget*>("prgrsbrMainFormBottom")->isVisible());
    actions().toolBarAction->trigger();
    EXPECT_FALSE(actions().toolBar->isVisible());
    actions().statusBarAction->trigger();
    actions().toolBarAction->trigger();
    EXPECT_TRUE(hintLine(*form)->isVisible());
    EXPECT_TRUE(actions().toolBar->isVisible());
}

TEST_F(EditorTest, BottomLineShowsActivityAndResetsOnEveryExit) {
    StatusLine& line = form->statusLine();
    auto* bar = form->findChild<QProgressBar*>("prgrsbrMainFormBottom");
    try {
        ActivityScope scope(line, "Saving Data ... ...", true);
        EXPECT_EQ(hintLine(*form)->text(), "Saving Data ... ...");
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        line.setProgressMaximum(15);
        line.advanceProgress(10);
        line.advanceProgress(10);  // never past the maximum
        EXPECT_EQ(bar->maximum(), 15);
        EXPECT_EQ(bar->value(), 15);
        throw Error("disk full");
    } catch (const Error&) {
    }
    EXPECT_EQ(hintLine(*form)->text(), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(bar->value(), 0);
    line.setBusy(true);
    line.setBusy(true);
    line.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(EditorTest, TheWindowStaysAliveWhileImagesArePreparedAndACloseWaitsForTheEnd) {
    // Photos big enough that the image pass has to wait for its workers.
    const std::filesystem::path folder = dir.path().toStdString();
    for (int k = 0; k < 3; ++k) {
        test::JpegRecipe recipe{.width = 2400, .height = 1600};
        recipe.pixel = [k](int x, int y) { return test::Rgb{(x + k * 60) % 256, y % 256, (x * y) % 256}; };
        const std::filesystem::path photo = folder / ("photo" + std::to_string(k) + ".jpg");
        test::WriteJpeg(photo, recipe);
        add(root(), "photo " + std::to_string(k));
        items().back().OriginalImagePath = photo.string();
    }
    QString hintMeanwhile;
    bool closedMeanwhile = true;
    // Timers are not user input: this one runs while the workers do.
    QTimer::singleShot(0, form.get(), [&] {
        hintMeanwhile = hintLine(*form)->text();
        form->close();
        closedMeanwhile = !form->isVisible();
    });
    form->editor().documentAgent().MakeHTMLCodes(folder / "page.html", nodes());
    EXPECT_TRUE(hintMeanwhile.startsWith("Preparing images ... ")) << hintMeanwhile.toStdString();
    EXPECT_TRUE(hintMeanwhile.endsWith(" of 3")) << hintMeanwhile.toStdString();
    EXPECT_FALSE(closedMeanwhile);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(hintLine(*form)->text(), "");
    EXPECT_EQ(items()[2].ImageFile, "slider2.jpg");
    // Back in the event loop, the close that was asked for happens.
    QApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
}

TEST(StandardErrorBox, AddsAPeriodOnlyAfterCharactersSortingAfterIt) {
    const std::pair<QString, QString> rows[] = {
        {"Cannot open file", "Cannot open file."},
        {"Done.", "Done."},
        {"open failed!", "open failed!"},
        {"(see above)", "(see above)"},
        {"trailing blank ", "trailing blank "},
        {"ends in a dash -", "ends in a dash -"},
        {"path /", "path /."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"number 9", "number 9."},
        {"quoted \"x\"", "quoted \"x\""},
        {"ü", "ü."},
        {"", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(StandardErrorText(in), out) << in.toStdString();
}

TEST(StandardErrorBox, CommandErrorsAreShownAndNeverEscape) {
    ScriptedPrompter prompter;
    RunCommand(prompter, nullptr, [] { throw Error("The file C:\\a.mvl cannot be read"); });
    RunCommand(prompter, nullptr, [] { throw std::runtime_error("bad things happened!"); });
    RunCommand(prompter, nullptr, [] { throw 42; });
    bool ran = false;
    RunCommand(prompter, nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    ASSERT_EQ(prompter.asked().size(), 3u);
    EXPECT_EQ(prompter.asked()[0].text, "The file C:\\a.mvl cannot be read.");
    EXPECT_EQ(prompter.asked()[0].caption, "Tessaline");
    EXPECT_EQ(prompter.asked()[0].kind, Kind::Error);
    EXPECT_EQ(prompter.asked()[1].text, "bad things happened!");
    EXPECT_FALSE(prompter.asked()[2].text.isEmpty());
}

TEST(CommandLine, ArgumentsAreJoinedWithOneSpaceAndTrimmed) {
    const std::pair<QStringList, QString> rows[] = {
        {{}, ""},
        {{"C:\\My", "Work\\a.mvl"}, "C:\\My Work\\a.mvl"},
        {{"/home/a/my", "project.mvl"}, "/home/a/my project.mvl"},
        {{"   "}, ""},
        {{"\t/x.mvl\n"}, "/x.mvl"},
        {{"a", "", "b"}, "a  b"},
        {{"one.mvl", "two.mvl"}, "one.mvl two.mvl"},
    };
    for (const auto& [args, joined] : rows)
        EXPECT_EQ(JoinCommandLine(args), joined) << args.join('|').toStdString();
}

// --- opening by path ------------------------------------------------------------

class OpenByPath : public EditorTest {
protected:
    // A project with a nested item, written by the core itself.
    QString writeProject(const QString& name) {
        DocumentAgent writer(std::filesystem::path(dir.path().toStdString()));
        writer.ResetProject();
        writer.AppletData.SliderName = "Gallery";
        writer.AppletData.Width = "321";
        MemoryDesignTree layout;
        for (const auto& [caption, parent] : {std::pair{"A", 0}, {"A1", 1}, {"B", 0}}) {
            const int n = layout.addChild(parent, caption);
            SliderItem item = DocumentAgent::MakeNewItem();
            item.ToolTip = caption;
            item.Level = std::to_string(layout.depth(n) - 1);
            writer.InsertItem(n - 1, item);
        }
        const QString path = dir.filePath(name);
        writer.SaveProject(std::filesystem::path(path.toStdString()));
        return path;
    }
};

TEST_F(OpenByPath, RebuildsTheTreeAndFillsThePages) {
    const QString path = writeProject("my project.mvl");
    form->editor().insertItem();
    select(root()->child(0));
    prompter.queueAnswer(Prompter::Answer::No);  // the inserted item is given up
    form->openProjectByPath(path);
    EXPECT_EQ(itemNames(), (std::vector<std::string>{"A", "A1", "B"}));
    EXPECT_EQ(nodes().count(), 4);
    EXPECT_EQ(nodes().depth(2), 2);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
    EXPECT_EQ(form->findChild<QLineEdit*>("edt_pSliderName")->text(), "Gallery");
    EXPECT_EQ(form->editor().currentFileName(), path);
    EXPECT_EQ(form->editor().currentItemNode(), nullptr);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_FALSE(form->editor().treeEventsSuppressed());
    // The reader reported through the bottom line and left it clean.
    EXPECT_EQ(hintLine(*form)->text(), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form->findChild<QProgressBar*>("prgrsbrMainFormBottom")->value(), 0);
    select(nodes().item(3));
    EXPECT_EQ(form->findChild<QLineEdit*>("edt_IToolTip")->text(), "B");
}

// New and Open select the root without a mouse press; the commands follow
// it, whatever node was selected before.
TEST_F(OpenByPath, NewAndOpenLeaveTheCommandsOfTheRoot) {
    const QString path = writeProject("a.mvl");
    struct Row {
        const char* what;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"new", [&] { actions().newAction->trigger(); }},
        {"open", [&] { form->openProjectByPath(path); }},
        {"open of the same project again", [&] { form->openProjectByPath(path); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (root()->childCount() == 0) form->editor().insertItem();
        select(root()->child(root()->childCount() - 1));
        ASSERT_FALSE(commands().insert);
        ASSERT_TRUE(commands().remove);
        prompter.queueAnswer(Prompter::Answer::No);
        row.act();
        ASSERT_EQ(tree()->currentItem(), root());
        ASSERT_EQ(commands(), (Commands{true, false, false, false}));
        actions().insertAction->trigger();
        EXPECT_EQ(root()->child(root()->childCount() - 1)->text(0), "Item");
    }
}

TEST_F(OpenByPath, FileOfAnotherProductIsRefusedAndTheEditorStaysConsistent) {
    const QString good = writeProject("good.mvl");
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray text = in.readAll();
    text.replace("\r\nMarivel\r\n", "\r\nSomething Else\r\n");
    QFile out(dir.filePath("other.mvl"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();

    form->editor().insertItem();
    form->editor().insertItem();
    prompter.queueAnswer(Prompter::Answer::No);
    form->openProjectByPath(out.fileName());
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "This file wasn't saved by Marivel 1.1, open failed!");
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(nodes().count(), 3);  // the tree matches the model again
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());
    EXPECT_FALSE(form->editor().treeEventsSuppressed());
    select(root()->child(1));  // and the commands work on it
    EXPECT_EQ(visibleTabs(), QStringList{"Item General"});
}

TEST_F(OpenByPath, MissingFileFailsThroughTheCallerAndLeavesTheProject) {
    form->editor().insertItem();
    prompter.queueAnswer(Prompter::Answer::No);
    EXPECT_ANY_THROW(form->openProjectByPath(dir.filePath("absent.mvl")));
    EXPECT_EQ(nodes().count(), 2);
    EXPECT_EQ(items().size(), 1u);
    form->openProjectByPath("");  // an empty path does nothing
    EXPECT_EQ(nodes().count(), 2);
}

TEST_F(OpenByPath, OpenCommandShowsErrorsInTheStandardBox) {
    prompter.queuePath(dir.filePath("absent.mvl"));
    actions().openAction->trigger();
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->caption, "Tessaline");
    EXPECT_EQ(nodes().count(), 1);
    prompter.queuePath("");  // a cancelled dialog opens nothing
    actions().openAction->trigger();
    EXPECT_EQ(prompter.count(Kind::Error), 1);
}

TEST_F(EditorTest, CommittingThePanesBuildsTheWholeSliderRecordAndTheShownItem) {
    const SliderSettings before = form->editor().documentAgent().GetAppletData();
    form->editor().commitPages();
    SliderSettings after = form->editor().documentAgent().GetAppletData();
    EXPECT_EQ(after.CfgName, before.SliderName + "cfg");
    EXPECT_EQ(after.CfgNameCopy, before.SliderName + "cfg");
    EXPECT_EQ(after.DivId, before.SliderName + "_div");
    // Everything else comes back as it was loaded.
    after.CfgName = before.CfgName;
    after.CfgNameCopy = before.CfgNameCopy;
    after.DivId = before.DivId;
    EXPECT_EQ(after, before);

    form->editor().insertItem();
    select(root()->child(0));
    form->findChild<QLineEdit*>("edt_IToolTip")->setText(" tip ");
    form->findChild<QLineEdit*>("edt_pSliderName")->setText("  Gallery  ");
    form->editor().commitPages();
    EXPECT_EQ(items()[0].ToolTip, "tip");
    EXPECT_EQ(form->editor().documentAgent().AppletData.SliderName, "Gallery");
    EXPECT_EQ(form->editor().documentAgent().AppletData.DivId, "Gallery_div");
}

// A choice the user makes on a page is as much an unsaved change as typing:
// right after a save, it alone must enable Save and bring the question about
// unsaved changes when the window closes.
TEST_F(EditorTest, ChoicesTheUserMakesAfterASaveAreNotLostOnClosing) {
    form->editor().insertItem();
    auto* styleList = form->findChild<QComboBox*>("cmbx_pImageBorderStyle");
    auto* frameStyle = form->findChild<QComboBox*>("cmbx_pContainerBorderStyle");
    auto* upload = form->findChild<QRadioButton*>("rdbtnpInternalUse_RootDir_Local_Checked2");
    auto* local = form->findChild<QRadioButton*>("rdbtnpInternalUse_RootDir_Local_Checked");
    auto* imagePath = form->findChild<QLineEdit*>("edtOriginalImagePath");
    auto* pick = form->findChild<QToolButton*>("spdbtnOriginalImagePath");
    auto onPage = [this](QWidget* page) {
        select(page == form->itemPage() ? root()->child(0) : root());
        form->propertyTabs()->setCurrentWidget(page);
        QApplication::processEvents();
    };
    struct Row {
        const char* what;
        QWidget* page;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"image border style by the keyboard", form->scriptPage(),
         [&] { QTest::keyClick(styleList, Qt::Key_Down); }},
        {"slider border style by the wheel", form->scriptPage(),
         [&] {
             QWheelEvent wheel(QPointF(5, 5), frameStyle->mapToGlobal(QPointF(5, 5)), QPoint(),
                               QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(frameStyle, &wheel);
         }},
        {"upload choice by the mouse", form->pathPage(), [&] { QTest::mouseClick(upload, Qt::LeftButton); }},
        {"local choice by the space bar", form->pathPage(), [&] { QTest::keyClick(local, Qt::Key_Space); }},
        {"image path typed", form->itemPage(),
         [&] { QTest::keyClicks(imagePath, QStringLiteral("/pics/a.jpg")); }},
        {"image picked", form->itemPage(),
         [&] {
             prompter.queuePath(QStringLiteral("/pics/b.jpg"));
             pick->click();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        onPage(row.page);
        SliderSettings applet;
        form->scriptPage()->apply(applet);
        form->pathPage()->apply(applet);
        const SliderItem item = form->itemPage()->commit();
        form->editor().clearModified();
        row.act();
        EXPECT_TRUE(form->editor().isModified());
        EXPECT_TRUE(actions().saveAction->isEnabled());
        // The change is really there, on the page (and, for a finished edit,
        // in the model already: each is a step of the undo history).
        SliderSettings shown;
        form->scriptPage()->apply(shown);
        form->pathPage()->apply(shown);
        EXPECT_TRUE(!(applet == shown) || !(form->itemPage()->commit() == item));
        prompter.queueAnswer(Prompter::Answer::Cancel);
        EXPECT_FALSE(form->close());
        EXPECT_EQ(prompter.count(Kind::YesNoCancel), 1);
        prompter.clear();
    }
}

// A save by shortcut or tool button leaves the focus in the spin edit being
// typed in; the edit then shows the number the commit stored, not the text
// it read it from.
TEST_F(EditorTest, CommitShowsTheNumberItStoresInTheSpinEditBeingTyped) {
    struct Row {
        QString typed;
        std::string stored;
    };
    const Row rows[] = {
        {"12345", "9999"}, {"-99999999999", "-9999"}, {"", "-9999"}, {" 7 ", "7"}, {"007", "7"}};
    auto* width = form->findChild<QWidget*>("spnedt_pWidth");
    auto* edit = width->findChild<QLineEdit*>();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        width->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, row.typed);
        ASSERT_EQ(edit->text(), row.typed);
        form->editor().commitPages();
        EXPECT_EQ(form->editor().documentAgent().AppletData.Width, row.stored);
        EXPECT_EQ(edit->text().toStdString(), row.stored);
    }
}

TEST_F(EditorTest, PageEditsMarkTheProjectModified) {
    form->findChild<QLineEdit*>("edt_pSliderName")->setText("Other");
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_TRUE(actions().saveAction->isEnabled());
    form->editor().clearModified();
    EXPECT_FALSE(actions().saveAction->isEnabled());
}

}  // namespace
}  // namespace marivel::test

namespace marivel::test {
namespace {

TEST(MainFormStart, RegistersProjectFilesForThisProgramAndIgnoresFailures) {
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    RecordingShell shell;
    MainWindowOptions options;
    options.programFolder = std::filesystem::path(dir.path().toStdString());
    options.executable = "/opt/new place/marivel";
    options.dataHome = dir.filePath("data");
    options.runCacheUpdaters = false;
    {
        QDir().mkpath(dir.filePath("data/applications"));
        QFile old(dir.filePath("data/applications/marivel.desktop"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("[Desktop Entry]\nExec=\"/old/marivel\" %f\n");
    }
    MainWindow form(prompter, settings, shell, options);
    QFile entry(dir.filePath("data/applications/marivel-portable.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("Exec=\"/opt/new place/marivel\" %f"));

    // A data folder that cannot be written: the window still starts, silently.
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    options.dataHome = dir.filePath("blocked");
    MainWindow second(prompter, settings, shell, options);
    EXPECT_EQ(second.windowTitle(), "Marivel");
    EXPECT_TRUE(prompter.asked().empty());
}

}  // namespace
}  // namespace marivel::test

namespace marivel::test {
namespace {

class CommandLineStart : public EditorTest {
protected:
    QString sample() {
        DocumentAgent writer(std::filesystem::path(dir.path().toStdString()));
        writer.ResetProject();
        SliderItem item = DocumentAgent::MakeNewItem();
        item.Level = "0";
        writer.InsertItem(0, item);
        QDir().mkpath(dir.filePath("My Work"));
        const QString path = dir.filePath("My Work/a.mvl");
        writer.SaveProject(std::filesystem::path(path.toStdString()));
        return path;
    }
};

TEST_F(CommandLineStart, PathSplitAtItsSpaceIsJoinedAndOpened) {
    const QString path = sample();
    const qsizetype space = path.indexOf(' ');
    form->editor().markModified();  // nothing may be asked about it
    OpenCommandLineProject(*form, {path.left(space), path.mid(space + 1)});
    EXPECT_EQ(form->editor().currentFileName(), path);
    EXPECT_EQ(nodes().count(), 2);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(CommandLineStart, BlankOrMissingProjectsOpenNothingAndSayNothing) {
    OpenCommandLineProject(*form, {"   "});
    OpenCommandLineProject(*form, {});
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());
    form->editor().markModified();
    OpenCommandLineProject(*form, {dir.filePath("absent.mvl")});
    EXPECT_TRUE(prompter.asked().empty());
    EXPECT_EQ(nodes().count(), 1);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_FALSE(form->editor().isModified());       // cleared before the open ...
    EXPECT_TRUE(actions().saveAction->isEnabled());  // ... without touching the Save commands
}

}  // namespace
}  // namespace marivel::test
