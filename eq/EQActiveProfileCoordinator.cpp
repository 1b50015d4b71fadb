#include "eq/EQActiveProfileCoordinator.h"

#include "language/SettingsStore.h"

#include <QSettings>

namespace {

using Source = EQActiveProfileCoordinator::Source;

QString selectionKey(bool qor, const char *name)
{
    return QStringLiteral("eq/activeSelection/%1%2").arg(qor ? QStringLiteral("qor/") : QString(),
                                                           QLatin1String(name));
}

QString snapshotKey(bool qor, const char *name)
{
    return QStringLiteral("eq/downlinkSnapshot/%1%2").arg(qor ? QStringLiteral("qor/") : QString(),
                                                            QLatin1String(name));
}

bool isComplete(Source source, const QString &trimmedId)
{
    return source != EQActiveProfileCoordinator::None && !trimmedId.isEmpty();
}

// The stored source as an integer in 0..4; anything else is no source.
bool readSourceKey(const QSettings &store, const QString &key, int *out)
{
    bool ok = false;
    const int value = SettingsStore::value(store, key, 0).toInt(&ok);
    if (!ok || value < EQActiveProfileCoordinator::None || value > EQActiveProfileCoordinator::Custom)
        return false;
    *out = value;
    return true;
}

bool readStoredSelection(const QSettings &store, bool qor, Source *source, QString *id)
{
    int value = 0;
    if (!readSourceKey(store, selectionKey(qor, "source"), &value))
        return false;
    const QString storedId = SettingsStore::value(store, selectionKey(qor, "id")).toString().trimmed();
    if (!isComplete(static_cast<Source>(value), storedId))
        return false;
    *source = static_cast<Source>(value);
    *id = storedId;
    return true;
}

void removeDownlinkSnapshotKeys(QSettings &store, bool qor)
{
    SettingsStore::remove(store, snapshotKey(qor, "tlv"));
    SettingsStore::remove(store, snapshotKey(qor, "source"));
    SettingsStore::remove(store, snapshotKey(qor, "id"));
}

void writeStoredSelection(QSettings &store, bool qor, Source source, const QString &id)
{
    const QString trimmed = id.trimmed();
    if (!isComplete(source, trimmed)) {
        SettingsStore::remove(store, selectionKey(qor, "source"));
        SettingsStore::remove(store, selectionKey(qor, "id"));
        removeDownlinkSnapshotKeys(store, qor);
        return;
    }
    SettingsStore::setValue(store, selectionKey(qor, "source"), static_cast<int>(source));
    SettingsStore::setValue(store, selectionKey(qor, "id"), trimmed);
}

} // namespace

EQActiveProfileCoordinator::EQActiveProfileCoordinator(QObject *parent) : QObject(parent)
{
    QSettings store;
    readStoredSelection(store, false, &m_source, &m_id);
}

EQActiveProfileCoordinator::~EQActiveProfileCoordinator() = default;

void EQActiveProfileCoordinator::setActiveSelection(Source source, const QString &id, Change change)
{
    const QString trimmed = id.trimmed();
    if (source == m_source && trimmed == m_id)
        return;
    m_source = source;
    m_id = trimmed;
    bool stored = false;
    {
        // An incomplete selection is written as a removal of the group's keys.
        QSettings store;
        writeStoredSelection(store, m_qor, m_source, m_id);
        stored = SettingsStore::commit(store);
    }
    // The selection holds for this session either way.
    if (!stored && change == Change::ByUser)
        emit selectionNotSaved();
    emit activeSelectionChanged(m_source, m_id);
}

void EQActiveProfileCoordinator::clearActiveSelection(Change change)
{
    setActiveSelection(None, QString(), change);
}

void EQActiveProfileCoordinator::setQorMode(bool qor)
{
    if (qor == m_qor)
        return;
    m_qor = qor;
    // Left as no selection when the group has none stored.
    Source source = None;
    QString id;
    {
        QSettings store;
        readStoredSelection(store, m_qor, &source, &id);
    }
    m_source = source;
    m_id = id;
    emit activeSelectionChanged(m_source, m_id);
}

void EQActiveProfileCoordinator::reemitActiveSelection()
{
    if (isComplete(m_source, m_id.trimmed()))
        emit activeSelectionChanged(m_source, m_id);
}

void EQActiveProfileCoordinator::saveDownlinkSnapshot(bool qor, const QByteArray &snapshot, Source source,
                                                      const QString &id)
{
    const QString trimmed = id.trimmed();
    if (snapshot.isEmpty() || !isComplete(source, trimmed))
        return;
    QSettings store;
    SettingsStore::setValue(store, snapshotKey(qor, "source"), static_cast<int>(source));
    SettingsStore::setValue(store, snapshotKey(qor, "id"), trimmed);
    SettingsStore::setValue(store, snapshotKey(qor, "tlv"), snapshot);
    // Only logged: it follows the program's own sends as well as the user's,
    // and a pick the store refuses has been told by its selection write.
    SettingsStore::commit(store);
}

bool EQActiveProfileCoordinator::loadDownlinkSnapshot(bool qor, Source source, const QString &id,
                                                      QByteArray *snapshot) const
{
    const QString trimmed = id.trimmed();
    if (!isComplete(source, trimmed))
        return false;
    const QSettings store;
    bool ok = false;
    const int storedSource = SettingsStore::value(store, snapshotKey(qor, "source"), 0).toInt(&ok);
    if (!ok || storedSource != static_cast<int>(source))
        return false;
    if (SettingsStore::value(store, snapshotKey(qor, "id")).toString().trimmed() != trimmed)
        return false;
    const QByteArray bytes = SettingsStore::value(store, snapshotKey(qor, "tlv")).toByteArray();
    if (bytes.isEmpty())
        return false;
    if (snapshot)
        *snapshot = bytes;
    return true;
}

void EQActiveProfileCoordinator::clearDownlinkSnapshot()
{
    clearDownlinkSnapshotFor(m_qor);
}

void EQActiveProfileCoordinator::clearDownlinkSnapshotFor(bool qor)
{
    QSettings store;
    removeDownlinkSnapshotKeys(store, qor);
    SettingsStore::commit(store);
}
