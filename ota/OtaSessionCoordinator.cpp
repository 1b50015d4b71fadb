#include "ota/OtaSessionCoordinator.h"

#include "hid/HidProtocolService.h"

#include <QTimer>

#include <utility>

namespace {
const QString kDefaultTag = QStringLiteral("OTA");
}

OtaSessionCoordinator::OtaSessionCoordinator(HidProtocolService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_logTag(kDefaultTag)
    , m_phaseTimer(new QTimer(this))
{
    m_phaseTimer->setSingleShot(true);
    connect(m_phaseTimer, &QTimer::timeout, this, &OtaSessionCoordinator::runPendingPhase);
}

// An exclusive session is left as it is: its owner ends it.
OtaSessionCoordinator::~OtaSessionCoordinator() = default;

void OtaSessionCoordinator::setLogTag(const QString &tag)
{
    const QString trimmed = tag.trimmed();
    m_logTag = trimmed.isEmpty() ? kDefaultTag : trimmed;
}

void OtaSessionCoordinator::setPhaseDelays(int firstMs, int laterMs)
{
    m_firstDelayMs = qMax(0, firstMs);
    m_laterDelayMs = qMax(0, laterMs);
}

void OtaSessionCoordinator::suspendAutoReconnect()
{
    if (m_service)
        m_service->setAutoReconnectSuspended(true);
}

bool OtaSessionCoordinator::beginOtaPhase(const std::function<void()> &phase)
{
    if (!m_service || !phase)
        return false;
    dropPendingPhase();
    if (!m_service->beginExclusiveOtaSession())
        return false;

    const int delayMs = m_phasesBegun == 0 ? m_firstDelayMs : m_laterDelayMs;
    ++m_phasesBegun;
    // Runs only while no begin, cancel or end has come since.
    const quint64 token = m_phaseToken;
    m_pendingPhase = [this, token, phase] {
        if (m_phaseToken == token)
            phase();
    };
    m_phaseTimer->start(delayMs);
    return true;
}

void OtaSessionCoordinator::runPendingPhase()
{
    if (!m_pendingPhase)
        return;
    // Moved out first: a phase may begin the next one from inside itself.
    const std::function<void()> phase = std::exchange(m_pendingPhase, nullptr);
    phase();
}

void OtaSessionCoordinator::cancelPendingPhase()
{
    dropPendingPhase();
}

void OtaSessionCoordinator::endOtaSession()
{
    dropPendingPhase();
    if (!m_service)
        return;
    m_service->endExclusiveOtaSession();
    m_service->setAutoReconnectSuspended(false);
    if (!m_service->availableDevices().isEmpty())
        m_service->resumeAfterLegacyRecovery();
    m_phasesBegun = 0;
}

void OtaSessionCoordinator::dropPendingPhase()
{
    ++m_phaseToken;
    m_pendingPhase = nullptr;
    m_phaseTimer->stop();
}
