#include "platform/ini_settings_store.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <optional>
#include <string>

#include "model/image_quality.h"
#include "model/user_file.h"
#include "platform/local_text.h"

namespace marivel {

namespace {

const QString kDwordPrefix = QStringLiteral("dword:");
const QString kStringPrefix = QStringLiteral("sz:");

QString groupOf(const QString& key) {
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

QString valueName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("@default") : name;
}

QString hiveFileName(SettingsStore::Hive hive) {
    switch (hive) {
        case SettingsStore::Hive::CurrentUser:
            return QStringLiteral("HKEY_CURRENT_USER.ini");
        case SettingsStore::Hive::LocalMachine:
            return QStringLiteral("HKEY_LOCAL_MACHINE.ini");
        case SettingsStore::Hive::ClassesRoot:
            return QStringLiteral("HKEY_CLASSES_ROOT.ini");
    }
    return QStringLiteral("HKEY_OTHER.ini");
}

// Whether QSettings may be let loose on the file: a regular file of a
// sensible size. A FIFO would block the reading thread for good, a link to
// /dev/zero fill the memory; the check is the one marivel-publish's reader
// makes on its descriptor.
bool IsReadableSettingsFile(const QString& file) {
    std::string reason;
    const int fd = OpenUserFile(toLocalPath(file), kSettingsFileKind, reason);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

IniSettingsStore::IniSettingsStore(QString folder) : folder_(std::move(folder)) {}

QString IniSettingsStore::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kelt/Marivel");
}

QString IniSettingsStore::fileOf(Hive hive) const {
    return QDir(folder_).filePath(hiveFileName(hive));
}

SettingsStore::Read<QString> IniSettingsStore::readRaw(Hive hive, const QString& key,
                                                       const QString& name) const {
    const QString file = fileOf(hive);
    QFileInfo info(file);
    if (!info.exists()) return {Status::Missing, {}};
    if (!IsReadableSettingsFile(file)) return {Status::Unreadable, {}};
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return {Status::Unreadable, {}};
    settings.beginGroup(groupOf(key));
    const QVariant v = settings.value(valueName(name));
    if (!v.isValid()) return {Status::Missing, {}};
    // A list (a value with unquoted commas) is no value we ever wrote.
    if (v.typeId() != QMetaType::QString) return {Status::Unreadable, {}};
    return {Status::Ok, v.toString()};
}

SettingsStore::Read<qint32> IniSettingsStore::readInteger(Hive hive, const QString& key,
                                                          const QString& name) const {
    auto raw = readRaw(hive, key, name);
    if (raw.status != Status::Ok) return {raw.status, 0};
    // The one rule marivel-publish reads its settings by too.
    const std::optional<std::int32_t> number = ParseStoredInteger(raw.value.toStdString());
    if (!number) return {Status::Unreadable, 0};
    return {Status::Ok, *number};
}

SettingsStore::Read<QString> IniSettingsStore::readString(Hive hive, const QString& key,
                                                          const QString& name) const {
    auto raw = readRaw(hive, key, name);
    if (raw.status != Status::Ok) return raw;
    if (raw.value.startsWith(kDwordPrefix)) return {Status::Unreadable, {}};
    if (raw.value.startsWith(kStringPrefix)) raw.value.remove(0, kStringPrefix.size());
    return raw;
}

bool IniSettingsStore::writeRaw(Hive hive, const QString& key, const QString& name, const QString& raw) {
    if (!QDir().mkpath(folder_)) return false;
    // QSettings reads the file before it writes it back.
    if (QFileInfo::exists(fileOf(hive)) && !IsReadableSettingsFile(fileOf(hive))) return false;
    QSettings settings(fileOf(hive), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return false;
    settings.beginGroup(groupOf(key));
    settings.remove(QStringLiteral("@key"));
    settings.setValue(valueName(name), raw);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool IniSettingsStore::writeInteger(Hive hive, const QString& key, const QString& name, qint32 value) {
    const QString hex = QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0'));
    return writeRaw(hive, key, name, kDwordPrefix + hex);
}

bool IniSettingsStore::writeString(Hive hive, const QString& key, const QString& name, const QString& value) {
    const bool ambiguous = value.startsWith(kDwordPrefix) || value.startsWith(kStringPrefix);
    return writeRaw(hive, key, name, ambiguous ? kStringPrefix + value : value);
}

bool IniSettingsStore::keyExists(Hive hive, const QString& key) const {
    const QString file = fileOf(hive);
    if (!QFileInfo::exists(file) || !IsReadableSettingsFile(file)) return false;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(groupOf(key));
    return !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
}

bool IniSettingsStore::createKey(Hive hive, const QString& key) {
    if (keyExists(hive, key)) return true;
    // INI files drop empty groups, so an empty key keeps a marker value that
    // the first real value replaces.
    return writeRaw(hive, key, QStringLiteral("@key"), QString());
}

}  // namespace marivel
