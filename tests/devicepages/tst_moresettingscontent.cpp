// The more-settings page: prompt-tone scale, the headset name rule and its
// dialog, factory reset, and the two firmware cards.
#include "language/AppLanguageManager.h"
#include "devicepages/CircleDot.h"
#include "devicepages/MoreSettingsContent.h"
#include "devicepages/RoundedTrackSlider.h"
#include "tests/devicepages/DevicePagesTestSupport.h"
#include "tests/support/testenv/TextFit.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using DevicePagesTestSupport::ModalDialogDriver;

namespace {

QString repeated(const QString &piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

class TestMoreSettingsContent : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void promptToneLevelFromTheDevice_data();
    void promptToneLevelFromTheDevice();
    void promptToneDragEmitsEveryStep();
    void nameRule_data();
    void nameRule();
    void setDeviceNameNeverEmits();
    void renameDialog_data();
    void renameDialog();
    void factoryResetAsksFirst_data();
    void factoryResetAsksFirst();
    void availableUpdateIsShownAndConfirmed();
    void cardWithoutUsableUpdateStaysLatest_data();
    void cardWithoutUsableUpdateStaysLatest();
    void versionLineGeometry();
    void badgeFollowsTheTitle();
    void latestStatusTakesTheRoomItHas_data();
    void latestStatusTakesTheRoomItHas();
    void longNameTakesRoomThenEndsInEllipsis_data();
    void longNameTakesRoomThenEndsInEllipsis();

private:
    QFrame *card(const char *name) const { return m_page->findChild<QFrame *>(name); }
    template <typename T>
    T *in(const char *cardName, const char *child) const
    {
        return card(cardName)->findChild<T *>(QLatin1String(child));
    }
    // Runs the dialog that `trigger` opens through `action`; false when none opened.
    bool withDialog(const std::function<void()> &trigger, const std::function<void(QDialog *)> &action);

    std::unique_ptr<QWidget> m_window;
    MoreSettingsContent *m_page = nullptr;
};

void TestMoreSettingsContent::init()
{
    m_window = std::make_unique<QWidget>();
    m_page = new MoreSettingsContent(m_window.get());
    m_page->resize(1080, 672);
}

void TestMoreSettingsContent::cleanup()
{
    m_window.reset();
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

bool TestMoreSettingsContent::withDialog(const std::function<void()> &trigger,
                                         const std::function<void(QDialog *)> &action)
{
    ModalDialogDriver driver(action);
    trigger();
    return driver.sawDialog();
}

void TestMoreSettingsContent::promptToneLevelFromTheDevice_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("shown");
    QTest::newRow("lowest") << 1 << 1;
    QTest::newRow("five") << 5 << 5;
    QTest::newRow("highest") << 7 << 7;
    QTest::newRow("zero ignored") << 0 << 3;
    QTest::newRow("eight ignored") << 8 << 3;
    QTest::newRow("negative ignored") << -2 << 3;
}

void TestMoreSettingsContent::promptToneLevelFromTheDevice()
{
    QFETCH(int, level);
    QFETCH(int, shown);
    QSignalSpy changed(m_page, &MoreSettingsContent::promptToneVolumeChanged);
    m_page->setPromptToneLevel(level);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_page->promptToneLevel(), shown);
    for (int mark = 1; mark <= 7; ++mark) {
        auto *dot = m_page->findChild<CircleDot *>(QStringLiteral("promptToneDot%1").arg(mark));
        auto *number = m_page->findChild<QLabel *>(QStringLiteral("promptToneLabel%1").arg(mark));
        const bool lit = mark <= shown;
        QCOMPARE(dot->color, QColor(lit ? "#00D68B" : "#1A1A1B"));
        QVERIFY(number->styleSheet().contains(lit ? "#999999" : "#555555"));
    }
}

void TestMoreSettingsContent::promptToneDragEmitsEveryStep()
{
    auto *slider = m_page->findChild<RoundedTrackSlider *>("promptToneSlider");
    QCOMPARE(slider->value(), 3);
    QCOMPARE(slider->filledWidth(), 76); // 2/6 of 227, rounded
    QSignalSpy changed(m_page, &MoreSettingsContent::promptToneVolumeChanged);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(0).at(0).toInt(), 4);
    QCOMPARE(changed.at(1).at(0).toInt(), 5);
    QCOMPARE(changed.at(2).at(0).toInt(), 6);
    QCOMPARE(m_page->findChild<CircleDot *>("promptToneDot6")->color, QColor("#00D68B"));
    QCOMPARE(m_page->findChild<CircleDot *>("promptToneDot7")->color, QColor("#1A1A1B"));
}

void TestMoreSettingsContent::nameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("blanks") << QStringLiteral("   ") << false;
    QTest::newRow("31 bytes") << repeated("a", 31) << true;
    QTest::newRow("32 bytes") << repeated("a", 32) << false;
    QTest::newRow("31 bytes with blanks around") << "  " + repeated("a", 31) + "  " << true;
    QTest::newRow("ten Chinese, 30 bytes") << repeated("耳", 10) << true;
    QTest::newRow("eleven Chinese, 33 bytes") << repeated("耳", 11) << false;
    QTest::newRow("seven emoji, 28 bytes") << repeated("🎧", 7) << true;
    QTest::newRow("eight emoji, 32 bytes") << repeated("🎧", 8) << false;
}

void TestMoreSettingsContent::nameRule()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QCOMPARE(MoreSettingsContent::isValidDeviceName(name), valid);
}

void TestMoreSettingsContent::setDeviceNameNeverEmits()
{
    QSignalSpy renamed(m_page, &MoreSettingsContent::deviceNameChanged);
    auto *label = m_page->findChild<QLabel *>("deviceNameLabel");
    m_page->setDeviceName(QStringLiteral("  Alpha "));
    QCOMPARE(label->text(), QStringLiteral("Alpha"));
    QCOMPARE(m_page->deviceName(), QStringLiteral("Alpha"));
    m_page->setDeviceName(repeated("耳", 11));
    m_page->setDeviceName(QStringLiteral("  "));
    QCOMPARE(label->text(), QStringLiteral("Alpha"));
    QCOMPARE(renamed.count(), 0);
}

void TestMoreSettingsContent::renameDialog_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byReturn");
    QTest::addColumn<QString>("emitted"); // empty: nothing
    QTest::addColumn<bool>("refused");
    QTest::newRow("new name") << QStringLiteral("  Bravo ") << false << QStringLiteral("Bravo") << false;
    QTest::newRow("new name by Return") << QStringLiteral("Bravo") << true << QStringLiteral("Bravo") << false;
    QTest::newRow("same name") << QStringLiteral(" Alpha  ") << false << QString() << false;
    // The edit takes 31 characters at most; sixteen two-byte ones still make 32 bytes.
    QTest::newRow("32 bytes") << repeated("é", 16) << false << QString() << true;
    QTest::newRow("eleven Chinese by Return") << repeated("耳", 11) << true << QString() << true;
    QTest::newRow("blank") << QStringLiteral("   ") << false << QString() << true;
}

void TestMoreSettingsContent::renameDialog()
{
    QFETCH(QString, typed);
    QFETCH(bool, byReturn);
    QFETCH(QString, emitted);
    QFETCH(bool, refused);
    m_page->setDeviceName(QStringLiteral("Alpha"));
    QSignalSpy renamed(m_page, &MoreSettingsContent::deviceNameChanged);
    QSignalSpy toast(m_page, &MoreSettingsContent::settingsTopToastFailRequested);

    QString prefilled;
    bool stayedOpen = false;
    bool closedByConfirm = false;
    const bool opened = withDialog([this] { m_page->findChild<QPushButton *>("renameButton")->click(); },
                                   [&](QDialog *dialog) {
                                       auto *edit = dialog->findChild<QLineEdit *>("renameEdit");
                                       prefilled = edit->text();
                                       edit->setText(typed);
                                       if (byReturn)
                                           QTest::keyClick(edit, Qt::Key_Return);
                                       else
                                           dialog->findChild<QPushButton *>("confirmButton")->click();
                                       stayedOpen = dialog->isVisible();
                                       closedByConfirm = dialog->result() == QDialog::Accepted;
                                       if (stayedOpen)
                                           dialog->findChild<QPushButton *>("cancelButton")->click();
                                   });
    QVERIFY(opened);
    QCOMPARE(prefilled, QStringLiteral("Alpha"));
    QCOMPARE(stayedOpen, refused);
    QCOMPARE(closedByConfirm, !refused);
    QCOMPARE(toast.count(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(toast.at(0).at(0).toString(), QStringLiteral("名称长度需小于32字节"));
    QCOMPARE(renamed.count(), emitted.isEmpty() ? 0 : 1);
    if (!emitted.isEmpty()) {
        QCOMPARE(renamed.at(0).at(0).toString(), emitted);
        QCOMPARE(m_page->findChild<QLabel *>("deviceNameLabel")->text(), emitted);
    }
}

void TestMoreSettingsContent::factoryResetAsksFirst_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("requests");
    QTest::newRow("confirmed") << "confirmButton" << 1;
    QTest::newRow("cancelled") << "cancelButton" << 0;
}

void TestMoreSettingsContent::factoryResetAsksFirst()
{
    QFETCH(QString, button);
    QFETCH(int, requests);
    QSignalSpy reset(m_page, &MoreSettingsContent::restoreFactoryRequested);
    QString text;
    QVERIFY(withDialog([this] { m_page->findChild<QPushButton *>("factoryResetButton")->click(); },
                       [&](QDialog *dialog) {
                           QCOMPARE(dialog->size(), QSize(364, 154));
                           text = dialog->findChild<QLabel *>("confirmationText")->text();
                           dialog->findChild<QPushButton *>(button)->click();
                       }));
    QCOMPARE(text, QStringLiteral("您确定要恢复出厂设置吗？"));
    QCOMPARE(reset.count(), requests);
}

void TestMoreSettingsContent::availableUpdateIsShownAndConfirmed()
{
    QSignalSpy headphone(m_page, &MoreSettingsContent::headphoneOtaUpgradeRequested);
    QSignalSpy receiver(m_page, &MoreSettingsContent::receiverOtaUpgradeRequested);
    m_page->setHeadphoneOtaAvailable(true, QStringLiteral("  v1.2.0 "));
    m_page->setHeadphoneUpgradeButtonVisible(true);
    auto *version = in<QLabel>("headphoneFirmwareCard", "availableVersion");
    QVERIFY(version->isVisibleTo(m_page));
    QVERIFY(in<QLabel>("headphoneFirmwareCard", "availableVersionCaption")->isVisibleTo(m_page));
    QVERIFY(!in<QLabel>("headphoneFirmwareCard", "latestStatus")->isVisibleTo(m_page));
    QCOMPARE(version->text(), QStringLiteral("v1.2.0"));
    // The receiver card is untouched.
    QVERIFY(in<QLabel>("receiverFirmwareCard", "latestStatus")->isVisibleTo(m_page));

    QString text;
    QVERIFY(withDialog([this] { in<QPushButton>("headphoneFirmwareCard", "upgradeButton")->click(); },
                       [&](QDialog *dialog) {
                           text = dialog->findChild<QLabel *>("confirmationText")->text();
                           dialog->findChild<QPushButton *>("confirmButton")->click();
                       }));
    QCOMPARE(text, QStringLiteral("您确认更新至版本 1.2.0 吗？"));
    QCOMPARE(headphone.count(), 1);
    QCOMPARE(receiver.count(), 0);

    m_page->setReceiverOtaAvailable(true, QStringLiteral("V2.0"));
    m_page->setReceiverUpgradeButtonVisible(true);
    QVERIFY(withDialog([this] { in<QPushButton>("receiverFirmwareCard", "upgradeButton")->click(); },
                       [&](QDialog *dialog) {
                           text = dialog->findChild<QLabel *>("confirmationText")->text();
                           dialog->findChild<QPushButton *>("cancelButton")->click();
                       }));
    QCOMPARE(text, QStringLiteral("您确认更新至版本 2.0 吗？"));
    QCOMPARE(receiver.count(), 0);
}

void TestMoreSettingsContent::cardWithoutUsableUpdateStaysLatest_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("version");
    QTest::newRow("flag without version") << true << QString();
    QTest::newRow("flag with blanks") << true << QStringLiteral("   ");
    QTest::newRow("version without flag") << false << QStringLiteral("1.2.0");
}

void TestMoreSettingsContent::cardWithoutUsableUpdateStaysLatest()
{
    QFETCH(bool, available);
    QFETCH(QString, version);
    QSignalSpy receiver(m_page, &MoreSettingsContent::receiverOtaUpgradeRequested);
    m_page->setReceiverOtaAvailable(available, version);
    m_page->setReceiverUpgradeButtonVisible(true);
    QVERIFY(in<QLabel>("receiverFirmwareCard", "latestStatus")->isVisibleTo(m_page));
    QVERIFY(!in<QLabel>("receiverFirmwareCard", "availableVersion")->isVisibleTo(m_page));
    const bool opened = withDialog([this] { in<QPushButton>("receiverFirmwareCard", "upgradeButton")->click(); },
                                   [](QDialog *dialog) { dialog->reject(); });
    QVERIFY(!opened);
    QCOMPARE(receiver.count(), 0);
}

void TestMoreSettingsContent::versionLineGeometry()
{
    auto *caption = in<QLabel>("headphoneFirmwareCard", "currentVersionCaption");
    auto *current = in<QLabel>("headphoneFirmwareCard", "currentVersion");
    auto *status = in<QLabel>("headphoneFirmwareCard", "latestStatus");
    QCOMPARE(current->text(), QStringLiteral("v1.0.1"));
    QCOMPARE(in<QLabel>("receiverFirmwareCard", "currentVersion")->text(), QStringLiteral("v1.0.1"));
    const auto advance = [](QLabel *label) { return QFontMetrics(label->font()).horizontalAdvance(label->text()); };

    m_page->setHeadphoneFirmwareVersion(QStringLiteral(" 1.1.3 "));
    QCOMPARE(current->text(), QStringLiteral(" 1.1.3 ")); // as given
    QCOMPARE(caption->geometry(), QRect(20, 51, qMax(53, advance(caption) + 2), 14));
    QCOMPARE(current->x(), 20 + caption->width());
    QCOMPARE(current->width(), qMax(44, advance(current) + 2));
    int end = current->x() + current->width();
    const int statusAdvance = QFontMetrics(status->font()).horizontalAdvance(QStringLiteral("当前已是最新版本"));
    QCOMPARE(status->geometry(), QRect(end + 4, 51, qMin(qMax(97, statusAdvance + 2), qMax(97, 295 - (end + 4))), 14));

    // A long version pushes the status text into the space that is left, never below 97.
    m_page->setHeadphoneFirmwareVersion(QStringLiteral("v1.1.3-beta.20240101-build-987654321-long"));
    end = current->x() + current->width();
    QVERIFY(end + 4 + 97 > 295);
    QCOMPARE(status->geometry(), QRect(end + 4, 51, 97, 14));

    m_page->setHeadphoneOtaAvailable(true, QStringLiteral("v9"));
    auto *availableCaption = in<QLabel>("headphoneFirmwareCard", "availableVersionCaption");
    auto *available = in<QLabel>("headphoneFirmwareCard", "availableVersion");
    QCOMPARE(availableCaption->geometry(), QRect(end + 4, 51, qMax(65, advance(availableCaption) + 2), 14));
    QCOMPARE(available->geometry(), QRect(availableCaption->x() + availableCaption->width(), 51, 44, 14));
    QCOMPARE(available->font().weight(), QFont::DemiBold);
}

void TestMoreSettingsContent::badgeFollowsTheTitle()
{
    auto *badge = in<QWidget>("headphoneFirmwareCard", "updateBadge");
    auto *title = in<QLabel>("headphoneFirmwareCard", "firmwareTitle");
    QVERIFY(!badge->isVisibleTo(m_page));
    QVERIFY(!in<QWidget>("receiverFirmwareCard", "updateBadge")->isVisibleTo(m_page));
    QVERIFY(!in<QPushButton>("headphoneFirmwareCard", "upgradeButton")->isVisibleTo(m_page));

    const auto expectedX = [title] {
        return title->x() + 2 + QFontMetrics(title->font()).horizontalAdvance(title->text());
    };
    m_page->setHeadphoneOtaRowVisible(true);
    QVERIFY(badge->isVisibleTo(m_page));
    QCOMPARE(badge->size(), QSize(4, 4));
    QCOMPARE(badge->x(), expectedX());
    const int chineseX = badge->x();
    // The badge and the button are switched independently.
    QVERIFY(!in<QPushButton>("headphoneFirmwareCard", "upgradeButton")->isVisibleTo(m_page));

    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QCoreApplication::processEvents();
    QCOMPARE(title->text(), QStringLiteral("Firmware Update"));
    QCOMPARE(in<QLabel>("headphoneFirmwareCard", "currentVersionCaption")->text(), QStringLiteral("Current version:"));
    auto *latest = in<QLabel>("receiverFirmwareCard", "latestStatus");
    const QString english = QStringLiteral("Already on the latest version");
    // Shown whole, or cut with an ellipsis and whole in the tool tip.
    QVERIFY(latest->text() == english || (latest->text().endsWith(QChar(0x2026)) && latest->toolTip() == english));
    m_page->setHeadphoneOtaRowVisible(true);
    QCOMPARE(badge->x(), expectedX());
    QVERIFY(badge->x() != chineseX);

    m_page->setHeadphoneOtaRowVisible(false);
    QVERIFY(!badge->isVisibleTo(m_page));
}

void TestMoreSettingsContent::latestStatusTakesTheRoomItHas_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("buttonShown");
    QTest::addColumn<QString>("status");
    QTest::newRow("zh_CN") << "zh_CN" << false << "当前已是最新版本";
    QTest::newRow("en_US") << "en_US" << false << "Already on the latest version";
    QTest::newRow("en_US beside the upgrade button") << "en_US" << true << QString();
}

// The status of an up-to-date card stops before the upgrade button's column
// only while that button is shown; without it the English text fits whole.
void TestMoreSettingsContent::latestStatusTakesTheRoomItHas()
{
    QFETCH(QString, language);
    QFETCH(bool, buttonShown);
    QFETCH(QString, status);
    QVERIFY(AppLanguageManager::applyLanguage(language));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_page->setHeadphoneFirmwareVersion(QStringLiteral("1.3.0"));
    m_page->setReceiverFirmwareVersion(QStringLiteral("1.0.8"));
    m_page->setHeadphoneUpgradeButtonVisible(buttonShown);
    m_page->setReceiverUpgradeButtonVisible(buttonShown);

    for (const char *name : {"headphoneFirmwareCard", "receiverFirmwareCard"}) {
        auto *latest = in<QLabel>(name, "latestStatus");
        QVERIFY(latest->isVisible());
        if (!status.isEmpty()) {
            const QString elision = TextFit::elisionProblem(latest, status, true);
            QVERIFY2(elision.isEmpty(), qPrintable(elision));
        }
        QVERIFY(latest->geometry().right() < (buttonShown ? 295 : 395));
    }
    QStringList cut = TextFit::cutTexts(m_page);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));

    // An offered version longer than the usual three numbers is not cut either.
    m_page->setHeadphoneOtaAvailable(true, QStringLiteral("v10.10.1024"));
    QVERIFY(in<QLabel>("headphoneFirmwareCard", "availableVersion")->isVisible());
    cut = TextFit::cutTexts(m_page);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

void TestMoreSettingsContent::longNameTakesRoomThenEndsInEllipsis_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("partRow");
    QTest::addColumn<bool>("whole");
    QTest::newRow("short") << "en_US" << "Velkora H1" << true << true;
    QTest::newRow("ten Chinese characters") << "zh_CN" << repeated(QStringLiteral("耳"), 10) << true << true;
    QTest::newRow("24 wide letters") << "en_US" << repeated(QStringLiteral("W"), 24) << false << true;
    QTest::newRow("31 wide letters") << "zh_CN" << repeated(QStringLiteral("W"), 31) << false << false;
}

// The name row starts at 180 px like the card's design, reaches left up to
// the title when the name needs it, and only past that cuts with an ellipsis.
void TestMoreSettingsContent::longNameTakesRoomThenEndsInEllipsis()
{
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(bool, partRow);
    QFETCH(bool, whole);
    QVERIFY(AppLanguageManager::applyLanguage(language));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_page->setDeviceName(name);
    QCOMPARE(m_page->deviceName(), name);

    auto *row = in<QWidget>("renameCard", "deviceNameRow");
    auto *label = in<QLabel>("renameCard", "deviceNameLabel");
    QCOMPARE(row->geometry().right(), 394);
    if (partRow)
        QCOMPARE(row->geometry(), QRect(180, 36, 215, 16));
    else
        QVERIFY(row->x() < 180);
    const QString elision = TextFit::elisionProblem(label, name, whole);
    QVERIFY2(elision.isEmpty(), qPrintable(elision));
    const QStringList problems = TextFit::cutTexts(m_page) + TextFit::overlappingTexts(card("renameCard"), 12);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestMoreSettingsContent)
#include "tst_moresettingscontent.moc"
