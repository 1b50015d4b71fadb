#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The main window's tray icon with its menu, and what closing the window
// does (quit, or hide in the tray). The window asks it to hide and listens
// for the two requests of the icon; it never touches the icon itself.
class TrayController : public QObject
{
    Q_OBJECT
public:
    // `window` is what goes to the tray; the controller is its child.
    explicit TrayController(QWidget *window);
    ~TrayController() override;

    // Overrides the question whether the desktop has a system tray.
    void setAvailabilityProbe(std::function<bool()> probe);
    bool isAvailable() const;

    // Null until the first time the window went to the tray.
    QSystemTrayIcon *icon() const;
    // Creates the icon and its menu once, when the desktop has a tray.
    void ensureIcon();
    void retranslate();
    void hideIcon();
    // The window hidden with the icon shown; minimised instead without a tray.
    void hideWindowToTray();

    // The stored preference, read at construction.
    bool exitOnClose() const { return m_exitOnClose; }
    // Remembers the preference for this session and stores it; false when it could not be saved.
    bool setExitOnClose(bool exit);

signals:
    // "show", a click or a double-click on the icon.
    void raiseRequested();
    // "quit" in the menu.
    void quitRequested();

private:
    QWidget *m_window;
    bool m_exitOnClose = false;
    std::function<bool()> m_available;
    // A child of the window, as the window's other parts are.
    QPointer<QSystemTrayIcon> m_icon;
    // Menus cannot be children of a non-widget; kept here, released with the controller.
    std::unique_ptr<QMenu> m_menu;
    QAction *m_showAction = nullptr;
    QAction *m_quitAction = nullptr;
};
