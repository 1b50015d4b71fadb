#include "app/CustomSettingsForm.h"
#include "language/AppLanguageManager.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/CustomRadioButtons.h"
#include "tests/app/TestEnvironment.h"
#include "tests/support/testenv/TextFit.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMetaMethod>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <algorithm>

// QtCore's hook for watching every signal emission (what QtTest's signal
// dumper uses); it sees signals emitted while an object is still being built.
struct QSignalSpyCallbackSet
{
    using BeginCallback = void (*)(QObject *caller, int signalOrMethodIndex, void **argv);
    using EndCallback = void (*)(QObject *caller, int signalOrMethodIndex);
    BeginCallback signal_begin_callback;
    BeginCallback slot_begin_callback;
    EndCallback signal_end_callback;
    EndCallback slot_end_callback;
};
Q_CORE_EXPORT void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet *callback_set);

namespace {
QStringList g_pageSignals;

void recordSignal(QObject *caller, int index, void **)
{
    if (caller->metaObject() == &CustomSettingsForm::staticMetaObject)
        g_pageSignals << QString::fromLatin1(caller->metaObject()->method(index).name());
}

// Records the signals settings pages emit while it lives.
class PageSignalRecorder
{
public:
    PageSignalRecorder()
    {
        g_pageSignals.clear();
        qt_register_signal_spy_callbacks(&m_callbacks);
    }
    ~PageSignalRecorder() { qt_register_signal_spy_callbacks(nullptr); }
    QStringList signalsSeen() const { return g_pageSignals; }

private:
    QSignalSpyCallbackSet m_callbacks{recordSignal, nullptr, nullptr, nullptr};
};

class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

CustomRadioButtons *option(CustomSettingsForm &page, const char *name)
{
    return page.findChild<CustomRadioButtons *>(QLatin1String(name));
}
} // namespace

class TestSettingsPage : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_env.clearSettings(); }

    void showsStoredValuesWithoutEmitting_data();
    void showsStoredValuesWithoutEmitting();
    void autoStartOffClearsStartMinimized();
    void startMinimizedCountsOnlyWhileEnabled();
    void closeOptionsReportOncePerChange();
    void languageComboReportsTags();
    void updateStatus_data();
    void updateStatus();
    void languageChangeKeepsSelectionQuietly();
    void aboutRowFitsItsCard_data();
    void aboutRowFitsItsCard();
    void linksOpenThenReport();

private:
    void store(bool autoRun, bool minimized, bool exit, const QString &locale);
    TestEnvironment m_env;
};

void TestSettingsPage::store(bool autoRun, bool minimized, bool exit, const QString &locale)
{
    QSettings settings;
    settings.setValue("startup/autoRunEnabled", autoRun);
    settings.setValue("startup/startMinimized", minimized);
    settings.setValue("close/exitOnClose", exit);
    settings.setValue("ui/locale", locale);
    settings.sync();
}

void TestSettingsPage::showsStoredValuesWithoutEmitting_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<QString>("locale");
    QTest::newRow("all on, english") << true << true << true << "en_US";
    QTest::newRow("all off, chinese") << false << false << false << "zh_CN";
    QTest::newRow("minimized without auto-run") << false << true << false << "EN_gb";
    QTest::newRow("auto-run only") << true << false << true << "fr";
}

void TestSettingsPage::showsStoredValuesWithoutEmitting()
{
    QFETCH(bool, autoRun);
    QFETCH(bool, minimized);
    QFETCH(bool, exit);
    QFETCH(QString, locale);
    store(autoRun, minimized, exit, locale);

    PageSignalRecorder recorder;
    CustomSettingsForm page(nullptr);
    QVERIFY2(recorder.signalsSeen().isEmpty(), qPrintable(recorder.signalsSeen().join(", ")));

    const bool english = locale.startsWith("en", Qt::CaseInsensitive);
    QCOMPARE(page.findChild<QComboBox *>("languageCombo")->currentIndex(), english ? 1 : 0);
    QCOMPARE(page.isAutoStartChecked(), autoRun);
    QCOMPARE(option(page, "minimizeOnStartOption")->isEnabled(), autoRun);
    QCOMPARE(page.isMinimizeOnStartChecked(), autoRun && minimized);
    QCOMPARE(option(page, "minimizeOnStartOption")->isChecked(), autoRun && minimized);
    QCOMPARE(page.isExitOnCloseChecked(), exit);
    QCOMPARE(option(page, "minimizeToTrayOption")->isChecked(), !exit);
}

void TestSettingsPage::autoStartOffClearsStartMinimized()
{
    store(true, true, false, "zh_CN");
    CustomSettingsForm page(nullptr);
    QStringList events;
    connect(&page, &CustomSettingsForm::autoStartChanged, this, [&](bool on) { events << QString("auto %1").arg(on); });
    connect(&page, &CustomSettingsForm::minimizeOnStartChanged, this,
            [&](bool on) { events << QString("min %1").arg(on); });

    option(page, "autoStartOption")->click();
    QCOMPARE(events, (QStringList{"auto 0", "min 0"}));
    QVERIFY(!option(page, "minimizeOnStartOption")->isChecked());
    QVERIFY(!option(page, "minimizeOnStartOption")->isEnabled());

    events.clear();
    option(page, "autoStartOption")->click();
    QCOMPARE(events, (QStringList{"auto 1"}));
    QVERIFY(option(page, "minimizeOnStartOption")->isEnabled());
    QVERIFY(!option(page, "minimizeOnStartOption")->isChecked());

    option(page, "minimizeOnStartOption")->click();
    QCOMPARE(events, (QStringList{"auto 1", "min 1"}));
    QVERIFY(page.isMinimizeOnStartChecked());
}

void TestSettingsPage::startMinimizedCountsOnlyWhileEnabled()
{
    store(false, false, false, "zh_CN");
    CustomSettingsForm page(nullptr);
    auto *minimized = option(page, "minimizeOnStartOption");
    QVERIFY(!minimized->isEnabled());
    minimized->setChecked(true);
    QVERIFY(minimized->isChecked());
    QVERIFY(!page.isMinimizeOnStartChecked());
}

void TestSettingsPage::closeOptionsReportOncePerChange()
{
    store(true, false, true, "zh_CN");
    CustomSettingsForm page(nullptr);
    QSignalSpy changed(&page, &CustomSettingsForm::closeBehaviorPreferenceChanged);
    option(page, "minimizeToTrayOption")->click();
    QCOMPARE(changed.count(), 1);
    QVERIFY(!page.isExitOnCloseChecked());
    // Clicking the checked one changes nothing.
    option(page, "minimizeToTrayOption")->click();
    QCOMPARE(changed.count(), 1);
    option(page, "exitOnCloseOption")->click();
    QCOMPARE(changed.count(), 2);
    QVERIFY(page.isExitOnCloseChecked());
}

void TestSettingsPage::languageComboReportsTags()
{
    store(false, false, false, "zh_CN");
    CustomSettingsForm page(nullptr);
    QSignalSpy language(&page, &CustomSettingsForm::languageChanged);
    auto *combo = page.findChild<QComboBox *>("languageCombo");
    combo->setCurrentIndex(1);
    combo->setCurrentIndex(0);
    QCOMPARE(language.count(), 2);
    QCOMPARE(language.at(0).at(0).toString(), QStringLiteral("en_US"));
    QCOMPARE(language.at(1).at(0).toString(), QStringLiteral("zh_CN"));
}

void TestSettingsPage::updateStatus_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<bool>("required");
    QTest::addColumn<bool>("tooLow");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("clickable");
    QTest::newRow("none") << false << false << false << "已是最新版本" << false;
    QTest::newRow("available") << true << false << false << "有新版本" << true;
    QTest::newRow("required") << true << true << false << "需立即更新" << true;
    QTest::newRow("too low wins") << true << false << true << "版本过低" << true;
    QTest::newRow("all") << true << true << true << "版本过低" << true;
}

void TestSettingsPage::updateStatus()
{
    QFETCH(bool, available);
    QFETCH(bool, required);
    QFETCH(bool, tooLow);
    QFETCH(QString, text);
    QFETCH(bool, clickable);
    CustomSettingsForm page(nullptr);
    auto *label = page.findChild<CustomClickableLabel *>("updateStatusLabel");
    label->resize(80, 20);
    QSignalSpy check(&page, &CustomSettingsForm::checkForUpdates);
    page.setUpdateAvailable(available);
    page.setUpdateRequired(required);
    page.setVersionTooLow(tooLow);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->isEnabled(), clickable);
    QCOMPARE(label->cursor().shape(), clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(check.count(), clickable ? 1 : 0);

    page.setUpdateAvailable(false);
    page.setUpdateRequired(false);
    page.setVersionTooLow(false);
    QCOMPARE(label->text(), QStringLiteral("已是最新版本"));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(check.count(), clickable ? 1 : 0);
}

void TestSettingsPage::languageChangeKeepsSelectionQuietly()
{
    store(false, false, false, "en_US");
    CustomSettingsForm page(nullptr);
    auto *combo = page.findChild<QComboBox *>("languageCombo");
    QCOMPARE(combo->currentIndex(), 1);
    QSignalSpy language(&page, &CustomSettingsForm::languageChanged);
    QVERIFY(AppLanguageManager::applyLanguage("en_US"));
    QTRY_COMPARE(option(page, "exitOnCloseOption")->text(), QStringLiteral("Exit the Program"));
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(language.count(), 0);
    QCOMPARE(page.findChild<CustomClickableLabel *>("updateStatusLabel")->text(), QStringLiteral("Up to date"));
    QCOMPARE(page.findChild<QLabel *>("footerLabel")->text(), QStringLiteral("Copyright © VELKORA. All rights reserved."));
    // The about row's version caption ends in the ASCII colon in English.
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(),
                        [](const QLabel *label) { return label->text() == QStringLiteral("Current Version:"); }));
    AppLanguageManager::applyLanguage("zh_CN");
    QTRY_COMPARE(option(page, "exitOnCloseOption")->text(), QStringLiteral("关闭即退出程序"));
    QCOMPARE(language.count(), 0);
}

void TestSettingsPage::aboutRowFitsItsCard_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("tooLow");
    QTest::addColumn<bool>("required");
    QTest::addColumn<bool>("badge");
    QTest::addColumn<bool>("switchWhileShown");
    QTest::newRow("zh_CN, up to date") << "zh_CN" << false << false << false << false;
    QTest::newRow("zh_CN, outdated, badge") << "zh_CN" << true << false << true << false;
    QTest::newRow("en_US, up to date") << "en_US" << false << false << false << false;
    QTest::newRow("en_US, update required, badge") << "en_US" << false << true << true << false;
    QTest::newRow("switched to en_US on the page") << "en_US" << false << false << true << true;
}

// The about row is longer in English than its card: the cards grow alike
// (the grid stays), the row's texts keep their room and the card's margin.
void TestSettingsPage::aboutRowFitsItsCard()
{
    QFETCH(QString, language);
    QFETCH(bool, tooLow);
    QFETCH(bool, required);
    QFETCH(bool, badge);
    QFETCH(bool, switchWhileShown);
    if (!switchWhileShown)
        QVERIFY(AppLanguageManager::applyLanguage(language));
    const auto restore = qScopeGuard([] { AppLanguageManager::applyLanguage("zh_CN"); });
    CustomSettingsForm page(nullptr);
    page.resize(1280, 652);
    page.setVersionTooLow(tooLow);
    page.setUpdateRequired(required);
    page.setUpdateBadgeVisible(badge);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    if (switchWhileShown) {
        QVERIFY(AppLanguageManager::applyLanguage(language));
        QTRY_COMPARE(page.findChild<QLabel *>("userAgreementLink")->text(), QStringLiteral("User Agreement"));
    }

    const auto cardOf = [&page](const char *child) { return page.findChild<QWidget *>(child)->parentWidget(); };
    QWidget *about = cardOf("updateStatusLabel");
    QTRY_VERIFY2_WITH_TIMEOUT(TextFit::cutTexts(&page).isEmpty(), qPrintable(TextFit::cutTexts(&page).join('\n')),
                              2000);
    const QRect aboutRect(about->mapTo(&page, QPoint(0, 0)), about->size());
    const QRect lastText = TextFit::textRect(page.findChild<QWidget *>("userAgreementLink"), &page);
    QVERIFY(aboutRect.right() - lastText.right() >= 20);

    const int width = about->width();
    QVERIFY(width >= 435);
    if (language == QLatin1String("zh_CN"))
        QCOMPARE(width, 435);
    for (const char *child : {"autoStartOption", "exitOnCloseOption", "contactEmailLink"})
        QCOMPARE(cardOf(child)->width(), width);
    QCOMPARE(cardOf("languageCombo")->width(), 2 * width + 24);
}

void TestSettingsPage::linksOpenThenReport()
{
    UrlSink sink;
    QDesktopServices::setUrlHandler("mailto", &sink, "open");
    QDesktopServices::setUrlHandler("https", &sink, "open");
    CustomSettingsForm page(nullptr);
    QStringList order;
    connect(&page, &CustomSettingsForm::contactCustomerService, this, [&] { order << QString::number(sink.urls.size()); });
    connect(&page, &CustomSettingsForm::privacyPolicy, this, [&] { order << QString::number(sink.urls.size()); });

    auto click = [&](const char *name) {
        auto *label = page.findChild<CustomClickableLabel *>(QLatin1String(name));
        label->resize(60, 20);
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    };
    click("contactEmailLink");
    click("privacyPolicyLink");
    QCOMPARE(sink.urls.size(), 2);
    QCOMPARE(sink.urls.at(0), QUrl("mailto:" + CustomSettingsForm::supportEmailAddress()));
    QCOMPARE(sink.urls.at(1).scheme(), QStringLiteral("https"));
    // Each signal follows its page being opened.
    QCOMPARE(order, (QStringList{"1", "2"}));
    QDesktopServices::unsetUrlHandler("mailto");
    QDesktopServices::unsetUrlHandler("https");
}

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
