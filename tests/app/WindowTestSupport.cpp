#include "tests/app/WindowTestSupport.h"

#include "app/HeadphonesDevice.h"
#include "cloud/RemoteUpdater.h"
#include "platform/installer/RecordingProcessLauncher.h"

#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QUrl>

namespace WindowTest {

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
