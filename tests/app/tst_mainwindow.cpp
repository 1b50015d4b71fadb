#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/HeadphonesDevice.h"
#include "language/AppLanguageManager.h"
#include "widgets/CustomRadioButtons.h"
#include "widgets/CustomizeWindowIconButton.h"
#include "widgets/WindowBlurBackdrop.h"
#include "cloud/ApiFactory.h"
#include "devicepages/ColorDot.h"
#include "devicepages/ColorSelector.h"
#include "devicepages/CustomBootScreen.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/EquipmentContentsBar.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/PageToast.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "platform/windowframe/RecordingWindowFrame.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {
// Mouse events straight to the window, at a global position.
void sendMouse(QWidget *window, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    const QPoint local = window->mapFromGlobal(global);
    QMouseEvent event(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

// Runs the application's event loop until something quits it, or gives 99 after a bound.
int runEventLoopUntilQuit()
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return QCoreApplication::exec();
}

// An event filter made of a function.
class EventFilter : public QObject
{
public:
    explicit EventFilter(std::function<bool(QObject *, QEvent *)> filter) : m_filter(std::move(filter)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override { return m_filter(watched, event); }

private:
    std::function<bool(QObject *, QEvent *)> m_filter;
};

void press(QWidget *w, const QPoint &g) { sendMouse(w, QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton); }
void move(QWidget *w, const QPoint &g) { sendMouse(w, QEvent::MouseMove, g, Qt::NoButton, Qt::LeftButton); }
void release(QWidget *w, const QPoint &g) { sendMouse(w, QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton); }
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void edges_data();
    void edges();
    void pressOnEdgeStartsResize();
    void resizeStopsAtMinimum_data();
    void resizeStopsAtMinimum();
    void resizeIsCappedAtMaximum();
    void resizeStepsAreThrottled();
    void dragOnlyOnTitleBarBackground();
    void maximiseThenRestore();
    void maximumSizeFromScreens_data();
    void maximumSizeFromScreens();
    void closeWithoutExitGoesToTray();
    void trayActivation_data();
    void trayActivation();
    void closeWithoutTrayMinimises();
    void closeButtonFadesThenHides();
    void refusedCloseAfterFadeLeavesWindowShown();
    void closeWithExitQuits();
    void trayQuitQuits();
    void quitWithTheWindowShownQuits();
    void raiseRestoresMinimisedAndFaded();
    void settingsPageAndReturn();
    void settingsChangesAreApplied();
    void unsavedChangeHoldsAndSaysSo_data();
    void unsavedChangeHoldsAndSaysSo();
    void changeHoldsForTheSessionInEveryStore_data();
    void changeHoldsForTheSessionInEveryStore();
    void dialogRunsOverBlur();

private:
    std::unique_ptr<HeadphonesDevice> makeWindow(bool trayAvailable);

    TestEnvironment m_env;
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
};

void TestMainWindow::init()
{
    m_env.clearSettings();
    QCursor::setPos(5000, 5000);
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    AppLanguageManager::applyLanguage("zh_CN");
}

std::unique_ptr<HeadphonesDevice> TestMainWindow::makeWindow(bool trayAvailable)
{
    auto window = std::make_unique<HeadphonesDevice>();
    WindowTest::isolateUpdater(*window, m_launcher);
    if (!WindowTest::showWindow(*window, trayAvailable))
        return nullptr;
    return window;
}

void TestMainWindow::edges_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("edges");
    QTest::addColumn<int>("cursor");
    const int w = 1280;
    const int h = 720;
    QTest::newRow("9,9 top-left") << QPoint(9, 9) << int(HeadphonesDevice::TopLeft) << int(Qt::SizeFDiagCursor);
    QTest::newRow("10,10 nothing") << QPoint(10, 10) << int(HeadphonesDevice::None) << int(Qt::ArrowCursor);
    QTest::newRow("top-right") << QPoint(w - 9, 9) << int(HeadphonesDevice::TopRight) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left") << QPoint(9, h - 9) << int(HeadphonesDevice::BottomLeft) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right") << QPoint(w - 1, h - 1) << int(HeadphonesDevice::BottomRight)
                                  << int(Qt::SizeFDiagCursor);
    QTest::newRow("left") << QPoint(0, 300) << int(HeadphonesDevice::Left) << int(Qt::SizeHorCursor);
    QTest::newRow("right") << QPoint(w - 9, 300) << int(HeadphonesDevice::Right) << int(Qt::SizeHorCursor);
    QTest::newRow("right margin exactly") << QPoint(w - 10, 300) << int(HeadphonesDevice::None) << int(Qt::ArrowCursor);
    QTest::newRow("top") << QPoint(600, 0) << int(HeadphonesDevice::Top) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom") << QPoint(600, h - 9) << int(HeadphonesDevice::Bottom) << int(Qt::SizeVerCursor);
}

void TestMainWindow::edges()
{
    QFETCH(QPoint, point);
    QFETCH(int, edges);
    QFETCH(int, cursor);
    const auto found = HeadphonesDevice::edgesAt(point, QSize(1280, 720));
    QCOMPARE(int(found), edges);
    QCOMPARE(int(HeadphonesDevice::cursorForEdges(found)), cursor);
}

void TestMainWindow::pressOnEdgeStartsResize()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    const QPoint origin = m_window->geometry().topLeft();

    press(m_window.get(), origin + QPoint(10, 400));
    QVERIFY(!m_window->isResizing());
    QVERIFY(!m_window->isDragging());
    release(m_window.get(), origin + QPoint(10, 400));

    press(m_window.get(), origin + QPoint(9, 9));
    QVERIFY(m_window->isResizing());
    QCOMPARE(m_window->cursor().shape(), Qt::SizeFDiagCursor);
    release(m_window.get(), origin + QPoint(9, 9));
    QVERIFY(!m_window->isResizing());
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);

    // Hovering over an edge shows the edge cursor, off it the arrow.
    m_window->updateHoverCursor(QPoint(3, 300));
    QCOMPARE(m_window->cursor().shape(), Qt::SizeHorCursor);
    m_window->updateHoverCursor(QPoint(300, 300));
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
}

void TestMainWindow::resizeStopsAtMinimum_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("expectedWidth");
    QTest::addColumn<int>("expectedHeight");
    // Dragging inwards far past the minimum stops one pixel above it (inclusive edges).
    QTest::newRow("left edge to the right") << QPoint(2, 300) << QPoint(900, 300) << 1281 << 720;
    QTest::newRow("right edge to the left") << QPoint(1278, 300) << QPoint(10, 300) << 1281 << 720;
    QTest::newRow("top edge down") << QPoint(600, 2) << QPoint(600, 600) << 1280 << 721;
    QTest::newRow("bottom edge up") << QPoint(600, 718) << QPoint(600, 5) << 1280 << 721;
}

void TestMainWindow::resizeStopsAtMinimum()
{
    QFETCH(QPoint, grab);
    QFETCH(QPoint, to);
    QFETCH(int, expectedWidth);
    QFETCH(int, expectedHeight);
    m_window = makeWindow(false);
    QVERIFY(m_window);
    const QRect start = m_window->geometry();
    press(m_window.get(), start.topLeft() + grab);
    move(m_window.get(), start.topLeft() + to);
    release(m_window.get(), start.topLeft() + to);
    const QRect end = m_window->geometry();
    QCOMPARE(end.width(), expectedWidth);
    QCOMPARE(end.height(), expectedHeight);
    // The opposite edges stay where they were.
    if (grab.x() < 10)
        QCOMPARE(end.right(), start.right());
    if (grab.x() > 1270)
        QCOMPARE(end.left(), start.left());
    QCOMPARE(m_window->savedNormalGeometry(), end);
}

void TestMainWindow::resizeIsCappedAtMaximum()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    m_window->setMaximumSize(1500, 900);
    const QRect start = m_window->geometry();
    press(m_window.get(), start.topLeft() + QPoint(1279, 719));
    move(m_window.get(), start.topLeft() + QPoint(4000, 3000));
    release(m_window.get(), start.topLeft() + QPoint(4000, 3000));
    QCOMPARE(m_window->geometry(), QRect(start.topLeft(), QSize(1500, 900)));
}

void TestMainWindow::resizeStepsAreThrottled()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    // A throttle no test run can outlast: only the first move and the release apply.
    m_window->setTimings({130, 3600 * 1000});
    auto frame = std::make_unique<RecordingWindowFrame>();
    RecordingWindowFrame *frameLog = frame.get();
    m_window->setWindowFrame(std::move(frame));

    const QRect start = m_window->geometry();
    const QPoint edge = start.topLeft() + QPoint(1279, 300);
    press(m_window.get(), edge);
    move(m_window.get(), edge + QPoint(50, 0));
    QCOMPARE(m_window->geometry().width(), 1330);
    move(m_window.get(), edge + QPoint(100, 0));
    move(m_window.get(), edge + QPoint(120, 0));
    QCOMPARE(m_window->geometry().width(), 1330);
    QVERIFY(frameLog->requests.isEmpty());
    release(m_window.get(), edge + QPoint(120, 0));
    QCOMPARE(m_window->geometry().width(), 1400);
    // The rounded corners are asked for again once the resize ends.
    QCOMPARE(frameLog->requests.size(), 1);
    QCOMPARE(frameLog->requests.first(), m_window.get());
}

void TestMainWindow::dragOnlyOnTitleBarBackground()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    const QRect start = m_window->geometry();
    // A title bar button: no drag.
    auto *setting = m_window->titleBar()->findChildren<CustomizeWindowIconButton *>().first();
    const QPoint onButton = setting->mapToGlobal(QPoint(12, 12));
    press(m_window.get(), onButton);
    QVERIFY(!m_window->isDragging());
    release(m_window.get(), onButton);

    // The empty middle of the title bar: the window follows the pointer.
    const QPoint onBar = start.topLeft() + QPoint(640, 20);
    press(m_window.get(), onBar);
    QVERIFY(m_window->isDragging());
    move(m_window.get(), onBar + QPoint(30, 20));
    release(m_window.get(), onBar + QPoint(30, 20));
    QVERIFY(!m_window->isDragging());
    QCOMPARE(m_window->geometry().topLeft(), start.topLeft() + QPoint(30, 20));
    QCOMPARE(m_window->savedNormalGeometry(), m_window->geometry());
}

void TestMainWindow::maximiseThenRestore()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    auto *maxButton = m_window->titleBar()->findChildren<CustomizeWindowIconButton *>().at(2);
    QCOMPARE(maxButton->type(), CustomizeWindowIconButton::Maximize);

    // Move and resize by mouse first.
    const QRect start = m_window->geometry();
    press(m_window.get(), start.topLeft() + QPoint(640, 20));
    move(m_window.get(), start.topLeft() + QPoint(600, 40));
    release(m_window.get(), start.topLeft() + QPoint(600, 40));
    const QRect moved = m_window->geometry();
    QCOMPARE(moved.topLeft(), start.topLeft() + QPoint(-40, 20));

    m_window->toggleWindowState();
    QTRY_VERIFY(m_window->isMaximized());
    QCOMPARE(m_window->centralFrame()->property("framelessMaximized").toBool(), true);
    QVERIFY(maxButton->isMaximizedState());

    // Nothing moves or resizes the window while maximised.
    const QRect maximised = m_window->geometry();
    press(m_window.get(), maximised.topLeft() + QPoint(2, 300));
    QVERIFY(!m_window->isResizing());
    press(m_window.get(), maximised.topLeft() + QPoint(640, 20));
    QVERIFY(!m_window->isDragging());

    m_window->toggleWindowState();
    QTRY_VERIFY(!m_window->isMaximized());
    QTRY_COMPARE(m_window->geometry(), moved);
    QCOMPARE(m_window->centralFrame()->property("framelessMaximized").toBool(), false);
    QVERIFY(!maxButton->isMaximizedState());
}

void TestMainWindow::maximumSizeFromScreens_data()
{
    QTest::addColumn<QRect>("primaryVirtual");
    QTest::addColumn<QRect>("all");
    QTest::addColumn<QRect>("primary");
    QTest::addColumn<bool>("hasPrimary");
    QTest::addColumn<QSize>("area");
    QTest::newRow("two screens side by side") << QRect(0, 0, 3840, 1040) << QRect(0, 0, 3840, 1040)
                                              << QRect(0, 0, 1920, 1040) << true << QSize(3763, 1019);
    QTest::newRow("no virtual area: union") << QRect() << QRect(0, 0, 1920, 1040) << QRect(0, 0, 1920, 1040) << true
                                            << QSize(1882, 1019);
    QTest::newRow("no screen at all") << QRect() << QRect() << QRect() << false << QSize(2509, 1411);
    QTest::newRow("single screen") << QRect(0, 0, 2000, 1000) << QRect() << QRect() << true << QSize(1960, 980);
}

void TestMainWindow::maximumSizeFromScreens()
{
    QFETCH(QRect, primaryVirtual);
    QFETCH(QRect, all);
    QFETCH(QRect, primary);
    QFETCH(bool, hasPrimary);
    QFETCH(QSize, area);
    QCOMPARE(HeadphonesDevice::scaledScreenArea(primaryVirtual, all, primary, hasPrimary, 0.98), area);

    HeadphonesDevice window;
    QVERIFY(window.maximumWidth() >= 1280);
    QVERIFY(window.maximumHeight() >= 720);
    QCOMPARE(window.minimumSize(), QSize(1280, 720));
}

void TestMainWindow::closeWithoutExitGoesToTray()
{
    m_window = makeWindow(true);
    QVERIFY(m_window);
    QVERIFY(!m_window->exitOnClose());
    QVERIFY(!m_window->close());
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->trayIcon());
    QVERIFY(m_window->trayIcon()->isVisible());
    QVERIFY(!m_window->isQuitting());
    auto *menu = m_window->trayIcon()->contextMenu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("显示主窗口"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("退出"));
    QCOMPARE(m_window->trayIcon()->toolTip(), QStringLiteral("VELKORA"));

    QVERIFY(AppLanguageManager::applyLanguage("en_US"));
    QTRY_COMPARE(menu->actions().at(0)->text(), QStringLiteral("Show the main window"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Exit"));

    menu->actions().at(0)->trigger();
    QVERIFY(m_window->isVisible());
}

void TestMainWindow::trayActivation_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("shown");
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
}

void TestMainWindow::trayActivation()
{
    QFETCH(int, reason);
    QFETCH(bool, shown);
    m_window = makeWindow(true);
    QVERIFY(m_window);
    m_window->minimizeToTray();
    QVERIFY(!m_window->isVisible());
    m_window->setWindowOpacity(0.0);
    emit m_window->trayIcon()->activated(static_cast<QSystemTrayIcon::ActivationReason>(reason));
    QCOMPARE(m_window->isVisible(), shown);
    if (shown)
        QCOMPARE(m_window->windowOpacity(), 1.0);
    QVERIFY(m_window->trayIcon()->isVisible());
}

void TestMainWindow::closeWithoutTrayMinimises()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    QVERIFY(!m_window->close());
    QTRY_VERIFY(m_window->windowState() & Qt::WindowMinimized);
    QVERIFY(!m_window->trayIcon());
    m_window->raiseMainWindowFromTray();
    QTRY_VERIFY(!(m_window->windowState() & Qt::WindowMinimized));

    m_window->minimizeToTray();
    QTRY_VERIFY(m_window->windowState() & Qt::WindowMinimized);
    QVERIFY(!m_window->trayIcon());
}

void TestMainWindow::closeButtonFadesThenHides()
{
    m_window = makeWindow(true);
    QVERIFY(m_window);
    m_window->setTimings({20, 16});
    auto *close = m_window->titleBar()->findChildren<CustomizeWindowIconButton *>().last();
    QCOMPARE(close->type(), CustomizeWindowIconButton::Close);
    close->click();
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(m_window->windowOpacity(), 1.0);
    QVERIFY(m_window->trayIcon() && m_window->trayIcon()->isVisible());
    // A click while a fade runs starts no second one.
    m_window->raiseMainWindowFromTray();
    m_window->on_closeClicked();
    m_window->on_closeClicked();
    QTRY_VERIFY(!m_window->isVisible());
}

void TestMainWindow::refusedCloseAfterFadeLeavesWindowShown()
{
    QSettings().setValue("close/exitOnClose", true);
    m_window = makeWindow(true);
    QVERIFY(m_window);
    m_window->setTimings({20, 16});
    // Something else refuses the close.
    int refused = 0;
    EventFilter refuser([&refused](QObject *, QEvent *event) {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        ++refused;
        return true;
    });
    m_window->installEventFilter(&refuser);

    m_window->on_closeClicked();
    QTRY_COMPARE(refused, 1);
    // The faded-out window must not stay invisible while the program keeps running.
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowOpacity(), 1.0);
    QVERIFY(!m_window->isQuitting());
}

void TestMainWindow::closeWithExitQuits()
{
    {
        QSettings settings;
        settings.setValue("close/exitOnClose", true);
    }
    m_window = makeWindow(true);
    QVERIFY(m_window);
    QVERIFY(m_window->exitOnClose());
    QWidget other;
    other.show();

    QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
    QCOMPARE(runEventLoopUntilQuit(), 0);
    QVERIFY(m_window->isQuitting());
    QVERIFY(!m_window->isVisible());
    QVERIFY(!other.isVisible());
}

void TestMainWindow::trayQuitQuits()
{
    m_window = makeWindow(true);
    QVERIFY(m_window);
    m_window->minimizeToTray();
    auto *quit = m_window->trayIcon()->contextMenu()->actions().at(1);
    QTimer::singleShot(0, quit, &QAction::trigger);
    QCOMPARE(runEventLoopUntilQuit(), 0);
    QVERIFY(m_window->isQuitting());
    QVERIFY(!m_window->trayIcon()->isVisible());
    // Once quitting, a second request does nothing.
    m_window->quitApplicationFully();
    QVERIFY(m_window->isQuitting());
}

void TestMainWindow::quitWithTheWindowShownQuits()
{
    // Without a tray, closing minimises, but not once the program is
    // quitting: a window that refused its close would keep the program running.
    m_window = makeWindow(false);
    QVERIFY(m_window);
    QVERIFY(!m_window->exitOnClose());
    QTimer::singleShot(0, m_window.get(), [this] { m_window->quitApplicationFully(); });
    QCOMPARE(runEventLoopUntilQuit(), 0);
    QVERIFY(m_window->isQuitting());
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::raiseRestoresMinimisedAndFaded()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    m_window->showMinimized();
    QTRY_VERIFY(m_window->windowState() & Qt::WindowMinimized);
    m_window->setWindowOpacity(0.3);
    m_window->raiseMainWindowFromTray();
    QTRY_VERIFY(!(m_window->windowState() & Qt::WindowMinimized));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowOpacity(), 1.0);
}

void TestMainWindow::settingsPageAndReturn()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    CustomTitleBar *bar = m_window->titleBar();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::BootPage));
    QCOMPARE(m_window->pageStack()->currentWidget(), m_window->bootScreen());
    QVERIFY(!bar->isReturnMode());

    emit bar->settingClicked();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::SettingsPage));
    QVERIFY(m_window->pageStack()->isVisible());
    QCOMPARE(m_window->pageStack()->currentWidget(), m_window->settingsPage());
    QVERIFY(bar->isReturnMode());
    QVERIFY(!bar->findChild<QPushButton *>("loginButton")->isVisible());

    emit bar->returnClicked();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::BootPage));
    QVERIFY(!bar->isReturnMode());
    QVERIFY(bar->findChild<QPushButton *>("loginButton")->isVisible());
    QCOMPARE(m_window->pageStack()->currentWidget(), m_window->bootScreen());
}

void TestMainWindow::settingsChangesAreApplied()
{
    QSettings().setValue("ui/locale", "zh_CN");
    m_window = makeWindow(false);
    QVERIFY(m_window);
    emit m_window->titleBar()->settingClicked();
    CustomSettingsForm *page = m_window->settingsPage();
    WindowTest::ToastRecorder toasts;

    page->findChild<CustomRadioButtons *>("exitOnCloseOption")->click();
    QVERIFY(m_window->exitOnClose());
    QCOMPARE(QSettings().value("close/exitOnClose").toBool(), true);

    page->findChild<QComboBox *>("languageCombo")->setCurrentIndex(1);
    QCOMPARE(QSettings().value("ui/locale").toString(), QStringLiteral("en_US"));
    // The cloud API speaks the same language from now on.
    QCOMPARE(EarphoneApi::ApiFactory::instance()->language(), QStringLiteral("en"));
    QCOMPARE(QSettings().value("api/language").toString(), QStringLiteral("en"));
    QCOMPARE(m_window->titleBar()->findChild<QLabel *>("returnTitle")->text(), QStringLiteral("Settings"));
    QTRY_COMPARE(m_window->titleBar()->loginText(), QStringLiteral("Log In"));
    // A store that takes the changes has nothing to say.
    QVERIFY(toasts.texts.isEmpty());
}

namespace {
enum class Change { Language, ExitOnClose, AutoStartOn, AutoStartOffWithStartMinimized, HeadsetColour };
}
Q_DECLARE_METATYPE(Change)

void TestMainWindow::unsavedChangeHoldsAndSaysSo_data()
{
    const QString chinese = QStringLiteral("设置文件无法写入，本次更改在重启后将失效");
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("message");
    // In the language just chosen.
    QTest::newRow("language") << Change::Language
                              << QStringLiteral("The settings file cannot be written; this change will be lost at the next start");
    QTest::newRow("exit on close") << Change::ExitOnClose << chinese;
    QTest::newRow("launch at log-in") << Change::AutoStartOn << chinese;
    // Two writes (launch at log-in, then start minimised), one message.
    QTest::newRow("launch at log-in off") << Change::AutoStartOffWithStartMinimized << chinese;
    QTest::newRow("headset colour") << Change::HeadsetColour << chinese;
}

void TestMainWindow::unsavedChangeHoldsAndSaysSo()
{
    QFETCH(Change, change);
    QFETCH(QString, message);
    {
        QSettings settings;
        settings.setValue("ui/locale", "zh_CN");
        const bool autoRun = change == Change::AutoStartOffWithStartMinimized;
        settings.setValue("startup/autoRunEnabled", autoRun);
        settings.setValue("startup/startMinimized", autoRun);
    }
    m_window = makeWindow(false);
    QVERIFY(m_window);
    CustomSettingsForm *page = m_window->settingsPage();
    if (change == Change::HeadsetColour)
        m_window->showPage(HeadphonesDevice::ConnectionPage);
    else
        emit m_window->titleBar()->settingClicked();

    ReadOnlySettingsFile readOnly;
    QVERIFY2(readOnly.isValid(), qPrintable(readOnly.path()));
    const QByteArray stored = readOnly.contents();
    WindowTest::ToastRecorder toasts;
    switch (change) {
    case Change::Language:
        page->findChild<QComboBox *>("languageCombo")->setCurrentIndex(1);
        QCOMPARE(m_window->titleBar()->findChild<QLabel *>("returnTitle")->text(), QStringLiteral("Settings"));
        break;
    case Change::ExitOnClose:
        page->findChild<CustomRadioButtons *>("exitOnCloseOption")->click();
        QVERIFY(m_window->exitOnClose());
        break;
    case Change::AutoStartOn:
    case Change::AutoStartOffWithStartMinimized:
        page->findChild<CustomRadioButtons *>("autoStartOption")->click();
        break;
    case Change::HeadsetColour: {
        auto *colours = m_window->connectionPage()->findChild<ColorSelector *>("colorSelector");
        const QString before = m_window->connectionPage()->themeImage();
        QTest::mouseClick(colours->dots().constLast(), Qt::LeftButton);
        QVERIFY(m_window->connectionPage()->themeImage() != before);
        break;
    }
    }
    QTRY_COMPARE(toasts.texts, QStringList{message});
    QCOMPARE(readOnly.contents(), stored);
}

namespace {
enum class Setting { Language, ApiLanguage, AutoStart, StartMinimized, ExitOnClose, EqSelection };
}
Q_DECLARE_METATYPE(Setting)

void TestMainWindow::changeHoldsForTheSessionInEveryStore_data()
{
    QTest::addColumn<SettingsStoreKind>("store");
    QTest::addColumn<Setting>("setting");
    const std::pair<Setting, const char *> settings[] = {
        {Setting::Language, "language"},        {Setting::ApiLanguage, "api language"},
        {Setting::AutoStart, "launch at log-in"}, {Setting::StartMinimized, "start minimised"},
        {Setting::ExitOnClose, "exit on close"}, {Setting::EqSelection, "eq selection"},
    };
    for (const auto &[store, storeName] : settingsStoreKinds()) {
        for (const auto &[setting, settingName] : settings)
            QTest::addRow("%s, %s", settingName, storeName) << store << setting;
    }
}

// Every setting the user changes reads back as changed for the rest of the
// session, however the store takes it, and a refusal is told once.
void TestMainWindow::changeHoldsForTheSessionInEveryStore()
{
    QFETCH(SettingsStoreKind, store);
    QFETCH(Setting, setting);
    {
        // Nothing the change could be read back from: the language is the system's.
        QSettings settings;
        settings.setValue("Device/pid", "1");
    }
    // The other language than the one the window starts in; for the API's
    // copy English, since the factory starts in Chinese with nothing stored.
    const QString chosenLanguage = setting == Setting::ApiLanguage ||
                                           AppLanguageManager::systemDefaultLanguageCode() != QLatin1String("en_US")
                                       ? QStringLiteral("en_US")
                                       : QStringLiteral("zh_CN");
    m_window = makeWindow(false);
    QVERIFY(m_window);
    emit m_window->titleBar()->settingClicked();
    CustomSettingsForm *page = m_window->settingsPage();
    auto option = [page](const char *name) { return page->findChild<CustomRadioButtons *>(name); };
    QComboBox *languages = page->findChild<QComboBox *>("languageCombo");
    const int chosenIndex = chosenLanguage == QLatin1String("en_US") ? 1 : 0;

    const std::unique_ptr<ReadOnlySettingsFile> locked = lockSettingsStore(store);
    if (locked)
        QVERIFY2(locked->isValid(), qPrintable(locked->path()));
    const QByteArray stored = locked ? locked->contents() : QByteArray();
    // A change of its own before the one under test, whose message is gone a
    // while ago when that one comes.
    auto changeBefore = [this](const std::function<void()> &change) {
        PageToast *toast = m_window->contentBar()->cloudSharingPage()->toast();
        const auto now = std::make_shared<qint64>(1000);
        toast->setClock([now] { return *now; });
        change();
        QCoreApplication::processEvents();
        if (toast->frame())
            toast->frame()->hide();
        *now += 60000;
    };
    // Start minimised is offered only with launch at log-in.
    if (setting == Setting::StartMinimized)
        changeBefore([&] { option("autoStartOption")->click(); });
    if (languages->currentIndex() == chosenIndex)
        changeBefore([&] { languages->setCurrentIndex(1 - chosenIndex); });
    WindowTest::ToastRecorder toasts;
    switch (setting) {
    case Setting::Language:
    case Setting::ApiLanguage:
        languages->setCurrentIndex(chosenIndex);
        break;
    case Setting::AutoStart: option("autoStartOption")->click(); break;
    case Setting::StartMinimized: option("minimizeOnStartOption")->click(); break;
    case Setting::ExitOnClose: option("exitOnCloseOption")->click(); break;
    case Setting::EqSelection:
        m_window->contentBar()->activeProfileCoordinator()->setActiveSelection(
            EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("pop"));
        break;
    }

    // A second reader of the same session.
    switch (setting) {
    case Setting::Language: QCOMPARE(AppLanguageManager::currentLanguageCode(), chosenLanguage); break;
    case Setting::ApiLanguage: {
        // The factory reads the store once, when it is made.
        delete EarphoneApi::ApiFactory::existingInstance();
        QCOMPARE(EarphoneApi::ApiFactory::instance(qApp)->language(),
                 AppLanguageManager::apiLanguageCode(chosenLanguage));
        break;
    }
    case Setting::AutoStart:
    case Setting::StartMinimized:
    case Setting::ExitOnClose: {
        const CustomSettingsForm again(nullptr);
        QVERIFY(again.isAutoStartChecked() == (setting != Setting::ExitOnClose));
        QCOMPARE(again.isMinimizeOnStartChecked(), setting == Setting::StartMinimized);
        QCOMPARE(again.isExitOnCloseChecked(), setting == Setting::ExitOnClose);
        break;
    }
    case Setting::EqSelection: {
        const EQActiveProfileCoordinator again;
        QCOMPARE(again.activeSource(), EQActiveProfileCoordinator::OfficialBasic);
        QCOMPARE(again.activeId(), QStringLiteral("pop"));
        break;
    }
    }

    const QStringList notSaved{QStringLiteral("设置文件无法写入，本次更改在重启后将失效"),
                               QStringLiteral("The settings file cannot be written; this change will be lost at the "
                                              "next start")};
    if (locked)
        QTRY_COMPARE(toasts.texts.size(), 1);
    // The reads above and the turns of the event loop after them say nothing more.
    QCoreApplication::processEvents();
    QCOMPARE(toasts.texts.size(), locked ? 1 : 0);
    if (locked) {
        QVERIFY2(notSaved.contains(toasts.texts.constFirst()), qPrintable(toasts.texts.constFirst()));
        QCOMPARE(locked->contents(), stored);
        QCOMPARE(locked->fileExists(), store == SettingsStoreKind::ReadOnlyFile);
    }
}

void TestMainWindow::dialogRunsOverBlur()
{
    m_window = makeWindow(false);
    QVERIFY(m_window);
    QDialog dialog(m_window.get());
    bool covered = false;
    bool nestedCovered = false;
    QTimer::singleShot(0, &dialog, [&] {
        covered = WindowBlurBackdrop::of(m_window.get()) != nullptr;
        // A dialog of the dialog blurs nothing twice.
        QDialog inner(m_window.get());
        QTimer::singleShot(0, &inner, [&] {
            nestedCovered = m_window->findChildren<WindowBlurBackdrop *>().size() == 1;
            inner.reject();
        });
        m_window->execDialogWithBlur(m_window.get(), &inner);
        nestedCovered = nestedCovered && WindowBlurBackdrop::of(m_window.get());
        dialog.accept();
    });
    QCOMPARE(m_window->execDialogWithBlur(m_window.get(), &dialog), int(QDialog::Accepted));
    QVERIFY(covered);
    QVERIFY(nestedCovered);
    QVERIFY(!WindowBlurBackdrop::of(m_window.get()));
    QVERIFY(!m_window->graphicsEffect());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
