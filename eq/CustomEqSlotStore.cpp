#include "eq/CustomEqSlotStore.h"

#include "eq/CustomEqFilterTypes.h"
#include "eq/EqDataMapper.h"
#include "eq/ICustomEqBandEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

namespace {

const QLatin1String kSort("sort");

} // namespace

CustomEqSlotStore::CustomEqSlotStore(QObject *parent) : QObject(parent), m_saveTimer(new QTimer(this))
{
    m_saveTimer->setSingleShot(true);
    connect(m_saveTimer, &QTimer::timeout, this, &CustomEqSlotStore::savePendingSlot);
}

CustomEqSlotStore::~CustomEqSlotStore()
{
    // The page that listens is being torn down around us: nothing may reach it.
    const QSignalBlocker quiet(this);
    flushPendingSave();
}

void CustomEqSlotStore::flushPendingSave()
{
    // An edit made just before the page goes away, or the headset changes
    // model, is still the user's curve. Written without signals: nobody
    // waits for that slot any more.
    if (!m_saveTimer->isActive())
        return;
    m_saveTimer->stop();
    int index = -1;
    writePendingSlot(&index);
    m_pendingSaveIndex = -1;
    m_pendingSave = QJsonObject();
}

void CustomEqSlotStore::setQorMode(bool qor)
{
    if (qor == m_qor)
        return;
    flushPendingSave();
    m_qor = qor;
}

bool CustomEqSlotStore::customPresetJson(int sortIndex, QJsonObject *out) const
{
    if (!validIndex(sortIndex) || m_slots[sortIndex].json.isEmpty())
        return false;
    if (out)
        *out = m_slots[sortIndex].json;
    return true;
}

QString CustomEqSlotStore::customEqDirPath() const
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        return QString();
    const QString sub = m_qor ? QStringLiteral("CustomEQ_QOR") : QStringLiteral("CustomEQ");
    QDir dir(base);
    if (!dir.exists(sub))
        dir.mkpath(sub); // a failure shows up as failed writes
    return QDir(dir.absoluteFilePath(sub)).absolutePath();
}

void CustomEqSlotStore::refreshSlotNames()
{
    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        if (!m_slots[i].json.isEmpty())
            CustomEq::normalizeSlotName(m_slots[i].json, i);
    }
}

void CustomEqSlotStore::applyBands(const EqBandLists &bands)
{
    m_loading = true;
    m_editor->setBandCount(m_qor ? static_cast<int>(bands.freq.size()) : CustomEq::SlotCount);
    m_editor->setBands(bands.freq, bands.q, bands.gain, bands.types);
    m_loading = false;
}

void CustomEqSlotStore::resetEditorToDefault()
{
    m_loading = true;
    m_editor->resetToDefault();
    m_loading = false;
}

void CustomEqSlotStore::loadSlotIntoEditor(int index)
{
    if (!m_editor || !validIndex(index))
        return;
    Slot &slot = m_slots[index];
    if (slot.bands.loaded) {
        applyBands(slot.bands);
        return;
    }
    const auto showSlotJson = [&] {
        CustomEq::normalizeSlotName(slot.json, index);
        EqBandLists bands;
        if (!CustomEq::slotJsonToBands(slot.json, m_qor, &bands) || !bands.loaded)
            return false;
        slot.bands = bands;
        applyBands(slot.bands);
        return true;
    };
    if (!slot.json.isEmpty() && showSlotJson())
        return;
    if (slot.path.isEmpty()) {
        resetEditorToDefault();
        return;
    }

    QFile file(slot.path);
    const QJsonDocument doc = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                                             : QJsonDocument();
    if (!doc.isObject()) {
        // Another slot's curve must not stay on show: an edit would be saved into this slot.
        log(QStringLiteral("[EQ][Slots] slot %1: %2 is unreadable or no JSON object, showing the default curve")
                .arg(index)
                .arg(slot.path));
        resetEditorToDefault();
        return;
    }
    slot.json = doc.object();
    slot.json.insert(kSort, index);
    if (!showSlotJson())
        resetEditorToDefault();
}

namespace {

struct BandArrays
{
    QJsonArray freq;
    QJsonArray q;
    QJsonArray sound;
    QJsonArray type;

    void appendFromEditor(const ICustomEqBandEditor &editor, int k, bool qor)
    {
        const QPointF point = editor.bandPoint(k);
        freq.append(QString::number(EqDataMapper::toIntClamped(point.x(), 20, 20000)));
        q.append(QString::number(editor.bandQ(k), 'f', 2));
        sound.append(CustomEq::gainText(point.y()));
        const QString typeName = editor.bandType(k);
        type.append(QString::number(qor ? CustomEq::qorTypeCodeFromName(typeName)
                                        : CustomEq::standardTypeCode(typeName)));
    }

    QJsonObject toSlot(const QString &name) const
    {
        QJsonObject object;
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            object.insert(QLatin1String("name"), trimmed);
        object.insert(QLatin1String("freq"), freq);
        object.insert(QLatin1String("q"), q);
        object.insert(QLatin1String("sound"), sound);
        object.insert(QLatin1String("type"), type);
        object.insert(QLatin1String("main_gain"), 0);
        return object;
    }
};

} // namespace

QJsonObject CustomEqSlotStore::buildSlotJson(const QString &name, int sortIndex, bool withSort) const
{
    const int editorBands = m_editor ? m_editor->maximumBandCount() : 0;
    BandArrays bands;
    // Standard slots always hold 10 bands; only a missing editor needs the filler.
    const int count = m_qor ? editorBands : CustomEq::SlotCount;
    for (int k = 0; k < count; ++k) {
        if (m_editor && k < editorBands) {
            bands.appendFromEditor(*m_editor, k, m_qor);
        } else {
            bands.freq.append(QStringLiteral("0"));
            bands.q.append(QStringLiteral("0.70"));
            bands.sound.append(QStringLiteral("0"));
            bands.type.append(QStringLiteral("1"));
        }
    }
    QJsonObject object = bands.toSlot(name);
    if (withSort)
        object.insert(kSort, sortIndex);
    return object;
}

QJsonObject CustomEqSlotStore::buildNewSlotJson(const QString &name, int sortIndex) const
{
    BandArrays bands;
    const int editorBands = m_editor ? m_editor->maximumBandCount() : 0;
    for (int k = 0; k < editorBands; ++k)
        bands.appendFromEditor(*m_editor, k, m_qor);
    QJsonObject object = bands.toSlot(name);
    object.insert(kSort, sortIndex);
    return object;
}

void CustomEqSlotStore::scheduleSave(int sortIndex, const QJsonObject &slot, int delayMs)
{
    m_pendingSaveIndex = sortIndex;
    m_pendingSave = slot;
    m_saveTimer->start(std::max(0, delayMs));
}

void CustomEqSlotStore::cancelPendingSave()
{
    m_saveTimer->stop();
    m_pendingSaveIndex = -1;
    m_pendingSave = QJsonObject();
}

bool CustomEqSlotStore::hasPendingSave() const
{
    return m_saveTimer->isActive();
}

bool CustomEqSlotStore::writePendingSlot(int *index)
{
    *index = m_pendingSaveIndex;
    if (!validIndex(*index) || m_pendingSave.isEmpty())
        return false;
    const QString folder = customEqDirPath();
    if (folder.isEmpty())
        return false;
    Slot &slot = m_slots[*index];
    QString path = slot.path;
    if (path.isEmpty()) {
        path = QDir(folder).filePath(slotFileName(*index));
        // A file of that name that is not this slot's belongs to someone else.
        if (QFileInfo::exists(path)) {
            log(QStringLiteral("[EQ][Slots] save of slot %1 refused: %2 holds another file").arg(*index).arg(path));
            return false;
        }
    }
    m_pendingSave.insert(kSort, *index);
    if (!EqSlotFile::write(path, m_pendingSave)) {
        log(QStringLiteral("[EQ][Slots] save of slot %1 failed: cannot write %2").arg(*index).arg(path));
        return false;
    }
    slot.path = path;
    updateSlot(*index, m_pendingSave);
    return true;
}

void CustomEqSlotStore::savePendingSlot()
{
    int index = -1;
    const bool wanted = validIndex(m_pendingSaveIndex) && !m_pendingSave.isEmpty();
    if (writePendingSlot(&index)) {
        emit customPresetEdited(index);
    } else if (wanted) {
        emit slotSaveFailed(index);
    }
}

void CustomEqSlotStore::updateSlot(int index, const QJsonObject &json)
{
    Slot &slot = m_slots[index];
    slot.json = json;
    EqBandLists bands;
    slot.bands = CustomEq::slotJsonToBands(slot.json, m_qor, &bands) ? bands : EqBandLists();
}

bool CustomEqSlotStore::restoreSlot(int index, const QJsonObject &content)
{
    if (!validIndex(index) || content.isEmpty())
        return false;
    if (m_pendingSaveIndex == index)
        cancelPendingSave();
    QJsonObject object = content;
    // A rename since is the user's and stays.
    object.remove(QLatin1String("name"));
    const QJsonValue name = m_slots[index].json.value(QLatin1String("name"));
    if (!name.isUndefined())
        object.insert(QLatin1String("name"), name);
    object.insert(kSort, index);
    const QString path = m_slots[index].path;
    const bool written = !path.isEmpty() && EqSlotFile::write(path, object);
    if (!written)
        log(QStringLiteral("[EQ][Slots] restore of slot %1 failed: cannot write %2").arg(index).arg(path));
    updateSlot(index, object);
    return written;
}

CustomEqSlotStore::ImportOutcome CustomEqSlotStore::importChecked(int index, const EqSlotFile::Checked &file)
{
    ImportOutcome outcome;
    outcome.status = file.status;
    if (file.status != EqSlotFile::ImportStatus::Imported)
        return outcome;
    outcome.status = EqSlotFile::ImportStatus::ParseFailed;
    if (!m_editor || !validIndex(index))
        return outcome;
    // A waiting edit of the old curve must not land on top of the import.
    cancelPendingSave();

    EqBandLists bands;
    if (!CustomEq::slotJsonToBands(file.object, m_qor, &bands) || !bands.loaded)
        return outcome;
    applyBands(bands);
    outcome.shown = true;
    outcome.buttonText = file.storedName.isEmpty() ? CustomEq::defaultSlotName(index) : file.name;

    const QString path = m_slots[index].path;
    if (path.isEmpty()) {
        outcome.status = EqSlotFile::ImportStatus::NoSlotPath;
        return outcome;
    }
    // The slot imported into, as a save writes it: the main window sends the
    // slot by this number.
    QJsonObject object = buildSlotJson(file.storedName, index, true);
    if (!EqSlotFile::write(path, object)) {
        log(QStringLiteral("[EQ][Slots] import into slot %1 failed: cannot write %2").arg(index).arg(path));
        outcome.status = EqSlotFile::ImportStatus::SlotWriteFailed;
        return outcome;
    }
    CustomEq::normalizeSlotName(object, index);
    updateSlot(index, object);
    outcome.status = EqSlotFile::ImportStatus::Imported;
    emit customPresetImported(index);
    return outcome;
}

QString CustomEqSlotStore::slotPath(int index) const
{
    return validIndex(index) ? m_slots[index].path : QString();
}

QJsonObject CustomEqSlotStore::slotJson(int index) const
{
    return validIndex(index) ? m_slots[index].json : QJsonObject();
}

EqBandLists CustomEqSlotStore::slotBands(int index) const
{
    return validIndex(index) ? m_slots[index].bands : EqBandLists();
}

QString CustomEqSlotStore::slotDisplayName(int index) const
{
    return CustomEq::slotNameFromJson(index, slotJson(index));
}

int CustomEqSlotStore::slotIndexForSelection(EQActiveProfileCoordinator::Source source, const QString &id)
{
    if (source != EQActiveProfileCoordinator::Custom)
        return -1;
    bool ok = false;
    const int index = id.trimmed().toInt(&ok, 10);
    return ok && validIndex(index) ? index : -1;
}

void CustomEqSlotStore::log(const QString &line)
{
    emit logMessage(line);
}
