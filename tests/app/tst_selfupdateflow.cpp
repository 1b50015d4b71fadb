// The self-update conversation on a plain widget: the question, the failure
// boxes and the receipt are shown without a loop of their own, take newer
// answers while they are up, and drop answers that come after the program
// started to quit or after the window went away.
#include "app/SelfUpdateFlow.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "cloud/RemoteUpdater.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>

using RemoteUpdate::RemoteUpdater;
using RemoteUpdate::UpdateInfo;

namespace {

// An offer whose download fails at once: its address is not one the updater takes.
UpdateInfo offer(bool force = false, const QString &version = QStringLiteral("0.2.0"))
{
    UpdateInfo info;
    info.latestVersion = version;
    info.downloadUrl = QStringLiteral("ftp://example.invalid/Velkora.exe");
    info.sha256 = QStringLiteral("00");
    info.force = force;
    return info;
}

template <typename T>
T *modal()
{
    auto *widget = qobject_cast<T *>(QApplication::activeModalWidget());
    return widget && widget->isVisible() ? widget : nullptr;
}

QString labelText(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLabel *>(QLatin1String(name))->text();
}

void press(QWidget *dialog, const char *name)
{
    dialog->findChild<QPushButton *>(QLatin1String(name))->click();
}

QAbstractButton *boxButton(QMessageBox *box, const QString &text)
{
    const QList<QAbstractButton *> buttons = box->buttons();
    for (QAbstractButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class TestSelfUpdateFlow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void answers_data();
    void answers();
    void newerOfferTakesTheOpenQuestion();
    void answersWhileQuittingAreDropped();
    void checkFailureBox();
    void retryBox();
    void failureTextOfTheFirstLine_data();
    void failureTextOfTheFirstLine();
    void windowGoesAwayWithDialogsUp_data();
    void windowGoesAwayWithDialogsUp();
    void receiptWaitsAndShowsOnce();

private:
    TestEnvironment m_env;
    std::unique_ptr<QWidget> m_window;
    RemoteUpdater *m_updater = nullptr;
    SelfUpdateFlow *m_flow = nullptr;
    bool m_quitting = false;
};

void TestSelfUpdateFlow::init()
{
    m_env.clearSettings();
    QFile::remove(RemoteUpdate::installReceiptPath());
    m_quitting = false;
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    m_updater = new RemoteUpdater(m_window.get());
    // Every check fails at once.
    m_updater->setManifestUrl(QUrl());
    m_flow = new SelfUpdateFlow(m_updater, m_window.get());
    m_flow->setQuittingProbe([this] { return m_quitting; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestSelfUpdateFlow::cleanup()
{
    m_window.reset();
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestSelfUpdateFlow::answers_data()
{
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("downloads");
    QTest::addColumn<bool>("badge");
    QTest::addColumn<bool>("quits");
    QTest::newRow("optional, confirmed") << false << "confirmButton" << true << false << false;
    QTest::newRow("optional, declined") << false << "cancelButton" << false << true << false;
    QTest::newRow("required, confirmed") << true << "confirmButton" << true << false << false;
    QTest::newRow("required, refused") << true << "cancelButton" << false << false << true;
}

void TestSelfUpdateFlow::answers()
{
    QFETCH(bool, force);
    QFETCH(QString, button);
    QFETCH(bool, downloads);
    QFETCH(bool, badge);
    QFETCH(bool, quits);
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    QSignalSpy badges(m_flow, &SelfUpdateFlow::badgeVisibilityChanged);
    QSignalSpy quit(m_flow, &SelfUpdateFlow::quitRequested);
    QSignalSpy aside(m_flow, &SelfUpdateFlow::updateSetAside);
    QSignalSpy offered(m_flow, &SelfUpdateFlow::offerChanged);

    emit m_updater->updateAvailable(offer(force));
    // Back at once, with the question up.
    auto *question = modal<UpdateAvailableDialog>();
    QVERIFY(question);
    QCOMPARE(m_flow->questionDialog(), question);
    QVERIFY(m_flow->isUpdateInfoHeld());
    QCOMPARE(offered.size(), 1);
    QCOMPARE(offered.first(), (QVariantList{false, force, true}));
    QCOMPARE(quit.size() + badges.size() + aside.size() + failed.size(), 0);

    QPointer<UpdateAvailableDialog> guard(question);
    press(question, qPrintable(button));
    QTRY_VERIFY(!guard);
    QVERIFY(!m_flow->questionDialog());
    QCOMPARE(failed.size(), downloads ? 1 : 0);
    QCOMPARE(m_flow->isBadgeShown(), badge);
    QCOMPARE(aside.size(), badge ? 1 : 0);
    QCOMPARE(quit.size(), quits ? 1 : 0);
}

void TestSelfUpdateFlow::newerOfferTakesTheOpenQuestion()
{
    QSignalSpy quit(m_flow, &SelfUpdateFlow::quitRequested);
    m_flow->showUpdateQuestion(offer(false));
    UpdateAvailableDialog *question = modal<UpdateAvailableDialog>();
    QVERIFY(question);
    QCOMPARE(labelText(question, "messageLabel"), QStringLiteral("系统检测有新版本，是否立即更新？"));

    // A second answer of the updater while the first question is up: one question, the newer words.
    m_flow->showUpdateQuestion(offer(true, QStringLiteral("0.3.0")));
    QCOMPARE(m_window->findChildren<UpdateAvailableDialog *>().size(), 1);
    QCOMPARE(modal<UpdateAvailableDialog>(), question);
    QCOMPARE(labelText(question, "messageLabel"), QStringLiteral("系统检测有新版本，是否立即升级？"));
    QCOMPARE(question->findChild<QPushButton *>(QStringLiteral("cancelButton"))->text(), QStringLiteral("退出"));

    // Refused: it was the required one that was refused.
    press(question, "cancelButton");
    QCOMPARE(quit.size(), 1);
    QVERIFY(!m_flow->isBadgeShown());
}

void TestSelfUpdateFlow::answersWhileQuittingAreDropped()
{
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    QSignalSpy quit(m_flow, &SelfUpdateFlow::quitRequested);
    m_flow->showUpdateQuestion(offer(true));
    UpdateAvailableDialog *question = modal<UpdateAvailableDialog>();
    QVERIFY(question);
    m_quitting = true;
    // Quitting closes every window; the question's answer then means nothing.
    question->close();
    QVERIFY(!m_flow->questionDialog());
    QCOMPARE(quit.size(), 0);
    QCOMPARE(failed.size(), 0);
    QVERIFY(!m_flow->isBadgeShown());

    // The retry box the same.
    m_quitting = false;
    m_flow->showUpdateQuestion(offer(false));
    press(modal<UpdateAvailableDialog>(), "confirmButton");
    QCOMPARE(failed.size(), 1);
    auto *box = modal<QMessageBox>();
    QVERIFY(box);
    m_quitting = true;
    boxButton(box, QStringLiteral("重试"))->click();
    QCOMPARE(failed.size(), 1);
}

void TestSelfUpdateFlow::checkFailureBox()
{
    WindowTest::MessageLog log;
    // The automatic check says nothing on screen.
    m_flow->startAutomaticCheck();
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(log.contains(QStringLiteral("[Update] auto-check failed: Manifest URL is not set or invalid")));

    m_flow->startUserCheck();
    auto *box = modal<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("检查更新"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->text(), QStringLiteral("检查更新失败：Manifest URL is not set or invalid"));

    // The user asks again while the box is up: the same box tells the newer reason.
    m_updater->setManifestUrl(QUrl(QStringLiteral("ftp://example.invalid/manifest")));
    m_flow->startUserCheck();
    QCOMPARE(m_window->findChildren<QMessageBox *>().size(), 1);
    QCOMPARE(modal<QMessageBox>(), box);
    const QString newer = box->text();
    QVERIFY(newer.startsWith(QStringLiteral("检查更新失败：")));
    QVERIFY(newer != QStringLiteral("检查更新失败：Manifest URL is not set or invalid"));
    // An automatic failure meanwhile changes nothing on screen.
    emit m_updater->checkFailed(QStringLiteral(" "));
    QCOMPARE(box->text(), newer);
    QPointer<QMessageBox> guard(box);
    box->buttons().first()->click();
    QTRY_VERIFY(!guard);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestSelfUpdateFlow::retryBox()
{
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    m_flow->showUpdateQuestion(offer(false));
    press(modal<UpdateAvailableDialog>(), "confirmButton");
    QCOMPARE(failed.size(), 1);
    auto *box = modal<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("发现新版本"));
    QCOMPARE(box->text(), QStringLiteral("升级未成功，请稍后重试。"));

    // A second failure while the box is up: the same box, the newer text.
    emit m_updater->hashVerificationFailed(QString());
    QCOMPARE(m_window->findChildren<QMessageBox *>().size(), 1);
    QCOMPARE(box->text(), QStringLiteral("请稍后重试"));

    // Retry downloads again; the new failure comes in a new box.
    boxButton(box, QStringLiteral("重试"))->click();
    QCOMPARE(failed.size(), 2);
    auto *second = modal<QMessageBox>();
    QVERIFY(second);
    QVERIFY(second != box);
    boxButton(second, QStringLiteral("取消"))->click();
    QCOMPARE(failed.size(), 2);
    QTRY_VERIFY(m_window->findChildren<QMessageBox *>().isEmpty());
}

void TestSelfUpdateFlow::failureTextOfTheFirstLine_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const QString generic = QStringLiteral("升级未成功，请稍后重试。");
    // The folder's name holds words of other rules ("tls", " 403", "timeout").
    const QString folder = QStringLiteral("/home/tls 403/timeout-cache-of-the-user/.cache: writable by its group");
    QTest::newRow("folder refused: the folder under the generic text")
        << "Failed to create download directory\n" + folder << generic + QLatin1Char('\n') + folder;
    QTest::newRow("recognised first line: its text alone")
        << "Failed to start installer workflow. You can run it manually:\n/home/ssl/a.exe"
        << "无法启动安装程序，请稍后重试。";
    QTest::newRow("one line") << "Something odd" << generic;
}

void TestSelfUpdateFlow::failureTextOfTheFirstLine()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    // Without a download dialog: the retry box.
    m_flow->onFailure(message);
    auto *box = modal<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->text(), shown);
    boxButton(box, QStringLiteral("取消"))->click();
    QTRY_VERIFY(!QApplication::activeModalWidget());

    // With one: its failure page, the whole text in the label's room.
    m_flow->onDownloadStarted();
    UpdateDownloadProgressDialog *dialog = m_flow->progressDialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    m_flow->onFailure(message);
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("failureLabel"));
    QCOMPARE(label->text(), shown);
    QTRY_VERIFY(label->isVisible());
    const int needed = label->heightForWidth(label->width());
    QVERIFY2(needed <= label->height(), qPrintable(QStringLiteral("needs %1 px, has %2").arg(needed).arg(label->height())));
}

void TestSelfUpdateFlow::windowGoesAwayWithDialogsUp_data()
{
    QTest::addColumn<int>("dialog");
    QTest::newRow("question") << 0;
    QTest::newRow("retry box") << 1;
    QTest::newRow("check failure") << 2;
    QTest::newRow("progress") << 3;
}

void TestSelfUpdateFlow::windowGoesAwayWithDialogsUp()
{
    QFETCH(int, dialog);
    switch (dialog) {
    case 0: m_flow->showUpdateQuestion(offer(true)); break;
    case 1: m_flow->onFailure(QStringLiteral("x")); break;
    case 2: m_flow->startUserCheck(); break;
    default: m_flow->onDownloadStarted(); break;
    }
    QPointer<QWidget> up = QApplication::activeModalWidget();
    QVERIFY(up);
    QPointer<SelfUpdateFlow> flow(m_flow);
    m_window.reset();
    QVERIFY(!up);
    QVERIFY(!flow);
    // Nothing is left behind to answer into the freed flow.
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
}

void TestSelfUpdateFlow::receiptWaitsAndShowsOnce()
{
    const QString path = RemoteUpdate::installReceiptPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"status":"failed","code":3})");
    file.close();
    m_flow->checkLastInstallReceipt();
    QVERIFY(!QFile::exists(path));
    const QString message = QStringLiteral("上次更新未完成（错误码 3）。请重试更新。");
    QCOMPARE(m_flow->pendingReceiptMessage(), message);

    bool blocked = true;
    m_flow->setReceiptBlocker([&blocked] { return blocked; });
    m_flow->showInstallReceiptResult();
    QVERIFY(!QApplication::activeModalWidget());
    m_quitting = true;
    blocked = false;
    m_flow->showInstallReceiptResult();
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_flow->pendingReceiptMessage(), message);

    m_quitting = false;
    m_flow->showInstallReceiptResult();
    auto *box = modal<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->text(), message);
    QVERIFY(m_flow->pendingReceiptMessage().isEmpty());
    // Once only.
    m_flow->showInstallReceiptResult();
    QCOMPARE(m_window->findChildren<QMessageBox *>().size(), 1);
    box->buttons().first()->click();
}

QTEST_MAIN(TestSelfUpdateFlow)
#include "tst_selfupdateflow.moc"
