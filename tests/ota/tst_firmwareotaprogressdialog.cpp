// The firmware progress dialog as the firmware coordinators drive it.
#include "ota/ui/FirmwareOtaProgressDialog.h"
#include "tests/app/TestEnvironment.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

QString text(const FirmwareOtaProgressDialog &dialog, const char *label)
{
    auto *widget = dialog.findChild<QLabel *>(QLatin1String(label));
    return widget ? widget->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

int page(const FirmwareOtaProgressDialog &dialog)
{
    return dialog.findChild<QStackedWidget *>(QStringLiteral("pageStack"))->currentIndex();
}

QPushButton *button(const FirmwareOtaProgressDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

// The bar as drawn, one row through its middle.
QList<QColor> barRow(const FirmwareOtaProgressDialog &dialog)
{
    auto *bar = dialog.findChild<QWidget *>(QStringLiteral("progressBar"));
    const QImage image = bar->grab().toImage();
    QList<QColor> row;
    for (int x = 0; x < image.width(); ++x)
        row.append(image.pixelColor(x, image.height() / 2));
    return row;
}

bool isTrack(const QColor &c)
{
    return qAbs(c.red() - 0x22) <= 2 && qAbs(c.green() - 0x22) <= 2 && qAbs(c.blue() - 0x22) <= 2;
}

bool isAccent(const QColor &c)
{
    return c.blue() > 0x70 && c.red() > 0x30 && c.green() < 0x40;
}

} // namespace

class TestFirmwareOtaProgressDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void construction_data();
    void construction();
    void progressIsClampedAndDrawn_data();
    void progressIsClampedAndDrawn();
    void showFailure_data();
    void showFailure();
    void showUpToDate_data();
    void showUpToDate();
    void resetProgressReturnsToTheProgressPage();
    void refusesToCloseWhileUpgrading();
    void failurePageLetsItCloseWithoutSetUpgrading();
    void retryOnlyReports();
    void centresOnTheParentWindow();
    void englishCatalogue();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TestFirmwareOtaProgressDialog::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
}

void TestFirmwareOtaProgressDialog::construction_data()
{
    QTest::addColumn<bool>("receiver");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("currentLine");
    QTest::addColumn<QString>("hintLine");

    QTest::newRow("headset") << false << "1.0.3" << "1.0.4" << "耳机固件升级" << "当前版本：1.0.3"
                             << "可更新版本：1.0.4";
    QTest::newRow("receiver") << true << "2.1" << "2.2" << "接收器固件升级" << "当前版本：2.1" << "可更新版本：2.2";
    QTest::newRow("blanks and a v") << false << "  v1.2.0 " << "V1.3.0" << "耳机固件升级" << "当前版本：1.2.0"
                                    << "可更新版本：1.3.0";
    QTest::newRow("blank after the v") << false << "v 3.0" << "v" << "耳机固件升级" << "当前版本：3.0"
                                       << "可更新版本：-";
    QTest::newRow("only one v goes") << false << "vv2" << "Vv2" << "耳机固件升级" << "当前版本：v2" << "可更新版本：v2";
    QTest::newRow("empty") << true << "" << "  " << "接收器固件升级" << "当前版本：-" << "可更新版本：-";
}

void TestFirmwareOtaProgressDialog::construction()
{
    QFETCH(bool, receiver);
    QFETCH(QString, current);
    QFETCH(QString, available);

    QFETCH(QString, title);
    QFETCH(QString, currentLine);
    QFETCH(QString, hintLine);

    FirmwareOtaProgressDialog dialog(receiver, current, available, nullptr);

    QCOMPARE(text(dialog, "titleLabel"), title);
    QCOMPARE(text(dialog, "currentVersionLabel"), currentLine);
    QCOMPARE(text(dialog, "versionHintLabel"), hintLine);
    QCOMPARE(text(dialog, "progressLabel"), QStringLiteral("升级中 0%"));
    QCOMPARE(page(dialog), 0);
    QVERIFY(!dialog.isUpgrading());
    QVERIFY(button(dialog, "closeButton")->isEnabled());
    QCOMPARE(button(dialog, "closeButton")->text(), QStringLiteral("\u00D7"));
    QVERIFY(!button(dialog, "upToDateButton")->isEnabled());
    QCOMPARE(dialog.size(), QSize(326, 286));
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!dialog.mask().isEmpty());
}

void TestFirmwareOtaProgressDialog::progressIsClampedAndDrawn_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("filledUpTo"); // last pixel column of the middle row that must be filled; -1: none

    // 209 px: 1 % is 2.09 px, drawn; 0 % draws nothing but the track.
    QTest::newRow("below range") << -5 << "升级中 0%" << -1;
    QTest::newRow("zero") << 0 << "升级中 0%" << -1;
    QTest::newRow("one") << 1 << "升级中 1%" << 1;
    QTest::newRow("half") << 50 << "升级中 50%" << 103;
    QTest::newRow("full") << 100 << "升级中 100%" << 207;
    QTest::newRow("above range") << 250 << "升级中 100%" << 207;
}

void TestFirmwareOtaProgressDialog::progressIsClampedAndDrawn()
{
    QFETCH(int, percent);
    QFETCH(int, filledUpTo);
    QFETCH(QString, label);
    FirmwareOtaProgressDialog dialog(false, "1.0", "1.1", nullptr);
    dialog.setUpgrading(true);
    dialog.resetProgress();

    dialog.setProgress(percent);

    QCOMPARE(text(dialog, "progressLabel"), label);
    const QList<QColor> row = barRow(dialog);
    QCOMPARE(row.size(), 209);
    // The rounded ends blend with what lies behind; the inner columns say it all.
    for (int x = 1; x < 208; ++x) {
        if (x <= filledUpTo)
            QVERIFY2(isAccent(row[x]), qPrintable(QStringLiteral("x=%1 %2").arg(x).arg(row[x].name())));
        else if (x > filledUpTo + 2)
            QVERIFY2(isTrack(row[x]), qPrintable(QStringLiteral("x=%1 %2").arg(x).arg(row[x].name())));
    }
    if (filledUpTo == 207) {
        // The gradient spans the whole bar: the far end is the darker stop.
        QVERIFY(row[206].red() < row[5].red());
    }
}

void TestFirmwareOtaProgressDialog::showFailure_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << "" << "升级失败";
    QTest::newRow("blanks only") << " \t " << "升级失败";
    QTest::newRow("trimmed") << "  设备未响应 \n" << "设备未响应";
}

void TestFirmwareOtaProgressDialog::showFailure()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    FirmwareOtaProgressDialog dialog(true, "1.0", "1.1", nullptr);
    dialog.setUpgrading(true);
    dialog.setProgress(40);

    dialog.showFailure(message);

    QCOMPARE(text(dialog, "failureLabel"), shown);
    QCOMPARE(page(dialog), 2);
    QVERIFY(!dialog.isUpgrading());
    QVERIFY(button(dialog, "closeButton")->isEnabled());
    QCOMPARE(text(dialog, "versionHintLabel"), QStringLiteral("可更新版本：1.1"));
}

void TestFirmwareOtaProgressDialog::showUpToDate_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("currentLine");
    QTest::newRow("empty") << "" << "当前版本：-";
    QTest::newRow("capital V") << "V2.0.1" << "当前版本：2.0.1";
    QTest::newRow("plain") << " 2.0.1 " << "当前版本：2.0.1";
}

void TestFirmwareOtaProgressDialog::showUpToDate()
{
    QFETCH(QString, version);
    QFETCH(QString, currentLine);
    FirmwareOtaProgressDialog dialog(false, "1.0", "2.0.1", nullptr);
    dialog.setUpgrading(true);
    dialog.setProgress(100);

    dialog.showUpToDate(version);

    QCOMPARE(text(dialog, "currentVersionLabel"), currentLine);
    QCOMPARE(text(dialog, "versionHintLabel"), QStringLiteral("已是最新版本"));
    QCOMPARE(page(dialog), 1);
    QVERIFY(!dialog.isUpgrading());
    QVERIFY(button(dialog, "closeButton")->isEnabled());
    QCOMPARE(text(dialog, "progressLabel"), QStringLiteral("升级中 100%")); // kept as it was
}

void TestFirmwareOtaProgressDialog::resetProgressReturnsToTheProgressPage()
{
    FirmwareOtaProgressDialog dialog(false, "1.0", "1.1", nullptr);
    dialog.setProgress(70);
    dialog.showUpToDate("1.1");
    dialog.setUpgrading(true);

    dialog.resetProgress();

    QCOMPARE(page(dialog), 0);
    QCOMPARE(text(dialog, "progressLabel"), QStringLiteral("升级中 0%"));
    QCOMPARE(text(dialog, "versionHintLabel"), QStringLiteral("可更新版本：1.1"));
    QCOMPARE(text(dialog, "currentVersionLabel"), QStringLiteral("当前版本：1.1"));
    QVERIFY(dialog.isUpgrading()); // the busy flag is not its business
    QVERIFY(!isAccent(barRow(dialog)[100]));
}

void TestFirmwareOtaProgressDialog::refusesToCloseWhileUpgrading()
{
    FirmwareOtaProgressDialog dialog(false, "1.0", "1.1", nullptr);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.setUpgrading(true);
    dialog.resetProgress();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QVERIFY(!button(dialog, "closeButton")->isEnabled());
    QVERIFY(!dialog.close());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(rejected.count(), 0);

    dialog.setUpgrading(false);
    QVERIFY(button(dialog, "closeButton")->isEnabled());
    QTest::mouseClick(button(dialog, "closeButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestFirmwareOtaProgressDialog::failurePageLetsItCloseWithoutSetUpgrading()
{
    FirmwareOtaProgressDialog dialog(false, "1.0", "1.1", nullptr);
    dialog.setUpgrading(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    dialog.showFailure(QString());

    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
}

void TestFirmwareOtaProgressDialog::retryOnlyReports()
{
    FirmwareOtaProgressDialog dialog(true, "1.0", "1.1", nullptr);
    QSignalSpy retry(&dialog, &FirmwareOtaProgressDialog::retryRequested);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.showFailure(QStringLiteral("x"));

    QTest::mouseClick(button(dialog, "retryButton"), Qt::LeftButton);

    QCOMPARE(retry.count(), 1);
    QCOMPARE(page(dialog), 2);
    QVERIFY(!dialog.isUpgrading());
    QVERIFY(dialog.isVisible());
}

void TestFirmwareOtaProgressDialog::centresOnTheParentWindow()
{
    QWidget window;
    window.setGeometry(140, 90, 1000, 700);
    QWidget inner(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    FirmwareOtaProgressDialog dialog(false, "1.0", "1.1", &inner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QRect frame = window.frameGeometry();
    QCOMPARE(dialog.pos(), QPoint(frame.x() + (frame.width() - 326) / 2, frame.y() + (frame.height() - 286) / 2));
    const auto *close = button(dialog, "closeButton");
    QCOMPARE(close->geometry(), QRect(326 - 22 - 24, 16, 22, 22));
}

void TestFirmwareOtaProgressDialog::englishCatalogue()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));

    FirmwareOtaProgressDialog dialog(true, "1.0", "", nullptr);
    dialog.setProgress(42);
    const QString progress = text(dialog, "progressLabel");
    dialog.showFailure(QString());
    const QString failure = text(dialog, "failureLabel");
    QCoreApplication::removeTranslator(&english);

    QCOMPARE(text(dialog, "titleLabel"), QStringLiteral("Receiver firmware update"));
    QCOMPARE(text(dialog, "currentVersionLabel"), QStringLiteral("Current version: 1.0"));
    QCOMPARE(text(dialog, "versionHintLabel"), QStringLiteral("Available update: -"));
    QCOMPARE(progress, QStringLiteral("Updating 42%"));
    QCOMPARE(failure, QStringLiteral("Update failed"));
    QCOMPARE(button(dialog, "retryButton")->text(), QStringLiteral("Retry update"));
    QCOMPARE(button(dialog, "upToDateButton")->text(), QStringLiteral("Upgrade now"));
}

QTEST_MAIN(TestFirmwareOtaProgressDialog)
#include "tst_firmwareotaprogressdialog.moc"
