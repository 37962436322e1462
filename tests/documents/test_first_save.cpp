// Which files a save writes and when it asks first: the project file opened
// or typed, exactly; files of others in a folder the project is first saved
// into; another save of the user's that holds the folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <functional>
#include <optional>

#include "documents/document_commands.h"
#include "documents_fixture.h"
#include "model/save_lock.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

TEST_F(DocumentsTest, ASaveWritesExactlyTheFileOpenedOrTheFileTheTypedNameLeadsTo) {
    struct Row {
        const char* name;
        const char* opened;  // empty: untitled, saved with Save As under `typed`
        const char* typed;
        const char* existing;  // a file there before; empty: none
        const char* written;   // the project file written
        const char* question;  // the replace question asked; empty: none
    };
    const Row rows[] = {
        {"opened in capitals", "X.MVL", "", "", "X.MVL", ""},
        {"opened under another extension", "demo.txt", "", "", "demo.txt", ""},
        {"typed with another extension", "", "demo.txt", "demo.txt", "demo.txt.mvl", ""},
        {"typed, leading to a project that exists", "", "demo.txt", "demo.txt.mvl", "demo.txt.mvl",
         "demo.txt.mvl already exists.\nDo you want to replace it?"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const char* base : {"X", "demo", "demo.txt"})
            for (const char* end : {".MVL", ".mvl", ".html", "_PublishReport.txt"})
                fs::remove(program() / (std::string(base) + end));
        fs::remove(program() / "demo.txt");
        if (*r.existing) WriteBytes(program() / r.existing, "someone's file");
        prompter.queueAnswer(Answer::No);
        actions().newAction->trigger();
        prompter.clear();
        if (*r.opened) {
            form->openProjectByPath(writeProject(r.opened, "Old"));
            type("Edited");
            actions().saveAction->trigger();
        } else {
            type("Edited");
            prompter.queuePath(path(r.typed));
            if (*r.question) prompter.queueAnswer(Answer::Yes);
            actions().saveAsAction->trigger();
        }
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_EQ(prompter.count(Kind::Error), 0);
        EXPECT_EQ(prompter.count(Kind::YesNo), *r.question ? 1 : 0);
        if (*r.question) {
            EXPECT_EQ(prompter.last()->text, r.question);
        }
        EXPECT_TRUE(fileHas(path(r.written), "Edited#$@"));
        EXPECT_EQ(form->editor().currentFileName(), path(r.written));
        if (*r.existing && std::string(r.existing) != r.written) {
            EXPECT_EQ(ReadBytes(program() / r.existing), "someone's file");
        }
        // No second project beside the one written.
        for (const char* other : {"X.mvl", "demo.mvl"})
            EXPECT_EQ(fs::exists(program() / other), std::string(other) == r.written) << other;
    }
}

TEST_F(DocumentsTest, AFirstSaveIntoAFolderAsksOnceBeforeReplacingFilesTheProjectDidNotWrite) {
    const fs::path site = program() / "site";
    fs::create_directory(site);
    WriteBytes(site / "index.html", "hand-written");
    WriteBytes(site / "tessalinecfg.js", "another slider");
    struct Row {
        const char* name;
        std::function<void()> command;
        const char* question;  // empty: none asked
        Answer answer;
        bool written;
    };
    auto saveAs = [&](const char* name) {
        return [this, name] {
            prompter.queuePath(path(QStringLiteral("site/") + name));
            actions().saveAsAction->trigger();
        };
    };
    const Row rows[] = {
        {"Save As over a hand-written page, cancelled", saveAs("index.mvl"),
         "Saving here replaces: index.html, tessalinecfg.js.\nOK replaces them; Cancel saves nothing.",
         Answer::Cancel, false},
        {"the same, confirmed", saveAs("index.mvl"),
         "Saving here replaces: index.html, tessalinecfg.js.\nOK replaces them; Cancel saves nothing.",
         Answer::Yes, true},
        {"a later Save of the same project", [this] { actions().saveAction->trigger(); }, "", Answer::Yes,
         true},
        {"Save As under the same name in the same folder", saveAs("index.mvl"), "", Answer::Yes, true},
    };
    int saves = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string slider = "Save" + std::to_string(++saves);
        type(QString::fromStdString(slider));
        prompter.clear();
        if (*r.question) prompter.queueAnswer(r.answer);
        // Save As over the project file itself is confirmed on its own.
        if (fs::exists(site / "index.mvl") && std::string(r.name).find("Save As") != std::string::npos)
            prompter.queueAnswer(Answer::Yes);
        r.command();
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_EQ(prompter.count(Kind::OkCancel), *r.question ? 1 : 0);
        if (*r.question) {
            EXPECT_EQ(prompter.asked().back().text, r.question);
        }
        EXPECT_EQ(fileHas(path("site/index.mvl"), slider + "#$@"), r.written);
        EXPECT_EQ(ReadBytes(site / "index.html") == "hand-written", !r.written);
        EXPECT_EQ(prompter.count(Kind::Error), 0);
    }
}

TEST(ReplaceQuestion, NamesTwelveFilesAndCountsTheRest) {
    struct Row {
        std::size_t count;
        const char* end;
    } rows[] = {{1, "f1"}, {12, "f11, f12"}, {13, "f11, f12 and 1 more"}, {30, "f12 and 18 more"}};
    for (const Row& row : rows) {
        std::vector<std::string> names;
        for (std::size_t i = 1; i <= row.count; ++i) names.push_back("f" + std::to_string(i));
        const QString list = ListOfNames(names);
        EXPECT_TRUE(list.endsWith(row.end)) << list.toStdString();
        EXPECT_EQ(list.count(','), static_cast<qsizetype>(std::min<std::size_t>(row.count, 12) - 1));
    }
}

TEST_F(DocumentsTest, ASaveInPlaceAsksBeforeReplacingWhatAnotherProjectPublishedThere) {
    const fs::path site = program() / "site";
    fs::create_directory(site);
    writeProject("site/a.mvl", "A");
    WriteBytes(site / "a_PublishReport.txt", "[Script file(s)]:\r\n  tessalinecfg.js\r\n  slider0.jpg\r\n");
    WriteBytes(site / "tessalinecfg.js", "A's slider");
    const QString b = writeProject("site/b.mvl", "B");
    form->openProjectByPath(b);
    const std::string question =
        "Saving here replaces files of another project: a.mvl published tessalinecfg.js.\n"
        "OK replaces them; Cancel saves nothing.";
    for (const Answer answer : {Answer::Cancel, Answer::Yes}) {
        SCOPED_TRACE(answer == Answer::Yes ? "confirmed" : "cancelled");
        type("Edited");
        prompter.clear();
        prompter.queueAnswer(answer);
        actions().saveAction->trigger();
        EXPECT_TRUE(prompter.allAnswersUsed());
        ASSERT_EQ(prompter.count(Kind::OkCancel), 1);
        EXPECT_EQ(prompter.asked().back().text.toStdString(), question);
        EXPECT_EQ(ReadBytes(site / "tessalinecfg.js") == "A's slider", answer != Answer::Yes);
        EXPECT_EQ(fileHas(b, "Edited#$@"), answer == Answer::Yes);
    }
}

TEST_F(DocumentsTest, ASaveWaitingForAnotherSaveIntoTheFolderCanBeCancelledWithNothingWritten) {
    const QString project = writeProject("p.mvl", "Old");
    form->openProjectByPath(project);
    type("Edited");
    std::optional<SaveLock> other(std::in_place, program(), nullptr);
    ASSERT_EQ(other->state(), SaveLock::State::Held);
    bool sawDialog = false;
    QTimer user;  // waits for the dialog, then presses its Cancel button
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(window);
                dialog && dialog->objectName() == "dlgWaitingForSave" && dialog->isVisible()) {
                sawDialog = true;
                dialog->cancel();
            }
    });
    user.start(20);
    actions().saveAction->trigger();
    user.stop();
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(prompter.count(Kind::Error), 0);
    EXPECT_TRUE(form->editor().isModified());
    EXPECT_FALSE(fileHas(project, "Edited"));
    EXPECT_FALSE(fs::exists(program() / "p.html"));

    // Once the other save has ended, saving works as ever.
    other.reset();
    actions().saveAction->trigger();
    EXPECT_TRUE(fileHas(project, "Edited"));
    EXPECT_FALSE(form->editor().isModified());
}

}  // namespace
}  // namespace marivel::test
