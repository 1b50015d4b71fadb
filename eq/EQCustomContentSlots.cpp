// The custom EQ page's slots: selection, following the active selection,
// edits and their saves, reloading, export and import.
#include "eq/EQCustomContent.h"

#include "widgets/GradientButton.h"
#include "eq/CustomEqSlotJson.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQSlotFileActions.h"
#include "eq/EqActiveSelectionLink.h"
#include "eq/PageToast.h"

#include <QTimer>

void EQCustomContent::selectSlot(int index, bool notify)
{
    if (index < -1 || index >= CustomEq::SlotCount)
        return;
    if (index == m_selected) {
        // A click on the checked button unchecks it; the slot stays selected.
        if (index >= 0 && m_slotButtons[index] && !m_slotButtons[index]->isChecked())
            m_slotButtons[index]->setChecked(true);
        return;
    }
    m_selected = index;
    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        if (m_slotButtons[i])
            m_slotButtons[i]->setChecked(index >= 0 && i == index);
    }
    if (notify && !m_applyingSelection && m_coordinator)
        m_coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom,
                                          index >= 0 ? QString::number(index) : QString());
    if (index < 0)
        return;
    m_pendingLoadIndex = index;
    if (!m_selectionTimer) {
        m_selectionTimer = new QTimer(this);
        m_selectionTimer->setSingleShot(true);
        connect(m_selectionTimer, &QTimer::timeout, this, [this] {
            const int pending = m_pendingLoadIndex;
            m_pendingLoadIndex = -1;
            if (pending >= 0 && pending < CustomEq::SlotCount)
                m_store->loadSlotIntoEditor(pending);
        });
    }
    m_selectionTimer->start(m_timings.selectionDelayMs);
}

bool EQCustomContent::cancelPendingLoad()
{
    const bool waiting = m_selectionTimer && m_selectionTimer->isActive();
    if (m_selectionTimer)
        m_selectionTimer->stop();
    m_pendingLoadIndex = -1;
    return waiting;
}

void EQCustomContent::loadSelectedSlotNow()
{
    cancelPendingLoad();
    if (m_selected >= 0)
        m_store->loadSlotIntoEditor(m_selected);
}

void EQCustomContent::setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator)
{
    linkActiveSelection(this, m_coordinator, coordinator,
                        [this](EQActiveProfileCoordinator::Source source, const QString &id) {
                            applyActiveSelection(source, id);
                        });
}

void EQCustomContent::applyActiveSelection(EQActiveProfileCoordinator::Source source, const QString &id)
{
    m_applyingSelection = true;
    // Anything but a custom slot 0..9 leaves no slot highlighted.
    selectSlot(CustomEqSlotStore::slotIndexForSelection(source, id), false);
    m_applyingSelection = false;
}

void EQCustomContent::onPresetEdited()
{
    if (m_switchingMode || m_store->isLoading() || m_selected < 0)
        return;
    // The editor still shows the previous slot: that curve is about to be replaced, not saved here.
    if (m_selectionTimer && m_selectionTimer->isActive())
        return;
    // The button carries the slot's latest name, also one whose write is still waiting.
    QJsonObject slot = m_store->buildSlotJson(selectedButtonText(), m_selected, true);
    CustomEq::normalizeSlotName(slot, m_selected);
    scheduleSlotSave(m_selected, slot, m_timings.editSaveDelayMs);
}

void EQCustomContent::scheduleSlotSave(int index, const QJsonObject &slot, int delayMs)
{
    // An edit of another slot still waiting is written now rather than replaced.
    if (m_store->hasPendingSave() && m_store->pendingSaveIndex() != index)
        flushPendingSave();
    m_store->scheduleSave(index, slot, delayMs);
}

void EQCustomContent::flushPendingSave()
{
    if (!m_store->hasPendingSave())
        return;
    m_store->savePendingSlot();
    m_store->cancelPendingSave();
}

void EQCustomContent::onSaveFailed(int sortIndex)
{
    Q_UNUSED(sortIndex)
    showToast(tr("保存失败：无法写入自定义EQ文件"), PageToast::Failure, kToastMs);
}

void EQCustomContent::restoreSlotContent(int sortIndex, const QJsonObject &slot)
{
    if (sortIndex < 0 || sortIndex >= CustomEq::SlotCount)
        return;
    if (!m_store->restoreSlot(sortIndex, slot))
        onSaveFailed(sortIndex);
    if (sortIndex == m_selected)
        loadSelectedSlotNow();
}

void EQCustomContent::reloadSlots()
{
    m_slotsRead = true;
    cancelPendingLoad();
    flushPendingSave();
    m_selected = -1;
    m_store->loadSlots();
    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        m_slotButtons[i]->setSelected(false);
        m_slotButtons[i]->setText(m_store->slotDisplayName(i));
    }
    if (!m_coordinator)
        return;
    const int index = CustomEqSlotStore::slotIndexForSelection(m_coordinator->activeSource(), m_coordinator->activeId());
    if (index >= 0)
        selectSlot(index, false);
}

QString EQCustomContent::selectedButtonText() const
{
    GradientButton *button = slotButton(m_selected);
    return button ? button->text().trimmed() : QString();
}

void EQCustomContent::exportSlot()
{
    // The file holds the curve on show: the selected slot's, not one still waiting to be replaced.
    if (m_selectionTimer && m_selectionTimer->isActive())
        loadSelectedSlotNow();
    m_fileActions->exportSlot(m_selected, selectedButtonText());
}

void EQCustomContent::importSlot()
{
    const bool loadCancelled = cancelPendingLoad();
    if (m_selected >= 0)
        flushPendingSave(); // the edit is the slot's content until the import replaces it
    const std::optional<QString> buttonText = m_fileActions->importSlot(m_selected);
    if (buttonText) {
        if (GradientButton *button = slotButton(m_selected))
            button->setText(*buttonText);
        return;
    }
    // Nothing came of it: the editor must show the selected slot before the next edit is saved into it.
    if (loadCancelled)
        loadSelectedSlotNow();
}
