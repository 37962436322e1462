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
#include "output/source_images.h"

namespace marivel::test {
namespace {

using Kind = ScriptedPrompter::Kind;

const std::string kIndex =
    "<!DOCTYPE html>\r\n<html><head><title>Shop</title>\r\n</head>\r\n"
    "<body>\r\n<p>Welcome</p>\r\n</body></html>\r\n";

class SitePage : public PreviewTest {
protected:
    fs::path site() const { return dir / "site"; }
    QString in(const fs::path& path) const { return QString::fromStdString(path.string()); }
    QTreeWidgetItem* node(int item) const { return form->treeWidget()->topLevelItem(0)->child(item); }

    // site/index.html and twelve photos in site/<photos>.
    void makeSite(const std::string& photos) {
        fs::create_directories(site() / photos);
        WriteBytes(site() / "index.html", kIndex);
        for (int k = 1; k <= 12; ++k)
            photo((fs::path("site") / photos / ("p" + std::to_string(k) + ".jpg")).string(), 40, 30);
    }
    // The folder dragged from the file manager onto the tree's top node.
    void dropFolder(const fs::path& folder) {
        form->run([&] {
            form->editor().dropFilesOnTree({QUrl::fromLocalFile(in(folder))},
                                           form->treeWidget()->topLevelItem(0), -1);
        });
    }
    void click(int item, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTreeWidget* tree = form->treeWidget();
        tree->scrollToItem(node(item));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, keys, tree->visualItemRect(node(item)).center());
    }
    void typeLink(const QString& link) {
        QLineEdit* edit = form->findChild<QComboBox*>(QStringLiteral("cmbx_ILink"))->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClicks(edit, link);
    }
    void insertIntoPage() {
        QTest::mouseClick(actions().button(actions().insertIntoPageAction), Qt::LeftButton);
    }
    // The page as the head code and the <div> of the model make it of kIndex.
    std::string expectedPage() const {
        const PublishingAgent& agent = form->editor().documentAgent();
        return InsertIntoPage(kIndex, PageHeadCodeLines(agent.EngineFiles),
                              PageDivLines(AdjustBorders(agent.AppletData), agent.Items));
    }
    QString message() const { return form->statusLine().currentMessage(); }
};

// The shortest road: drop, three links (one on two items at once), Insert
// into Page on the tool bar, Enter on the page chosen, Enter on the name
// proposed. Nothing else is asked.
TEST_F(SitePage, TheTwelvePhotoTaskEndsWithTheSliderPublishedInTheSitesOwnPage) {
    for (const char* photos : {"photos", ""}) {
        SCOPED_TRACE(photos);
        fs::remove_all(site());
        makeSite(photos);
        prompter.queueAnswer(ScriptedPrompter::Answer::No);  // New: the last row's changes
        actions().newAction->trigger();
        prompter.clear();

        dropFolder(site() / photos);
        ASSERT_EQ(items().size(), 12u);
        click(0);
        click(1, Qt::ControlModifier);
        typeLink("https://shop.example/cakes");
        click(4);
        typeLink("https://shop.example/bread");
        click(8);
        typeLink("https://shop.example/tarts");
        prompter.queuePath(in(site() / "index.html"));  // Enter: the page chosen
        prompter.queuePath(in(site() / "slider.mvl"));  // Enter: the name proposed
        insertIntoPage();

        ASSERT_EQ(prompter.asked().size(), 2u) << prompter.last()->text.toStdString();
        EXPECT_EQ(prompter.asked()[0].kind, Kind::OpenFile);
        EXPECT_EQ(prompter.asked()[0].directory, in(site() / "index.html"));
        EXPECT_EQ(prompter.asked()[1].kind, Kind::SaveFile);
        EXPECT_EQ(prompter.asked()[1].directory, in(site() / "slider.mvl"));
        EXPECT_EQ(form->editor().currentFileName(), in(site() / "slider.mvl"));
        EXPECT_FALSE(form->editor().isModified());
        const std::set<std::string> files = FilesIn(site());
        for (int k = 0; k < 12; ++k) EXPECT_TRUE(files.count(PreparedImageName(k))) << k;
        for (const char* name : {"tessaline.js", "tessalinecfg.js", "tessaline.css", "slider.html"})
            EXPECT_TRUE(files.count(name)) << name;
        const std::string page = ReadBytes(site() / "index.html");
        EXPECT_EQ(page, expectedPage());
        EXPECT_EQ(ReadBytes(PageBackupPath(site() / "index.html")), kIndex);
        std::size_t cakes = 0;
        for (std::size_t at = page.find("shop.example/cakes"); at != std::string::npos;
             at = page.find("shop.example/cakes", at + 1))
            ++cakes;
        EXPECT_EQ(cakes, 2u);
        EXPECT_NE(page.find("shop.example/tarts"), std::string::npos);
        EXPECT_TRUE(message().startsWith("The slider was inserted into")) << message().toStdString();
        EXPECT_FALSE(message().contains("holds no published slider")) << message().toStdString();
    }
}

// Whether and where the project is saved before the page gets the slider.
TEST_F(SitePage, InsertIntoPageSavesTheProjectBesideThePageFirstOrInsertsNothing) {
    struct Row {
        const char* name;
        const char* savedAs;   // saved there before; empty: untitled
        bool changedSince;     // typed into after that save
        const char* userFile;  // a file of the user's in site/ beside index.html
        const char* proposed;  // the save dialog's start; empty: no dialog
        const char* answer;    // what the dialog answers ("" cancels)
    };
    const Row rows[] = {
        {"the user's slider.html", "", false, "slider.html", "slider2.mvl", "slider2.mvl"},
        {"saved elsewhere", "elsewhere/mine.mvl", false, "", "slider.mvl", "slider.mvl"},
        {"the save cancelled", "", false, "", "slider.mvl", ""},
        {"saved beside the page, changed since", "site/shop.mvl", true, "", "", ""},
        {"saved beside the page, unchanged", "site/shop.mvl", false, "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(site());
        fs::remove_all(dir / "elsewhere");
        makeSite("photos");
        form->statusLine().clearMessage();
        if (*r.userFile) WriteBytes(site() / r.userFile, "mine");
        prompter.queueAnswer(ScriptedPrompter::Answer::No);
        actions().newAction->trigger();
        dropFolder(site() / "photos");
        if (*r.savedAs) {
            fs::create_directories((dir / r.savedAs).parent_path());
            prompter.queuePath(in(dir / r.savedAs));
            actions().saveAsAction->trigger();
        }
        if (r.changedSince) form->findChild<QLineEdit*>("edt_pSliderName")->setText("Changed");
        prompter.clear();
        prompter.queuePath(in(site() / "index.html"));
        if (*r.proposed) prompter.queuePath(*r.answer ? in(site() / r.answer) : QString());
        insertIntoPage();

        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_EQ(prompter.count(Kind::Error) + prompter.count(Kind::Information), 0);
        EXPECT_EQ(prompter.count(Kind::SaveFile), *r.proposed ? 1 : 0);
        if (*r.proposed) {
            EXPECT_EQ(prompter.last()->directory, in(site() / r.proposed));
        }
        if (*r.userFile) {
            EXPECT_EQ(ReadBytes(site() / r.userFile), "mine");
        }
        const bool saved = !*r.proposed || *r.answer;
        EXPECT_EQ(ReadBytes(site() / "index.html"), saved ? expectedPage() : kIndex);
        EXPECT_EQ(fs::exists(PageBackupPath(site() / "index.html")), saved);
        EXPECT_EQ(fs::exists(site() / "tessalinecfg.js"), saved);
        EXPECT_EQ(message().isEmpty(), !saved) << message().toStdString();
        if (r.changedSince) {
            EXPECT_NE(ReadBytes(site() / "shop.mvl").find("Changed"), std::string::npos);
        }
        if (saved) {
            EXPECT_FALSE(form->editor().isModified());
        }
    }
    // Once more: the page already holds this slider, and nothing is asked but the page.
    prompter.clear();
    prompter.queuePath(in(site() / "index.html"));
    insertIntoPage();
    EXPECT_TRUE(message().endsWith("already holds this slider; nothing was changed."))
        << message().toStdString();
    EXPECT_EQ(prompter.asked().size(), 1u);
}

// A first save starts in the site of the pictures with a name of its own;
// the folder Save As Template chose keeps starting the dialog.
TEST_F(SitePage, AFirstSaveProposesANameBesideTheSitesPage) {
    makeSite("photos");
    dropFolder(site() / "photos");
    prompter.queuePath(QString());
    actions().saveAction->trigger();
    ASSERT_EQ(prompter.count(Kind::SaveFile), 1);
    EXPECT_EQ(prompter.last()->directory, in(site() / "slider.mvl"));
    prompter.clear();
    prompter.queuePath(QString());
    actions().saveAsTemplateAction->trigger();
    prompter.queuePath(QString());
    actions().saveAsAction->trigger();
    EXPECT_EQ(prompter.last()->directory, prompter.asked().front().directory);
    EXPECT_TRUE(prompter.last()->directory.endsWith("templates")) << prompter.last()->directory.toStdString();
}

TEST(SiteFolder, ThePicturesFolderOrItsParentWhenOnlyTheParentHoldsTheIndexPage) {
    TempDir temp;
    const fs::path dir = temp.path();
    struct Row {
        const char* name;
        std::vector<const char*> files;  // under dir
        const char* expected;            // under dir
    };
    const Row rows[] = {
        {"index.html above", {"s/index.html", "s/img/a.jpg"}, "s"},
        {"index.htm above", {"s/index.htm", "s/img/a.jpg"}, "s"},
        {"an index beside the pictures too", {"s/index.html", "s/img/index.htm", "s/img/a.jpg"}, "s/img"},
        {"no index at all", {"s/img/a.jpg"}, "s/img"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(dir / "s");
        for (const char* file : r.files) {
            fs::create_directories((dir / file).parent_path());
            WriteBytes(dir / file, "x");
        }
        SliderItemList items(2);
        items[1].OriginalImagePath = (dir / "s/img/a.jpg").string();  // the first has none
        EXPECT_EQ(SiteFolderOfPictures(items, {}), dir / r.expected);
    }
    EXPECT_EQ(SiteFolderOfPictures(SliderItemList(1), dir), fs::path());
    SliderItemList relative(1);
    relative[0].OriginalImagePath = "img/a.jpg";
    EXPECT_EQ(SiteFolderOfPictures(relative, dir / "s"), dir / "s/img");

    // The proposed name steps past any name whose project, page or report exists.
    const fs::path f = dir / "names";
    fs::create_directories(f);
    EXPECT_EQ(ProposedProjectFile(f), f / "slider.mvl");
    for (const char* taken : {"slider.html", "slider2.mvl", "slider3_PublishReport.txt"})
        WriteBytes(f / taken, "x");
    fs::create_symlink(f / "gone", f / "slider4.html");
    EXPECT_EQ(ProposedProjectFile(f), f / "slider5.mvl");
}

}  // namespace
}  // namespace marivel::test
