// The templates dialog and Save As Template.
#include <QLabel>
#include <QTest>
#include <optional>

#include "documents/documents_fixture.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

const QString kValue = QStringLiteral("ShowTempletsDialog");

QStringList listed(const TemplatesDialog& dialog) {
    QStringList names;
    for (int i = 0; i < dialog.templateList->count(); ++i) names << dialog.templateList->item(i)->text();
    return names;
}

TEST_F(DocumentsTest, TheTemplatesDialogListsProjectFilesAndCreatesAMissingFolder) {
    EXPECT_FALSE(withTemplates([](TemplatesDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Template");
        EXPECT_EQ(dialog.size(), QSize(416, 216));
        EXPECT_TRUE(listed(dialog).isEmpty());
        EXPECT_TRUE(dialog.okButton->isDefault());
        EXPECT_EQ(dialog.instructionLabel->text(),
                  "Click OK to open selected template or cancel to create a new project.");
        EXPECT_EQ(dialog.doNotShowCheck->text(), "Do not show this dialog again.");
        dialog.okButton->click();  // nothing selected: just closes
    }));
    EXPECT_TRUE(fs::is_directory(program() / "templates"));
    EXPECT_TRUE(form->editor().currentFileName().isEmpty());

    for (const char* name : {"b.mvl", "A.mvl", "c.txt", ".hidden.mvl"})
        WriteBytes(program() / "templates" / name, "");
    fs::create_directory(program() / "templates" / "folder.mvl");
    EXPECT_FALSE(withTemplates([](TemplatesDialog& dialog) {
        EXPECT_EQ(listed(dialog), (QStringList{"A.mvl", "b.mvl"}));
        dialog.cancelButton->click();
    }));
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(DocumentsTest, ATemplatesFolderThatCannotBeCreatedIsToldAndNoDialogShows) {
    WriteBytes(program() / "templates", "a file in the folder's place");
    bool shown = false;
    withTemplates([&](TemplatesDialog&) { shown = true; });
    EXPECT_FALSE(shown);
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "Cannot create " + path("templates") + ".");
}

TEST_F(DocumentsTest, CancelAndEscapeStartANewProjectAfterTheSavePrompt) {
    for (const bool escape : {false, true}) {
        form->openProjectByPath(writeProject("p.mvl", "P", 2));
        type("Typed");
        prompter.queueAnswer(Answer::No);
        EXPECT_FALSE(withTemplates([&](TemplatesDialog& dialog) {
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.cancelButton->click();
        }));
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_TRUE(form->editor().currentFileName().isEmpty());
        EXPECT_TRUE(items().empty());
        EXPECT_FALSE(form->editor().isModified());
    }
}

TEST_F(DocumentsTest, TheDoNotShowBoxFollowsTheStoredValueAndStoresEachClick) {
    using Hive = SettingsStore::Hive;
    const std::pair<std::optional<QVariant>, bool> stored[] = {
        {std::nullopt, false}, {QVariant(1), false}, {QVariant(0), true}, {QVariant("unreadable"), true}};
    for (const auto& [value, ticked] : stored) {
        MemorySettingsStore store;
        if (value && value->typeId() == QMetaType::Int)
            store.writeInteger(Hive::CurrentUser, kSettingsKey, kValue, value->toInt());
        else if (value)
            store.writeString(Hive::CurrentUser, kSettingsKey, kValue, value->toString());
        TemplatesDialog dialog(program() / "templates", program() / "templates", store, {});
        dialog.show();
        EXPECT_EQ(dialog.doNotShowCheck->isChecked(), ticked)
            << value.value_or("none").toString().toStdString();
    }

    // Each click stores at once; only failing to store "show again" is told.
    QStringList errors;
    TemplatesDialog::Handlers handlers;
    handlers.showError = [&](const QString& message) { errors << message; };
    TemplatesDialog dialog(program() / "templates", program() / "templates", settings, handlers);
    dialog.show();
    for (const int expected : {0, 1}) {
        dialog.doNotShowCheck->click();
        const auto read = settings.readInteger(Hive::CurrentUser, kSettingsKey, kValue);
        EXPECT_EQ(read.status, SettingsStore::Status::Ok);
        EXPECT_EQ(read.value, expected);
    }
    settings.setFailing(true);
    dialog.doNotShowCheck->click();
    EXPECT_TRUE(errors.isEmpty());
    dialog.doNotShowCheck->click();
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(DocumentsTest, AChosenTemplateIsOpenedAsAnyProjectAndSavedBackIntoTheFolder) {
    const QString chosen = writeProject("templates/Gallery.mvl", "Gallery", 2);
    WriteBytes(program() / "templates" / "Broken.mvl", "");
    // A template that fails to open is told and the list stays up for another choice.
    EXPECT_TRUE(withTemplates([](TemplatesDialog& dialog) {
        choose(dialog, "Broken.mvl");
        emit dialog.templateList->itemDoubleClicked(dialog.templateList->currentItem());
    }));
    EXPECT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_FALSE(withTemplates([](TemplatesDialog& dialog) {
        choose(dialog, "Gallery.mvl");
        emit dialog.templateList->itemDoubleClicked(dialog.templateList->currentItem());
    }));
    EXPECT_EQ(form->editor().currentFileName(), chosen);
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(recentCaptions(), QStringList{"&1 " + chosen});
    type("Changed");
    actions().saveAction->trigger();
    EXPECT_TRUE(fileHas(chosen, "Changed#$@"));
    EXPECT_TRUE(fs::exists(program() / "templates" / "Gallery.html"));
}

TEST_F(DocumentsTest, TheKeyboardChoosesTemplatesFromTheFirstLineOn) {
    struct Case {
        std::vector<Qt::Key> keys;
        const char* opened;  // nullptr: the dialog closes without opening anything
    };
    const std::vector<Case> cases = {
        {{Qt::Key_Return}, nullptr},
        {{Qt::Key_Down, Qt::Key_Return}, "A.mvl"},
        {{Qt::Key_Up, Qt::Key_Return}, "A.mvl"},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, "b.mvl"},
        {{Qt::Key_End, Qt::Key_Return}, "c.mvl"},
    };
    for (const char* name : {"A.mvl", "b.mvl", "c.mvl"})
        writeProject(QStringLiteral("templates/") + name, "T");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened ? c.opened : "nothing");
        actions().newAction->trigger();
        EXPECT_FALSE(withTemplates([&](TemplatesDialog& dialog) {
            dialog.activateWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.templateList->hasFocus(); }));
            for (const Qt::Key key : c.keys) QTest::keyClick(QApplication::focusWidget(), key);
        }));
        EXPECT_EQ(form->editor().currentFileName(),
                  c.opened ? path(QStringLiteral("templates/") + c.opened) : QString());
    }
}

TEST_F(DocumentsTest, SaveAsTemplateOffersTheTemplatesFolderFromThenOn) {
    type("Tmpl");
    prompter.queuePath(path("templates/mine.mvl"));
    actions().saveAsTemplateAction->trigger();
    EXPECT_TRUE(fileHas(path("templates/mine.mvl"), "Tmpl#$@"));
    EXPECT_EQ(form->editor().currentFileName(), path("templates/mine.mvl"));
    prompter.queuePath(QString());
    actions().saveAsAction->trigger();
    ASSERT_EQ(prompter.count(Kind::SaveFile), 2);
    for (const auto& asked : prompter.asked()) {
        EXPECT_EQ(asked.directory, path("templates"));
        EXPECT_EQ(asked.filter, "Marivel Files (*.mvl)");
    }
}

}  // namespace
}  // namespace marivel::test
