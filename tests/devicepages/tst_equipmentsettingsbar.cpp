// The device page's sidebar: one selected entry after every click, the EQ
// entry's expansion and sub entries, the more-settings entry's red dot and
// hiding, and the device header with its status and battery.
#include "language/AppLanguageManager.h"
#include "devicepages/AudioConfigMenuItem.h"
#include "devicepages/DeviceInfoItem.h"
#include "devicepages/DeviceInfoWidget.h"
#include "devicepages/EQMenuItem.h"
#include "devicepages/EQSubMenuItem.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "devicepages/SurroundMenuItem.h"
#include "tests/support/testenv/TextFit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestEquipmentSettingsBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsOnTheAudioEntry();
    void clickSelectsExactlyOneEntry_data();
    void clickSelectsExactlyOneEntry();
    void eqEntryExpandsAndCollapses();
    void subEntryKeepsTheTopLevelSelection_data();
    void subEntryKeepsTheTopLevelSelection();
    void selectMoreSettingsEmitsNothing();
    void hidingSelectedMoreSettingsFallsBackQuietly();
    void redDotFollowsTheTitle();
    void batteryLevelIsLimited_data();
    void batteryLevelIsLimited();
    void wiredWithoutBatteryCentresTheStatus();
    void deviceHeaderKeepsAGoodPicture();
    void languageChangeRetranslates();
    void longNameEndsInAnEllipsis_data();
    void longNameEndsInAnEllipsis();

private:
    QList<SidebarMenuItem *> topLevel() const
    {
        return {m_bar->audioItem(), m_bar->eqItem(), m_bar->surroundItem(), m_bar->moreItem()};
    }
    int selectedCount() const
    {
        const QList<SidebarMenuItem *> items = topLevel();
        return int(std::count_if(items.cbegin(), items.cend(), [](SidebarMenuItem *item) { return item->isSelected(); }));
    }

    std::unique_ptr<EquipmentSettingsBar> m_bar;
};

void TestEquipmentSettingsBar::init()
{
    m_bar = std::make_unique<EquipmentSettingsBar>();
    m_bar->resize(200, 720);
}

void TestEquipmentSettingsBar::cleanup()
{
    m_bar.reset();
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

void TestEquipmentSettingsBar::startsOnTheAudioEntry()
{
    QCOMPARE(m_bar->width(), 200);
    QVERIFY(m_bar->audioItem()->isSelected());
    QCOMPARE(selectedCount(), 1);
    QVERIFY(!m_bar->eqItem()->isExpanded());
    QCOMPARE(m_bar->eqItem()->height(), 47);
    QCOMPARE(m_bar->eqItem()->sizeHint(), QSize(200, 47));
    QVERIFY(!m_bar->surroundItem()->isVisibleTo(m_bar.get()));
    QVERIFY(m_bar->moreItem()->isVisibleTo(m_bar.get()));
    QVERIFY(!m_bar->moreItem()->isRedDotVisible());
    for (SidebarMenuItem *item : topLevel())
        QVERIFY2(!item->iconLabel()->pixmap().isNull(), qPrintable(item->title()));
    const QList<EQSubMenuItem *> &sub = m_bar->eqItem()->subItems();
    QVERIFY(sub[0]->isSelected() && sub[0]->isMarked());
    QVERIFY(!sub[1]->isSelected() && !sub[2]->isMarked());
}

void TestEquipmentSettingsBar::clickSelectsExactlyOneEntry_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("audio") << 0 << QByteArray(SIGNAL(audioConfigClicked()));
    QTest::newRow("eq") << 1 << QByteArray(SIGNAL(eqClicked()));
    QTest::newRow("surround") << 2 << QByteArray(SIGNAL(surroundClicked()));
    QTest::newRow("more settings") << 3 << QByteArray(SIGNAL(moreSettingsClicked()));
}

void TestEquipmentSettingsBar::clickSelectsExactlyOneEntry()
{
    QFETCH(int, entry);
    QFETCH(QByteArray, signal);
    // Start from another entry so the click has something to deselect.
    QTest::mouseClick(topLevel().at((entry + 1) % 4), Qt::LeftButton);
    QSignalSpy spy(m_bar.get(), signal.constData());
    QSignalSpy any(m_bar.get(), SIGNAL(audioConfigClicked()));
    QTest::mouseClick(topLevel().at(entry), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(topLevel().at(entry)->isSelected());
    QCOMPARE(selectedCount(), 1);

    // A right click does nothing.
    QTest::mouseClick(topLevel().at((entry + 2) % 4), Qt::RightButton);
    QVERIFY(topLevel().at(entry)->isSelected());
    QCOMPARE(selectedCount(), 1);
}

void TestEquipmentSettingsBar::eqEntryExpandsAndCollapses()
{
    EQMenuItem *eq = m_bar->eqItem();
    QSignalSpy eqClicked(m_bar.get(), &EquipmentSettingsBar::eqClicked);
    QTest::mouseClick(eq, Qt::LeftButton, {}, QPoint(100, 20));
    QVERIFY(eq->isSelected());
    QVERIFY(eq->isExpanded());
    QCOMPARE(eq->height(), 170);
    QCOMPARE(eq->sizeHint(), QSize(200, 170));
    QVERIFY(eq->findChild<QWidget *>("eqSubMenu")->isVisibleTo(eq));

    // Clicking it again folds it but keeps it chosen.
    QTest::mouseClick(eq, Qt::LeftButton, {}, QPoint(100, 20));
    QVERIFY(eq->isSelected());
    QVERIFY(!eq->isExpanded());
    QCOMPARE(eq->height(), 47);
    QCOMPARE(eqClicked.count(), 2);

    QTest::mouseClick(eq, Qt::LeftButton, {}, QPoint(100, 20));
    QVERIFY(eq->isExpanded());
    QTest::mouseClick(m_bar->moreItem(), Qt::LeftButton);
    QVERIFY(!eq->isSelected());
    QVERIFY(!eq->isExpanded());
    QCOMPARE(eq->height(), 47);
}

void TestEquipmentSettingsBar::subEntryKeepsTheTopLevelSelection_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("official presets") << 0;
    QTest::newRow("cloud sharing") << 1;
    QTest::newRow("custom") << 2;
}

void TestEquipmentSettingsBar::subEntryKeepsTheTopLevelSelection()
{
    QFETCH(int, index);
    QTest::mouseClick(m_bar->eqItem(), Qt::LeftButton, {}, QPoint(100, 20));
    QSignalSpy sub(m_bar.get(), &EquipmentSettingsBar::eqSubItemClicked);
    QSignalSpy eqClicked(m_bar.get(), &EquipmentSettingsBar::eqClicked);
    const QList<EQSubMenuItem *> &items = m_bar->eqItem()->subItems();
    QTest::mouseClick(items[index], Qt::LeftButton);
    QCOMPARE(sub.count(), 1);
    QCOMPARE(sub.at(0).at(0).toInt(), index);
    QCOMPARE(eqClicked.count(), 0);
    QVERIFY(m_bar->eqItem()->isSelected());
    QVERIFY(m_bar->eqItem()->isExpanded());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(items[i]->isSelected(), i == index);
        QCOMPARE(items[i]->isMarked(), i == index);
    }
}

void TestEquipmentSettingsBar::selectMoreSettingsEmitsNothing()
{
    QSignalSpy more(m_bar.get(), &EquipmentSettingsBar::moreSettingsClicked);
    m_bar->selectMoreSettings();
    QVERIFY(m_bar->moreItem()->isSelected());
    QCOMPARE(selectedCount(), 1);
    QCOMPARE(more.count(), 0);
}

void TestEquipmentSettingsBar::hidingSelectedMoreSettingsFallsBackQuietly()
{
    QTest::mouseClick(m_bar->moreItem(), Qt::LeftButton);
    m_bar->setMoreSettingsRedDotVisible(true);
    QSignalSpy audio(m_bar.get(), &EquipmentSettingsBar::audioConfigClicked);
    m_bar->setMoreSettingsVisible(false);
    QVERIFY(!m_bar->moreItem()->isVisibleTo(m_bar.get()));
    QVERIFY(m_bar->audioItem()->isSelected());
    QCOMPARE(selectedCount(), 1);
    QVERIFY(!m_bar->moreItem()->isRedDotVisible());
    QCOMPARE(audio.count(), 0);

    m_bar->setMoreSettingsVisible(true);
    QVERIFY(m_bar->moreItem()->isVisibleTo(m_bar.get()));
    QVERIFY(m_bar->audioItem()->isSelected());

    // Hiding an entry that is not selected leaves the selection alone.
    QTest::mouseClick(m_bar->eqItem(), Qt::LeftButton, {}, QPoint(100, 20));
    m_bar->setMoreSettingsVisible(false);
    QVERIFY(m_bar->eqItem()->isSelected());
}

void TestEquipmentSettingsBar::redDotFollowsTheTitle()
{
    MoreSettingsMenuItem *more = m_bar->moreItem();
    m_bar->setMoreSettingsRedDotVisible(true);
    QVERIFY(more->isRedDotVisible());
    const auto expected = [more] {
        more->ensurePolished();
        const int end = more->textRect().x() + QFontMetrics(more->font()).horizontalAdvance(more->title());
        return QRectF(end + 2, more->textRect().top(), 4, 4);
    };
    QCOMPARE(more->redDotRect(), expected());
    const qreal chineseX = more->redDotRect().x();
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QCOMPARE(more->title(), QStringLiteral("More Settings"));
    QCOMPARE(more->redDotRect(), expected());
    QVERIFY(more->redDotRect().x() != chineseX);
}

void TestEquipmentSettingsBar::batteryLevelIsLimited_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("low");
    QTest::newRow("above 100") << 150 << 100 << false;
    QTest::newRow("negative") << -3 << 0 << true;
    QTest::newRow("19 is low") << 19 << 19 << true;
    QTest::newRow("20 is not") << 20 << 20 << false;
    QTest::newRow("full") << 100 << 100 << false;
}

void TestEquipmentSettingsBar::batteryLevelIsLimited()
{
    QFETCH(int, percent);
    QFETCH(int, shown);
    QFETCH(bool, low);
    DeviceInfoWidget *status = m_bar->deviceItem()->statusWidget();
    m_bar->setBatteryLevel(55); // away from the start value
    m_bar->setBatteryLevel(percent);
    QCOMPARE(status->batteryLevel(), shown);
    QCOMPARE(status->isBatteryLow(), low);
}

void TestEquipmentSettingsBar::wiredWithoutBatteryCentresTheStatus()
{
    DeviceInfoItem *header = m_bar->deviceItem();
    DeviceInfoWidget *status = header->statusWidget();
    QCOMPARE(status->statusText(), QStringLiteral("2.4G 已连接"));
    auto *row = qobject_cast<QHBoxLayout *>(status->parentWidget()->layout()->itemAt(2)->layout());
    QVERIFY(row);
    QCOMPARE(row->contentsMargins().left(), 15);

    m_bar->setWiredConnection(true);
    QCOMPARE(status->statusText(), QStringLiteral("已连接"));
    QCOMPARE(row->count(), 1); // the battery still shows: no centring yet
    m_bar->setBatteryVisible(false);
    QVERIFY(!status->findChild<QWidget *>("batteryIndicator")->isVisibleTo(status));
    QCOMPARE(row->contentsMargins().left(), 0);
    QCOMPARE(row->count(), 3);
    QCOMPARE(row->indexOf(status), 1);
    // Asked again: still one spacer on each side.
    m_bar->setWiredConnection(true);
    QCOMPARE(row->count(), 3);

    m_bar->setWiredConnection(false);
    QCOMPARE(row->contentsMargins().left(), 15);
    QCOMPARE(row->count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!header->findChild<QWidget *>("statusLeadingSpacer"));
    QVERIFY(!header->findChild<QWidget *>("statusTrailingSpacer"));
    QCOMPARE(status->statusText(), QStringLiteral("2.4G 已连接"));
}

void TestEquipmentSettingsBar::deviceHeaderKeepsAGoodPicture()
{
    DeviceInfoItem *header = m_bar->deviceItem();
    auto *thumbnail = header->findChild<QLabel *>("deviceThumbnail");
    QCOMPARE(header->imagePath(), QStringLiteral(":/images/#6E00FFmin.png"));
    QVERIFY(!thumbnail->pixmap().isNull());
    const QImage before = thumbnail->pixmap().toImage();

    m_bar->setDeviceImage(QStringLiteral(":/images/none.png"));
    QCOMPARE(header->imagePath(), QStringLiteral(":/images/#6E00FFmin.png"));
    QCOMPARE(thumbnail->pixmap().toImage(), before);

    m_bar->setDeviceImage(QStringLiteral(":/images/VOZedod.png"));
    QCOMPARE(header->imagePath(), QStringLiteral(":/images/VOZedod.png"));
    QVERIFY(thumbnail->pixmap().toImage() != before);
    QVERIFY(thumbnail->pixmap().width() <= 110 && thumbnail->pixmap().height() <= 110);

    m_bar->setDeviceName(QStringLiteral("  VELKORA V7 "));
    QCOMPARE(header->findChild<QLabel *>("deviceNameLabel")->text(), QStringLiteral("VELKORA V7"));
}

void TestEquipmentSettingsBar::languageChangeRetranslates()
{
    m_bar->setDeviceName(QStringLiteral("Headset"));
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QCoreApplication::processEvents();
    QCOMPARE(m_bar->audioItem()->title(), QStringLiteral("Audio Settings"));
    QCOMPARE(m_bar->eqItem()->title(), QStringLiteral("EQ Mixer"));
    QCOMPARE(m_bar->surroundItem()->title(), QStringLiteral("7.1 Virtual Surround"));
    const QList<EQSubMenuItem *> &sub = m_bar->eqItem()->subItems();
    QCOMPARE(sub[0]->text(), QStringLiteral("Official Preset"));
    QCOMPARE(sub[1]->text(), QStringLiteral("Cloud Sharing"));
    QCOMPARE(sub[2]->text(), QStringLiteral("Custom"));
    QCOMPARE(m_bar->deviceItem()->statusWidget()->statusText(), QStringLiteral("2.4G Connected"));
    QCOMPARE(m_bar->deviceItem()->findChild<QLabel *>("deviceNameLabel")->text(), QStringLiteral("Headset"));
}

void TestEquipmentSettingsBar::longNameEndsInAnEllipsis_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("whole");
    QTest::newRow("short") << "en_US" << "Velkora H1" << true;
    QTest::newRow("ten Chinese characters") << "zh_CN" << QString(10, QChar(0x8033)) << true;
    QTest::newRow("31 bytes of text") << "en_US" << "A very long headset name that e" << false;
    QTest::newRow("31 bytes, Chinese page") << "zh_CN" << "A very long headset name that e" << false;
}

// The headset names itself (up to 31 bytes); a name wider than the 200 px
// sidebar ends in an ellipsis instead of running over both edges.
void TestEquipmentSettingsBar::longNameEndsInAnEllipsis()
{
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(bool, whole);
    QVERIFY(AppLanguageManager::applyLanguage(language));
    m_bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
    m_bar->setDeviceName(name);
    auto *label = m_bar->deviceItem()->findChild<QLabel *>("deviceNameLabel");
    const QString elision = TextFit::elisionProblem(label, name, whole);
    QVERIFY2(elision.isEmpty(), qPrintable(elision));
    QTRY_VERIFY2_WITH_TIMEOUT(TextFit::cutTexts(m_bar.get()).isEmpty(),
                              qPrintable(TextFit::cutTexts(m_bar.get()).join(QLatin1Char('\n'))), 2000);
    const QRect text = TextFit::textRect(label, m_bar.get());
    QVERIFY(text.left() >= 10 && text.right() < 190);
}

QTEST_MAIN(TestEquipmentSettingsBar)
#include "tst_equipmentsettingsbar.moc"
