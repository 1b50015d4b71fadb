// The device page's content area: its pages and their order, the active-EQ
// coordinator handed to the EQ pages, page switches that close the EQ pop-ups,
// forwarded connection mode and endpoint refresh, and the top toasts.
#include "devicepages/AudioConfigurationContent.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eq/EQShareToCloudDialog.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "eq/PageToast.h"
#include "platform/audioendpoint/InMemoryAudioEndpointSystem.h"
#include "tests/devicepages/DevicePagesTestSupport.h"

#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>

class TestEquipmentContentsBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pagesStandInTheirPlaces();
    void coordinatorReachesTheEqPages();
    void pageSwitchesCloseTheEqPopups_data();
    void pageSwitchesCloseTheEqPopups();
    void connectionModeReachesEverySoundTest();
    void endpointRefreshReachesTheAudioPage();
    void toastsGoToTheCloudPage_data();
    void toastsGoToTheCloudPage();
    void renameRefusalShowsAFailureToast();

private:
    std::unique_ptr<DevicePagesTestSupport::TestEnvironment> m_environment;
    std::shared_ptr<Platform::InMemoryAudioEndpointSystem> m_audio;
    int m_controllersMade = 0;
    std::unique_ptr<QWidget> m_window;
    EquipmentContentsBar *m_bar = nullptr;
};

void TestEquipmentContentsBar::initTestCase()
{
    m_environment = std::make_unique<DevicePagesTestSupport::TestEnvironment>();
    QVERIFY(m_environment->isValid());
}

void TestEquipmentContentsBar::init()
{
    m_audio = std::make_shared<Platform::InMemoryAudioEndpointSystem>();
    m_controllersMade = 0;
    Platform::IAudioEndpointSystem::setFactory([this] {
        ++m_controllersMade;
        return m_audio;
    });
    m_window = std::make_unique<QWidget>();
    m_window->resize(1280, 720);
    m_bar = new EquipmentContentsBar(m_window.get());
    m_bar->setGeometry(200, 0, 1080, 720);
}

void TestEquipmentContentsBar::cleanup()
{
    m_window.reset();
    m_bar = nullptr;
    Platform::IAudioEndpointSystem::setFactory({});
    m_audio.reset();
}

void TestEquipmentContentsBar::pagesStandInTheirPlaces()
{
    QStackedWidget *content = m_bar->contentStack();
    QStackedWidget *eq = m_bar->eqStack();
    QCOMPARE(content->count(), 4);
    QCOMPARE(content->widget(EquipmentContentsBar::AudioPage), m_bar->audioPage());
    QCOMPARE(content->widget(EquipmentContentsBar::EqPage), eq);
    QCOMPARE(content->widget(EquipmentContentsBar::SurroundPage)->objectName(), QStringLiteral("surroundPlaceholder"));
    QCOMPARE(content->widget(EquipmentContentsBar::MoreSettingsPage), m_bar->moreSettingsPage());
    QCOMPARE(eq->count(), 3);
    QCOMPARE(eq->widget(EquipmentContentsBar::OfficialPresetPage), m_bar->officialPresetPage());
    QCOMPARE(eq->widget(EquipmentContentsBar::CloudSharingPage), m_bar->cloudSharingPage());
    QCOMPARE(eq->widget(EquipmentContentsBar::CustomPage), m_bar->customPage());
    QCOMPARE(m_bar->activeProfileCoordinator()->parent(), m_bar);
    QCOMPARE(m_bar->currentPage(), 0);
    QCOMPARE(m_bar->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(m_bar->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

    m_bar->setCurrentPage(EquipmentContentsBar::MoreSettingsPage);
    QCOMPARE(m_bar->currentPage(), 3);
}

void TestEquipmentContentsBar::coordinatorReachesTheEqPages()
{
    EQActiveProfileCoordinator *coordinator = m_bar->activeProfileCoordinator();
    coordinator->setActiveSelection(EQActiveProfileCoordinator::CloudDownload, QStringLiteral("77"));
    QCOMPARE(m_bar->cloudSharingPage()->appliedId(), QStringLiteral("77"));
    coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("4"));
    QCOMPARE(m_bar->customPage()->selectedIndex(), 4);
    QCOMPARE(m_bar->cloudSharingPage()->appliedId(), QString());
}

void TestEquipmentContentsBar::pageSwitchesCloseTheEqPopups_data()
{
    QTest::addColumn<bool>("eqSwitch");
    QTest::addColumn<int>("index");
    QTest::newRow("more settings") << false << int(EquipmentContentsBar::MoreSettingsPage);
    QTest::newRow("audio") << false << int(EquipmentContentsBar::AudioPage);
    QTest::newRow("custom EQ") << true << int(EquipmentContentsBar::CustomPage);
    QTest::newRow("official presets") << true << int(EquipmentContentsBar::OfficialPresetPage);
}

void TestEquipmentContentsBar::pageSwitchesCloseTheEqPopups()
{
    QFETCH(bool, eqSwitch);
    QFETCH(int, index);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_bar->setCurrentPage(EquipmentContentsBar::EqPage);
    m_bar->setCurrentEqPage(EquipmentContentsBar::CloudSharingPage);

    QDialog *preview = m_bar->cloudSharingPage()->previewDialog();
    QDialog *share = m_bar->customPage()->shareDialog();
    preview->show();
    share->show();
    QVERIFY(preview->isVisible() && share->isVisible());

    if (eqSwitch) {
        m_bar->setCurrentEqPage(index);
        QCOMPARE(m_bar->eqStack()->currentIndex(), index);
    } else {
        m_bar->setCurrentPage(index);
        QCOMPARE(m_bar->currentPage(), index);
    }
    QVERIFY(!preview->isVisible());
    QVERIFY(!share->isVisible());
}

void TestEquipmentContentsBar::connectionModeReachesEverySoundTest()
{
    m_bar->setConnectionMode(false, true, QStringLiteral("VELKORA V7"));
    const QList<EQSoundEffectTestWidget *> tests{
        m_bar->officialPresetPage()->soundTest(), m_bar->customPage()->soundTest(),
        m_bar->cloudSharingPage()->findChild<EQSoundEffectTestWidget *>()};
    for (EQSoundEffectTestWidget *test : tests) {
        QVERIFY(test);
        QVERIFY(!test->isWired());
        QVERIFY(test->isWireless());
        QCOMPARE(test->wirelessDeviceName(), QStringLiteral("VELKORA V7"));
    }
    // The audio page makes its endpoint controller to follow the headset.
    QCOMPARE(m_controllersMade, 1);

    m_bar->setConnectionMode(true, false, QString());
    for (EQSoundEffectTestWidget *test : tests)
        QVERIFY(test->isWired() && !test->isWireless());
}

void TestEquipmentContentsBar::endpointRefreshReachesTheAudioPage()
{
    QCOMPARE(m_controllersMade, 0);
    m_bar->refreshAudioEndpoints();
    QCOMPARE(m_controllersMade, 1);
}

void TestEquipmentContentsBar::toastsGoToTheCloudPage_data()
{
    QTest::addColumn<int>("kind"); // 0 info, 1 failure, 2 success
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown"); // empty: nothing at all
    QTest::addColumn<int>("toastKind");
    QTest::newRow("info") << 0 << QStringLiteral("  已保存 ") << QStringLiteral("已保存") << int(PageToast::Info);
    QTest::newRow("failure") << 1 << QStringLiteral("发送失败") << QStringLiteral("发送失败")
                             << int(PageToast::Failure);
    QTest::newRow("success") << 2 << QStringLiteral("已应用") << QStringLiteral("已应用")
                             << int(PageToast::Success);
    QTest::newRow("blank info") << 0 << QStringLiteral("   ") << QString() << 0;
    QTest::newRow("empty failure") << 1 << QString() << QString() << 0;
}

void TestEquipmentContentsBar::toastsGoToTheCloudPage()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QFETCH(int, toastKind);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_bar->setCurrentPage(EquipmentContentsBar::MoreSettingsPage); // the cloud page is not on screen
    switch (kind) {
    case 0:
        m_bar->showTopToastInfo(message, 1500);
        break;
    case 1:
        m_bar->showTopToastFail(message, 1500);
        break;
    default:
        m_bar->showTopToast(message, 1500);
        break;
    }
    PageToast *toast = m_bar->cloudSharingPage()->toast();
    QVERIFY(!QToolTip::isVisible());
    if (shown.isEmpty()) {
        QVERIFY(!toast->isShowing());
        return;
    }
    QVERIFY(toast->isShowing());
    QCOMPARE(toast->text(), shown);
    QCOMPARE(toast->kind(), toastKind);
    QCOMPARE(toast->findChild<QTimer *>()->interval(), 1500);
}

void TestEquipmentContentsBar::renameRefusalShowsAFailureToast()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    emit m_bar->moreSettingsPage()->settingsTopToastFailRequested(QStringLiteral("名称长度需小于32字节"));
    PageToast *toast = m_bar->cloudSharingPage()->toast();
    QVERIFY(toast->isShowing());
    QCOMPARE(toast->text(), QStringLiteral("名称长度需小于32字节"));
    QCOMPARE(toast->kind(), int(PageToast::Failure));
    QCOMPARE(toast->findChild<QTimer *>()->interval(), 1000);
}

QTEST_MAIN(TestEquipmentContentsBar)
#include "tst_equipmentcontentsbar.moc"
