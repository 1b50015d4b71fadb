// The update question box and the download progress dialog on their own.
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "tests/app/TestEnvironment.h"
#include "tests/support/testenv/TextFit.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

namespace {

QPushButton *button(const QWidget &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

QString labelText(const QWidget &dialog, const char *name)
{
    auto *label = dialog.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QStringList noteLines(const UpdateDownloadProgressDialog &dialog)
{
    QStringList lines;
    const auto *area = dialog.findChild<QScrollArea *>(QStringLiteral("notesArea"));
    for (const QLabel *label : area->widget()->findChildren<QLabel *>())
        lines.append(label->text());
    return lines;
}

int page(const UpdateDownloadProgressDialog &dialog)
{
    return dialog.findChild<QStackedWidget *>(QStringLiteral("pageStack"))->currentIndex();
}

bool isTrack(const QColor &c)
{
    return qAbs(c.red() - 0x22) <= 2 && qAbs(c.green() - 0x22) <= 2 && qAbs(c.blue() - 0x22) <= 2;
}

bool isAccent(const QColor &c)
{
    return c.blue() > 0x70 && c.red() > 0x30 && c.green() < 0x40;
}

void pressKey(QWidget *widget, Qt::Key key)
{
    QTest::keyClick(widget, key);
}

} // namespace

class TestUpdateDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void questionEndsWith_data();
    void questionEndsWith();
    void questionHeightFollowsTheText();
    void questionChoiceResetsWithNewContent();
    void questionKeepsTheMessageOffTheButtons_data();
    void questionKeepsTheMessageOffTheButtons();
    void textsAreNotClipped();

    void progressDialogConstruction();
    void splitReleaseNotes_data();
    void splitReleaseNotes();
    void emptyReleaseNotesSayNone();
    void progressIsClampedAndPainted_data();
    void progressIsClampedAndPainted();
    void failurePageFreezesProgressUntilDownloadingAgain();
    void escapeOnlyLeavesTheFailurePage();
    void retryReportsAndStays();
    void englishCatalogue();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TestUpdateDialogs::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
}

void TestUpdateDialogs::questionEndsWith_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("result");
    QTest::newRow("confirm button") << "confirm" << 1 << int(QDialog::Accepted);
    QTest::newRow("cancel button") << "cancel" << 2 << int(QDialog::Rejected);
    QTest::newRow("Enter") << "enter" << 1 << int(QDialog::Accepted);
    QTest::newRow("Escape") << "escape" << 2 << int(QDialog::Rejected);
    QTest::newRow("closed from outside") << "reject" << 2 << int(QDialog::Rejected);
}

void TestUpdateDialogs::questionEndsWith()
{
    QFETCH(QString, how);
    QFETCH(int, choice);
    QFETCH(int, result);

    UpdateAvailableDialog dialog;
    dialog.setContent("发现新版本", "系统检测有新版本，是否立即更新？", "取消", "立即升级");
    QCOMPARE(dialog.choice(), 0);
    QCOMPARE(button(dialog, "cancelButton")->text(), QStringLiteral("取消"));
    QCOMPARE(button(dialog, "confirmButton")->text(), QStringLiteral("立即升级"));
    QTimer::singleShot(0, &dialog, [&] {
        if (how == "confirm")
            button(dialog, "confirmButton")->click();
        else if (how == "cancel")
            button(dialog, "cancelButton")->click();
        else if (how == "enter")
            pressKey(&dialog, Qt::Key_Return);
        else if (how == "escape")
            pressKey(&dialog, Qt::Key_Escape);
        else
            dialog.reject();
    });
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(dialog.choice(), choice);
}

void TestUpdateDialogs::questionHeightFollowsTheText()
{
    UpdateAvailableDialog dialog;
    QCOMPARE(dialog.width(), 364);
    dialog.setContent("发现新版本", "是否立即更新？", "取消", "立即升级");
    QCOMPARE(dialog.height(), 154);
    QVERIFY(!dialog.mask().isEmpty());

    QString longMessage;
    for (int i = 0; i < 20; ++i)
        longMessage += QStringLiteral("当前版本已低于最低支持，请安装更新后继续使用。");
    dialog.setContent("版本过低", longMessage, "退出", "立即升级");
    QVERIFY2(dialog.height() > 154, qPrintable(QString::number(dialog.height())));
    QCOMPARE(dialog.minimumHeight(), dialog.maximumHeight());

    // Filled again with a short text it shrinks back.
    dialog.setContent("发现新版本", "是否立即更新？", "取消", "立即升级");
    QCOMPARE(dialog.height(), 154);
}

void TestUpdateDialogs::questionChoiceResetsWithNewContent()
{
    UpdateAvailableDialog dialog;
    dialog.setContent("a", "b", "c", "d");
    QTimer::singleShot(0, &dialog, [&] { button(dialog, "confirmButton")->click(); });
    dialog.exec();
    QCOMPARE(dialog.choice(), 1);
    dialog.setContent("a", "b", "c", "d");
    QCOMPARE(dialog.choice(), 0);
    // A rejection after a confirm of an earlier round still counts as cancel.
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    dialog.exec();
    QCOMPARE(dialog.choice(), 2);
}

void TestUpdateDialogs::questionKeepsTheMessageOffTheButtons_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("chineseHeight");
    const struct
    {
        const char *name;
        const char *title;
        const char *message;
        int chineseHeight;
    } questions[] = {
        {"firmware, both", "发现固件新版本", "耳机和接收器均有新版本，是否前往「更多设置」升级？", 154},
        {"firmware, one", "发现耳机固件新版本", "可升级至 %1，是否前往「更多设置」升级？", 154},
        {"program, too low", "版本过低", "当前版本已低于最低支持，请安装更新后继续使用。", 154},
        {"program, new", "发现新版本", "系统检测有新版本，是否立即更新？", 154},
    };
    for (const auto &q : questions) {
        for (const char *language : {"zh_CN", "en_US"}) {
            QTest::addRow("%s, %s", q.name, language)
                << QStringLiteral(":/i18n/VELKORA_%1.qm").arg(QLatin1String(language)) << QString::fromUtf8(q.title)
                << QString::fromUtf8(q.message) << (QLatin1String(language) == QLatin1String("zh_CN") ? q.chineseHeight : 0);
        }
    }
}

// The questions the window asks, in both languages: the message never runs
// into the buttons, and a short Chinese one keeps the box at its 154 px.
void TestUpdateDialogs::questionKeepsTheMessageOffTheButtons()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(int, chineseHeight);
    QTranslator translator;
    QVERIFY(translator.load(catalogue));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const auto window = [](const QString &source) {
        return QCoreApplication::translate("HeadphonesDevice", source.toUtf8().constData());
    };
    UpdateAvailableDialog dialog;
    dialog.setContent(window(title), window(message).arg(QStringLiteral("1.3.0")), window("稍后"), window("前往升级"));
    QCoreApplication::removeTranslator(&translator);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QStringList cut = TextFit::cutTexts(&dialog);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    const QRect text = TextFit::textRect(dialog.findChild<QLabel *>("messageLabel"), &dialog);
    const QWidget *cancel = button(dialog, "cancelButton");
    const int buttonsTop = cancel->mapTo(&dialog, QPoint(0, 0)).y();
    const int gap = buttonsTop - text.bottom() - 1;
    QVERIFY2(gap >= 8, qPrintable(QStringLiteral("%1 px").arg(gap)));
    if (chineseHeight > 0)
        QCOMPARE(dialog.height(), chineseHeight);
}

// A wrapped label shows all its lines only when it is as tall as its text needs at its width.
bool fitsItsText(const QLabel *label)
{
    return label->heightForWidth(label->width()) <= label->height();
}

void TestUpdateDialogs::textsAreNotClipped()
{
    UpdateAvailableDialog question;
    question.setContent("发现新版本", "系统检测有新版本，是否立即更新？", "取消", "立即升级");
    question.show();
    QVERIFY(QTest::qWaitForWindowExposed(&question));
    const auto *title = question.findChild<QLabel *>("titleLabel");
    QVERIFY(fitsItsText(title));
    QCOMPARE(title->heightForWidth(title->width()), title->heightForWidth(10000)); // one line
    question.setContent(QString(40, QChar(0x7248)), "x", "取消", "立即升级");
    QVERIFY(fitsItsText(title));
    QVERIFY(fitsItsText(question.findChild<QLabel *>("messageLabel")));

    UpdateDownloadProgressDialog progress("发现新版本", "V.1", "n", nullptr);
    progress.show();
    QVERIFY(QTest::qWaitForWindowExposed(&progress));
    progress.showFailure("安装包校验失败，请重新下载。");
    QTest::qWait(10);
    const auto *failure = progress.findChild<QLabel *>("failureLabel");
    QVERIFY(fitsItsText(failure));
    progress.showFailure("无法启动安装程序，请稍后重试。安全连接失败，请检查网络或系统时间。");
    QTest::qWait(10);
    QVERIFY(fitsItsText(failure));
}

void TestUpdateDialogs::progressDialogConstruction()
{
    QWidget owner;
    owner.setGeometry(100, 80, 1280, 720);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    UpdateDownloadProgressDialog dialog("发现新版本", "V.0.2.0", "修复问题", &owner);
    QCOMPARE(dialog.size(), QSize(348, 391));
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(labelText(dialog, "titleLabel"), QStringLiteral("发现新版本"));
    QCOMPARE(labelText(dialog, "versionLabel"), QStringLiteral("V.0.2.0"));
    QCOMPARE(labelText(dialog, "notesCaption"), QStringLiteral("更新内容"));
    QCOMPARE(noteLines(dialog), QStringList{"修复问题"});
    QCOMPARE(page(dialog), 0);
    QVERIFY(!dialog.isFailureShown());
    QCOMPARE(dialog.progress(), 0);
    QCOMPARE(dialog.progressText(), QStringLiteral("升级中..."));

    auto *rocket = dialog.findChild<QLabel *>(QStringLiteral("rocketLabel"));
    QVERIFY(!rocket->isHidden());
    QVERIFY(!rocket->pixmap().isNull());
    // Turned by 30 degrees, the 140 px picture needs more room than it had.
    QVERIFY(rocket->width() > 140 && rocket->height() > 140);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(rocket->pos(), QPoint(188, 8));
    const QRect frame = owner.frameGeometry();
    QCOMPARE(dialog.pos(), QPoint(frame.x() + (frame.width() - 348) / 2, frame.y() + (frame.height() - 391) / 2));
}

void TestUpdateDialogs::splitReleaseNotes_data()
{
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("line, empty line, two items") << "A\n\nB-C" << QStringList{"A", "B", "C"};
    QTest::newRow("leading hyphen items") << "- first - second\r\n-third" << QStringList{"first", "second", "third"};
    QTest::newRow("carriage returns and blanks") << "  one \r\r  \n two " << QStringList{"one", "two"};
    QTest::newRow("hyphen inside a word splits it") << "Wi-Fi fix" << QStringList{"Wi", "Fi fix"};
    QTest::newRow("only separators") << " -\n - \r\n" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestUpdateDialogs::splitReleaseNotes()
{
    QFETCH(QString, notes);
    QFETCH(QStringList, lines);
    QCOMPARE(UpdateDownloadProgressDialog::splitReleaseNotes(notes), lines);
}

void TestUpdateDialogs::emptyReleaseNotesSayNone()
{
    UpdateDownloadProgressDialog dialog("发现新版本", "V.1", " - \n", nullptr);
    QCOMPARE(noteLines(dialog), QStringList{"暂无更新说明"});
    UpdateDownloadProgressDialog three("发现新版本", "V.1", "A\n\nB-C", nullptr);
    QCOMPARE(noteLines(three), (QStringList{"A", "B", "C"}));
}

void TestUpdateDialogs::progressIsClampedAndPainted_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("leftFilled");
    QTest::addColumn<bool>("rightFilled");
    QTest::newRow("-5 is empty") << -5 << 0 << false << false;
    QTest::newRow("0 is empty") << 0 << 0 << false << false;
    QTest::newRow("half") << 50 << 50 << true << false;
    QTest::newRow("250 is full") << 250 << 100 << true << true;
}

void TestUpdateDialogs::progressIsClampedAndPainted()
{
    QFETCH(int, percent);
    QFETCH(int, stored);
    QFETCH(bool, leftFilled);
    QFETCH(bool, rightFilled);

    UpdateDownloadProgressDialog dialog("t", "v", "n", nullptr);
    dialog.setProgressText(QString());
    dialog.setProgress(percent);
    QCOMPARE(dialog.progress(), stored);

    auto *bar = dialog.findChild<QWidget *>(QStringLiteral("progressBar"));
    QCOMPARE(bar->size(), QSize(240, 44));
    const QImage image = bar->grab().toImage();
    const int y = image.height() / 2;
    const QColor left = image.pixelColor(4, y);
    const QColor right = image.pixelColor(image.width() - 5, y);
    QVERIFY2(leftFilled ? isAccent(left) : isTrack(left), qPrintable(left.name()));
    QVERIFY2(rightFilled ? isAccent(right) : isTrack(right), qPrintable(right.name()));
}

void TestUpdateDialogs::failurePageFreezesProgressUntilDownloadingAgain()
{
    UpdateDownloadProgressDialog dialog("t", "v", "n", nullptr);
    dialog.setProgress(40);
    dialog.setProgressText("升级中 40%");
    dialog.showFailure("  磁盘写入失败，请检查磁盘空间。 ");
    QVERIFY(dialog.isFailureShown());
    QCOMPARE(page(dialog), 1);
    QCOMPARE(labelText(dialog, "failureLabel"), QStringLiteral("磁盘写入失败，请检查磁盘空间。"));

    dialog.setProgress(90);
    dialog.setProgressText("升级中 90%");
    QCOMPARE(dialog.progress(), 40);
    QCOMPARE(dialog.progressText(), QStringLiteral("升级中 40%"));

    dialog.showFailure("   ");
    QCOMPARE(labelText(dialog, "failureLabel"), QStringLiteral("请稍后重试"));

    dialog.showDownloading();
    QVERIFY(!dialog.isFailureShown());
    QCOMPARE(page(dialog), 0);
    QCOMPARE(dialog.progress(), 0);
    QCOMPARE(dialog.progressText(), QStringLiteral("升级中..."));
    dialog.setProgress(12);
    QCOMPARE(dialog.progress(), 12);
}

void TestUpdateDialogs::escapeOnlyLeavesTheFailurePage()
{
    UpdateDownloadProgressDialog dialog("t", "v", "n", nullptr);
    QSignalSpy cancelled(&dialog, &UpdateDownloadProgressDialog::failureCancelled);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    pressKey(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancelled.size(), 0);
    QCOMPARE(rejected.size(), 0);

    dialog.showFailure("x");
    QCOMPARE(QApplication::focusWidget(), button(dialog, "retryButton"));
    pressKey(&dialog, Qt::Key_Escape);
    QCOMPARE(cancelled.size(), 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.isFailureShown());
}

void TestUpdateDialogs::retryReportsAndStays()
{
    UpdateDownloadProgressDialog dialog("t", "v", "n", nullptr);
    QSignalSpy retry(&dialog, &UpdateDownloadProgressDialog::retryRequested);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.showFailure("x");
    // Enter works the focused retry button.
    pressKey(&dialog, Qt::Key_Return);
    button(dialog, "retryButton")->click();
    QCOMPARE(retry.size(), 2);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.isFailureShown());
}

void TestUpdateDialogs::englishCatalogue()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    UpdateDownloadProgressDialog dialog("t", "v", "", nullptr);
    const QStringList notes = noteLines(dialog);
    const QString caption = labelText(dialog, "notesCaption");
    const QString bar = dialog.progressText();
    dialog.showFailure(QString());
    const QString failure = labelText(dialog, "failureLabel");
    const QString retry = button(dialog, "retryButton")->text();
    QCoreApplication::removeTranslator(&english);

    QCOMPARE(notes, QStringList{"No release notes"});
    QCOMPARE(caption, QStringLiteral("What's new"));
    QCOMPARE(bar, QStringLiteral("Updating..."));
    QCOMPARE(failure, QStringLiteral("Please try again later"));
    QCOMPARE(retry, QStringLiteral("Retry"));
}

QTEST_MAIN(TestUpdateDialogs)
#include "tst_updatedialogs.moc"
