#include "app/TrayController.h"

#include "app/CloseBehavior.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
// The tray's texts live in the main window's translation context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("HeadphonesDevice", source);
}
} // namespace

TrayController::TrayController(QWidget *window)
    : QObject(window), m_window(window), m_exitOnClose(CloseBehavior::exitOnClose())
{
}

TrayController::~TrayController()
{
    // The icon holds the menu that goes with this object.
    delete m_icon;
}

QSystemTrayIcon *TrayController::icon() const
{
    return m_icon;
}

void TrayController::setAvailabilityProbe(std::function<bool()> probe)
{
    m_available = std::move(probe);
}

bool TrayController::isAvailable() const
{
    return m_available ? m_available() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::ensureIcon()
{
    if (m_icon || !isAvailable())
        return;
    m_icon = new QSystemTrayIcon(m_window);
    QIcon icon = m_window->windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/images/velkora.ico"));
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/images/velkoraLogo.png"));
    if (icon.isNull())
        icon = m_window->style()->standardIcon(QStyle::SP_ComputerIcon);
    m_icon->setIcon(icon);

    m_menu = std::make_unique<QMenu>();
    m_showAction = m_menu->addAction(QString());
    m_quitAction = m_menu->addAction(QString());
    connect(m_showAction, &QAction::triggered, this, &TrayController::raiseRequested);
    connect(m_quitAction, &QAction::triggered, this, &TrayController::quitRequested);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit raiseRequested();
    });
    retranslate();
}

void TrayController::retranslate()
{
    if (!m_icon)
        return;
    m_icon->setToolTip(windowText("VELKORA"));
    m_showAction->setText(windowText("显示主窗口"));
    m_quitAction->setText(windowText("退出"));
}

void TrayController::hideIcon()
{
    if (m_icon)
        m_icon->hide();
}

void TrayController::hideWindowToTray()
{
    if (!isAvailable()) {
        m_window->showMinimized();
        return;
    }
    m_window->hide();
    ensureIcon();
    if (m_icon)
        m_icon->show();
}

bool TrayController::setExitOnClose(bool exit)
{
    m_exitOnClose = exit;
    return CloseBehavior::setExitOnClose(exit);
}
