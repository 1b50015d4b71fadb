// The boot screen: the two introduction pictures cross-fade in turn, the
// pills select them, and hiding the screen leaves one picture fully shown.
#include "language/AppLanguageManager.h"
#include "devicepages/BootIntroIndicatorPill.h"
#include "devicepages/CustomBootScreen.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVariantAnimation>

#include <memory>

namespace {

// Long enough that nothing moves unless the test drives it.
BootScreenDurations stillDurations()
{
    BootScreenDurations durations;
    durations.rotateIntervalMs = 600000;
    durations.fadeMs = 800;
    return durations;
}

} // namespace

class TestCustomBootScreen : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void startsOnTheFirstPicture();
    void showingStartsTheRotation();
    void rotationAlternatesThePictures();
    void pillCrossFadesFromTheCurrentOpacities();
    void pillOfTheShownPictureOnlyRestartsTheInterval();
    void hidingMidFadeLeavesOnePictureShown();
    void showingAgainRotatesFromTheCurrentPicture();
    void languageChangeRetranslates();

private:
    void make(const BootScreenDurations &durations);
    void showScreen();
    qreal opacity(int slide) const;
    QVariantAnimation *fade() const;
    QTimer *rotateTimer() const { return m_screen->findChild<QTimer *>("bootIntroRotateTimer"); }
    BootIntroIndicatorPill *pill(int index) const
    {
        return m_screen->findChild<BootIntroIndicatorPill *>(QStringLiteral("bootIntroPill%1").arg(index));
    }

    std::unique_ptr<CustomBootScreen> m_screen;
};

void TestCustomBootScreen::cleanup()
{
    m_screen.reset();
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

void TestCustomBootScreen::make(const BootScreenDurations &durations)
{
    m_screen = std::make_unique<CustomBootScreen>(nullptr, durations);
    m_screen->resize(1080, 672);
}

void TestCustomBootScreen::showScreen()
{
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
}

qreal TestCustomBootScreen::opacity(int slide) const
{
    auto *label = m_screen->findChild<QLabel *>(QStringLiteral("bootIntroSlide%1").arg(slide));
    return qobject_cast<QGraphicsOpacityEffect *>(label->graphicsEffect())->opacity();
}

QVariantAnimation *TestCustomBootScreen::fade() const
{
    return m_screen->findChild<QVariantAnimation *>("bootIntroFade");
}

void TestCustomBootScreen::startsOnTheFirstPicture()
{
    make(BootScreenDurations{});
    QCOMPARE(m_screen->currentSlide(), 0);
    QCOMPARE(opacity(0), 1.0);
    QCOMPARE(opacity(1), 0.0);
    QVERIFY(pill(0)->isActive());
    QVERIFY(!pill(1)->isActive());
    QCOMPARE(pill(0)->size(), QSize(32, 8));
    for (int slide = 0; slide < 2; ++slide) {
        auto *label = m_screen->findChild<QLabel *>(QStringLiteral("bootIntroSlide%1").arg(slide));
        QVERIFY(!label->pixmap().isNull());
        QVERIFY(label->pixmap().width() <= 642 && label->pixmap().height() <= 289);
    }
    QVERIFY(!rotateTimer()); // made on first show
}

void TestCustomBootScreen::showingStartsTheRotation()
{
    make(BootScreenDurations{});
    showScreen();
    QVERIFY(rotateTimer());
    QVERIFY(rotateTimer()->isActive());
    QCOMPARE(rotateTimer()->interval(), 4000);
}

void TestCustomBootScreen::rotationAlternatesThePictures()
{
    BootScreenDurations quick;
    quick.rotateIntervalMs = 10;
    quick.fadeMs = 1;
    make(quick);
    showScreen();
    QTRY_COMPARE_WITH_TIMEOUT(m_screen->currentSlide(), 1, 5000);
    QVERIFY(pill(1)->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(m_screen->currentSlide(), 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(opacity(0), 1.0, 5000);
}

void TestCustomBootScreen::pillCrossFadesFromTheCurrentOpacities()
{
    make(stillDurations());
    showScreen();
    QTest::mouseClick(pill(1), Qt::LeftButton);
    QCOMPARE(m_screen->currentSlide(), 1);
    QVERIFY(pill(1)->isActive());
    QVERIFY(!pill(0)->isActive());
    // A guarded pointer: the allocator may hand the next fade the same address.
    QPointer<QVariantAnimation> first = fade();
    QVERIFY(first);
    QCOMPARE(first->duration(), 800);
    QCOMPARE(first->easingCurve().type(), QEasingCurve::InOutCubic);

    first->setCurrentTime(400); // half way: in-out cubic is at 0.5
    QCOMPARE(opacity(0), 0.5);
    QCOMPARE(opacity(1), 0.5);

    // Back to the first picture in mid-fade: the new fade starts where the old one stood.
    QTest::mouseClick(pill(0), Qt::LeftButton);
    QVERIFY(first.isNull());
    QVariantAnimation *second = fade();
    QVERIFY(second);
    QCOMPARE(m_screen->findChildren<QVariantAnimation *>().size(), 1);
    QCOMPARE(opacity(0), 0.5);
    second->setCurrentTime(800);
    QCOMPARE(opacity(0), 1.0);
    QCOMPARE(opacity(1), 0.0);
    QTRY_VERIFY_WITH_TIMEOUT(!fade(), 5000); // deleted once finished
}

void TestCustomBootScreen::pillOfTheShownPictureOnlyRestartsTheInterval()
{
    make(BootScreenDurations{});
    showScreen();
    rotateTimer()->start(500000); // far from a fresh interval
    QTest::mouseClick(pill(0), Qt::LeftButton);
    QCOMPARE(m_screen->currentSlide(), 0);
    QVERIFY(!fade());
    QCOMPARE(opacity(0), 1.0);
    QCOMPARE(rotateTimer()->interval(), 4000);
    QVERIFY(rotateTimer()->remainingTime() < 10000); // coarse timers may add a little
}

void TestCustomBootScreen::hidingMidFadeLeavesOnePictureShown()
{
    make(stillDurations());
    showScreen();
    QTest::mouseClick(pill(1), Qt::LeftButton);
    fade()->setCurrentTime(300);
    QVERIFY(opacity(1) > 0.0 && opacity(1) < 1.0);
    m_screen->hide();
    QVERIFY(!fade());
    QCOMPARE(opacity(0), 0.0);
    QCOMPARE(opacity(1), 1.0);
    QVERIFY(!rotateTimer()->isActive());
}

void TestCustomBootScreen::showingAgainRotatesFromTheCurrentPicture()
{
    BootScreenDurations quick = stillDurations();
    quick.fadeMs = 1;
    make(quick);
    showScreen();
    QTest::mouseClick(pill(1), Qt::LeftButton);
    m_screen->hide();
    showScreen();
    QCOMPARE(m_screen->currentSlide(), 1);
    QVERIFY(rotateTimer()->isActive());
    QCOMPARE(rotateTimer()->interval(), 600000);
    QCOMPARE(opacity(1), 1.0);
}

void TestCustomBootScreen::languageChangeRetranslates()
{
    make(BootScreenDurations{});
    auto *title = m_screen->findChild<QLabel *>("titleLabel");
    auto *desc = m_screen->findChild<QLabel *>("descLabel");
    QCOMPARE(title->text(), QStringLiteral("请连接昙翎设备"));
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QCoreApplication::processEvents();
    QCOMPARE(title->text(), QStringLiteral("Please connect your VELKORA device"));
    QCOMPARE(desc->text(), QStringLiteral("The driver does not support Bluetooth. Please connect via the 2.4G "
                                          "receiver or USB DAC. (Note: Headphones only support connection via "
                                          "the 2.4G receiver.)"));
}

QTEST_MAIN(TestCustomBootScreen)
#include "tst_custombootscreen.moc"
