#pragma once

#include "eq/EQActiveProfileCoordinator.h"

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class CustomClickableLabel;
class CustomEqSlotStore;
class EQCurveEditor;
class EQCurveEditorBandAdapter;
class EQShareToCloudDialog;
class EQSlotFileActions;
class EQSoundEffectTestWidget;
class EQXAxisRuleBar;
class PageToast;
class GradientButton;
class LoginController;
class QTimer;

namespace EarphoneApi {
class EqApi;
}

// The custom EQ page: ten slots of the user's own curves, the curve editor
// that shapes the selected one, the sound test, and the slot actions rename,
// share to the cloud, export, import and reset. An edit is written to the
// selected slot's file 500 ms after the last change; a waiting edit is written
// before anything could replace it (another slot's edit, a reload, an import),
// and a write that fails is reported. GUI thread only.
class EQCustomContent : public QWidget
{
    Q_OBJECT
public:
    enum Action { RenameAction = 0, ShareAction, ExportAction, ImportAction, ResetAction, ActionCount };

    struct Timings
    {
        int selectionDelayMs = 25; // a slot is loaded this long after the last pick
        int editSaveDelayMs = 500; // an edit is written this long after the last change
    };

    static constexpr int kToastMs = 1000;

    explicit EQCustomContent(QWidget *parent = nullptr);
    ~EQCustomContent() override;

    void setTimings(const Timings &timings) { m_timings = timings; }
    const Timings &timings() const { return m_timings; }

    // Standard headsets: 10 bands in "CustomEQ"; the Qor model: 1 to 8 bands in "CustomEQ_QOR".
    void setQorMode(bool qor);
    bool isQorMode() const;
    // Not owned; may be null. The page follows its selection and reports slot picks to it.
    void setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator);
    // Forwarded to the sound test.
    void setSoundTestState(bool wired, bool wireless, const QString &wirelessDeviceName);
    // Closes the share dialog and the curve editor's point editor.
    void dismissPopups();

    // The cloud services of the share dialog; not owned.
    void setEqApi(EarphoneApi::EqApi *api);
    void setLoginController(LoginController *controller);
    void setPid(const QString &pid);

    // The slot's content as last read or written; false for an index outside
    // 0..9 or an empty slot. The slots are read first when the page has not
    // read them yet (it reads them each time it is shown).
    bool customPresetJson(int sortIndex, QJsonObject &out);
    // Puts a slot's curve back (after the headset could not take an edit of
    // it): its file, its content and, when it is the selected slot, the curve
    // editor. Announces no edit.
    void restoreSlotContent(int sortIndex, const QJsonObject &slot);

    // Kinds: 0 info, 1 success, 2 failure.
    void showToast(const QString &text, int kind, int durationMs);

    int selectedIndex() const { return m_selected; }
    int pendingLoadIndex() const { return m_pendingLoadIndex; }
    GradientButton *slotButton(int index) const;
    CustomClickableLabel *actionIcon(Action action) const;
    CustomClickableLabel *actionText(Action action) const;
    EQCurveEditor *curveEditor() const { return m_editor; }
    EQXAxisRuleBar *ruleBar() const { return m_ruleBar; }
    EQSoundEffectTestWidget *soundTest() const { return m_soundTest; }
    CustomEqSlotStore *slotStore() const { return m_store; }
    EQSlotFileActions *fileActions() const { return m_fileActions.get(); }
    EQShareToCloudDialog *shareDialog() const { return m_shareDialog.get(); }
    PageToast *toast() const { return m_toast; }

public slots:
    // index -1 clears the selection; `notify` reports the pick to the coordinator.
    void selectSlot(int index, bool notify);
    void applyActiveSelection(EQActiveProfileCoordinator::Source source, const QString &id);
    void openRenameDialog();
    void openResetDialog();
    void openShareDialog();
    void exportSlot();
    void importSlot();

signals:
    // The slot's file was written after an edit, a rename or a reset.
    void customPresetEdited(int sortIndex);
    // An imported EQ was written into the slot.
    void customPresetImported(int sortIndex);
    void logMessage(const QString &line);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct ActionPair
    {
        CustomClickableLabel *icon = nullptr;
        CustomClickableLabel *text = nullptr;
    };

    void buildLayout();
    void setupConnect();
    void retranslateActions();
    void reloadSlots();
    void onPresetEdited();
    void onSaveFailed(int sortIndex);
    void scheduleSlotSave(int index, const QJsonObject &slot, int delayMs);
    void flushPendingSave();
    bool cancelPendingLoad();
    void loadSelectedSlotNow();
    void showSelectFirstToast();
    QString selectedButtonText() const;

    Timings m_timings;
    int m_selected = -1;
    std::array<GradientButton *, 10> m_slotButtons{};
    std::array<ActionPair, ActionCount> m_actions{};
    EQSoundEffectTestWidget *m_soundTest = nullptr;
    EQCurveEditor *m_editor = nullptr;
    EQXAxisRuleBar *m_ruleBar = nullptr;
    std::unique_ptr<EQCurveEditorBandAdapter> m_bandEditor;
    CustomEqSlotStore *m_store = nullptr;
    std::unique_ptr<EQSlotFileActions> m_fileActions;
    PageToast *m_toast = nullptr;
    QTimer *m_selectionTimer = nullptr;
    int m_pendingLoadIndex = -1;
    bool m_switchingMode = false;
    bool m_slotsRead = false;
    QPointer<EQActiveProfileCoordinator> m_coordinator;
    bool m_applyingSelection = false;
    std::unique_ptr<EQShareToCloudDialog> m_shareDialog;
};
