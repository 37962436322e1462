// An installed Marivel: the program folder is only read (the templates it
// ships among it), and what the editor writes goes to the user's folder.
#include <unistd.h>

#include <QListWidget>
#include <QTimer>

#include "documents/documents_fixture.h"
#include "documents/preview_commands.h"
#include "support/folder_snapshot.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

class InstalledProgramTest : public DocumentsTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        fs::create_directories(shipped() / "templates/pictures");
        fs::create_directories(user());
        WriteBytes(shipped() / "tessaline.js", "// engine\r\n");
        JpegRecipe recipe;
        recipe.width = 336;
        recipe.height = 168;
        WriteJpeg(shipped() / "templates/pictures/one.jpg", recipe);
        shippedTemplate("Column.mvl", "Column", "pictures/one.jpg");
        MainWindowOptions options;
        options.programFolder = shipped();
        options.writableFolder = user();
        options.registerFileType = false;
        options.browsers = {};
        form = std::make_unique<MainWindow>(prompter, settings, shell, options);
        form->show();
        QApplication::processEvents();
    }

    fs::path shipped() const { return program() / "lib"; }
    fs::path user() const { return program() / "data"; }
    QString text(const fs::path& path) const { return QString::fromStdString(path.string()); }

    // A template of one item whose picture is named relative to the template.
    void shippedTemplate(const std::string& name, const std::string& slider, const std::string& picture,
                         const fs::path& folder = {}) {
        DocumentAgent writer(program());
        writer.ResetProject();
        writer.AppletData.SliderName = slider;
        SliderItem item = DocumentAgent::MakeNewItem();
        item.OriginalImagePath = picture;
        item.Level = "0";
        writer.InsertItem(0, item);
        writer.SaveProject((folder.empty() ? shipped() / "templates" : folder) / name);
    }

    QStringList listedTemplates() {
        QStringList names;
        withTemplates([&](TemplatesDialog& dialog) {
            for (int i = 0; i < dialog.templateList->count(); ++i)
                names << dialog.templateList->item(i)->text();
        });
        return names;
    }
    QString openTemplate(const QString& name) {
        QString opened;
        withTemplates([&](TemplatesDialog& dialog) {
            choose(dialog, name);
            opened = dialog.selectedPath();
            dialog.okButton->click();
        });
        return opened;
    }
};

TEST_F(InstalledProgramTest, TheTemplatesDialogListsTheShippedTemplatesAndTheUsersOwn) {
    EXPECT_EQ(listedTemplates(), QStringList{"Column.mvl"});
    EXPECT_TRUE(fs::is_directory(user() / "templates"));  // made for the user's own

    shippedTemplate("aside.mvl", "Aside", "pictures/one.jpg");
    shippedTemplate("Column.mvl", "Mine", "x.jpg", user() / "templates");
    shippedTemplate("Banner.mvl", "Banner", "x.jpg", user() / "templates");
    EXPECT_EQ(listedTemplates(), (QStringList{"aside.mvl", "Banner.mvl", "Column.mvl"}));
    struct Row {
        const char* name;
        fs::path file;
        const char* slider;
    } rows[] = {
        {"aside.mvl", shipped() / "templates/aside.mvl", "Aside"},
        {"Banner.mvl", user() / "templates/Banner.mvl", "Banner"},
        {"Column.mvl", user() / "templates/Column.mvl",
         "Mine"},  // the user's own in place of the shipped one
    };
    for (const Row& row : rows) {
        EXPECT_EQ(openTemplate(row.name), text(row.file));
        EXPECT_EQ(form->editor().currentFileName(), text(row.file));
        EXPECT_EQ(slider(), row.slider);
    }
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(InstalledProgramTest, WithoutAFolderOfTheirOwnTheUserStillGetsTheShippedTemplates) {
    WriteBytes(user() / "templates", "a file in the folder's place");
    EXPECT_EQ(listedTemplates(), QStringList{"Column.mvl"});
    EXPECT_TRUE(prompter.asked().empty());
    fs::remove_all(shipped() / "templates");
    EXPECT_TRUE(listedTemplates().isEmpty());
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "Cannot create " + text(user() / "templates") + ".");
}

TEST_F(InstalledProgramTest, SavingAShippedTemplateSavesACopyThatKeepsItsPicture) {
    const auto before = Snapshot(shipped());
    openTemplate("Column.mvl");
    select(root()->child(0));
    EXPECT_EQ(edit("edtOriginalImagePath")->text(), "pictures/one.jpg");
    edit("edt_IToolTip")->setText("changed");

    // The save asks where to, as for a new project; cancelling saves nothing.
    prompter.queuePath(QString());
    actions().saveAction->trigger();
    EXPECT_EQ(prompter.count(Kind::SaveFile), 1);
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_EQ(form->editor().currentFileName(), text(shipped() / "templates/Column.mvl"));

    fs::create_directory(program() / "site");
    prompter.queuePath(path("site/Mine.mvl"));
    actions().saveAction->trigger();
    EXPECT_EQ(prompter.count(Kind::SaveFile), 2);
    EXPECT_EQ(form->editor().currentFileName(), path("site/Mine.mvl"));
    EXPECT_FALSE(form->editor().isModified());
    const std::string picture = (shipped() / "templates/pictures/one.jpg").string();
    EXPECT_TRUE(fileHas(path("site/Mine.mvl"), "#$@" + picture + "#$@"));
    EXPECT_TRUE(fileHas(path("site/Mine.mvl"), "changed#$@"));
    EXPECT_EQ(items()[0].OriginalImagePath, picture);
    EXPECT_EQ(edit("edtOriginalImagePath")->text(), QString::fromStdString(picture));
    EXPECT_EQ(ReadJpeg(program() / "site/slider0.jpg").width, 168);

    // Saved where it now lies, without asking again.
    edit("edt_IToolTip")->setText("again");
    actions().saveAction->trigger();
    EXPECT_EQ(prompter.count(Kind::SaveFile), 2);
    EXPECT_TRUE(fileHas(path("site/Mine.mvl"), "again#$@"));
    EXPECT_EQ(Snapshot(shipped()), before);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(InstalledProgramTest, PreviewRecentFilesAndOwnTemplatesGoToTheUsersFolder) {
    const auto before = Snapshot(shipped());
    openTemplate("Column.mvl");
    EXPECT_TRUE(fs::exists(user() / "recentfile.dat"));
    EXPECT_NE(ReadBytes(user() / "recentfile.dat").find((shipped() / "templates/Column.mvl").string()),
              std::string::npos);
    form->previewCommands().previewInBrowser();
    for (const char* name :
         {"tessaline.js", "tessalinecfg.js", "tessaline.css", "slider0.jpg", "~preview.html"})
        EXPECT_TRUE(fs::exists(user() / "preview" / name)) << name;
    EXPECT_EQ(ReadBytes(user() / "preview/tessaline.js"), "// engine\r\n");
    ASSERT_EQ(shell.started.size() + shell.opened.size(), 1u);

    prompter.queuePath(text(user() / "templates/Own.mvl"));
    actions().saveAsTemplateAction->trigger();
    EXPECT_EQ(prompter.last()->directory, text(user() / "templates"));
    EXPECT_TRUE(fs::exists(user() / "templates/Own.mvl"));
    EXPECT_TRUE(fileHas(text(user() / "templates/Own.mvl"),
                        "#$@" + (shipped() / "templates/pictures/one.jpg").string() + "#$@"));
    form->close();
    EXPECT_FALSE(fs::exists(user() / "preview"));
    EXPECT_EQ(Snapshot(shipped()), before);
}

TEST_F(InstalledProgramTest, AProjectWhoseFolderCannotBeWrittenIsSavedAsACopy) {
    // A folder taken away (an unplugged stick) and, where the permissions
    // hold (not for root), a read-only one.
    enum class Folder { Gone, ReadOnly };
    for (const Folder folder : {Folder::Gone, Folder::ReadOnly}) {
        if (folder == Folder::ReadOnly && ::geteuid() == 0) continue;
        const fs::path place = program() / (folder == Folder::Gone ? "stick" : "locked");
        fs::create_directory(place);
        shippedTemplate("p.mvl", "Before", "x.jpg", place);
        form->openProjectByPath(text(place / "p.mvl"));
        if (folder == Folder::Gone)
            fs::rename(place, program() / "elsewhere");
        else
            fs::permissions(place, fs::perms::owner_read | fs::perms::owner_exec);
        type("Changed");
        prompter.queuePath(path("copy.mvl"));
        actions().saveAction->trigger();
        std::error_code gone;
        fs::permissions(place, fs::perms::owner_all, gone);
        EXPECT_EQ(prompter.count(Kind::SaveFile), 1);
        EXPECT_EQ(prompter.count(Kind::Error), 0);
        EXPECT_EQ(form->editor().currentFileName(), path("copy.mvl"));
        EXPECT_TRUE(fileHas(path("copy.mvl"), "Changed#$@"));
        prompter.clear();
    }
}

}  // namespace
}  // namespace marivel::test
