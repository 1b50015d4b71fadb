#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Which EQ is active, for the whole program and across restarts, and the last
// EQ that reached the headset (the downlink snapshot). The standard headsets
// and the Qor model keep separate selections: the Qor flag picks the group of
// settings keys. The settings store is opened per call and never held.
// GUI thread only.
class EQActiveProfileCoordinator : public QObject
{
    Q_OBJECT
public:
    enum Source {
        None = 0,
        OfficialBasic = 1,
        OfficialGame = 2,
        CloudDownload = 3,
        Custom = 4, // id: the slot's sort index as decimal text
    };
    Q_ENUM(Source)

    // Who changes the selection. A change of the user's that the settings
    // store refuses is announced (selectionNotSaved); one the program makes on
    // its own, like every snapshot write, is only logged.
    enum class Change { ByUser, ByProgram };

    // Starts with the stored selection of the standard group; emits nothing.
    explicit EQActiveProfileCoordinator(QObject *parent = nullptr);
    ~EQActiveProfileCoordinator() override;

    void setActiveSelection(Source source, const QString &id, Change change = Change::ByUser);
    void clearActiveSelection(Change change = Change::ByUser);
    // Switches the key group and always announces the selection of the new group.
    void setQorMode(bool qor);
    bool isQorMode() const { return m_qor; }
    // Announces the current selection again when it is complete.
    void reemitActiveSelection();

    // The snapshot bytes are opaque here; incomplete snapshots are not stored.
    void saveDownlinkSnapshot(bool qor, const QByteArray &snapshot, Source source, const QString &id);
    // True when a snapshot for exactly this source and id is stored.
    bool loadDownlinkSnapshot(bool qor, Source source, const QString &id, QByteArray *snapshot) const;
    void clearDownlinkSnapshot();
    void clearDownlinkSnapshotFor(bool qor);

    Source activeSource() const { return m_source; }
    QString activeId() const { return m_id; }

signals:
    void activeSelectionChanged(EQActiveProfileCoordinator::Source source, const QString &id);
    // The user's selection could not be stored: it holds for this session only.
    void selectionNotSaved();

private:
    Source m_source = None;
    QString m_id;
    bool m_qor = false;
};
