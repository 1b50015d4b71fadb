// Closing, quitting and the tray icon of HeadphonesDevice, and modal dialogs
// over the blurred window.
#include "app/HeadphonesDevice.h"

#include "app/AccountFlow.h"
#include "app/TrayController.h"
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QPropertyAnimation>
#include <QTimer>

void HeadphonesDevice::on_closeClicked()
{
    if (m_closeFadeRunning)
        return;
    m_closeFadeRunning = true;
    if (!m_closeFade) {
        m_closeFade = new QPropertyAnimation(this, "windowOpacity", this);
        m_closeFade->setEasingCurve(QEasingCurve::OutCubic);
        connect(m_closeFade, &QPropertyAnimation::finished, this, &HeadphonesDevice::onCloseFadeFinished);
    }
    m_closeFade->stop();
    m_closeFade->setDuration(m_timings.closeFadeMs);
    m_closeFade->setStartValue(windowOpacity());
    m_closeFade->setEndValue(0.0);
    m_closeFade->start();
}

void HeadphonesDevice::onCloseFadeFinished()
{
    m_closeFadeRunning = false;
    if (m_tray->exitOnClose()) {
        // A refused close keeps the program running: the faded window must show again.
        if (!close())
            setWindowOpacity(1.0);
        return;
    }
    setWindowOpacity(1.0);
    minimizeToTray();
}

void HeadphonesDevice::setupTray()
{
    m_tray = new TrayController(this);
    connect(m_tray, &TrayController::raiseRequested, this, &HeadphonesDevice::raiseMainWindowFromTray);
    connect(m_tray, &TrayController::quitRequested, this, &HeadphonesDevice::quitApplicationFully);
}

void HeadphonesDevice::setTrayAvailabilityProbe(std::function<bool()> probe)
{
    m_tray->setAvailabilityProbe(std::move(probe));
}

bool HeadphonesDevice::isSystemTrayAvailable() const
{
    return m_tray->isAvailable();
}

QSystemTrayIcon *HeadphonesDevice::trayIcon() const
{
    return m_tray->icon();
}

bool HeadphonesDevice::exitOnClose() const
{
    return m_tray->exitOnClose();
}

void HeadphonesDevice::minimizeToTray()
{
    m_tray->hideWindowToTray();
}

void HeadphonesDevice::closeEvent(QCloseEvent *event)
{
    // Quitting closes every window first and gives up when one refuses: once
    // the program is quitting, the window no longer goes to the tray instead.
    if (m_quitting) {
        QMainWindow::closeEvent(event);
        return;
    }
    if (!m_tray->exitOnClose()) {
        event->ignore();
        m_tray->hideWindowToTray();
        return;
    }
    prepareForQuit();
    QMainWindow::closeEvent(event);
    if (!event->isAccepted()) {
        m_quitting = false;
        return;
    }
    closeOtherTopLevelWindows();
    queueQuit();
}

void HeadphonesDevice::quitApplicationFully()
{
    if (m_quitting)
        return;
    prepareForQuit();
    m_tray->hideIcon();
    closeOtherTopLevelWindows();
    queueQuit();
}

void HeadphonesDevice::closeOtherTopLevelWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
}

void HeadphonesDevice::queueQuit()
{
    // Queued, so the close handlers finish first.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

void HeadphonesDevice::prepareForQuit()
{
    m_quitting = true;
    // Detached first, so that the disconnects below reach no page.
    if (m_deviceService) {
        disconnect(m_deviceService, nullptr, this, nullptr);
        if (m_qorController)
            disconnect(m_deviceService, nullptr, m_qorController, nullptr);
        m_deviceService->disconnectAll();
    }
    m_account->closeLoginWindow();
    setGraphicsEffect(nullptr);
    if (m_centralWidget)
        m_centralWidget->setGraphicsEffect(nullptr);
}

void HeadphonesDevice::raiseMainWindowFromTray()
{
    if (windowState() & Qt::WindowMinimized)
        showNormal();
    show();
    raise();
    activateWindow();
    setWindowOpacity(1.0);
}

void HeadphonesDevice::ensureTrayIcon()
{
    m_tray->ensureIcon();
}

void HeadphonesDevice::retranslateTrayIcon()
{
    // A language change can reach the window before its tray is set up.
    if (m_tray)
        m_tray->retranslate();
}

int HeadphonesDevice::execDialogWithBlur(QWidget *target, QDialog *dialog)
{
    return WindowBlurBackdrop::execOver(target, dialog);
}
