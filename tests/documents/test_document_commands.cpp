// New, Open, Save, Save As and closing the window, as a user meets them:
// what is asked, what the editor shows afterwards and what lands on disk.
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <tuple>

#include "documents/documents_fixture.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

// --- the save prompt before a command replaces the project ------------------------

enum class Command { New, Open, Template, Recent };

std::string CommandName(Command command) {
    const char* names[] = {"New", "Open", "Template", "Recent"};
    return names[int(command)];
}

struct PromptCase {
    const char* name;
    bool titled;          // the project was opened from current.mvl before
    Answer answer;        // to "Save changes to files?"
    const char* saveAs;   // the save dialog's answer on an untitled Yes ("" cancels)
    bool saveFails;       // current.mvl has become a folder
    bool goesOn;          // the command replaces the project
    const char* savedTo;  // where the typed name must land
};

void PrintTo(const PromptCase& c, std::ostream* os) {
    *os << c.name;
}
void PrintTo(Command c, std::ostream* os) {
    *os << CommandName(c);
}

const PromptCase kPromptCases[] = {
    {"Cancel", true, Answer::Cancel, nullptr, false, false, nullptr},
    {"No", true, Answer::No, nullptr, false, true, nullptr},
    {"YesTitled", true, Answer::Yes, nullptr, false, true, "current.mvl"},
    {"YesUntitledNamed", false, Answer::Yes, "named.mvl", false, true, "named.mvl"},
    {"YesUntitledDialogCancelled", false, Answer::Yes, "", false, false, nullptr},
    {"YesSaveFails", true, Answer::Yes, nullptr, true, false, nullptr},
};

class askToSaveChanges : public DocumentsTest,
                         public ::testing::WithParamInterface<std::tuple<Command, PromptCase>> {};

TEST_P(askToSaveChanges, EitherCompletesTheCommandOrLeavesTheProjectAsItWas) {
    const auto& [command, c] = GetParam();
    const QString target =
        writeProject(command == Command::Template ? "templates/target.mvl" : "target.mvl", "Target", 2);
    WriteBytes(program() / "recentfile.dat", "&1 " + target.toStdString() + "\r\n");
    form->documentCommands().loadRecentFilesMenu();
    const QString current = c.titled ? writeProject("current.mvl", "Current") : QString();
    form->openProjectByPath(current);
    if (c.saveFails) {
        fs::remove(local(current));
        fs::create_directory(local(current));
    }
    type("Typed");
    WriteBytes(program() / "marker.jpg", "prepared");
    form->editor().documentAgent().CopyToPreview(program() / "marker.jpg");
    prompter.clear();

    prompter.queueAnswer(c.answer);
    if (c.saveAs) prompter.queuePath(c.saveAs[0] ? path(c.saveAs) : QString());
    switch (command) {
        case Command::New:
            actions().newAction->trigger();
            break;
        case Command::Open:
            if (c.goesOn) prompter.queuePath(target);
            actions().openAction->trigger();
            break;
        case Command::Template:
            EXPECT_FALSE(withTemplates([](TemplatesDialog& dialog) {
                choose(dialog, "target.mvl");
                dialog.okButton->click();
            }));
            break;
        case Command::Recent:
            ASSERT_NE(recentEntry(target), nullptr);
            recentEntry(target)->trigger();
            break;
    }

    ASSERT_FALSE(prompter.asked().empty());
    EXPECT_EQ(prompter.asked()[0].text, "Save changes to files?");
    EXPECT_TRUE(prompter.allAnswersUsed());
    EXPECT_EQ(prompter.count(Kind::Error), c.saveFails ? 1 : 0);
    const bool replacedByNew = c.goesOn && command == Command::New;
    EXPECT_EQ(form->editor().currentFileName(), !c.goesOn ? current : replacedByNew ? QString() : target);
    EXPECT_EQ(slider(), !c.goesOn ? "Typed" : replacedByNew ? "VSlider1" : "Target");
    EXPECT_EQ(items().size(), !c.goesOn ? (c.titled ? 1u : 0u) : replacedByNew ? 0u : 2u);
    EXPECT_EQ(nodes().count(), int(items().size()) + 1);
    EXPECT_EQ(form->editor().isModified(), !c.goesOn);
    EXPECT_EQ(fs::exists(program() / "preview" / "marker.jpg"), !c.goesOn);
    if (c.savedTo) {
        EXPECT_TRUE(fileHas(path(c.savedTo), "Typed#$@"));
    }
    if (!c.savedTo && c.titled && !c.saveFails) {
        EXPECT_FALSE(fileHas(current, "Typed#$@"));
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, askToSaveChanges,
                         ::testing::Combine(::testing::Values(Command::New, Command::Open, Command::Template,
                                                              Command::Recent),
                                            ::testing::ValuesIn(kPromptCases)),
                         [](const auto& instance) {
                             return CommandName(std::get<0>(instance.param)) +
                                    std::get<1>(instance.param).name;
                         });

// --- closing the window ----------------------------------------------------------------

enum class Way { ExitCommand, WindowManager };

struct CloseCase {
    const char* name;
    bool modified;
    bool titled;
    Answer answer;  // to "Save changes to files before Exit?"
    const char* saveAs;
    bool saveFails;
    bool closes;
    bool previewCleared;
    const char* savedTo;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}
void PrintTo(Way way, std::ostream* os) {
    *os << (way == Way::ExitCommand ? "Exit" : "Window");
}

const CloseCase kCloseCases[] = {
    {"Unmodified", false, true, Answer::No, nullptr, false, true, true, nullptr},
    {"Cancel", true, true, Answer::Cancel, nullptr, false, false, true, nullptr},
    {"YesTitled", true, true, Answer::Yes, nullptr, false, true, false, "current.mvl"},
    {"YesTitledSaveFails", true, true, Answer::Yes, nullptr, true, false, false, nullptr},
    {"YesUntitledNamed", true, false, Answer::Yes, "named.mvl", false, true, true, "named.mvl"},
    {"YesUntitledDialogCancelled", true, false, Answer::Yes, "", false, false, true, nullptr},
    {"No", true, true, Answer::No, nullptr, false, true, true, nullptr},
};

class CloseQuery : public DocumentsTest, public ::testing::WithParamInterface<std::tuple<Way, CloseCase>> {};

TEST_P(CloseQuery, AsksAboutUnsavedChangesOnEveryWayOfClosing) {
    const auto& [way, c] = GetParam();
    const QString current = c.titled ? writeProject("current.mvl", "Current") : QString();
    form->openProjectByPath(current);
    if (c.saveFails) {
        fs::remove(local(current));
        fs::create_directory(local(current));
    }
    if (c.modified) {
        type("Typed");
        prompter.queueAnswer(c.answer);
        if (c.saveAs) prompter.queuePath(c.saveAs[0] ? path(c.saveAs) : QString());
    }
    WriteBytes(program() / "marker.jpg", "prepared");
    form->editor().documentAgent().CopyToPreview(program() / "marker.jpg");

    if (way == Way::ExitCommand)
        actions().exitAction->trigger();
    else
        form->windowHandle()->close();  // what the window manager and Alt+F4 do

    EXPECT_TRUE(prompter.allAnswersUsed());
    if (c.modified) {
        EXPECT_EQ(prompter.asked()[0].text, "Save changes to files before Exit?");
    }
    EXPECT_EQ(form->isVisible(), !c.closes);
    EXPECT_EQ(fs::exists(program() / "preview" / "marker.jpg"), !c.previewCleared);
    EXPECT_EQ(prompter.count(Kind::Error), c.saveFails ? 1 : 0);
    if (c.savedTo) {
        EXPECT_TRUE(fileHas(path(c.savedTo), "Typed#$@"));
    }
    if (!c.closes) {
        EXPECT_EQ(form->editor().currentFileName(), current);
        EXPECT_EQ(form->editor().isModified(), c.modified);
        EXPECT_EQ(slider(), c.modified ? "Typed" : "Current");
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseQuery,
                         ::testing::Combine(::testing::Values(Way::ExitCommand, Way::WindowManager),
                                            ::testing::ValuesIn(kCloseCases)),
                         [](const auto& instance) {
                             return std::string(std::get<0>(instance.param) == Way::ExitCommand ? "Exit"
                                                                                                : "Window") +
                                    std::get<1>(instance.param).name;
                         });

// --- the document's four states and the Save commands ---------------------------------

enum class Step { Edit, SelectItem, Save, SaveAs, Open, New };

struct StateCase {
    const char* name;
    std::vector<Step> steps;
    const char* file;  // currentFileName afterwards, "" when untitled
    bool modified;
};

TEST_F(DocumentsTest, EveryCommandLeavesTheDocumentInItsStateWithSaveEnabledExactlyWhenModified) {
    const StateCase cases[] = {
        {"start", {}, "", false},
        {"a greyed Save does nothing", {Step::Save}, "", false},
        {"edit", {Step::Edit}, "", true},
        {"selecting an item is no change", {Step::Open, Step::SelectItem}, "p.mvl", false},
        {"Save of a titled project", {Step::Open, Step::Edit, Step::Save}, "p.mvl", false},
        {"Save As writes what differed", {Step::Open, Step::Edit, Step::SaveAs}, "other.mvl", false},
        {"Save As keeps the flag clear", {Step::Open, Step::SaveAs}, "other.mvl", false},
        {"New", {Step::Open, Step::Edit, Step::New}, "", false},
    };
    const QString project = writeProject("p.mvl", "P", 2);
    int edits = 0;
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.queueAnswer(Answer::No);
        actions().newAction->trigger();  // back to the start state whatever came before
        prompter.clear();
        for (Step step : c.steps) {
            if ((step == Step::Open || step == Step::New) && form->editor().isModified())
                prompter.queueAnswer(Answer::No);
            switch (step) {
                case Step::Edit:
                    type(QStringLiteral("Edited%1").arg(++edits));
                    break;
                case Step::SelectItem:
                    select(root()->child(1));
                    break;
                case Step::Save:
                    actions().saveAction->trigger();
                    break;
                case Step::SaveAs:
                    prompter.queuePath(path("other.mvl"));
                    // Saved by an earlier case: replacing that project and
                    // the page and report it wrote is asked about.
                    if (fs::exists(program() / "other.mvl")) {
                        prompter.queueAnswer(Answer::Yes);
                        prompter.queueAnswer(Answer::Yes);
                    }
                    actions().saveAsAction->trigger();
                    break;
                case Step::Open:
                    prompter.queuePath(project);
                    actions().openAction->trigger();
                    break;
                case Step::New:
                    actions().newAction->trigger();
                    break;
            }
        }
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_EQ(prompter.count(Kind::Error), 0);
        EXPECT_EQ(form->editor().currentFileName(), c.file[0] ? path(c.file) : QString());
        EXPECT_EQ(form->editor().isModified(), c.modified);
        EXPECT_EQ(actions().saveAction->isEnabled(), c.modified);
        EXPECT_EQ(actions().button(actions().saveAction)->isEnabled(), c.modified);
        EXPECT_TRUE(actions().saveAsAction->isEnabled());
        EXPECT_EQ(form->windowTitle(), "Marivel");
    }
}

TEST_F(DocumentsTest, SaveAsWithoutExtensionKeepsTheTypedNameAndWhatWasJustTyped) {
    form->editor().insertItem();
    select(root()->child(0));
    edit("edt_IToolTip")->setText("typed tip");
    type("TypedName");
    fs::create_directory(program() / "a");
    prompter.queuePath(path("a/b"));
    actions().saveAsAction->trigger();
    EXPECT_EQ(form->editor().currentFileName(), path("a/b.mvl"));  // the file written, saved over from now on
    EXPECT_TRUE(fileHas(path("a/b.mvl"), "TypedName#$@"));
    EXPECT_TRUE(fileHas(path("a/b.mvl"), "typed tip#$@"));
    EXPECT_TRUE(fs::exists(program() / "a" / "b.html"));
    EXPECT_FALSE(fs::exists(program() / "a" / "b"));
    EXPECT_FALSE(form->editor().isModified());  // nothing differs from the file just written
    EXPECT_EQ(recentCaptions(), QStringList{"&1 " + path("a/b.mvl")});  // the file that can be opened again

    type("Second");
    actions().saveAction->trigger();  // no dialog: the typed name is the file name now
    EXPECT_TRUE(fileHas(path("a/b.mvl"), "Second#$@"));
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(DocumentsTest, AFailedSaveLeavesTheStateTheTextAndTheWindowAsTheyWere) {
    fs::create_directory(program() / "blocked.mvl");  // not even root can write a file there
    for (QAction* command : {actions().saveAction, actions().saveAsAction}) {
        SCOPED_TRACE(command->objectName().toStdString());
        type(command->objectName());
        prompter.queuePath(path("blocked.mvl"));
        prompter.queueAnswer(Answer::Yes);  // replace what is there
        command->trigger();
        ASSERT_EQ(prompter.count(Kind::Error), 1);
        EXPECT_TRUE(prompter.last()->text.startsWith("Cannot write file"));
        EXPECT_TRUE(form->editor().currentFileName().isEmpty());
        EXPECT_TRUE(form->editor().isModified());
        EXPECT_TRUE(actions().saveAction->isEnabled());
        EXPECT_EQ(slider(), command->objectName());
        EXPECT_TRUE(form->isVisible());
        prompter.clear();
    }
}

// --- opens that fail keep the project ----------------------------------------------------

TEST_F(DocumentsTest, AFailedOrRefusedOpenKeepsThePreviousProjectAndItsPreparedImages) {
    DocumentAgent writer(program());
    writer.ResetProject();
    fs::create_directory(program() / "prev");
    for (int i = 0; i < 2; ++i) {
        SliderItem item = DocumentAgent::MakeNewItem();
        item.Level = "0";
        item.ImageFile = "slider" + std::to_string(i) + ".jpg";
        writer.InsertItem(i, item);
        WriteBytes(program() / "prev" / item.ImageFile, "image " + std::to_string(i));
    }
    writer.SaveProject(program() / "prev" / "prev.mvl");
    const QString previous = path("prev/prev.mvl");
    form->openProjectByPath(previous);

    const std::string good = ReadBytes(local(previous));
    std::string otherProduct = good, badLevel = good;
    otherProduct.replace(otherProduct.find("\r\nMarivel\r\n"), 11, "\r\nSomething\r\n");
    badLevel.replace(badLevel.rfind("#$@0#$@"), 7, "#$@x#$@");
    WriteBytes(program() / "other.mvl", otherProduct);
    WriteBytes(program() / "badlevel.mvl", badLevel);
    WriteBytes(program() / "empty.mvl", "");
    fs::create_directory(program() / "folder.mvl");
    const std::pair<const char*, QString> cases[] = {
        {"absent.mvl", "Cannot open file"},
        {"folder.mvl", "Cannot open file"},
        {"other.mvl", "This file wasn't saved by Marivel 1.1, open failed!"},
        {"empty.mvl", "This file wasn't saved by Marivel 1.1, open failed!"},
        {"badlevel.mvl", "'x' is not a valid integer value."},
    };
    select(root()->child(1));
    edit("edt_IToolTip")->setText("typed tip");
    const std::string recent = recentFile();
    const auto previewFiles = form->editor().documentAgent().PreviewFiles;
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        prompter.clear();
        prompter.queueAnswer(Answer::No);
        prompter.queuePath(path(name));
        actions().openAction->trigger();
        ASSERT_EQ(prompter.count(Kind::Error), 1);
        EXPECT_TRUE(prompter.last()->text.startsWith(message)) << prompter.last()->text.toStdString();
        EXPECT_EQ(prompter.asked()[1].filter, "Marivel Files (*.mvl)");
        EXPECT_EQ(form->editor().currentFileName(), previous);
        EXPECT_TRUE(form->editor().isModified());
        EXPECT_EQ(items().size(), 2u);
        EXPECT_EQ(nodes().count(), 3);
        EXPECT_EQ(tree()->currentItem(), root()->child(1));
        EXPECT_EQ(edit("edt_IToolTip")->text(), "typed tip");
        EXPECT_EQ(recentFile(), recent);
        EXPECT_EQ(form->editor().documentAgent().PreviewFiles, previewFiles);
        EXPECT_EQ(ReadBytes(program() / "preview" / "slider1.jpg"), "image 1");
    }
    select(root());  // tree events work again
    EXPECT_EQ(visibleTabs(), (QStringList{"Script", "Path"}));
}

// --- the save dialog's question before replacing a project ------------------------------

TEST_F(DocumentsTest, ANameWithoutExtensionAsksBeforeReplacingTheProjectFileItLeadsTo) {
    struct Case {
        const char* typed;
        bool asked;
        Answer answer;
        bool written;
    };
    const Case cases[] = {
        {"b", true, Answer::No, false},
        {"b", true, Answer::Yes, true},
        {"c", false, Answer::Yes, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        WriteBytes(program() / "b.mvl", "old project");
        fs::remove(program() / "c.mvl");
        form->editor().setCurrentFileName(QString());
        type("Typed");
        prompter.clear();
        prompter.queuePath(path(c.typed));
        if (c.asked) prompter.queueAnswer(c.answer);
        actions().saveAsAction->trigger();
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_EQ(prompter.count(Kind::YesNo), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(prompter.last()->text, "b.mvl already exists.\nDo you want to replace it?");
        }
        const std::string project = c.typed[0] == 'c' ? "c.mvl" : "b.mvl";
        EXPECT_EQ(fileHas(path(project.c_str()), "Typed"), c.written);
        EXPECT_EQ(form->editor().currentFileName(), c.written ? path(project.c_str()) : QString());
    }
}

TEST_F(DocumentsTest, AProjectNestedTensOfThousandsOfLevelsDeepOpensAndGivesWayToTheNext) {
    // Each item one level below the one before: a file no person writes,
    // but one a damaged or generated file can hold.
    constexpr int kLevels = 60000;
    DocumentAgent writer(program());
    writer.ResetProject();
    for (int i = 0; i < kLevels; ++i) {
        SliderItem item = DocumentAgent::MakeNewItem();
        item.Level = std::to_string(i);
        writer.Items.push_back(item);
    }
    const QString deep = path("deep.mvl");
    writer.SaveProject(local(deep));

    form->openProjectByPath(deep);
    QApplication::processEvents();
    EXPECT_EQ(form->editor().currentFileName(), deep);
    EXPECT_EQ(nodes().count(), kLevels + 1);
    EXPECT_TRUE(tree()->currentItem() == root());
    EXPECT_TRUE(root()->child(0)->isExpanded());  // the first levels show as after any open

    actions().newAction->trigger();
    EXPECT_EQ(nodes().count(), 1);
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());
}

TEST_F(DocumentsTest, TheFileMenusShortcutsRunTheirCommands) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    type("Typed");
    prompter.queuePath(path("keys.mvl"));
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(fileHas(path("keys.mvl"), "Typed#$@"));
    QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());
    prompter.queuePath(path("keys.mvl"));
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(form->editor().currentFileName(), path("keys.mvl"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

// Another program's save since the project was read or written is noticed
// before Save writes over it: Yes overwrites, No saves as another file,
// Cancel writes nothing. An unchanged file is saved without a question.
TEST_F(DocumentsTest, SaveAsksBeforeWritingOverAFileAnotherProgramChanged) {
    struct Row {
        const char* what;
        bool changed;
        Answer answer;
        bool overwritten;
    };
    const Row rows[] = {
        {"unchanged", false, Answer::Yes, true},
        {"overwrite", true, Answer::Yes, true},
        {"save as", true, Answer::No, false},
        {"cancel", true, Answer::Cancel, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form->editor().clearModified();
        const QString file = writeProject("P.mvl", "Mine");
        form->openProjectByPath(file);
        if (row.changed) writeProject("P.mvl", "Theirs", 2);
        type("Edited");
        prompter.clear();
        if (row.changed) prompter.queueAnswer(row.answer);
        if (row.answer == Answer::No) prompter.queuePath(path("Other.mvl"));
        actions().saveAction->trigger();
        EXPECT_EQ(prompter.count(Kind::YesNoCancel), row.changed ? 1 : 0);
        EXPECT_EQ(fileHas(file, "Edited"), row.overwritten);
        EXPECT_EQ(prompter.count(Kind::SaveFile), row.answer == Answer::No ? 1 : 0);
        EXPECT_EQ(fileHas(path("Other.mvl"), "Edited"), row.answer == Answer::No);
        EXPECT_EQ(form->editor().isModified(), row.answer == Answer::Cancel);
        QFile::remove(path("Other.mvl"));
    }
}

// While nothing is unsaved, another program's save is offered for reading
// again; with unsaved changes Save asks instead.
TEST_F(DocumentsTest, AChangedProjectFileIsOfferedForReadingAgainWhileNothingIsUnsaved) {
    const QString file = writeProject("W.mvl", "Mine");
    form->openProjectByPath(file);
    prompter.clear();
    prompter.queueAnswer(Answer::Yes);
    writeProject("W.mvl", "Theirs", 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompter.count(Kind::YesNo) == 1; }, 5000));
    EXPECT_EQ(slider(), "Theirs");
    EXPECT_EQ(items().size(), 2u);
    EXPECT_FALSE(form->editor().isModified());

    type("Edited");
    writeProject("W.mvl", "Third", 3);
    QTest::qWait(300);
    EXPECT_EQ(prompter.count(Kind::YesNo), 1);
    EXPECT_EQ(slider(), "Edited");
}

}  // namespace
}  // namespace marivel::test
