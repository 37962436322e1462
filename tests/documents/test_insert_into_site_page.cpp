// From a folder of photos to the slider in the site's own page: the first
// save proposes a name beside the site's page, and Insert into Page saves
// the project there before it inserts.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "documents/document_places.h"
#include "documents/preview_fixture.h"
#include "output/generated_files.h"
#include "output/page_insertion.h"

namespace marivel::test {
namespace {

const std::string kIndex =
    "<html><head><title>Shop</title>\r\n</head>\r\n<body>\r\n<p>Hi</p>\r\n</body></html>\r\n";

class SitePage : public PreviewTest {
protected:
    QString in(const fs::path& path) const { return QString::fromStdString(path.string()); }
    void click(int item, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTreeWidget* tree = form->treeWidget();
        QTreeWidgetItem* node = tree->topLevelItem(0)->child(item);
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, keys, tree->visualItemRect(node).center());
    }
    void typeLink(const QString& link) {
        QLineEdit* edit = form->findChild<QComboBox*>(QStringLiteral("cmbx_ILink"))->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClicks(edit, link);
    }
    QString message() const { return form->statusLine().currentMessage(); }
};

// The shortest road a new user finds: drop the folder, three links (one on
// two items at once), the tool button, Enter on the page chosen, Enter on
// the name proposed. The rows vary the site and the saves made before.
TEST_F(SitePage, TheTwelvePhotoRoadEndsWithTheSliderPublishedInTheSitesOwnPage) {
    struct Row {
        const char* name;
        const char* photos;    // their folder in site/
        const char* userFile;  // a file of the user's beside index.html
        const char* savedAs;   // saved there first, with Ctrl+S; empty: untitled
        const char* proposed;  // the Save As dialog's start in site/; empty: none
        const char* answer;    // what that dialog answers; empty: Cancel
    };
    const Row rows[] = {
        {"photos in a folder of their own", "photos", "", "", "slider.mvl", "slider.mvl"},
        {"photos beside the page", "", "", "", "slider.mvl", "slider.mvl"},
        {"the user's slider.html", "photos", "slider.html", "", "slider2.mvl", "slider2.mvl"},
        {"saved elsewhere", "photos", "", "elsewhere/mine.mvl", "slider.mvl", "slider.mvl"},
        {"the save cancelled", "photos", "", "", "slider.mvl", ""},
        {"saved beside the page, changed since", "photos", "", "site/shop.mvl", "", ""},
    };
    const fs::path site = dir / "site";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(site);
        fs::create_directories(site / r.photos);
        WriteBytes(site / "index.html", kIndex);
        for (int k = 1; k <= 12; ++k)
            photo("site/" + std::string(r.photos) + "/p" + std::to_string(k) + ".jpg", 40, 30);
        if (*r.userFile) WriteBytes(site / r.userFile, "mine");
        prompter.queueAnswer(ScriptedPrompter::Answer::No);  // New: the changes of the row before
        actions().newAction->trigger();
        prompter.clear();
        form->statusLine().clearMessage();
        form->run([&] {
            form->editor().dropFilesOnTree({QUrl::fromLocalFile(in(site / r.photos))},
                                           form->treeWidget()->topLevelItem(0), -1);
        });
        ASSERT_EQ(items().size(), 12u);
        if (*r.savedAs) {
            fs::create_directories((dir / r.savedAs).parent_path());
            prompter.queuePath(in(dir / r.savedAs));
            actions().saveAction->trigger();
            EXPECT_EQ(prompter.last()->directory, in(site / "slider.mvl")) << "a first save proposes";
            prompter.clear();
        }
        click(0);
        click(1, Qt::ControlModifier);
        typeLink("https://shop.example/cakes");
        click(4);
        typeLink("https://shop.example/bread");
        click(8);
        typeLink("https://shop.example/tarts");
        prompter.queuePath(in(site / "index.html"));
        if (*r.proposed) prompter.queuePath(*r.answer ? in(site / r.answer) : QString());
        QTest::mouseClick(actions().button(actions().insertIntoPageAction), Qt::LeftButton);

        EXPECT_TRUE(prompter.allAnswersUsed());
        ASSERT_EQ(prompter.asked().size(), *r.proposed ? 2u : 1u) << prompter.last()->text.toStdString();
        // The project's folder, or the site's while untitled, its index page chosen.
        const bool elsewhere = *r.savedAs && fs::path(r.savedAs).parent_path() != "site";
        EXPECT_EQ(prompter.asked()[0].directory, elsewhere ? in(dir / "elsewhere") : in(site / "index.html"));
        EXPECT_EQ(prompter.asked().back().directory,
                  in(*r.proposed ? site / r.proposed : site / "index.html"));
        EXPECT_EQ(ReadBytes(site / "slider.html") == "mine", *r.userFile != 0);
        const bool saved = !*r.proposed || *r.answer;
        const PublishingAgent& agent = form->editor().documentAgent();
        EXPECT_EQ(ReadBytes(site / "index.html"),
                  saved ? InsertIntoPage(kIndex, PageHeadCodeLines(agent.EngineFiles),
                                         PageDivLines(AdjustBorders(agent.AppletData), agent.Items))
                        : kIndex);
        EXPECT_EQ(message().startsWith("The slider was inserted into"), saved) << message().toStdString();
        if (!saved) continue;
        const fs::path project = *r.answer ? site / r.answer : dir / r.savedAs;
        EXPECT_EQ(form->editor().currentFileName(), in(project));
        EXPECT_FALSE(form->editor().isModified());
        EXPECT_NE(ReadBytes(project).find("shop.example/tarts"), std::string::npos);
        for (const char* name : {"tessalinecfg.js", "tessaline.css", "slider0.jpg", "slider11.jpg"})
            EXPECT_TRUE(fs::exists(site / name)) << name;
    }
    // Once more: the page already holds this slider; only the page is asked for.
    prompter.clear();
    prompter.queuePath(in(site / "index.html"));
    QTest::mouseClick(actions().button(actions().insertIntoPageAction), Qt::LeftButton);
    EXPECT_TRUE(message().endsWith("already holds this slider; nothing was changed."))
        << message().toStdString();
    EXPECT_EQ(prompter.asked().size(), 1u);
}

TEST(SiteFolder, TheIndexPageDecidesTheFolderAndTakenNamesAreSteppedPast) {
    TempDir temp;
    const fs::path s = temp.path() / "s";
    fs::create_directories(s / "img");
    SliderItemList items(2);
    items[1].OriginalImagePath = "img/a.jpg";  // relative, and the first item has none
    WriteBytes(s / "index.htm", "x");
    EXPECT_EQ(SiteFolderOfPictures(items, s), s);
    WriteBytes(s / "img/index.html", "x");
    EXPECT_EQ(SiteFolderOfPictures(items, s), s / "img");
    for (const char* taken : {"slider.html", "slider2.mvl", "slider3_PublishReport.txt"})
        WriteBytes(s / taken, "x");
    fs::create_symlink(s / "gone", s / "slider4.html");
    EXPECT_EQ(ProposedProjectFile(s), s / "slider5.mvl");
}

}  // namespace
}  // namespace marivel::test
