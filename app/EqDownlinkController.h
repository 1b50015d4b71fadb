#pragma once

#include "cloud/CloudEQItem.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "protocol/EQData.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace EarphoneApi {
struct EQEffect;
}

// The road of the active EQ to the headset: the selection mapped to a device
// record and sent (framed for the wireless headsets, as a Qasp chain for the
// Qor model), its outcome, the wait for the device link, the snapshot of the
// last successful send restored once per device session, the quiet time of
// custom slot edits and the cloud preview that is no selection. One send is on
// its way at a time; what comes meanwhile waits for its outcome.
class EqDownlinkController : public QObject
{
    Q_OBJECT
public:
    using Source = EQActiveProfileCoordinator::Source;

    // The device side; empty hooks read as "no device service".
    struct DeviceLink
    {
        std::function<bool()> readyForCommands;
        std::function<bool(const HeadsetProtocol::EQData &)> sendFramed;
        std::function<bool(const HeadsetProtocol::EQData &, QString *error)> sendQorChain;
        // The device service's own Qor session (which encoding a record gets).
        std::function<bool()> serviceQorSession;
        // That session, or the target being the Qor model (which settings group a snapshot goes to).
        std::function<bool()> qorMode;
        // Whether the device takes an EQ now (the window's device picture).
        std::function<bool()> readyForEq;
    };

    // The EQ pages' lookups; empty hooks read as "no content bar".
    struct Pages
    {
        std::function<bool(Source, const QString &id, EarphoneApi::EQEffect &out)> findOfficialEffect;
        std::function<bool(const QString &id, EarphoneApi::CloudEQItem &out)> findCloudItem;
        std::function<bool(int sortIndex, QJsonObject &out)> customSlot;
        // The official page holds a list (an official pick it lacks is then no pick of the moment).
        std::function<bool()> officialListLoaded;
        // Puts a custom slot's curve back, on the page and in its file, without announcing an edit.
        std::function<void(int sortIndex, const QJsonObject &slot)> restoreCustomSlot;
    };

    struct Timings
    {
        int retryIntervalMs = 55;
        int retryTicks = 140;
        int realtimeDebounceMs = 200;
    };

    explicit EqDownlinkController(QObject *parent = nullptr);
    ~EqDownlinkController() override;

    void setDeviceLink(DeviceLink link);
    void setPages(Pages pages);
    void setCoordinator(EQActiveProfileCoordinator *coordinator);
    void setTimings(const Timings &timings);
    Timings timings() const { return m_timings; }
    // While it answers true nothing here runs.
    void setQuittingProbe(std::function<bool()> quitting);

    EQActiveProfileCoordinator *coordinator() const { return m_coordinator; }

    // The "DRQ1" downlink snapshot: the record last sent, in its TLV form behind a six-byte head.
    static QByteArray buildDownlinkSnapshot(const HeadsetProtocol::EQData &record);
    static std::optional<HeadsetProtocol::EQData> parseDownlinkSnapshot(const QByteArray &snapshot);

    std::optional<HeadsetProtocol::EQData> mapSelectionToEqData(Source source, const QString &id, QString *error);
    void sendActiveEq(Source source, const QString &id);
    void sendEqData(Source source, const QString &id, const HeadsetProtocol::EQData &record, bool fromBootstrap);
    void startRetry();
    void stopRetry();
    void onRetryTimeout();
    void bootstrapPersistedEq();
    void scheduleRealtimeSend(Source source, const QString &id);
    void sendRealtimeEq();
    void applyEphemeralCloudEq(const EarphoneApi::CloudEQItem &item);
    void onCustomPresetImported(int slot);

    // The persisted bootstrap of the device session, as the device state drives it.
    // Armed unless already done this session.
    void armBootstrap();
    // Starts the retry when the bootstrap waits and is neither done nor on its
    // way, or when a pick of the user waits (device present, validated, link up).
    void startRetryForBootstrap();
    // Pending and in-flight marks cleared; done stays.
    void disarmBootstrap();
    // The device went: the bootstrap starts afresh, nothing waits for it, no outcome is awaited.
    void onDeviceLost();
    // The link of the validated session went: its requests are never answered,
    // and the selection on its way waits for the link to return.
    void onValidationLost();

    // The selection the device now holds without a send (e.g. its default after a factory reset).
    void adoptDeviceSelection(Source source, const QString &id);
    // The selection the window started with, taken as what the device holds.
    void takeCurrentSelectionAsApplied();

    bool isSendInFlight() const { return m_sendInFlight; }
    bool isRealtimePending() const { return m_realtimePending; }
    bool isRetryRunning() const;
    bool isBootstrapPending() const { return m_bootstrapPending; }
    bool isBootstrapDone() const { return m_bootstrapDone; }
    Source lastAppliedSource() const { return m_lastAppliedSource; }
    QString lastAppliedId() const { return m_lastAppliedId; }

    // The reason the device service gives when the headset itself refused an EQ.
    static QString deviceRejectedReason();

public slots:
    void onActiveSelectionChanged(EQActiveProfileCoordinator::Source source, const QString &id);
    void onSendSucceeded();
    // The outcome of a send the device service took: unless the headset refused
    // it, the headset may have stored it (a late or lost answer).
    void onSendFailed(const QString &reason);

signals:
    // A failure look toast over the device page.
    void failureToastRequested(const QString &text, int durationMs);

private:
    static constexpr int kToastMs = 1000;
    // A toast that says which band and why is a sentence to read.
    static constexpr int kExplainedToastMs = 3000;

    static void warn(const QString &line);
    static QString windowText(const char *text);
    // The slot index of a Custom selection; -1 for anything else.
    static int customSlotIndex(Source source, const QString &id);

    bool quitting() const;
    bool hasDevice() const;
    bool hasPages() const { return static_cast<bool>(m_pages.customSlot); }
    bool deviceReadyForCommands() const;
    bool serviceQorSession() const;
    bool qorMode() const;
    bool deviceReadyForEq() const;
    bool isCoordinatorSelection(Source source, const QString &id) const;
    // Marks a send as started: its outcome is awaited and the retry stops.
    void beginSend(Source source, const QString &id, const QByteArray &snapshot, bool fromBootstrap);
    void abandonSendInFlight(const QString &reason);
    void dropRealtimeRequest();
    void restoreLastApplied();
    // `deviceMayHoldIt`: the send reached the device, which may have stored it.
    // An empty toast text shows the plain failure toast.
    void failSend(const QString &reason, bool deviceMayHoldIt, const QString &toastText = {}, int toastMs = 0);
    // The restored EQ once more, behind whatever of the failed send is still
    // on its way to the device (the send queue is first in, first out).
    void resendRestored();
    // That send failed too, and not by the headset's refusal.
    void failResend();
    // A failed edit of a custom slot: the slot goes back to what the device holds.
    void revertEditedSlot(Source source, const QString &id);
    // The toast for a Qor EQ the chain refused: the band its filters cannot hold, when that is why.
    static QString qorRefusalToast(const HeadsetProtocol::EQData &record);

    DeviceLink m_link;
    Pages m_pages;
    QPointer<EQActiveProfileCoordinator> m_coordinator;
    Timings m_timings;
    std::function<bool()> m_quitting;

    bool m_sendInFlight = false;
    bool m_restoringSelection = false; // selection changes made here are ignored
    bool m_clearingSelection = false;
    bool m_realtimeInFlight = false;
    bool m_realtimePending = false;
    Source m_realtimeSource = EQActiveProfileCoordinator::None;
    QString m_realtimeId;
    QByteArray m_realtimePayload; // compact JSON of the custom slot
    QByteArray m_realtimePayloadInFlight;
    QByteArray m_lastAppliedRealtimePayload;
    QTimer *m_realtimeDebounce = nullptr;
    QTimer *m_retryTimer = nullptr;
    int m_retryTicksLeft = 0;
    bool m_bootstrapPending = false; // the snapshot of this device session is still to be restored
    bool m_bootstrapInFlight = false;
    bool m_bootstrapDone = false;
    QByteArray m_pendingSnapshot;
    Source m_pendingSource = EQActiveProfileCoordinator::None;
    QString m_pendingId;
    QJsonObject m_pendingSlotJson; // the custom slot content the send in flight carries
    std::optional<HeadsetProtocol::EQData> m_pendingRecord;
    Source m_lastAppliedSource = EQActiveProfileCoordinator::None;
    QString m_lastAppliedId;
    std::optional<HeadsetProtocol::EQData> m_lastAppliedRecord;
    int m_appliedSlotIndex = -1; // the custom slot whose content the device acknowledged last
    QJsonObject m_appliedSlotJson;
    bool m_resendingRestore = false; // the send in flight puts the restored EQ back
    bool m_lastAppliedHeld = false; // the device of this session acknowledged the last applied EQ
    bool m_pickWaiting = false;     // a selection came while it could not be sent at once
    bool m_ephemeralPending = false;
    EarphoneApi::CloudEQItem m_ephemeralItem;
    quint64 m_sendsStarted = 0;
};
