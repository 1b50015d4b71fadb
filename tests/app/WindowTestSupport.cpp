#include "tests/app/WindowTestSupport.h"

#include "app/HeadphonesDevice.h"
#include "cloud/RemoteUpdater.h"
#include "platform/installer/RecordingProcessLauncher.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <mutex>

namespace WindowTest {

namespace {
std::mutex logMutex;
QStringList *logLines = nullptr;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        const std::lock_guard<std::mutex> lock(logMutex);
        if (logLines)
            logLines->append(message);
    }
    if (previousHandler && type >= QtWarningMsg && !message.startsWith(QLatin1Char('[')))
        previousHandler(type, context, message);
}
} // namespace

MessageLog::MessageLog()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    logLines = new QStringList;
    previousHandler = qInstallMessageHandler(collect);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previousHandler);
    const std::lock_guard<std::mutex> lock(logMutex);
    delete logLines;
    logLines = nullptr;
}

QStringList MessageLog::lines() const
{
    const std::lock_guard<std::mutex> lock(logMutex);
    return logLines ? *logLines : QStringList();
}

bool MessageLog::contains(const QString &part) const
{
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(), [&part](const QString &line) { return line.contains(part); });
}

void MessageLog::clear()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    if (logLines)
        logLines->clear();
}

std::shared_ptr<bool> whenModalWidget(std::function<bool(QWidget *)> matches, std::function<void(QWidget *)> action,
                                      int timeoutMs)
{
    auto ran = std::make_shared<bool>(false);
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, ran, matches, action, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && matches(modal)) {
            // Stopped first: the action may open a dialog of its own and run its loop.
            poll->stop();
            poll->deleteLater();
            *ran = true;
            action(modal);
            return;
        }
        if (deadline.hasExpired()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
    return ran;
}

void isolateUpdater(HeadphonesDevice &window, RecordingProcessLauncher &launcher)
{
    RemoteUpdate::RemoteUpdater *updater = window.remoteUpdater();
    updater->setManifestUrl(QUrl());
    updater->setProcessLauncher(&launcher);
}

bool showWindow(HeadphonesDevice &window, bool trayAvailable)
{
    window.setMaximumSize(4000, 3000);
    window.setTrayAvailabilityProbe([trayAvailable] { return trayAvailable; });
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

ToastRecorder::ToastRecorder()
{
    qApp->installEventFilter(this);
}

ToastRecorder::~ToastRecorder()
{
    qApp->removeEventFilter(this);
}

bool ToastRecorder::eventFilter(QObject *watched, QEvent *event)
{
    // A toast still up takes a new text without showing again; its next paint tells.
    // Toasts are tooltips, or the device page's toast frame once that page exists.
    if (event->type() != QEvent::Show && event->type() != QEvent::Paint)
        return false;
    const auto *label = qobject_cast<QLabel *>(watched);
    if (!label || label->text().isEmpty())
        return false;
    const bool tooltip = watched->objectName() == QLatin1String("qtooltip_label");
    const bool pageToast =
        label->parent() && label->parent()->objectName() == QLatin1String("EQCloudToastFrame");
    if (!tooltip && !pageToast)
        return false;
    if (event->type() == QEvent::Show || texts.value(texts.size() - 1) != label->text())
        texts.append(label->text());
    return false;
}

} // namespace WindowTest
