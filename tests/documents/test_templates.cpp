// The templates dialog and Save As Template.
#include <QLabel>
#include <QTest>
#include <optional>

#include "documents/documents_fixture.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

const QString kValue = QStringLiteral("ShowTempletsDialog");

QStringList listed(const TfrmTemplet& dialog) {
    QStringList names;
    for (int i = 0; i < dialog.TempletList->count(); ++i) names << dialog.TempletList->item(i)->text();
    return names;
}

TEST_F(DocumentsTest, TheTemplatesDialogListsProjectFilesAndCreatesAMissingFolder) {
    EXPECT_FALSE(withTemplates([](TfrmTemplet& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Template");
        EXPECT_EQ(dialog.size(), QSize(416, 216));
        EXPECT_TRUE(listed(dialog).isEmpty());
        EXPECT_TRUE(dialog.BitBtn1->isDefault());
        EXPECT_EQ(dialog.Label1->text(),
                  "Click OK to open selected template or cancel to create a new project.");
        EXPECT_EQ(dialog.chckbxDontShow->text(), "Do not show this dialog again.");
        dialog.BitBtn1->click();  // nothing selected: just closes
    }));
    EXPECT_TRUE(fs::is_directory(program() / "templates"));
    EXPECT_TRUE(form->CurrentFileName().isEmpty());

    for (const char* name : {"b.mvl", "A.mvl", "c.txt", ".hidden.mvl"})
        WriteBytes(program() / "templates" / name, "");
    fs::create_directory(program() / "templates" / "folder.mvl");
    EXPECT_FALSE(withTemplates([](TfrmTemplet& dialog) {
        EXPECT_EQ(listed(dialog), (QStringList{"A.mvl", "b.mvl"}));
        dialog.BitBtn2->click();
    }));
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(DocumentsTest, ATemplatesFolderThatCannotBeCreatedIsToldAndNoDialogShows) {
    WriteBytes(program() / "templates", "a file in the folder's place");
    bool shown = false;
    withTemplates([&](TfrmTemplet&) { shown = true; });
    EXPECT_FALSE(shown);
    ASSERT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, "Cannot create " + path("templates") + ".");
}

TEST_F(DocumentsTest, CancelAndEscapeStartANewProjectAfterTheSavePrompt) {
    for (const bool escape : {false, true}) {
        form->OpenProjectByPath(writeProject("p.mvl", "P", 2));
        type("Typed");
        prompter.queueAnswer(Answer::No);
        EXPECT_FALSE(withTemplates([&](TfrmTemplet& dialog) {
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.BitBtn2->click();
        }));
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_TRUE(form->CurrentFileName().isEmpty());
        EXPECT_TRUE(items().empty());
        EXPECT_FALSE(form->Modified());
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
        TfrmTemplet dialog(program() / "templates", program() / "templates", store, {});
        dialog.show();
        EXPECT_EQ(dialog.chckbxDontShow->isChecked(), ticked)
            << value.value_or("none").toString().toStdString();
    }

    // Each click stores at once; only failing to store "show again" is told.
    QStringList errors;
    TfrmTemplet::Handlers handlers;
    handlers.showError = [&](const QString& message) { errors << message; };
    TfrmTemplet dialog(program() / "templates", program() / "templates", settings, handlers);
    dialog.show();
    for (const int expected : {0, 1}) {
        dialog.chckbxDontShow->click();
        const auto read = settings.readInteger(Hive::CurrentUser, kSettingsKey, kValue);
        EXPECT_EQ(read.status, SettingsStore::Status::Ok);
        EXPECT_EQ(read.value, expected);
    }
    settings.setFailing(true);
    dialog.chckbxDontShow->click();
    EXPECT_TRUE(errors.isEmpty());
    dialog.chckbxDontShow->click();
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(DocumentsTest, AChosenTemplateIsOpenedAsAnyProjectAndSavedBackIntoTheFolder) {
    const QString chosen = writeProject("templates/Gallery.mvl", "Gallery", 2);
    WriteBytes(program() / "templates" / "Broken.mvl", "");
    // A template that fails to open is told and the list stays up for another choice.
    EXPECT_TRUE(withTemplates([](TfrmTemplet& dialog) {
        choose(dialog, "Broken.mvl");
        emit dialog.TempletList->itemDoubleClicked(dialog.TempletList->currentItem());
    }));
    EXPECT_EQ(prompter.count(Kind::Error), 1);
    EXPECT_FALSE(withTemplates([](TfrmTemplet& dialog) {
        choose(dialog, "Gallery.mvl");
        emit dialog.TempletList->itemDoubleClicked(dialog.TempletList->currentItem());
    }));
    EXPECT_EQ(form->CurrentFileName(), chosen);
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(recentCaptions(), QStringList{"&1 " + chosen});
    type("Changed");
    actions().Save1->trigger();
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
        actions().New1->trigger();
        EXPECT_FALSE(withTemplates([&](TfrmTemplet& dialog) {
            dialog.activateWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.TempletList->hasFocus(); }));
            for (const Qt::Key key : c.keys) QTest::keyClick(QApplication::focusWidget(), key);
        }));
        EXPECT_EQ(form->CurrentFileName(),
                  c.opened ? path(QStringLiteral("templates/") + c.opened) : QString());
    }
}

TEST_F(DocumentsTest, SaveAsTemplateOffersTheTemplatesFolderFromThenOn) {
    type("Tmpl");
    prompter.queuePath(path("templates/mine.mvl"));
    actions().SaveAsTemplate1->trigger();
    EXPECT_TRUE(fileHas(path("templates/mine.mvl"), "Tmpl#$@"));
    EXPECT_EQ(form->CurrentFileName(), path("templates/mine.mvl"));
    prompter.queuePath(QString());
    actions().Save2->trigger();
    ASSERT_EQ(prompter.count(Kind::SaveFile), 2);
    for (const auto& asked : prompter.asked()) {
        EXPECT_EQ(asked.directory, path("templates"));
        EXPECT_EQ(asked.filter, "Marivel Files (*.mvl)");
    }
}

}  // namespace
}  // namespace marivel::test
