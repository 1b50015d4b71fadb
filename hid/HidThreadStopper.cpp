#include "HidThreadStopper.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {

// Never freed: what is parked here outlives every owner on purpose.
struct Parked
{
    QMutex mutex;
    std::vector<QObject *> objects;
};

Parked &parked()
{
    static Parked *list = new Parked;
    return *list;
}

} // namespace

bool HidThreadStopper::stop(QThread &thread, int waitMs, int attempts, int extraWaitMs, const Texts &texts)
{
    thread.requestInterruption();
    thread.quit();
    const int waits = std::max(1, attempts);
    const int perWait = std::max(0, waitMs);
    for (int i = 1; i <= waits; ++i) {
        if (thread.wait(QDeadlineTimer(perWait)))
            return true;
        if (i < waits || texts.warnAfterLastWait)
            qWarning().noquote() << texts.waitTimedOut.arg(i);
    }
    qCritical().noquote() << texts.stillRunning.arg(waits);
    const int extraMs = std::max(0, extraWaitMs);
    if (thread.wait(QDeadlineTimer(extraMs)))
        return true;
    qCritical().noquote() << texts.extraWaitFailed.arg(extraMs);
    return false;
}

int HidThreadStopper::doubledExtraWaitMs(int waitMs)
{
    return std::max(1000, 2 * std::max(0, waitMs));
}

void HidThreadStopper::park(QObject *object, const QString &line)
{
    if (!object)
        return;
    qCritical().noquote() << line;
    Parked &list = parked();
    QMutexLocker lock(&list.mutex);
    list.objects.push_back(object);
}
