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

struct Rejected
{
    QString path;
    QString reason;
};

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

QString CustomEqSlotStore::slotFileName(int index)
{
    return QStringLiteral("slot%1.json").arg(index);
}

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

bool CustomEqSlotStore::freeSlotFileName(const QDir &dir, const QString &name,
                                         std::array<ChosenFile, CustomEq::SlotCount> &chosen)
{
    // The name is held by the file of another slot, whose own name may be held
    // by a third one: follow the chain to a free name, then move each file to
    // its own name from the end. No file is overwritten on the way.
    QList<int> chain;
    QString next = name;
    while (QFileInfo::exists(next) && chain.size() < CustomEq::SlotCount) {
        int owner = -1;
        for (int s = 0; s < CustomEq::SlotCount; ++s) {
            if (chosen[s].path == next)
                owner = s;
        }
        if (owner < 0 || chain.contains(owner))
            return false;
        chain.append(owner);
        next = dir.absoluteFilePath(slotFileName(owner));
    }
    if (QFileInfo::exists(next))
        return false;
    for (qsizetype k = chain.size() - 1; k >= 0; --k) {
        const int owner = chain.at(k);
        const QString ownName = dir.absoluteFilePath(slotFileName(owner));
        if (!QFile::rename(chosen[owner].path, ownName))
            return false;
        log(QStringLiteral("[EQ][Slots] %1 holds slot %2, renamed to %3")
                .arg(chosen[owner].path)
                .arg(owner)
                .arg(ownName));
        chosen[owner].path = ownName;
    }
    return !QFileInfo::exists(name);
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

    std::array<ChosenFile, CustomEq::SlotCount> chosen;
    QList<Rejected> rejected;
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Unsorted);
    for (const QFileInfo &info : files) {
        const QString path = info.absoluteFilePath();
        const int index = CustomEq::sortIndexOfSlotFile(path);
        if (!validIndex(index)) {
            rejected.append({path, reasonWithoutSlot(path)});
            continue;
        }
        ChosenFile &slot = chosen[index];
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
        if (QFileInfo::exists(target) && !freeSlotFileName(dir, target, chosen)) {
            log(QStringLiteral("[EQ][Slots] slot %1 not created: %2 is taken").arg(i).arg(target));
            continue;
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
        // The copy that is sent and saved names the slot it was loaded into,
        // whatever form its file gives the number in ("3", 3.0).
        slot.json.insert(QLatin1String("sort"), i);
        CustomEq::normalizeSlotName(slot.json, i);
        if (slot.json.value(QLatin1String("name")).toString().trimmed() != oldName) {
            // A stored default name would not follow the language; the file drops it too.
            EqSlotFile::write(slot.path, slot.json);
        }
        EqBandLists bands;
        if (CustomEq::slotJsonToBands(slot.json, m_qor, &bands))
            slot.bands = bands;
    }
    m_loading = false;
}
