#pragma once

#include <QString>

#include "platform/settings_store.h"

namespace marivel {

// One stored 32-bit integer of the current user, declared once with its
// key, value name and default, so readers and writers cannot disagree on
// any of them.
struct IntegerSetting {
    QString key;
    QString name;
    qint32 fallback;

    // The stored value; the default when it is missing or unreadable.
    qint32 read(const SettingsStore& settings) const {
        const auto value = settings.readInteger(SettingsStore::Hive::CurrentUser, key, name);
        return value.status == SettingsStore::Status::Ok ? value.value : fallback;
    }
    // Creates the keys down to it first. False when the store failed.
    bool write(SettingsStore& settings, qint32 value) const {
        return CreateVersionKeys(settings) && settings.createKey(SettingsStore::Hive::CurrentUser, key) &&
               settings.writeInteger(SettingsStore::Hive::CurrentUser, key, name, value);
    }
};

}  // namespace marivel
