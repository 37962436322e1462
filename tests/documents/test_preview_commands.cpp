// Build HTML, Preview and Publish from the main window: what the user sees in
// the dialogs, what lands in the preview folder, and what is left behind.
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>

#include "documents/html_code_window.h"
#include "documents/preview_commands.h"
#include "documents/preview_fixture.h"
#include "output/generated_files.h"
#include "output/page_insertion.h"

namespace marivel::test {
namespace {

using Kind = ScriptedPrompter::Kind;

QString Joined(const std::vector<std::string>& lines, const char* end) {
    QString text;
    for (const std::string& line : lines) text += QString::fromStdString(line) + QLatin1String(end);
    return text;
}

// The page the generator makes of the agent's current model.
QString PageOf(const DocumentAgent& agent) {
    QString text = Joined(PageLines(AdjustBorders(agent.AppletData), agent.EngineFiles, agent.Items), "\n");
    text.chop(1);
    return text;
}

QPlainTextEdit* Memo(MainWindow& form) {
    return form.previewCommands().htmlCodeWindow().memo();
}

TEST_F(PreviewTest, BuildHtmlShowsExactlyTheGeneratedPageAndCopiesAllOfIt) {
    addItem(photo("a.jpg", 320, 200));
    addItem(photo("b.jpg", 200, 300));
    HtmlCodeWindow& html = form->previewCommands().htmlCodeWindow();
    EXPECT_EQ(html.parent(), form.get());
    EXPECT_FALSE(html.isVisible());  // kept hidden until the first build
    QApplication::clipboard()->setText("something else");

    QString shownText;
    const int shown = WithModalWindows([&] { actions().buildHtmlAction->trigger(); },
                                       [&](QWidget* w) {
                                           ASSERT_EQ(w, &html);
                                           shownText = Memo(*form)->toPlainText();
                                           // Part of the text selected: the copy still takes all.
                                           QTextCursor cursor(Memo(*form)->document());
                                           cursor.setPosition(3);
                                           cursor.setPosition(40, QTextCursor::KeepAnchor);
                                           Memo(*form)->setTextCursor(cursor);
                                           w->findChild<QPushButton*>("Button2")->click();
                                           EXPECT_TRUE(w->isVisible()) << "Copy leaves the window open";
                                       });
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(prompter.asked().empty());
    EXPECT_EQ(shownText, PageOf(form->editor().documentAgent()));
    EXPECT_TRUE(shownText.contains("tessalinecfg.js"));
    EXPECT_EQ(QApplication::clipboard()->text(), shownText);
    // The page passed through a private folder: nothing in the working
    // directory or the program folder.
    EXPECT_FALSE(QFile::exists("~tmp0001.txt"));
    EXPECT_EQ(FilesIn(program), (std::set<std::string>{"preview", "recentfile.dat", "tessaline.js",
                                                       "tessalinecfg.js", "tessaline.css"}));

    // The same window again, with the page of the new build.
    addItem(photo("c.jpg", 100, 100));
    EXPECT_EQ(WithModalWindows([&] { actions().buildHtmlAction->trigger(); }), 1);
    EXPECT_EQ(&form->previewCommands().htmlCodeWindow(), &html);
    EXPECT_EQ(Memo(*form)->toPlainText(), PageOf(form->editor().documentAgent()));
}

// The two pieces a site's own page needs, copied apart or put into the page.
TEST_F(PreviewTest, BuildHtmlCopiesHeadCodeAndDivAndInsertsThemIntoAPage) {
    addItem(photo("a.jpg", 320, 200));
    const fs::path page = dir / "site" / "index.html";
    fs::create_directories(page.parent_path());
    const std::string original =
        "<html>\r\n<head>\r\n</head>\r\n<body>\r\n<h1>Me</h1>\r\n</body>\r\n</html>\r\n";
    WriteBytes(page, original);
    HtmlCodeWindow& html = form->previewCommands().htmlCodeWindow();
    EXPECT_FALSE(html.findChild<QPushButton*>("btnInsertIntoPage")->isEnabled()) << "nothing built yet";

    QString head, div;
    prompter.queuePath(QString::fromStdString(page.string()));
    WithModalWindows([&] { actions().buildHtmlAction->trigger(); },
                     [&](QWidget* w) {
                         w->findChild<QPushButton*>("btnCopyHeadCode")->click();
                         head = QApplication::clipboard()->text();
                         w->findChild<QPushButton*>("btnCopyDiv")->click();
                         div = QApplication::clipboard()->text();
                         w->findChild<QPushButton*>("btnInsertIntoPage")->click();
                     });
    const PublishingAgent& agent = form->editor().documentAgent();
    const std::vector<std::string> headLines = PageHeadCodeLines(agent.EngineFiles);
    const std::vector<std::string> divLines = PageDivLines(AdjustBorders(agent.AppletData), agent.Items);
    QString expectedHead = Joined(headLines, "\n"), expectedDiv = Joined(divLines, "\n");
    expectedHead.chop(1);
    expectedDiv.chop(1);
    EXPECT_EQ(head, expectedHead);
    EXPECT_EQ(div, expectedDiv);
    EXPECT_EQ(ReadBytes(page), InsertIntoPage(original, headLines, divLines));
    EXPECT_EQ(ReadBytes(PageBackupPath(page)), original);
    ASSERT_EQ(prompter.count(Kind::Information), 1)
        << (prompter.last() ? prompter.last()->text.toStdString() : "");
    EXPECT_TRUE(prompter.last()->text.contains("index.html~"));
    EXPECT_TRUE(prompter.last()->text.contains("holds no published slider yet"))
        << "the scripts are not beside it";

    // A page that cannot be edited safely: the standard error box, the page kept.
    WriteBytes(page, "<body></body>");
    prompter.clear();
    prompter.queuePath(QString::fromStdString(page.string()));
    WithModalWindows([&] { actions().buildHtmlAction->trigger(); },
                     [&](QWidget* w) { w->findChild<QPushButton*>("btnInsertIntoPage")->click(); });
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_TRUE(prompter.last()->text.contains("no </head>")) << prompter.last()->text.toStdString();
    EXPECT_EQ(ReadBytes(page), "<body></body>");
}

// The checks below the report name their items; a double-click goes to one.
TEST_F(PreviewTest, PublishListsTheChecksAndADoubleClickSelectsTheItem) {
    addItem(photo("a.jpg", 320, 200));
    addItem(photo("narrow.jpg", 100, 200));
    items()[0].ToolTip = "First";
    items()[1].ToolTip = "Second";
    items()[0].Link = "www.example.com";
    QStringList lines;
    int height = 0;
    WithModalWindows([&] { actions().publishAction->trigger(); },
                     [&](QWidget* w) {
                         auto* list = w->findChild<QListWidget*>("lstPublishChecks");
                         ASSERT_NE(list, nullptr);
                         EXPECT_TRUE(list->isVisible());
                         for (int k = 0; k < list->count(); ++k) lines << list->item(k)->text();
                         height = w->height();
                         QListWidgetItem* second =
                             list->findItems("Item 2 (narrow.jpg)", Qt::MatchStartsWith).value(0);
                         ASSERT_NE(second, nullptr);
                         const QRect place = list->visualItemRect(second);
                         // A user's double-click: a click, then the second press.
                         QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
                         QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
                         EXPECT_FALSE(w->isVisible()) << "the dialog closes on the user's way to the item";
                     });
    EXPECT_GT(height, 303);
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Slider: its name is still \"VSlider1\": two sliders of that name on one "
                       "page get in each other's way. Give it a name of its own (Script, "
                       "General)")))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter("Item 1 (a.jpg): its link \"www.example.com\" has no scheme").size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter("Item 2 (narrow.jpg): its picture is 100 pixels wide").size(), 1);
    auto* tree = form->findChild<QTreeWidget*>("trvwDesignPanel");
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->parent(), tree->topLevelItem(0));
    EXPECT_EQ(tree->topLevelItem(0)->indexOfChild(tree->currentItem()), 1);
}

TEST_F(PreviewTest, WithoutItemsBothCommandsSaySoAndNeitherBuildsNorOpensAnything) {
    struct Row {
        const char* name;
        QAction* MainActions::*command;
        int windowsShown;  // Build HTML still shows the window, with its old text
    };
    const Row rows[] = {
        {"Build HTML menu", &MainActions::buildHtmlAction, 1},
        {"Build HTML button", &MainActions::buildHtmlAction, 1},
        {"Preview menu", &MainActions::previewAction, 0},
        {"Preview button", &MainActions::previewAction, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompter.clear();
        Memo(*form)->setPlainText("<html>a page of another project</html>");
        EXPECT_EQ(WithModalWindows([&] { (actions().*row.command)->trigger(); }), row.windowsShown);
        ASSERT_EQ(prompter.asked().size(), 1u);
        EXPECT_EQ(prompter.last()->kind, Kind::Error);
        EXPECT_EQ(prompter.last()->text, "No item to build. Please add item to left pane and try again.");
        EXPECT_EQ(Memo(*form)->toPlainText(), "<html>a page of another project</html>");
        EXPECT_TRUE(recording.opened.empty());
        EXPECT_TRUE(recording.started.empty());
        EXPECT_EQ(FilesIn(program), (std::set<std::string>{"recentfile.dat", "tessaline.js"}));
    }
}

TEST_F(PreviewTest, PreviewCompletesThePreviewFolderAndOpensItsPage) {
    addItem(photo("a.jpg", 320, 200));
    addItem(photo("b.jpg", 200, 300));
    addItem((dir / "gone.jpg").string());  // a source that is missing: no image, no failure
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        recording.opened.clear();
        actions().previewAction->trigger();
        EXPECT_TRUE(prompter.asked().empty());
        EXPECT_EQ(FilesIn(preview()),
                  (std::set<std::string>{"tessaline.js", "tessalinecfg.js", "tessaline.css", "slider0.jpg",
                                         "slider1.jpg", "~preview.html"}));
        // The generated files moved; the shipped engine stays where it is.
        EXPECT_EQ(FilesIn(program), (std::set<std::string>{"preview", "recentfile.dat", "tessaline.js"}));
        EXPECT_EQ(ReadBytes(preview() / "tessaline.js"), ReadBytes(program / "tessaline.js"));
        EXPECT_EQ(QString::fromStdString(ReadBytes(preview() / "~preview.html")),
                  Memo(*form)->toPlainText().replace("\n", "\r\n") + "\r\n");
        EXPECT_NE(ReadBytes(preview() / "tessalinecfg.js").find("slider1.jpg"), std::string::npos);
        ASSERT_EQ(recording.opened.size(), 1u);
        EXPECT_EQ(recording.opened[0], QString::fromStdString((preview() / "~preview.html").string()));
        EXPECT_TRUE(recording.started.empty());
        EXPECT_EQ(hint(), "");
    }
    EXPECT_EQ(items()[0].ImageFile, "slider0.jpg");
    EXPECT_EQ(form->editor().designTreeAdapter().caption(3), "Warning: Original image not found.");
    EXPECT_FALSE(QFile::exists("~tmp0001.txt"));
}

TEST_F(PreviewTest, PreviewCommitsThePagesFirst) {
    addItem(photo("a.jpg", 320, 200));
    form->findChild<QLineEdit*>("edt_pSliderName")->setText("Harbour");
    form->treeWidget()->setCurrentItem(form->editor().designTreeAdapter().item(1));
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("Quay at dusk");
    actions().previewAction->trigger();
    const std::string script = ReadBytes(preview() / "tessalinecfg.js");
    EXPECT_NE(script.find("Harbourcfg"), std::string::npos);
    EXPECT_NE(script.find("Quay at dusk"), std::string::npos);
}

TEST_F(PreviewTest, AFailedBuildShowsTheErrorAndNeitherTheWindowNorABrowser) {
    addItem(photo("a.jpg", 320, 200));
    form->findChild<QLineEdit*>("edt_pSliderName")->setText("9 lives");
    for (QAction* command : {actions().buildHtmlAction, actions().previewAction}) {
        SCOPED_TRACE(command->objectName().toStdString());
        prompter.clear();
        EXPECT_EQ(WithModalWindows([&] { command->trigger(); }), 0);
        ASSERT_EQ(prompter.count(Kind::Error), 1);
        EXPECT_TRUE(prompter.last()->text.contains("9 lives")) << prompter.last()->text.toStdString();
        EXPECT_TRUE(recording.opened.empty());
        EXPECT_FALSE(fs::exists(preview() / "~preview.html"));
    }
}

TEST_F(PreviewTest, PublishShowsTheReportOfTheModelWithoutWritingToTheWorkingDirectory) {
    const QString head =
        "=============================================================================\n"
        "This file includes a list of filename and you need to upload them to Web server\n"
        "to get the script to work. All these files are saved into the same directory along\n"
        "with the project file (*.mvl) as well as this file.\n"
        "\n"
        "=============================================================================\n"
        "\n"
        "[Script file(s)]:\n"
        "  tessaline.js\n"
        "  tessalinecfg.js\n"
        "  tessaline.css\n"
        "\n"
        "[Image File(s)]: They should be copied along with script files!\n";
    const QString tail =
        "\n"
        "\n"
        "=============================================================================\n"
        "End of Publish Report\n"
        "=============================================================================";
    struct Row {
        const char* name;
        std::vector<std::string> imageFiles;  // one item each
        QString images;
    };
    const Row rows[] = {
        {"no items", {}, ""},
        {"images, one twice, one never prepared",
         {"slider0.jpg", "", "slider2.jpg", "slider0.jpg", "Slider0.jpg"},
         "  slider0.jpg\n  slider2.jpg\n  Slider0.jpg\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const std::string& image : row.imageFiles) addItem("", image);
        QString caption, text;
        bool readOnly = false;
        const int shown = WithModalWindows([&] { actions().publishAction->trigger(); },
                                           [&](QWidget* w) {
                                               caption = w->windowTitle();
                                               auto* memo =
                                                   w->findChild<QPlainTextEdit*>("memoPublishReport");
                                               ASSERT_NE(memo, nullptr);
                                               text = memo->toPlainText();
                                               readOnly = memo->isReadOnly();
                                           });
        EXPECT_EQ(shown, 1);
        EXPECT_TRUE(prompter.asked().empty());
        EXPECT_EQ(caption, "Applet Publish Report");
        EXPECT_TRUE(readOnly);
        EXPECT_EQ(text, head + row.images + tail);
        // Nothing was generated; the report passed through the preview folder.
        EXPECT_FALSE(QFile::exists("PublishReport.txt"));
        EXPECT_EQ(FilesIn(preview()), std::set<std::string>{"PublishReport.txt"});
        EXPECT_EQ(FilesIn(program), (std::set<std::string>{"preview", "recentfile.dat", "tessaline.js"}));
    }
}

// The report lists every picture the next save publishes, whatever was
// built, clicked or edited since: clicking items once left theirs out.
TEST_F(PreviewTest, PublishListsEveryPictureOfTheNextSave) {
    for (int i = 0; i < 5; ++i) addItem(photo("p" + std::to_string(i) + ".jpg", 64, 48));
    ASSERT_TRUE(form->previewCommands().buildHtmlCode());
    QTreeWidgetItem* root = form->treeWidget()->topLevelItem(0);
    for (int i : {0, 3, 4}) form->treeWidget()->setCurrentItem(root->child(i));
    form->findChild<QLineEdit*>("edt_IToolTip")->setText("edited");
    QString text;
    WithModalWindows(
        [&] { actions().publishAction->trigger(); },
        [&](QWidget* w) { text = w->findChild<QPlainTextEdit*>("memoPublishReport")->toPlainText(); });
    EXPECT_TRUE(
        text.contains("script files!\n  slider0.jpg\n  slider1.jpg\n  slider2.jpg\n  slider3.jpg\n"
                      "  slider4.jpg\n\n"))
        << text.toStdString();
}

TEST_F(PreviewTest, WebBrowserCommandShowsTheChoiceAndStoresItOnOk) {
    QString caption;
    const int shown = WithModalWindows([&] { actions().webBrowserAction->trigger(); },
                                       [&](QWidget* w) {
                                           caption = w->windowTitle();
                                           w->findChild<QPushButton*>("bitbtnOk")->click();
                                       });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(caption, "Web Browser");
    EXPECT_EQ(settings.readBool(SettingsStore::Hive::CurrentUser, kBrowsersKey, "UseDefaultBrowser").value,
              true);
    EXPECT_EQ(settings.valueCount(), 5);
}

}  // namespace
}  // namespace marivel::test
