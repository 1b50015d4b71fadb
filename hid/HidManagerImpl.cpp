#include "HidManagerImpl.h"

#include "hid/HidCommunicateManager.h"
#include "hid/HidDeviceManager.h"
#include "hid/HidManager.h"
#include "hid/HidThreadStopper.h"

HidManagerImpl::HidManagerImpl(HidManager *facade, const HIDTypes::HidManagerConfig &config)
    : QObject(facade), m_facade(facade)
{
    HIDTypes::registerHidMetaTypes();
    auto *deviceManager = new HidDeviceManager(this, config);
    auto *commManager = new HidCommunicateManager(nullptr, config);
    m_deviceManager = deviceManager;
    m_commManager = commManager;

    // Automatic connections: what the communication thread emits arrives here
    // and at the facade on the GUI thread, queued.
    connect(deviceManager, &HidDeviceManager::deviceListUpdated, m_facade, &HidManager::deviceListUpdated);
    connect(deviceManager, &HidDeviceManager::deviceHandleChanged, this, &HidManagerImpl::onDeviceHandleChanged);
    connect(commManager, &HidCommunicateManager::dataReceived, m_facade, &HidManager::dataReceived);
    connect(commManager, &HidCommunicateManager::dataSent, m_facade, &HidManager::dataSent);
    connect(commManager, &HidCommunicateManager::commError, m_facade, &HidManager::commError);
    connect(commManager, &HidCommunicateManager::deviceDisconnected, this,
            &HidManagerImpl::onCommunicateDeviceDisconnected);
}

HidManagerImpl::~HidManagerImpl()
{
    QObject *deviceObject = m_deviceManager ? m_deviceManager->asQObject() : nullptr;
    QObject *commObject = m_commManager ? m_commManager->asQObject() : nullptr;
    for (QObject *worker : {deviceObject, commObject}) {
        if (worker) {
            disconnect(worker, nullptr, this, nullptr);
            disconnect(worker, nullptr, m_facade, nullptr);
        }
    }
    // The communication manager goes first: it holds the open device, which
    // must be closed before the device manager shuts hidapi down. Its thread
    // is stopped once, here; its destructor then finds it ended.
    auto *comm = qobject_cast<HidCommunicateManager *>(commObject);
    if (comm && !comm->stopThread()) {
        // The loop is stuck inside hidapi with the device. Deleting it would
        // destroy a running thread, and hid_exit would pull the library from
        // under it: the device goes when that read returns, hidapi stays up.
        comm->setDeviceHandle(currentDeviceId(), nullptr);
        HidThreadStopper::park(comm, QStringLiteral("[HidCommunicateManager] 通讯线程未能停止，保留其对象直至进程结束，"
                                                    "不执行 hid_exit"));
        if (auto *device = qobject_cast<HidDeviceManager *>(deviceObject))
            device->keepHidApiAtExit();
    } else {
        delete m_commManager;
    }
    m_commManager = nullptr;
    delete m_deviceManager;
    m_deviceManager = nullptr;
}

bool HidManagerImpl::hasWorkers() const
{
    return m_deviceManager && m_commManager;
}

void HidManagerImpl::addTargetDevice(const HIDTypes::TargetDeviceFilter &filter)
{
    if (hasWorkers())
        m_deviceManager->addTargetDevice(filter);
}

QList<HIDTypes::HidDeviceInfo> HidManagerImpl::enumerateDevices()
{
    return hasWorkers() ? m_deviceManager->enumerateDevices() : QList<HIDTypes::HidDeviceInfo>{};
}

HIDTypes::ConnectResult HidManagerImpl::connectDevice(const QString &deviceId)
{
    if (!hasWorkers())
        return {false, tr("管理器未就绪")};
    if (!m_deviceManager->isInitialized())
        return {false, tr("HID 子系统未初始化")};
    return m_deviceManager->connectDevice(deviceId);
}

void HidManagerImpl::disconnectDevice(const QString &deviceId)
{
    if (hasWorkers())
        m_deviceManager->disconnectDevice(deviceId);
}

void HidManagerImpl::disconnectAll()
{
    if (hasWorkers())
        m_deviceManager->disconnectAll();
}

void HidManagerImpl::sendData(const QString &dataId, const QByteArray &data, bool prependReportId)
{
    if (hasWorkers())
        m_commManager->sendData(dataId, data, prependReportId);
}

QString HidManagerImpl::currentDeviceId() const
{
    QMutexLocker lock(&m_mutex);
    return m_currentDeviceId;
}

void HidManagerImpl::onDeviceHandleChanged(const QString &deviceId, std::shared_ptr<hid_device> handle)
{
    if (!hasWorkers())
        return;
    const bool connected = handle != nullptr;
    {
        QMutexLocker lock(&m_mutex);
        if (connected)
            m_currentDeviceId = deviceId;
        else if (m_currentDeviceId == deviceId)
            m_currentDeviceId.clear();
    }
    // Outside the mutex: setDeviceHandle reports the change through commError,
    // and a receiver may well ask for currentDeviceId right away.
    if (connected)
        m_commManager->setCurrentDeviceId(deviceId); // the id always before its handle
    m_commManager->setDeviceHandle(deviceId, std::move(handle));
    emit m_facade->deviceConnectionChanged(deviceId, connected);
}

void HidManagerImpl::onCommunicateDeviceDisconnected(const QString &deviceId)
{
    if (hasWorkers())
        m_deviceManager->disconnectDevice(deviceId);
}

bool HidManagerImpl::suspendHid()
{
    if (m_hidSuspended)
        return true;
    disconnectAll();
    auto *comm = qobject_cast<HidCommunicateManager *>(m_commManager ? m_commManager->asQObject() : nullptr);
    if (comm && !comm->suspendThread()) {
        // Its loop still reads the device it had: hidapi must stay up, and the
        // loop comes back once that read has returned.
        comm->restartThread();
        return false;
    }
    if (auto *device = qobject_cast<HidDeviceManager *>(m_deviceManager ? m_deviceManager->asQObject() : nullptr)) {
        device->suspendWorkerThread();
        if (!device->releaseHidApi()) {
            // hidapi is still ours, so the updater must not be handed the
            // devices; bring the threads back so the stack works as before.
            device->restartWorkerThread();
            if (comm)
                comm->restartThread();
            return false;
        }
    }
    m_hidSuspended = true;
    return true;
}

void HidManagerImpl::resumeHid()
{
    if (!m_hidSuspended)
        return;
    if (auto *device = qobject_cast<HidDeviceManager *>(m_deviceManager ? m_deviceManager->asQObject() : nullptr)) {
        device->reinitializeHidApi();
        device->restartWorkerThread();
    }
    if (auto *comm = qobject_cast<HidCommunicateManager *>(m_commManager ? m_commManager->asQObject() : nullptr))
        comm->restartThread();
    m_hidSuspended = false;
}
