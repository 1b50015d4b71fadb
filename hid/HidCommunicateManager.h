#pragma once

#include "hid/HidCommunicateManagerInterface.h"
#include "hid/HidDeviceHandle.h"
#include "hid/HidManagerConfig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>

// Carries the bytes. One loop on a thread of its own alternates between
// writing the next queued packet to the open device and reading one input
// report, and turns every outcome into a signal. Packets may be queued from
// any thread; the handle and device id are handed in by the facade.
//
// Lock order: the handle mutex before the queue mutex. Neither is held while
// hidapi reads or writes or while a signal is emitted.
class HidCommunicateManager : public QObject, public HidCommunicateManagerInterface
{
    Q_OBJECT
public:
    struct SendRequest
    {
        QString dataId; // the caller's label, e.g. "protocol"
        QByteArray data; // bytes to write, report id already in front when asked for
    };

    HidCommunicateManager(QObject *parent, const HIDTypes::HidManagerConfig &config);
    ~HidCommunicateManager() override;

    void setCurrentDeviceId(const QString &deviceId) override;
    void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) override;
    void setDeviceHandle(const QString &deviceId, std::shared_ptr<hid_device> handle) override;
    QObject *asQObject() override;

    // The exclusive firmware-update phase, and the owner's shutdown. Each
    // returns whether the loop has ended; a loop stuck inside hidapi past the
    // bounded waits has not, and still holds the device it was reading.
    // restartThread starts the loop at once or, when the old one is still
    // running, as soon as it has ended; until then a further suspendThread
    // fails at once instead of waiting again.
    // An owner stops the thread before deleting the object; one whose thread
    // would not stop must not be deleted (HidThreadStopper::park).
    bool suspendThread();
    void restartThread();
    bool stopThread();

signals:
    // `readMs`: when the report came off the device (HidManagerConfig::readClock).
    void dataReceived(const QString &deviceId, const QByteArray &data, qint64 readMs);
    void dataSent(const QString &dataId, bool success, int bytes);
    void commError(const QString &deviceId, const QString &error, bool isFatal);
    void deviceDisconnected(const QString &deviceId);

private slots:
    void processCommunication();

private:
    struct TakenPacket;

    bool stopAndWait();
    void startThread();
    void onThreadFinished(); // on the owner's thread, after the loop's thread has ended
    void dropQueue();
    void resetCounters(); // handle mutex held
    int writeLimit() const;
    int readLength() const;
    bool takePacket(TakenPacket &taken);
    void writePacket(TakenPacket &taken, QElapsedTimer &writeErrorTimer);
    int readReport(QElapsedTimer &readErrorTimer); // hidapi's result; 0 without a handle
    // Marks the link blocked after a fatal failure, unless `handle` was replaced meanwhile.
    void blockSending(const HidDeviceHandle &handle);
    bool rateLimitPassed(const QElapsedTimer &timer) const;

    HIDTypes::HidManagerConfig m_config;
    QString m_currentDeviceId;
    HidDeviceHandle m_handle;
    mutable QMutex m_handleMutex;
    QThread m_thread;
    // Not moved with this object: receives the thread's end on the owner's thread.
    QObject m_ownerContext;
    std::atomic<bool> m_running{true};
    bool m_threadStopped = false;
    bool m_restartWhenFinished = false; // owner's thread only
    bool m_handleUsable = false;
    quint64 m_handleGeneration = 0;       // counts setDeviceHandle calls
    quint64 m_handleGenerationAtStop = 0; // ...as the last stop was asked for
    bool m_sendBlocked = false;
    QList<SendRequest> m_queue;
    QMutex m_queueMutex;
    int m_queueLimit = 0;
    QByteArray m_readBuffer;
    std::atomic<int> m_readFailureCount{0};
    std::atomic<int> m_writeFailureCount{0};
    std::atomic<int> m_zeroWriteCount{0};
    QElapsedTimer m_truncationTimer;
    std::atomic<bool> m_truncationNoticePending{true};
};
