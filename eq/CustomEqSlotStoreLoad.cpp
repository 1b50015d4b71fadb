// Loading the slot folder: choosing one file per slot, setting aside the
// files that cannot take part, creating the missing slots.
#include "eq/CustomEqSlotStore.h"

#include "eq/ICustomEqBandEditor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <array>

namespace {

struct Chosen
{
    QString path;
    QDateTime modified;
};

struct Rejected
{
    QString path;
    QString reason;
};

QString slotFileName(int index)
{
    return QStringLiteral("slot%1.json").arg(index);
}

// Why a file has no slot; only asked for files that have none.
QString reasonWithoutSlot(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read");
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("broken JSON at offset %1: %2").arg(error.offset).arg(error.errorString());
    if (!doc.isObject())
        return QStringLiteral("holds no JSON object");
    return QStringLiteral("has no slot number 0-9 in \"sort\"");
}

} // namespace

void CustomEqSlotStore::clearSlots()
{
    for (Slot &slot : m_slots)
        slot = Slot();
}

QString CustomEqSlotStore::setAside(const QString &path, const QString &reason)
{
    QString target = path + QStringLiteral(".rejected");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".rejected-%1").arg(n);
    if (!QFile::rename(path, target)) {
        log(QStringLiteral("[EQ][Slots] %1 %2; it could not be set aside and stays untouched").arg(path, reason));
        return QString();
    }
    log(QStringLiteral("[EQ][Slots] %1 %2; kept as %3").arg(path, reason, target));
    emit slotFileSetAside(path, target, reason);
    return target;
}

void CustomEqSlotStore::loadSlots()
{
    if (!m_editor)
        return;
    m_loading = true;
    cancelPendingSave();
    clearSlots();

    const QString folder = customEqDirPath();
    if (folder.isEmpty()) {
        log(QStringLiteral("[EQ][Slots] no application data folder, custom slots stay empty"));
        m_loading = false;
        return;
    }
    const QDir dir(folder);

    std::array<Chosen, CustomEq::SlotCount> chosen;
    QList<Rejected> rejected;
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Unsorted);
    for (const QFileInfo &info : files) {
        const QString path = info.absoluteFilePath();
        const int index = CustomEq::sortIndexOfSlotFile(path);
        if (!validIndex(index)) {
            rejected.append({path, reasonWithoutSlot(path)});
            continue;
        }
        Chosen &slot = chosen[index];
        const QString older = QStringLiteral("is an older copy of slot %1").arg(index);
        if (slot.path.isEmpty()) {
            slot = {path, info.lastModified()};
        } else if (info.lastModified() > slot.modified) {
            rejected.append({slot.path, older});
            slot = {path, info.lastModified()};
        } else {
            rejected.append({path, older});
        }
    }

    resetEditorToDefault();

    for (const Rejected &file : rejected)
        setAside(file.path, file.reason);

    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        if (!chosen[i].path.isEmpty())
            continue;
        const QString target = dir.absoluteFilePath(slotFileName(i));
        if (QFileInfo::exists(target)) {
            // The name is taken by the file of another slot: give that file its own name first.
            for (int owner = 0; owner < CustomEq::SlotCount; ++owner) {
                if (chosen[owner].path != target)
                    continue;
                const QString ownName = dir.absoluteFilePath(slotFileName(owner));
                if (!QFileInfo::exists(ownName) && QFile::rename(target, ownName)) {
                    log(QStringLiteral("[EQ][Slots] %1 holds slot %2, renamed to %3").arg(target).arg(owner).arg(ownName));
                    chosen[owner].path = ownName;
                }
            }
            if (QFileInfo::exists(target)) {
                log(QStringLiteral("[EQ][Slots] slot %1 not created: %2 is taken").arg(i).arg(target));
                continue;
            }
        }
        if (EqSlotFile::write(target, buildNewSlotJson(QString(), i)))
            chosen[i] = {target, QFileInfo(target).lastModified()};
        else
            log(QStringLiteral("[EQ][Slots] slot %1 not created: cannot write %2").arg(i).arg(target));
    }

    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        Slot &slot = m_slots[i];
        slot.path = chosen[i].path;
        if (slot.path.isEmpty())
            continue;
        QFile file(slot.path);
        const QJsonDocument doc = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                                                 : QJsonDocument();
        if (!doc.isObject()) {
            log(QStringLiteral("[EQ][Slots] slot %1: %2 could not be read").arg(i).arg(slot.path));
            continue;
        }
        const QString oldName = doc.object().value(QLatin1String("name")).toString().trimmed();
        slot.json = doc.object();
        CustomEq::normalizeSlotName(slot.json, i);
        if (slot.json.value(QLatin1String("name")).toString().trimmed() != oldName) {
            // A stored default name would not follow the language; the file drops it too.
            QJsonObject copy = slot.json;
            copy.insert(QLatin1String("sort"), i);
            EqSlotFile::write(slot.path, copy);
        }
        EqBandLists bands;
        if (CustomEq::slotJsonToBands(slot.json, m_qor, &bands))
            slot.bands = bands;
    }
    m_loading = false;
}
