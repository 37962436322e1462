// The list of recently opened projects: its file, its menu and the ways it
// can fail without costing the user an open or the start of the program.

#include <optional>

#include "documents/documents_fixture.h"
#include "documents/recent_files.h"
#include "support/file_size_limit.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

TEST(RecentFilesList, AddingRewritesTheFileNewestFirstInFourSlots) {
    struct Case {
        const char* name;
        std::optional<std::string> before;  // no file at all when unset
        std::string added;
        std::string after;
    };
    const Case cases[] = {
        {"no file yet", std::nullopt, "/p/a.mvl", "&1 /p/a.mvl\r\n"},
        {"the oldest falls off", "&1 /d\r\n&2 /c\r\n&3 /b\r\n&4 /a\r\n", "/e",
         "&1 /e\r\n&2 /d\r\n&3 /c\r\n&4 /b\r\n"},
        {"a listed path does not move", "&1 /c\r\n&2 /b\r\n&3 /a\r\n", "/a", "&1 /c\r\n&2 /b\r\n&3 /a\r\n"},
        {"letter case makes another path", "&1 /p/a.mvl\r\n", "/p/A.mvl", "&1 /p/A.mvl\r\n&2 /p/a.mvl\r\n"},
        {"a gap keeps its slot", "&1 P\r\n\r\n&3 Q\r\n", "R", "&1 R\r\n&2 P\r\n&4 Q\r\n"},
        {"line feeds alone", "&1 /b\n&2 /a", "/c", "&1 /c\r\n&2 /b\r\n&3 /a\r\n"},
        {"lines past the fourth are not read", "&1 /d\r\n&2 /c\r\n&3 /b\r\n&4 /a\r\n/z\r\n", "/z",
         "&1 /z\r\n&2 /d\r\n&3 /c\r\n&4 /b\r\n"},
        {"a hand-written bare path", "/bare/x.mvl\r\n  \r\n", "/y", "&1 /y\r\n&2 /bare/x.mvl\r\n"},
        {"an empty path changes nothing", "&1 /a\r\n", "", "&1 /a\r\n"},
        {"a byte order mark before the first line", "\xEF\xBB\xBF&1 /b\r\n&2 /a\r\n", "/c",
         "&1 /c\r\n&2 /b\r\n&3 /a\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const RecentFilesList list(dir / "recentfile.dat");
        if (c.before) WriteBytes(list.File(), *c.before);
        list.Add(c.added);
        EXPECT_EQ(ReadBytes(list.File()), c.after);
    }
}

TEST_F(DocumentsTest, OpensFillTheMenuWithTheStoredLinesAndAClickReopens) {
    // A hand-made list with a gap is shown as it stands.
    const QString p = writeProject("p.mvl", "P"), q = writeProject("q.mvl", "Q");
    WriteBytes(program() / "recentfile.dat",
               "&1 " + p.toStdString() + "\r\n\r\n&3 " + q.toStdString() + "\r\n");
    form->documentCommands().loadRecentFilesMenu();
    EXPECT_EQ(recentCaptions(), (QStringList{"&1 " + p, "&3 " + q}));

    QStringList opened;
    for (const char* name : {"a.mvl", "b.mvl", "R&D/c.mvl", "d.mvl", "e.mvl"}) {
        opened.prepend(writeProject(name, "S"));
        form->openProjectByPath(opened.first());
    }
    const QString c = path("R&D/c.mvl");
    EXPECT_EQ(recentFile(), "&1 " + opened[0].toStdString() + "\r\n&2 " + opened[1].toStdString() +
                                "\r\n&3 " + c.toStdString() + "\r\n&4 " + opened[3].toStdString() + "\r\n");
    // The slot number is the accelerator; the path's own "&" shows as itself.
    EXPECT_EQ(recentCaptions(), (QStringList{"&1 " + opened[0], "&2 " + opened[1],
                                             "&3 " + QString(c).replace("&", "&&"), "&4 " + opened[3]}));
    recentEntry(c)->trigger();
    EXPECT_EQ(form->editor().currentFileName(), c);
    EXPECT_EQ(recentCaptions().size(), 4);
    EXPECT_EQ(prompter.count(Kind::Error), 0);
}

TEST_F(DocumentsTest, ARelativePathIsOpenedAndListedInFull) {
    const QString project = writeProject("rel.mvl", "Rel");
    const QString was = QDir::currentPath();
    QDir::setCurrent(dir.path());
    form->openProjectByPath("rel.mvl");
    QDir::setCurrent(was);
    EXPECT_EQ(form->editor().currentFileName(), project);
    EXPECT_EQ(recentFile(), "&1 " + project.toStdString() + "\r\n");
}

TEST(RecentFilesStart, AListThatCannotBeReadOrCreatedIsToldAndTheEditorStartsWithoutIt) {
    for (const bool folderInItsPlace : {true, false}) {
        QTemporaryDir dir;
        MainWindowOptions options;
        options.registerFileType = false;
        options.programFolder = std::filesystem::path(dir.path().toStdString());
        if (folderInItsPlace)
            fs::create_directory(options.programFolder / "recentfile.dat");
        else
            options.programFolder /= "missing";  // nowhere to create it
        ScriptedPrompter prompter;
        MemorySettingsStore settings;
        RecordingShell shell;
        MainWindow form(prompter, settings, shell, options);
        ASSERT_EQ(prompter.count(Kind::Error), 1);
        EXPECT_TRUE(
            prompter.last()->text.startsWith(folderInItsPlace ? "Cannot open file" : "Cannot create file"));
        EXPECT_TRUE(form.mainActions().recentFilesSubmenu->isEmpty());
        EXPECT_FALSE(form.mainActions().recentFilesSubmenu->menuAction()->isEnabled());
        EXPECT_FALSE(form.editor().isModified());
    }
}

TEST_F(DocumentsTest, AListThatCannotBeWrittenIsToldAfterTheOpenHasCompleted) {
    const QString project = writeProject("p.mvl", "Opened", 3);
    type("Typed");
    prompter.queueAnswer(Answer::No);
    {
        FileSizeLimit limit(8);
        prompter.queuePath(project);
        actions().openAction->trigger();
    }
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_TRUE(prompter.last()->text.startsWith("Cannot write file")) << prompter.last()->text.toStdString();
    EXPECT_EQ(form->editor().currentFileName(), project);
    EXPECT_EQ(slider(), "Opened");
    EXPECT_EQ(nodes().count(), 4);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_EQ(recentFile(), "");
    EXPECT_TRUE(recentCaptions().isEmpty());
}

TEST_F(DocumentsTest, APreviewFolderThatCannotBeMadeIsToldAfterTheOpenHasCompleted) {
    DocumentAgent writer(program());
    writer.ResetProject();
    writer.AppletData.SliderName = "Opened";
    SliderItem item = DocumentAgent::MakeNewItem();
    item.Level = "0";
    item.ImageFile = "slider0.jpg";
    writer.InsertItem(0, item);
    fs::create_directory(program() / "site");
    writer.SaveProject(program() / "site" / "p.mvl");
    WriteBytes(program() / "site" / "slider0.jpg", "prepared");
    // Something the copy cannot replace where the prepared image goes.
    fs::create_directories(program() / "preview" / "slider0.jpg");

    EXPECT_THROW(form->openProjectByPath(path("site/p.mvl")), std::exception);
    EXPECT_EQ(form->editor().currentFileName(), path("site/p.mvl"));
    EXPECT_EQ(slider(), "Opened");
    EXPECT_EQ(nodes().count(), 2);
    EXPECT_EQ(tree()->currentItem(), root());
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_EQ(recentCaptions().size(), 1);
}

}  // namespace
}  // namespace marivel::test
