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

// The shortest road a new user finds: drop the folder, three links (one on
// two items at once), the tool button, Enter on the page chosen, Enter on
// the name proposed. The rows vary what lies in the site and how the project
// was saved before.
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
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(site());
        makeSite(r.photos);
        if (*r.userFile) WriteBytes(site() / r.userFile, "mine");
        prompter.queueAnswer(ScriptedPrompter::Answer::No);  // New: the changes of the row before
        actions().newAction->trigger();
        prompter.clear();
        form->statusLine().clearMessage();
        dropFolder(site() / r.photos);
        ASSERT_EQ(items().size(), 12u);
        if (*r.savedAs) {
            fs::create_directories((dir / r.savedAs).parent_path());
            prompter.queuePath(in(dir / r.savedAs));
            actions().saveAction->trigger();
            // A first save proposes its name beside the site's page.
            EXPECT_EQ(prompter.last()->directory, in(site() / "slider.mvl"));
            prompter.clear();
        }
        click(0);
        click(1, Qt::ControlModifier);
        typeLink("https://shop.example/cakes");
        click(4);
        typeLink("https://shop.example/bread");
        click(8);
        typeLink("https://shop.example/tarts");
        prompter.queuePath(in(site() / "index.html"));
        if (*r.proposed) prompter.queuePath(*r.answer ? in(site() / r.answer) : QString());
        insertIntoPage();

        EXPECT_TRUE(prompter.allAnswersUsed());
        ASSERT_EQ(prompter.asked().size(), *r.proposed ? 2u : 1u) << prompter.last()->text.toStdString();
        // The project's folder, or the site's while untitled, with its index page chosen.
        const bool elsewhere = *r.savedAs && fs::path(r.savedAs).parent_path() != "site";
        EXPECT_EQ(prompter.asked()[0].directory,
                  elsewhere ? in((dir / r.savedAs).parent_path()) : in(site() / "index.html"));
        if (*r.proposed) {
            EXPECT_EQ(prompter.asked()[1].kind, Kind::SaveFile);
            EXPECT_EQ(prompter.asked()[1].directory, in(site() / r.proposed));
        }
        if (*r.userFile) {
            EXPECT_EQ(ReadBytes(site() / r.userFile), "mine");
        }
        const bool saved = !*r.proposed || *r.answer;
        const std::string page = ReadBytes(site() / "index.html");
        EXPECT_EQ(page, saved ? expectedPage() : kIndex);
        EXPECT_EQ(fs::exists(PageBackupPath(site() / "index.html")), saved);
        EXPECT_EQ(message().startsWith("The slider was inserted into"), saved) << message().toStdString();
        if (!saved) continue;
        const fs::path project = *r.answer ? site() / r.answer : dir / r.savedAs;
        EXPECT_EQ(form->editor().currentFileName(), in(project));
        EXPECT_FALSE(form->editor().isModified());
        EXPECT_NE(ReadBytes(project).find("shop.example/tarts"), std::string::npos);
        EXPECT_EQ(items()[1].Link, "https://shop.example/cakes");
        const std::set<std::string> files = FilesIn(site());
        for (int k = 0; k < 12; ++k) EXPECT_TRUE(files.count(PreparedImageName(k))) << k;
        for (const char* name : {"tessaline.js", "tessalinecfg.js", "tessaline.css"})
            EXPECT_TRUE(files.count(name));
    }
    // Once more: the page already holds this slider; only the page is asked for.
    prompter.clear();
    prompter.queuePath(in(site() / "index.html"));
    insertIntoPage();
    EXPECT_TRUE(message().endsWith("already holds this slider; nothing was changed."))
        << message().toStdString();
    EXPECT_EQ(prompter.asked().size(), 1u);
}

TEST(SiteFolder, ThePicturesFolderOrItsParentWhenOnlyTheParentHoldsTheIndexPage) {
    TempDir temp;
    const fs::path dir = temp.path();
    fs::create_directories(dir / "s/img");
    SliderItemList items(2);
    items[1].OriginalImagePath = "s/img/a.jpg";  // the first item has no picture
    EXPECT_EQ(SiteFolderOfPictures(items, dir), dir / "s/img");
    WriteBytes(dir / "s/index.htm", "x");
    EXPECT_EQ(SiteFolderOfPictures(items, dir), dir / "s");
    WriteBytes(dir / "s/img/index.html", "x");
    EXPECT_EQ(SiteFolderOfPictures(items, dir), dir / "s/img");
    // Past any name whose project, page or report is there, a broken link too.
    const fs::path f = dir / "s";
    for (const char* taken : {"slider.html", "slider2.mvl", "slider3_PublishReport.txt"})
        WriteBytes(f / taken, "x");
    fs::create_symlink(f / "gone", f / "slider4.html");
    EXPECT_EQ(ProposedProjectFile(f), f / "slider5.mvl");
}

}  // namespace
}  // namespace marivel::test
