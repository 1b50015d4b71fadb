// The tray icon and the close preference of the main window, on a plain
// widget instead of the window.
#include "app/TrayController.h"
#include "tests/app/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include <memory>

class TestTrayController : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void withoutTrayTheWindowMinimises();
    void hidingShowsTheIconWithItsMenu();
    void activation_data();
    void activation();
    void menuAsksTheWindow();
    void closePreferenceIsStored();
    void iconGoesWithTheController();

private:
    // A shown window with a controller that believes the desktop has a tray or not.
    TrayController *makeTray(bool available);

    TestEnvironment m_env;
    std::unique_ptr<QWidget> m_window;
};

void TestTrayController::init()
{
    m_env.clearSettings();
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 100);
}

TrayController *TestTrayController::makeTray(bool available)
{
    auto *tray = new TrayController(m_window.get());
    tray->setAvailabilityProbe([available] { return available; });
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return nullptr;
    return tray;
}

void TestTrayController::withoutTrayTheWindowMinimises()
{
    TrayController *tray = makeTray(false);
    QVERIFY(tray);
    tray->ensureIcon();
    QVERIFY(!tray->icon());
    tray->hideWindowToTray();
    QTRY_VERIFY(m_window->windowState() & Qt::WindowMinimized);
    QVERIFY(!tray->icon());
}

void TestTrayController::hidingShowsTheIconWithItsMenu()
{
    TrayController *tray = makeTray(true);
    QVERIFY(tray);
    QVERIFY(!tray->icon());
    tray->hideWindowToTray();
    QVERIFY(!m_window->isVisible());
    QSystemTrayIcon *icon = tray->icon();
    QVERIFY(icon);
    QVERIFY(icon->isVisible());
    // A window without an icon of its own still gets one in the tray.
    QVERIFY(!icon->icon().isNull());
    QCOMPARE(icon->toolTip(), QStringLiteral("VELKORA"));
    const QList<QAction *> actions = icon->contextMenu()->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions.at(0)->text(), QStringLiteral("显示主窗口"));
    QCOMPARE(actions.at(1)->text(), QStringLiteral("退出"));

    // Once made, the icon is kept: hiding again reuses it.
    m_window->show();
    tray->hideWindowToTray();
    QCOMPARE(tray->icon(), icon);
    tray->hideIcon();
    QVERIFY(!icon->isVisible());
}

void TestTrayController::activation_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("raises");
    QTest::newRow("click") << int(QSystemTrayIcon::Trigger) << 1;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << 1;
    QTest::newRow("right click") << int(QSystemTrayIcon::Context) << 0;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << 0;
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << 0;
}

void TestTrayController::activation()
{
    QFETCH(int, reason);
    QFETCH(int, raises);
    TrayController *tray = makeTray(true);
    QVERIFY(tray);
    tray->hideWindowToTray();
    QSignalSpy raised(tray, &TrayController::raiseRequested);
    QSignalSpy quit(tray, &TrayController::quitRequested);
    emit tray->icon()->activated(static_cast<QSystemTrayIcon::ActivationReason>(reason));
    QCOMPARE(raised.size(), raises);
    QCOMPARE(quit.size(), 0);
    // The controller only asks; bringing the window back is the window's business.
    QVERIFY(!m_window->isVisible());
}

void TestTrayController::menuAsksTheWindow()
{
    TrayController *tray = makeTray(true);
    QVERIFY(tray);
    tray->ensureIcon();
    QSignalSpy raised(tray, &TrayController::raiseRequested);
    QSignalSpy quit(tray, &TrayController::quitRequested);
    const QList<QAction *> actions = tray->icon()->contextMenu()->actions();
    actions.at(0)->trigger();
    QCOMPARE(raised.size(), 1);
    QCOMPARE(quit.size(), 0);
    actions.at(1)->trigger();
    QCOMPARE(quit.size(), 1);
    QCOMPARE(raised.size(), 1);
}

void TestTrayController::closePreferenceIsStored()
{
    {
        TrayController fresh(m_window.get());
        QVERIFY(!fresh.exitOnClose());
        fresh.setExitOnClose(true);
        QVERIFY(fresh.exitOnClose());
    }
    QVERIFY(QSettings().value(QStringLiteral("close/exitOnClose")).toBool());
    TrayController again(m_window.get());
    QVERIFY(again.exitOnClose());
    again.setExitOnClose(false);
    QVERIFY(!TrayController(m_window.get()).exitOnClose());
}

void TestTrayController::iconGoesWithTheController()
{
    TrayController *tray = makeTray(true);
    QVERIFY(tray);
    tray->hideWindowToTray();
    QPointer<QSystemTrayIcon> icon = tray->icon();
    QPointer<QMenu> menu = icon->contextMenu();
    QVERIFY(icon && menu);
    delete tray;
    QVERIFY(!icon);
    QVERIFY(!menu);
    // The window outlives both; its own teardown has nothing left to free twice.
    m_window.reset();
}

QTEST_MAIN(TestTrayController)
#include "tst_traycontroller.moc"
