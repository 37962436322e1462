#pragma once

#include <QString>
#include <optional>

namespace marivel {

// Per-user and per-machine settings, keyed the way the registry is: a hive,
// a key path with backslashes ("\Software\Kelt\Marivel\1.1\Settings") and a
// value name. Values are 32-bit integers (Booleans as 0/1) or strings.
class SettingsStore {
public:
    enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

    // A read tells "missing" (no key or no value) apart from "unreadable"
    // (present but of the wrong kind, or the store failed).
    enum class Status { Ok, Missing, Unreadable };
    template <typename T>
    struct Read {
        Status status = Status::Missing;
        T value{};
    };

    virtual ~SettingsStore() = default;

    virtual Read<qint32> readInteger(Hive hive, const QString& key, const QString& name) const = 0;
    virtual Read<QString> readString(Hive hive, const QString& key, const QString& name) const = 0;
    // Booleans: any non-zero integer is true.
    Read<bool> readBool(Hive hive, const QString& key, const QString& name) const {
        auto r = readInteger(hive, key, name);
        return {r.status, r.value != 0};
    }

    // Writes create the key where missing; false when the store failed.
    virtual bool writeInteger(Hive hive, const QString& key, const QString& name, qint32 value) = 0;
    virtual bool writeString(Hive hive, const QString& key, const QString& name, const QString& value) = 0;
    bool writeBool(Hive hive, const QString& key, const QString& name, bool value) {
        return writeInteger(hive, key, name, value ? 1 : 0);
    }
    virtual bool keyExists(Hive hive, const QString& key) const = 0;
    virtual bool createKey(Hive hive, const QString& key) = 0;
};

// The maker's key and this version's key below it.
inline const QString kMakerKey = QStringLiteral("\\Software\\Kelt");
inline const QString kVersionKey = QStringLiteral("\\Software\\Kelt\\Marivel\\1.1");
// The key under which every setting of this version lives.
inline const QString kSettingsKey = QStringLiteral("\\Software\\Kelt\\Marivel\\1.1\\Settings");
inline const QString kBrowsersKey = QStringLiteral("\\Software\\Kelt\\Marivel\\1.1\\Web Browsers");

// Creates the current user's kMakerKey and kVersionKey one by one, outermost
// first, so a store that only knows keys it was told about ends up with the
// whole path. False when the store refused one.
inline bool CreateVersionKeys(SettingsStore& settings) {
    return settings.createKey(SettingsStore::Hive::CurrentUser, kMakerKey) &&
           settings.createKey(SettingsStore::Hive::CurrentUser, kVersionKey);
}

// Whether a dialog the user can turn off is shown, by its Boolean under
// kSettingsKey: a value that was never stored shows the dialog; one that
// cannot be read is taken as "do not show".
inline bool ShouldShowDialog(const SettingsStore& settings, const QString& name) {
    const auto read = settings.readBool(SettingsStore::Hive::CurrentUser, kSettingsKey, name);
    switch (read.status) {
        case SettingsStore::Status::Ok:
            return read.value;
        case SettingsStore::Status::Missing:
            return true;
        case SettingsStore::Status::Unreadable:
            break;
    }
    return false;
}

// Stores one of the current user's Booleans under kSettingsKey, creating the
// keys down to it first. False when the store failed.
inline bool StoreUserSetting(SettingsStore& settings, const QString& name, bool value) {
    return CreateVersionKeys(settings) &&
           settings.createKey(SettingsStore::Hive::CurrentUser, kSettingsKey) &&
           settings.writeBool(SettingsStore::Hive::CurrentUser, kSettingsKey, name, value);
}

}  // namespace marivel
