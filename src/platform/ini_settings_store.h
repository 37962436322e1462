#pragma once

#include <QString>

#include "platform/settings_store.h"

namespace marivel {

// The settings store of the running program: one INI file per hive in a
// folder (by default the user's configuration folder), read and written
// through QSettings. Key paths become INI groups ("\Software\Kelt" becomes
// "Software/Kelt"); the unnamed default value of a key is stored as
// "@default".
//
// INI files keep no types, so integers are written the way registry exports
// write them, "dword:0000002a", and a string that could be mistaken for one
// is prefixed with "sz:". That keeps "missing" (no such value) apart from
// "unreadable" (a value of the wrong kind, or a file QSettings cannot read).
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(QString folder);
    // The folder used by the installed program: "<config>/Kelt/Marivel".
    static QString defaultFolder();

    Read<qint32> readInteger(Hive hive, const QString& key, const QString& name) const override;
    Read<QString> readString(Hive hive, const QString& key, const QString& name) const override;
    bool writeInteger(Hive hive, const QString& key, const QString& name, qint32 value) override;
    bool writeString(Hive hive, const QString& key, const QString& name, const QString& value) override;
    bool keyExists(Hive hive, const QString& key) const override;
    bool createKey(Hive hive, const QString& key) override;

    QString fileOf(Hive hive) const;

private:
    Read<QString> readRaw(Hive hive, const QString& key, const QString& name) const;
    bool writeRaw(Hive hive, const QString& key, const QString& name, const QString& raw);

    QString folder_;
};

}  // namespace marivel
