#include "language/SettingsStore.h"

#include <QHash>
#include <QSettings>
#include <QtDebug>

#include <mutex>
#include <optional>

namespace SettingsStore {

namespace {

// Per file, per key: the value written this session, or nothing for a removal.
using Changes = QHash<QString, std::optional<QVariant>>;

struct Held
{
    std::mutex mutex;
    QHash<QString, Changes> files;
};

Held &held()
{
    static Held instance;
    return instance;
}

// False when no change of `key` is held; else true with the change in `change`.
bool heldChange(const QString &file, const QString &key, std::optional<QVariant> *change)
{
    Held &h = held();
    const std::lock_guard<std::mutex> lock(h.mutex);
    const auto fileIt = h.files.constFind(file);
    if (fileIt == h.files.constEnd())
        return false;
    const auto keyIt = fileIt->constFind(key);
    if (keyIt == fileIt->constEnd())
        return false;
    *change = *keyIt;
    return true;
}

void hold(const QString &file, const QString &key, std::optional<QVariant> change)
{
    Held &h = held();
    const std::lock_guard<std::mutex> lock(h.mutex);
    h.files[file].insert(key, std::move(change));
}

const char *statusName(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError: return "no error";
    case QSettings::AccessError: return "cannot be written";
    case QSettings::FormatError: return "is damaged";
    }
    return "unknown error";
}

} // namespace

QVariant value(const QSettings &settings, const QString &key, const QVariant &defaultValue)
{
    std::optional<QVariant> change;
    if (heldChange(settings.fileName(), key, &change))
        return change ? *change : defaultValue;
    return settings.value(key, defaultValue);
}

bool contains(const QSettings &settings, const QString &key)
{
    std::optional<QVariant> change;
    if (heldChange(settings.fileName(), key, &change))
        return change.has_value();
    return settings.contains(key);
}

QVariant value(const QString &key, const QVariant &defaultValue)
{
    return value(QSettings(), key, defaultValue);
}

bool contains(const QString &key)
{
    return contains(QSettings(), key);
}

void setValue(QSettings &settings, const QString &key, const QVariant &value)
{
    settings.setValue(key, value);
    hold(settings.fileName(), key, value);
}

void remove(QSettings &settings, const QString &key)
{
    settings.remove(key);
    hold(settings.fileName(), key, std::nullopt);
}

bool commit(QSettings &settings)
{
    const QString file = settings.fileName();
    Changes changes;
    {
        Held &h = held();
        const std::lock_guard<std::mutex> lock(h.mutex);
        changes = h.files.value(file);
    }
    // What an earlier save could not store goes along with this one.
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (*it)
            settings.setValue(it.key(), **it);
        else
            settings.remove(it.key());
    }
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status == QSettings::NoError) {
        Held &h = held();
        const std::lock_guard<std::mutex> lock(h.mutex);
        auto fileIt = h.files.find(file);
        if (fileIt != h.files.end()) {
            // Only the changes this save stored: one made meanwhile stays held.
            for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
                const auto now = fileIt->constFind(it.key());
                if (now != fileIt->constEnd() && *now == *it)
                    fileIt->erase(now);
            }
            if (fileIt->isEmpty())
                h.files.erase(fileIt);
        }
        return true;
    }
    qWarning().noquote() << QStringLiteral("[Settings][Save] %1 %2; the change holds for this session only")
                                .arg(file, QLatin1String(statusName(status)));
    return false;
}

void forgetHeldChanges()
{
    Held &h = held();
    const std::lock_guard<std::mutex> lock(h.mutex);
    h.files.clear();
}

} // namespace SettingsStore
