#pragma once

#include <QMap>
#include <QSet>
#include <QVariant>

#include "platform/settings_store.h"

namespace marivel {

// A settings store that lives in memory: for widget tests and for runs that
// must not touch the user's settings. Key paths and value names are compared
// without regard to case, as the registry does. A test can make the store
// fail (every read unreadable, every write refused) to play a broken backend.
class MemorySettingsStore final : public SettingsStore {
public:
    Read<qint32> readInteger(Hive hive, const QString& key, const QString& name) const override {
        if (failing_) return {Status::Unreadable, 0};
        auto it = values_.constFind(path(hive, key, name));
        if (it == values_.constEnd()) return {Status::Missing, 0};
        if (it->typeId() != QMetaType::Int) return {Status::Unreadable, 0};
        return {Status::Ok, it->toInt()};
    }
    Read<QString> readString(Hive hive, const QString& key, const QString& name) const override {
        if (failing_) return {Status::Unreadable, {}};
        auto it = values_.constFind(path(hive, key, name));
        if (it == values_.constEnd()) return {Status::Missing, {}};
        if (it->typeId() != QMetaType::QString) return {Status::Unreadable, {}};
        return {Status::Ok, it->toString()};
    }
    bool writeInteger(Hive hive, const QString& key, const QString& name, qint32 value) override {
        if (failing_) return false;
        createKey(hive, key);
        values_.insert(path(hive, key, name), QVariant(int(value)));
        return true;
    }
    bool writeString(Hive hive, const QString& key, const QString& name, const QString& value) override {
        if (failing_) return false;
        createKey(hive, key);
        values_.insert(path(hive, key, name), QVariant(value));
        return true;
    }
    bool keyExists(Hive hive, const QString& key) const override {
        return keys_.contains(keyPath(hive, key));
    }
    bool createKey(Hive hive, const QString& key) override {
        if (failing_) return false;
        keys_.insert(keyPath(hive, key));
        return true;
    }

    void setFailing(bool failing) { failing_ = failing; }
    int valueCount() const { return int(values_.size()); }

private:
    static QString keyPath(Hive hive, const QString& key) {
        QString k = key.toLower();
        while (k.endsWith(QLatin1Char('\\'))) k.chop(1);
        if (!k.startsWith(QLatin1Char('\\'))) k.prepend(QLatin1Char('\\'));
        return QString::number(int(hive)) + k;
    }
    static QString path(Hive hive, const QString& key, const QString& name) {
        return keyPath(hive, key) + QLatin1Char('|') + name.toLower();
    }

    QMap<QString, QVariant> values_;
    QSet<QString> keys_;
    bool failing_ = false;
};

}  // namespace marivel
