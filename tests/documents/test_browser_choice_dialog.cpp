// The browser choice: detection of the registered browsers, what the dialog
// loads from the stored choice, its rules while shown, what OK and Cancel
// store, and where launchBrowser sends the page.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <array>
#include <optional>
#include <variant>

#include "documents/browser_choice_dialog.h"
#include "documents/browser_test_support.h"
#include "platform/ini_settings_store.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"
#include "support/recording_shell.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;
namespace values = browser_values;
using Hive = SettingsStore::Hive;

enum class Ticked { Default, Known, Specified, None, Several };

Ticked TickedOf(const BrowserChoiceDialog& d) {
    const bool a = d.findChild<QRadioButton*>("RadioButtonBrowserDefault")->isChecked();
    const bool b = d.findChild<QRadioButton*>("RadioButtonBrowserKnownInSystem")->isChecked();
    const bool c = d.findChild<QRadioButton*>("RadioButtonBrowserUserSpecify")->isChecked();
    if (a + b + c > 1) return Ticked::Several;
    return a ? Ticked::Default : b ? Ticked::Known : c ? Ticked::Specified : Ticked::None;
}

void PrintTo(Ticked t, std::ostream* os) {
    const char* names[] = {"Default", "Known", "Specified", "None", "Several"};
    *os << names[static_cast<int>(t)];
}

// Up to three browsers on a private search path: Firefox, Chromium, Konqueror.
class BrowserDialogTest : public ::testing::Test {
protected:
    // A fresh search path folder holding the first `count` of them.
    BrowserLocations installed(int count) {
        const char* programs[] = {"firefox", "chromium", "konqueror"};
        const fs::path bin = dir / ("bin" + std::to_string(++folders_));
        fs::create_directories(bin);
        for (int i = 0; i < count; ++i) MakeProgram(bin / programs[i]);
        BrowserLocations where;
        where.searchPath = {QString::fromStdString(bin.string())};
        return where;
    }
    std::unique_ptr<BrowserChoiceDialog> dialog(int browsers, SettingsStore* store = nullptr) {
        return dialogAt(installed(browsers), store);
    }
    std::unique_ptr<BrowserChoiceDialog> dialogAt(const BrowserLocations& where,
                                                  SettingsStore* store = nullptr) {
        return std::make_unique<BrowserChoiceDialog>(store ? *store : settings, prompter, shell, where);
    }
    static QComboBox* list(BrowserChoiceDialog& d) { return d.findChild<QComboBox*>("ComboBoxBrowserList"); }
    static QLineEdit* edit(BrowserChoiceDialog& d) {
        return d.findChild<QLineEdit*>("editSpecifiedBrowserFileName");
    }
    static QRadioButton* radio(BrowserChoiceDialog& d, const char* name) {
        return d.findChild<QRadioButton*>(name);
    }

    TempDir dir;
    MemorySettingsStore settings;
    ScriptedPrompter prompter;
    RecordingShell shell;

private:
    int folders_ = 0;
};

using Value = std::optional<std::variant<int, QString>>;
// The five stored values in their order: use default, use known, use the
// own program, selected line, program path. A value left out is not stored.
using Stored = std::array<Value, 5>;

void Store(SettingsStore& store, const Stored& stored) {
    const QString names[] = {values::kUseDefault, values::kUseKnown, values::kUseSpecified,
                             values::kSelectedNumber, values::kSpecifiedPath};
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (!stored[i]) continue;
        if (const int* number = std::get_if<int>(&*stored[i]))
            store.writeInteger(Hive::CurrentUser, kBrowsersKey, names[i], *number);
        else
            store.writeString(Hive::CurrentUser, kBrowsersKey, names[i], std::get<QString>(*stored[i]));
    }
}

TEST_F(BrowserDialogTest, LoadsTheStoredChoiceUntilAValueIsMissingOrOfTheWrongKind) {
    struct Row {
        const char* name;
        int browsers;
        Stored stored;
        Ticked ticked;
        int line;
        QString edit;
    };
    const QString p = "/opt/my browser/run";
    const auto no = std::nullopt;
    // clang-format off
    const Row rows[] = {
        {"first use: nothing stored",                   2, {no, no, no, no, no}, Ticked::Default, -1, ""},
        {"a known browser",                             3, {0, 1, 0, 2, p},      Ticked::Known, 2, p},
        {"the own program",                             2, {0, 0, 1, -1, p},     Ticked::Specified, -1, p},
        {"known stored, none detected: the default",    0, {0, 1, 0, 1, p},      Ticked::Default, -1, p},
        {"stored line uninstalled since: line 1 of 2",  2, {0, 1, 0, 1, ""},     Ticked::Known, 1, ""},
        {"stored line past the end: the first line",    1, {0, 1, 0, 1, ""},     Ticked::Known, 0, ""},
        {"known ticked without a line",                 2, {0, 1, 0, -1, ""},    Ticked::Known, -1, ""},
        {"all three false: nothing ticked",             1, {0, 0, 0, 0, p},      Ticked::None, 0, p},
        {"a missing value stops the loading",           2, {0, no, 1, 1, p},     Ticked::None, -1, ""},
        {"a text where a number belongs stops it",      2, {0, 1, 0, QString("1"), p}, Ticked::Known, -1, ""},
        {"a number where the path belongs is left out", 2, {0, 1, 0, 0, 7},      Ticked::Known, 0, ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemorySettingsStore store;
        Store(store, row.stored);
        const int before = store.valueCount();
        auto d = dialog(row.browsers, &store);
        EXPECT_EQ(int(d->knownBrowsers_.size()), row.browsers);
        EXPECT_EQ(list(*d)->count(), row.browsers);
        EXPECT_EQ(TickedOf(*d), row.ticked);
        EXPECT_EQ(list(*d)->currentIndex(), row.line);
        EXPECT_EQ(edit(*d)->text(), row.edit);
        EXPECT_EQ(store.valueCount(), before) << "loading writes nothing";
        EXPECT_TRUE(prompter.asked().empty());
    }
}

TEST_F(BrowserDialogTest, TheListTheRadioButtonsAndTheBrowseButtonFollowTheUser) {
    auto d = dialog(2);
    ASSERT_EQ(d->knownBrowsers_.size(), 2u);
    EXPECT_EQ(d->knownBrowsers_[0].Name, "Firefox");
    EXPECT_EQ(d->knownBrowsers_[1].Name, "Chromium");
    d->show();
    // Choosing a line ticks the known browser.
    list(*d)->setFocus();
    QTest::keyClick(list(*d), Qt::Key_Down);
    EXPECT_EQ(list(*d)->currentIndex(), 0);
    EXPECT_EQ(TickedOf(*d), Ticked::Known);
    // The three buttons are one group.
    QTest::mouseClick(radio(*d, "RadioButtonBrowserUserSpecify"), Qt::LeftButton);
    EXPECT_EQ(TickedOf(*d), Ticked::Specified);
    QTest::mouseClick(radio(*d, "RadioButtonBrowserUserSpecify"), Qt::LeftButton);
    EXPECT_EQ(TickedOf(*d), Ticked::Specified) << "a second click does not untick";
    QTest::mouseClick(radio(*d, "RadioButtonBrowserKnownInSystem"), Qt::LeftButton);
    EXPECT_EQ(TickedOf(*d), Ticked::Known);
    // The browse button fills the edit and leaves the ticks alone; a
    // cancelled browse keeps the text.
    prompter.queuePath("/opt/my browser/run");
    d->findChild<QToolButton*>("spdbtnOpenExeFile")->click();
    EXPECT_EQ(edit(*d)->text(), "/opt/my browser/run");
    EXPECT_EQ(TickedOf(*d), Ticked::Known);
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::OpenFile), 1);
    EXPECT_EQ(prompter.last()->filter, ProgramFileFilter());
    EXPECT_EQ(ProgramFileFilter(), "All Files (*)");
    prompter.queuePath("");
    d->findChild<QToolButton*>("spdbtnOpenExeFile")->click();
    EXPECT_EQ(edit(*d)->text(), "/opt/my browser/run");
    EXPECT_EQ(prompter.last()->directory, "/opt/my browser");

    // Without detected browsers the known choice falls back to the default.
    auto empty = dialog(0);
    empty->show();
    QTest::mouseClick(radio(*empty, "RadioButtonBrowserUserSpecify"), Qt::LeftButton);
    QTest::mouseClick(radio(*empty, "RadioButtonBrowserKnownInSystem"), Qt::LeftButton);
    EXPECT_EQ(TickedOf(*empty), Ticked::Default);
}

// The five values as stored, each read as the kind it must have.
using Choice = std::tuple<int, int, int, int, QString>;
std::optional<Choice> ReadChoice(const SettingsStore& store) {
    auto number = [&](const QString& name) {
        const auto read = store.readInteger(Hive::CurrentUser, kBrowsersKey, name);
        return read.status == SettingsStore::Status::Ok ? read.value : -99;
    };
    if (!store.keyExists(Hive::CurrentUser, kBrowsersKey)) return std::nullopt;
    const auto path = store.readString(Hive::CurrentUser, kBrowsersKey, values::kSpecifiedPath);
    return Choice{number(values::kUseDefault), number(values::kUseKnown), number(values::kUseSpecified),
                  number(values::kSelectedNumber),
                  path.status == SettingsStore::Status::Ok ? path.value : "?"};
}

TEST_F(BrowserDialogTest, OkStoresTheFiveValuesAndCancelStoresNothing) {
    auto pickLine = [](BrowserChoiceDialog& d) {
        list(d)->setCurrentIndex(1);
        emit list(d)->activated(1);
    };
    auto browse = [this](BrowserChoiceDialog& d) {
        prompter.queuePath("/usr/local/bin/my-browser");
        d.findChild<QToolButton*>("spdbtnOpenExeFile")->click();
    };
    auto ownProgram = [](BrowserChoiceDialog& d) {
        radio(d, "RadioButtonBrowserUserSpecify")->click();
        edit(d)->setText("/opt/b r/x");
    };
    struct Row {
        const char* name;
        std::function<void(BrowserChoiceDialog&)> change;
        const char* button;
        std::optional<Choice> stored;
    };
    const Row rows[] = {
        {"picking a line", pickLine, "bitbtnOk", Choice{0, 1, 0, 1, ""}},
        {"browsing a program keeps the mode", browse, "bitbtnOk",
         Choice{1, 0, 0, -1, "/usr/local/bin/my-browser"}},
        {"the own program", ownProgram, "bitbtnOk", Choice{0, 0, 1, -1, "/opt/b r/x"}},
        {"cancel after changes", ownProgram, "bitbtnCancel", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The store the program uses, so the kinds of the values are checked.
        QTemporaryDir folder;
        IniSettingsStore store(folder.path());
        auto d = dialog(2, &store);
        d->show();
        row.change(*d);
        d->findChild<QPushButton*>(row.button)->click();
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(ReadChoice(store), row.stored);
        if (!row.stored) {
            EXPECT_FALSE(QFile::exists(store.fileOf(Hive::CurrentUser)));
            continue;
        }
        // The next creation shows what was stored.
        auto again = dialog(2, &store);
        EXPECT_EQ(TickedOf(*again), TickedOf(*d));
        EXPECT_EQ(list(*again)->currentIndex(), list(*d)->currentIndex());
        EXPECT_EQ(edit(*again)->text(), edit(*d)->text());
    }
}

TEST_F(BrowserDialogTest, AStoreThatRefusesTheChoiceStillClosesWithoutAWord) {
    MemorySettingsStore broken;
    broken.setFailing(true);
    auto d = dialog(1, &broken);
    d->show();
    d->findChild<QPushButton*>("bitbtnOk")->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(broken.valueCount(), 0);
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(BrowserDialogTest, LaunchSendsThePageWholeToTheChosenBrowser) {
    const BrowserLocations where = installed(2);
    const QString firefox = where.searchPath[0] + "/firefox";
    const QString chromium = where.searchPath[0] + "/chromium";
    const QString own = "/opt/my browser/run";
    const QString page = "/tmp/a folder/preview/~preview.html";
    using Started = std::vector<std::pair<QString, QString>>;
    struct Row {
        const char* name;
        Stored stored;
        bool opened;  // through the desktop's association
        Started started;
    };
    // clang-format off
    const Row rows[] = {
        {"default browser",                   {1, 0, 0, 1, own},  true,  {}},
        {"known browser",                     {0, 1, 0, 1, own},  false, {{chromium, page}}},
        {"known browser, first line",         {0, 1, 0, 0, own},  false, {{firefox, page}}},
        {"known without a line: the default", {0, 1, 0, -1, own}, true,  {}},
        {"own program",                       {0, 0, 1, 0, own},  false, {{own, page}}},
        {"nothing ticked",                    {0, 0, 0, 0, own},  false, {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemorySettingsStore store;
        Store(store, row.stored);
        shell.opened.clear();
        shell.started.clear();
        auto d = dialogAt(where, &store);
        EXPECT_EQ(d->launchBrowser("/tmp/a folder/preview/", "~preview.html"),
                  row.opened || !row.started.empty());
        EXPECT_EQ(shell.opened, row.opened ? std::vector<QString>{page} : std::vector<QString>{});
        EXPECT_EQ(shell.started, row.started);
    }
}

// The registry names browsers only on Windows; planted keys stand in for it
// here, with executables at the named places.
TEST_F(BrowserDialogTest, RegisteredBrowsersAreListedFirstWhenTheirProgramExists) {
    const auto machine = Hive::LocalMachine;
    const auto user = Hive::CurrentUser;
    const QString iePath = QString::fromStdString((dir / "ie" / "iexplore.exe").string());
    const QString nav3 = QString::fromStdString((dir / "nav3").string());
    const QString comm = QString::fromStdString((dir / "comm").string());
    const QString ns6 = QString::fromStdString((dir / "ns6").string());
    MakeProgram(dir / "ie" / "iexplore.exe");
    MakeProgram(dir / "nav3" / "Program" / "Netscape.exe");
    MakeProgram(dir / "comm" / "Program" / "Netscape.exe");
    MakeProgram(dir / "ns6" / "netscp6.exe");
    const QString ieKey = "SOFTWARE\\Microsoft\\windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
    const BrowserLocations where = installed(1);
    const QString firefox = where.searchPath[0] + "/firefox";

    struct Row {
        const char* name;
        std::function<void(MemorySettingsStore&)> plant;
        std::vector<BrowserNameAndPath> expected;
    };
    const QString sep = QDir::separator();
    const Row rows[] = {
        {"all four",
         [&](MemorySettingsStore& s) {
             s.writeString(machine, ieKey, "", iePath);
             s.writeString(user, "SOFTWARE\\Netscape\\Netscape Navigator\\Main", "Install Directory", nav3);
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape Navigator", "CurrentVersion", "4.7 (en)");
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape Navigator\\4.7 (en)\\Main",
                           "Install Directory", comm);
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape 6", "CurrentVersion", "6.2");
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape 6\\6.2\\Main", "Install Directory", ns6);
         },
         {{"Internet Explorer", iePath},
          {"Netscape Navigator 3", nav3 + sep + "Program" + sep + "Netscape.exe"},
          {"Netscape Communicator 4.7 (en)", comm + sep + "Program" + sep + "Netscape.exe"},
          {"Netscape 6.2", ns6 + sep + "netscp6.exe"},
          {"Firefox", firefox}}},
        {"missing programs, wrong hive, empty version, unreadable value",
         [&](MemorySettingsStore& s) {
             s.writeString(machine, ieKey, "", iePath + ".gone");
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape Navigator\\Main", "Install Directory",
                           nav3);
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape Navigator", "CurrentVersion", "");
             s.writeInteger(machine, "SOFTWARE\\Netscape\\Netscape 6", "CurrentVersion", 6);
             s.writeString(machine, "SOFTWARE\\Netscape\\Netscape 6\\6\\Main", "Install Directory", ns6);
         },
         {{"Firefox", firefox}}},
        {"a registered program that is also on the search path is listed once",
         [&](MemorySettingsStore& s) { s.writeString(machine, ieKey, "", firefox); },
         {{"Internet Explorer", firefox}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemorySettingsStore store;
        row.plant(store);
        auto d = dialogAt(where, &store);
        EXPECT_EQ(d->knownBrowsers_, row.expected);
        EXPECT_EQ(list(*d)->count(), int(row.expected.size()));
        EXPECT_EQ(list(*d)->itemText(0), row.expected.front().Name);
    }
}

}  // namespace
}  // namespace marivel::test
