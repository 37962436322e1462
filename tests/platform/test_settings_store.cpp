#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <utility>

#include "model/image_quality.h"

#include "platform/ini_settings_store.h"
#include "platform/memory_settings_store.h"
#include "support/outcome_within.h"
#include "support/qt_printers.h"

namespace marivel {
namespace {

using Hive = SettingsStore::Hive;
using Status = SettingsStore::Status;
const QString kKey = kSettingsKey;

// Both stores must behave alike: the program runs on the INI store, the
// widget tests on the memory one.
template <typename Store>
class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store = make();

    std::unique_ptr<SettingsStore> make() {
        if constexpr (std::is_same_v<Store, IniSettingsStore>)
            return std::make_unique<IniSettingsStore>(dir.path());
        else
            return std::make_unique<MemorySettingsStore>();
    }
};

using StoreTypes = ::testing::Types<IniSettingsStore, MemorySettingsStore>;
TYPED_TEST_SUITE(SettingsStoreTest, StoreTypes);

TYPED_TEST(SettingsStoreTest, MissingValuesAndKeysReadAsMissing) {
    SettingsStore& s = *this->store;
    EXPECT_EQ(s.readInteger(Hive::CurrentUser, kKey, "ShowLinkTipDialog").status, Status::Missing);
    EXPECT_EQ(s.readString(Hive::CurrentUser, kKey, "SpecifiedBrowserExePath").status, Status::Missing);
    EXPECT_FALSE(s.keyExists(Hive::CurrentUser, kKey));
    ASSERT_TRUE(s.writeInteger(Hive::CurrentUser, kKey, "Other", 1));
    EXPECT_EQ(s.readBool(Hive::CurrentUser, kKey, "ShowLinkTipDialog").status, Status::Missing);
}

TYPED_TEST(SettingsStoreTest, IntegersStringsAndBooleansRoundTrip) {
    SettingsStore& s = *this->store;
    const std::pair<QString, qint32> integers[] = {
        {"Zero", 0}, {"One", 1}, {"Negative", -1}, {"Max", 2147483647}, {"Min", -2147483647 - 1}};
    for (const auto& [name, value] : integers)
        ASSERT_TRUE(s.writeInteger(Hive::CurrentUser, kKey, name, value));
    for (const auto& [name, value] : integers) {
        auto r = s.readInteger(Hive::CurrentUser, kKey, name);
        EXPECT_EQ(r.status, Status::Ok) << name.toStdString();
        EXPECT_EQ(r.value, value) << name.toStdString();
    }
    const QString strings[] = {"",
                               "C:\\Program Files\\Browser\\b.exe",
                               "/usr/bin/chromium --x",
                               "dword:00000001",
                               "sz:abc",
                               "a, b, c",
                               "ünïcödé"};
    int n = 0;
    for (const QString& v : strings)
        ASSERT_TRUE(s.writeString(Hive::CurrentUser, kKey, QString("S%1").arg(n++), v));
    n = 0;
    for (const QString& v : strings) {
        auto r = s.readString(Hive::CurrentUser, kKey, QString("S%1").arg(n++));
        EXPECT_EQ(r.status, Status::Ok) << v.toStdString();
        EXPECT_EQ(r.value, v);
    }
    ASSERT_TRUE(s.writeBool(Hive::CurrentUser, kKey, "Flag", false));
    EXPECT_EQ(s.readInteger(Hive::CurrentUser, kKey, "Flag").value, 0);
    ASSERT_TRUE(s.writeBool(Hive::CurrentUser, kKey, "Flag", true));
    EXPECT_EQ(s.readInteger(Hive::CurrentUser, kKey, "Flag").value, 1);
    ASSERT_TRUE(s.writeInteger(Hive::CurrentUser, kKey, "Seven", 7));
    EXPECT_TRUE(s.readBool(Hive::CurrentUser, kKey, "Seven").value);  // any non-zero number is true
}

TYPED_TEST(SettingsStoreTest, ValueOfTheWrongKindIsUnreadable) {
    SettingsStore& s = *this->store;
    ASSERT_TRUE(s.writeString(Hive::CurrentUser, kKey, "ShowLinkTipDialog", "yes"));
    EXPECT_EQ(s.readBool(Hive::CurrentUser, kKey, "ShowLinkTipDialog").status, Status::Unreadable);
    ASSERT_TRUE(s.writeInteger(Hive::CurrentUser, kKey, "Path", 3));
    EXPECT_EQ(s.readString(Hive::CurrentUser, kKey, "Path").status, Status::Unreadable);
}

TYPED_TEST(SettingsStoreTest, HivesAndKeysAreSeparateAndKeysCanBeCreatedEmpty) {
    SettingsStore& s = *this->store;
    ASSERT_TRUE(s.writeString(Hive::ClassesRoot, "\\.mvl", "", "Marivel.Document"));
    EXPECT_EQ(s.readString(Hive::CurrentUser, "\\.mvl", "").status, Status::Missing);
    EXPECT_EQ(s.readString(Hive::ClassesRoot, "\\.mvl", "").value, "Marivel.Document");
    EXPECT_EQ(s.readString(Hive::ClassesRoot, "\\.mvl\\sub", "").status, Status::Missing);

    EXPECT_FALSE(s.keyExists(Hive::CurrentUser, "\\Software\\Kelt"));
    ASSERT_TRUE(s.createKey(Hive::CurrentUser, "\\Software\\Kelt"));
    EXPECT_TRUE(s.keyExists(Hive::CurrentUser, "\\Software\\Kelt"));
    EXPECT_FALSE(s.keyExists(Hive::CurrentUser, "\\Software\\Kelt\\Marivel\\1.1"));
    ASSERT_TRUE(s.createKey(Hive::CurrentUser, "\\Software\\Kelt"));  // creating twice is fine
    ASSERT_TRUE(s.writeInteger(Hive::CurrentUser, "\\Software\\Kelt", "v", 5));
    EXPECT_EQ(s.readInteger(Hive::CurrentUser, "\\Software\\Kelt", "v").value, 5);
}

TEST(IniSettingsStore, KeepsValuesAcrossInstancesInTheGivenFolderOnly) {
    QTemporaryDir dir;
    {
        IniSettingsStore first(dir.path());
        ASSERT_TRUE(first.writeBool(Hive::CurrentUser, kKey, "ShowLinkTipDialog", false));
    }
    IniSettingsStore second(dir.path());
    auto r = second.readBool(Hive::CurrentUser, kKey, "ShowLinkTipDialog");
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_FALSE(r.value);
    EXPECT_TRUE(QFile::exists(dir.filePath("HKEY_CURRENT_USER.ini")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"HKEY_CURRENT_USER.ini"});
}

TEST(IniSettingsStore, DamagedValuesAndUnreadableFilesAreUnreadableNotMissing) {
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("HKEY_CURRENT_USER.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Software/Kelt/Marivel/1.1/Settings]\nShowLinkTipDialog=dword:xyz\nList=a, b\n");
    }
    IniSettingsStore store(dir.path());
    EXPECT_EQ(store.readInteger(Hive::CurrentUser, kKey, "ShowLinkTipDialog").status, Status::Unreadable);
    EXPECT_EQ(store.readString(Hive::CurrentUser, kKey, "List").status, Status::Unreadable);
    EXPECT_EQ(store.readString(Hive::CurrentUser, kKey, "Absent").status, Status::Missing);

    // A hive "file" that is a folder cannot be read or written.
    ASSERT_TRUE(QDir(dir.path()).mkdir("HKEY_LOCAL_MACHINE.ini"));
    EXPECT_EQ(store.readString(Hive::LocalMachine, kKey, "x").status, Status::Unreadable);
    EXPECT_FALSE(store.writeString(Hive::LocalMachine, kKey, "x", "y"));
}

// The editor reads settings through its store, marivel-publish through
// ReadStoredImageQuality: on every file both must give the same answer.
TEST(IniSettingsStore, TheEditorAndMarivelPublishReadASettingAlike) {
    const std::string key = "\nKelt\\Marivel\\1.1\\Settings\\ImageDensity=dword:";
    const std::pair<std::string, std::string> rows[] = {
        // The file ("" for a FIFO); what the editor, then marivel-publish read.
        {"[Software]" + key + "00000002", "2 2"},
        {"[Software]" + key + "2", "2 2"},
        {"[Software]" + key + "0x2", "unreadable 1"},
        {"[Software]" + key + "+2", "unreadable 1"},
        {"[Software]" + key + "000000002", "unreadable 1"},
        {"[Software]" + key, "unreadable 1"},
        {"[Softwar%65]" + key + "00000002", "2 2"},
        {"[Software]" + key + "00000001" + key + "00000002", "2 2"},
        {"", "unreadable 1"},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        QTemporaryDir dir;
        const QString file = dir.filePath("HKEY_CURRENT_USER.ini");
        QFile f(file);
        ASSERT_TRUE(text.empty() ? ::mkfifo(file.toLocal8Bit().constData(), 0600) == 0
                                 : f.open(QIODevice::WriteOnly) && f.write(text.c_str()) > 0);
        f.close();
        const auto outcome = test::OutcomeWithin(20, [&] {
            const auto editor =
                IniSettingsStore(dir.path()).readInteger(Hive::CurrentUser, kKey, "ImageDensity");
            return (editor.status == Status::Ok ? std::to_string(editor.value) : std::string("unreadable")) +
                   " " + std::to_string(static_cast<int>(ReadStoredImageQuality(file.toStdString()).density));
        });
        EXPECT_EQ(outcome.value_or("still reading after 20 s"), expected);
    }
}

TEST(IniSettingsStore, WriteIntoAFolderThatCannotBeCreatedFails) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniSettingsStore store(dir.filePath("file/settings"));
    EXPECT_FALSE(store.writeInteger(Hive::CurrentUser, kKey, "x", 1));
    EXPECT_EQ(store.readInteger(Hive::CurrentUser, kKey, "x").status, Status::Missing);
}

TEST(MemorySettingsStore, FailingBackendRefusesWritesAndReadsUnreadable) {
    MemorySettingsStore store;
    ASSERT_TRUE(store.writeInteger(Hive::CurrentUser, kKey, "x", 1));
    store.setFailing(true);
    EXPECT_EQ(store.readInteger(Hive::CurrentUser, kKey, "x").status, Status::Unreadable);
    EXPECT_FALSE(store.writeInteger(Hive::CurrentUser, kKey, "x", 2));
    store.setFailing(false);
    EXPECT_EQ(store.readInteger(Hive::CurrentUser, kKey, "x").value, 1);
}

}  // namespace
}  // namespace marivel
