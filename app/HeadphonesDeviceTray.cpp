// Closing, quitting and the tray icon of HeadphonesDevice, and modal dialogs
// over the blurred window.
#include "app/HeadphonesDevice.h"

#include "account/CustomLoginWindow.h"
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGraphicsBlurEffect>
#include <QMenu>
#include <QPointer>
#include <QPropertyAnimation>
#include <QStyle>
#include <QTimer>

namespace {
constexpr qreal kDialogBlurRadius = 8.0;
}

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
    if (m_exitOnClose) {
        // A refused close keeps the program running: the faded window must show again.
        if (!close())
            setWindowOpacity(1.0);
        return;
    }
    setWindowOpacity(1.0);
    minimizeToTray();
}

void HeadphonesDevice::minimizeToTray()
{
    if (!isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    ensureTrayIcon();
    if (m_trayIcon)
        m_trayIcon->show();
    hide();
}

void HeadphonesDevice::closeEvent(QCloseEvent *event)
{
    // Quitting closes every window first and gives up when one refuses: once
    // the program is quitting, the window no longer goes to the tray instead.
    if (m_quitting) {
        QMainWindow::closeEvent(event);
        return;
    }
    if (!m_exitOnClose) {
        event->ignore();
        if (!isSystemTrayAvailable()) {
            showMinimized();
            return;
        }
        hide();
        ensureTrayIcon();
        if (m_trayIcon)
            m_trayIcon->show();
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
    if (m_trayIcon)
        m_trayIcon->hide();
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
    if (m_loginWindow && m_loginWindow->isVisible())
        m_loginWindow->reject();
    m_loginWindow = nullptr;
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
    if (m_trayIcon || !isSystemTrayAvailable())
        return;
    m_trayIcon = new QSystemTrayIcon(this);
    QIcon icon = windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/images/velkora.ico"));
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/images/velkoraLogo.png"));
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    m_trayIcon->setIcon(icon);

    m_trayMenu = std::make_unique<QMenu>();
    m_showAction = m_trayMenu->addAction(QString());
    m_quitAction = m_trayMenu->addAction(QString());
    connect(m_showAction, &QAction::triggered, this, &HeadphonesDevice::raiseMainWindowFromTray);
    connect(m_quitAction, &QAction::triggered, this, &HeadphonesDevice::quitApplicationFully);
    m_trayIcon->setContextMenu(m_trayMenu.get());
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            raiseMainWindowFromTray();
    });
    retranslateTrayIcon();
}

void HeadphonesDevice::retranslateTrayIcon()
{
    if (!m_trayIcon)
        return;
    m_trayIcon->setToolTip(tr("VELKORA"));
    m_showAction->setText(tr("显示主窗口"));
    m_quitAction->setText(tr("退出"));
}

int HeadphonesDevice::execDialogWithBlur(QWidget *target, QDialog *dialog)
{
    // The dialog may outlive either of them; nothing here assumes otherwise.
    QPointer<QWidget> blurred = target;
    QPointer<QGraphicsBlurEffect> added;
    if (target && !target->graphicsEffect()) {
        added = new QGraphicsBlurEffect;
        added->setBlurRadius(kDialogBlurRadius);
        added->setBlurHints(QGraphicsBlurEffect::PerformanceHint);
        target->setGraphicsEffect(added);
    }
    const int result = dialog->exec();
    if (added && blurred && blurred->graphicsEffect() == added)
        blurred->setGraphicsEffect(nullptr);
    return result;
}
