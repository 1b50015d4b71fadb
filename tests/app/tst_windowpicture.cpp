// What the main window shows, read from the screen's pixels: the 1 px frame
// on every page, and the blurred copy of the window behind the login window,
// also in the middle of the boot screen's cross-fade.
#include "account/CustomLoginWindow.h"
#include "app/HeadphonesDevice.h"
#include "devicepages/BootIntroIndicatorPill.h"
#include "devicepages/CustomBootScreen.h"
#include "devicepages/EquipmentContentsBar.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/testenv/PictureDiff.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QVariantAnimation>

#include <memory>

namespace {

const QColor kFrame(0x55, 0x55, 0x55);
const QColor kWindowColour(0x22, 0x22, 0x22);

QImage onScreen(QWidget &window)
{
    return window.screen()->grabWindow(window.winId()).toImage();
}

// The points of the window's outermost ring, clear of the rounded corners,
// that do not show the frame's colour, with what they show.
QStringList offFrame(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    QList<QPoint> ring;
    for (int x : {10, 100, 300, w / 2, w - 101, w - 11})
        ring << QPoint(x, 0) << QPoint(x, h - 1);
    for (int y : {10, 100, h / 2, h - 101, h - 11})
        ring << QPoint(0, y) << QPoint(w - 1, y);
    QStringList off;
    for (const QPoint &p : ring) {
        if (image.pixelColor(p) != kFrame)
            off << QStringLiteral("(%1,%2) %3").arg(p.x()).arg(p.y()).arg(image.pixelColor(p).name());
    }
    return off;
}

} // namespace

class TestWindowPicture : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void frameOnEveryPage_data();
    void frameOnEveryPage();
    void maximisedWindowHasNoFrame();
    void loginBackdropIsTheWindowBlurred();

private:
    // Where the screen differs from the window's own content, blurred.
    QRect offBackdrop();
    // Where the screen does not show the window as it renders now.
    QRect unsettled();

    TestEnvironment m_env;
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
};

void TestWindowPicture::init()
{
    m_env.clearSettings();
    m_window = std::make_unique<HeadphonesDevice>();
    WindowTest::isolateUpdater(*m_window, m_launcher);
    QVERIFY(WindowTest::showWindow(*m_window, false));
}

void TestWindowPicture::cleanup()
{
    m_window.reset();
}

void TestWindowPicture::frameOnEveryPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("content");
    QTest::addColumn<int>("eqPage");
    const int none = -1;
    QTest::newRow("boot") << int(HeadphonesDevice::BootPage) << none << none;
    QTest::newRow("connection") << int(HeadphonesDevice::ConnectionPage) << none << none;
    QTest::newRow("settings") << int(HeadphonesDevice::SettingsPage) << none << none;
    QTest::newRow("profile") << int(HeadphonesDevice::ProfilePage) << none << none;
    const int device = HeadphonesDevice::DevicePage;
    QTest::newRow("audio") << device << int(EquipmentContentsBar::AudioPage) << none;
    QTest::newRow("official presets") << device << int(EquipmentContentsBar::EqPage)
                                      << int(EquipmentContentsBar::OfficialPresetPage);
    QTest::newRow("cloud sharing") << device << int(EquipmentContentsBar::EqPage)
                                   << int(EquipmentContentsBar::CloudSharingPage);
    QTest::newRow("custom EQ") << device << int(EquipmentContentsBar::EqPage) << int(EquipmentContentsBar::CustomPage);
    QTest::newRow("more settings") << device << int(EquipmentContentsBar::MoreSettingsPage) << none;
}

void TestWindowPicture::frameOnEveryPage()
{
    QFETCH(int, page);
    QFETCH(int, content);
    QFETCH(int, eqPage);
    m_window->showPage(page);
    if (content >= 0)
        m_window->contentBar()->setCurrentPage(content);
    if (eqPage >= 0)
        m_window->contentBar()->setCurrentEqPage(eqPage);
    QTRY_COMPARE(unsettled(), QRect());
    const QImage shown = onScreen(*m_window);
    QCOMPARE(offFrame(shown), QStringList());
    // Outside the frame's rounded corners the window's own background, never
    // undefined bytes of the backing store (which a blurred copy would smear).
    const int right = shown.width() - 1;
    const int bottom = shown.height() - 1;
    for (const QPoint &corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
        QCOMPARE(shown.pixelColor(corner), kWindowColour);
    if (page == HeadphonesDevice::DevicePage) {
        // The line between the sidebar and the content, too.
        EquipmentContentsBar *bar = m_window->contentBar();
        QCOMPARE(shown.pixelColor(bar->mapTo(m_window.get(), QPoint(0, bar->height() / 2))), kFrame);
        // One line at the edges, not the content's own border inside the frame's.
        QVERIFY(shown.pixelColor(shown.width() - 2, shown.height() / 2) != kFrame);
        QVERIFY(shown.pixelColor(shown.width() / 2, shown.height() - 2) != kFrame);
    }
}

void TestWindowPicture::maximisedWindowHasNoFrame()
{
    // A page with an opaque background of its own: maximised, it reaches the edges.
    m_window->showPage(HeadphonesDevice::DevicePage);
    m_window->contentBar()->setCurrentPage(EquipmentContentsBar::MoreSettingsPage);
    m_window->toggleWindowState();
    QTRY_VERIFY(m_window->isMaximized());
    QTRY_COMPARE(unsettled(), QRect());
    const QImage maximised = onScreen(*m_window);
    const QColor page(0x1C, 0x1C, 0x1E);
    // Below the cards, whatever size the screen lets the window take.
    QCOMPARE(maximised.pixelColor(maximised.width() - 1, maximised.height() - 10), page);
    QCOMPARE(maximised.pixelColor(maximised.width() / 2, maximised.height() - 1), page);

    m_window->toggleWindowState();
    QTRY_VERIFY(!m_window->isMaximized());
    QTRY_COMPARE(unsettled(), QRect());
    QCOMPARE(offFrame(onScreen(*m_window)), QStringList());
}

QRect TestWindowPicture::unsettled()
{
    // The screen shows what the window renders once its repaints are through.
    // Antialiased corners may come out a shade apart.
    return differingArea(onScreen(*m_window), m_window->grab().toImage(), 2);
}

QRect TestWindowPicture::offBackdrop()
{
    const QImage shown = onScreen(*m_window);
    WindowBlurBackdrop *backdrop = WindowBlurBackdrop::of(m_window.get());
    if (!backdrop)
        return m_window->rect();
    backdrop->hide();
    const QImage content = m_window->grab().toImage();
    backdrop->show();
    return differingArea(shown, WindowBlurBackdrop::blurred(content, WindowBlurBackdrop::kRadius, kWindowColour),
                         WindowBlurBackdrop::kReducedDeviation);
}

void TestWindowPicture::loginBackdropIsTheWindowBlurred()
{
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::BootPage));
    CustomBootScreen *boot = m_window->bootScreen();
    bool checked = false;
    auto handled = WindowTest::whenModal<CustomLoginWindow>([&](CustomLoginWindow *login) {
        const auto close = qScopeGuard([login] { login->reject(); });
        // Only the pill below moves the pictures from here on.
        boot->findChild<QTimer *>(QStringLiteral("bootIntroRotateTimer"))->stop();
        // The picture at rest, fully shown through its own effect.
        QTRY_COMPARE(offBackdrop(), QRect());

        // The other picture fades in: held at points of the fade, the copy is the window then.
        auto *pill = boot->findChild<BootIntroIndicatorPill *>(QStringLiteral("bootIntroPill1"));
        const QPoint centre = pill->rect().center();
        QMouseEvent release(QEvent::MouseButtonRelease, centre, pill->mapToGlobal(centre), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pill, &release); // past the login window's modality
        const QPointer<QVariantAnimation> fade = boot->findChild<QVariantAnimation *>(QStringLiteral("bootIntroFade"));
        QVERIFY(fade);
        fade->pause();
        for (int ms : {100, 400, 700}) {
            QVERIFY(fade);
            fade->setCurrentTime(ms);
            QTRY_COMPARE(offBackdrop(), QRect());
        }
        fade->resume();
        QTRY_VERIFY(!fade);
        QCOMPARE(boot->currentSlide(), 1);
        QTRY_COMPARE(offBackdrop(), QRect());
        checked = true;
    });
    m_window->on_loginClicked();
    QVERIFY(*handled);
    QVERIFY(checked);
    QVERIFY(!WindowBlurBackdrop::of(m_window.get()));
}

QTEST_MAIN(TestWindowPicture)
#include "tst_windowpicture.moc"
