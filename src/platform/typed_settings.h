#pragma once

#include <QString>

#include "platform/settings_store.h"

namespace marivel {

// One stored value of the current user's settings, declared once with its
// value name, its type and what it reads as when it was never stored or
// cannot be read. Settings are conveniences: failing to read or write one
// never stops a command.
template <typename T>
struct UserSetting {
    QString name;  // value name under kSettingsKey
    T fallback;
};

// View > Thumbnails: pictures of the items' photos as their tree icons.
inline const UserSetting<bool> kShowThumbnailsSetting{QStringLiteral("ShowThumbnails"), true};
// View > File Names: item nodes show their picture's file name.
inline const UserSetting<bool> kShowFileNamesSetting{QStringLiteral("ShowFileNames"), true};
// View > Live Preview: the preview pane is shown.
inline const UserSetting<bool> kShowLivePreviewSetting{QStringLiteral("ShowLivePreview"), false};
// The folder Insert Pictures opened its dialog in last.
inline const UserSetting<QString> kPicturesFolderSetting{QStringLiteral("PicturesFolder"), QString()};

inline bool ReadSetting(const SettingsStore& settings, const UserSetting<bool>& setting) {
    const auto read = settings.readBool(SettingsStore::Hive::CurrentUser, kSettingsKey, setting.name);
    return read.status == SettingsStore::Status::Ok ? read.value : setting.fallback;
}

inline QString ReadSetting(const SettingsStore& settings, const UserSetting<QString>& setting) {
    const auto read = settings.readString(SettingsStore::Hive::CurrentUser, kSettingsKey, setting.name);
    return read.status == SettingsStore::Status::Ok ? read.value : setting.fallback;
}

inline void WriteSetting(SettingsStore& settings, const UserSetting<bool>& setting, bool value) {
    StoreUserSetting(settings, setting.name, value);
}

inline void WriteSetting(SettingsStore& settings, const UserSetting<QString>& setting, const QString& value) {
    if (CreateVersionKeys(settings) && settings.createKey(SettingsStore::Hive::CurrentUser, kSettingsKey))
        settings.writeString(SettingsStore::Hive::CurrentUser, kSettingsKey, setting.name, value);
}

}  // namespace marivel
