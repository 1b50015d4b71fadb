// The main window's self-update against the fake API server: the checks, the
// question, the download dialog with its failures and retries, the badges of
// a declined update, the trusted key, and the receipt of the last
// installation. A recording launcher stands in for the installer.
#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/HeadphonesDevice.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "widgets/CustomizeWindowIconButton.h"
#include "account/CustomLoginWindow.h"
#include "cloud/RemoteUpdater.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"
#include "tests/cloud/TestRsaKey.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using RemoteUpdate::RemoteUpdater;
using RemoteUpdate::UpdateInfo;
using WindowTest::whenModal;

namespace {

const QString manifestRoute = QStringLiteral("home/common/pcUpdate");

// Runs the application's event loop until something quits it; 99 when nothing did within the bound.
int runEventLoopUntilQuit()
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    watchdog.start(15000);
    return QCoreApplication::exec();
}

struct Question
{
    QString title;
    QString message;
    QString cancel;
    QString confirm;
};

// Answers the next update question with `button` ("confirmButton" or "cancelButton") and records it.
std::shared_ptr<bool> answerQuestion(const char *button, std::shared_ptr<Question> seen = {})
{
    const QString name = QLatin1String(button);
    return whenModal<UpdateAvailableDialog>([name, seen](UpdateAvailableDialog *dialog) {
        if (seen) {
            seen->title = dialog->findChild<QLabel *>("titleLabel")->text();
            seen->message = dialog->findChild<QLabel *>("messageLabel")->text();
            seen->cancel = dialog->findChild<QPushButton *>("cancelButton")->text();
            seen->confirm = dialog->findChild<QPushButton *>("confirmButton")->text();
        }
        dialog->findChild<QPushButton *>(name)->click();
    });
}

struct Box
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Records the next message box and presses the button whose text is `press` (the first one when
// empty); `beforePress` runs just before, e.g. to get ready for the next box.
std::shared_ptr<bool> answerBox(std::shared_ptr<Box> seen, const QString &press = QString(),
                                std::function<void()> beforePress = {})
{
    return whenModal<QMessageBox>([seen, press, beforePress](QMessageBox *box) {
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons.clear();
        const QList<QAbstractButton *> buttons = box->buttons();
        QAbstractButton *chosen = buttons.value(0);
        for (QAbstractButton *b : buttons) {
            seen->buttons.append(b->text());
            if (b->text() == press)
                chosen = b;
        }
        if (beforePress)
            beforePress();
        chosen->click();
    });
}

CustomizeWindowIconButton *settingsButton(CustomTitleBar *bar)
{
    for (auto *button : bar->findChildren<CustomizeWindowIconButton *>()) {
        if (button->type() == CustomizeWindowIconButton::Setting)
            return button;
    }
    return nullptr;
}

} // namespace

class TestMainWindowUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void automaticCheckDownloadsAndHandsOver();
    void question_data();
    void question();
    void upToDateClearsTheBadges();
    void failedDownloadRetriesThenGivesUp();
    void failureBeforeTheDownloadOffersARetryBox();
    void progressTexts_data();
    void progressTexts();
    void checkFailures();
    void keyFromTheEnvironmentVerifiesTheManifest();
    void installReceipt_data();
    void installReceipt();
    void receiptWaitsWhileTheLoginWindowIsOpen();

private:
    UpdateInfo publish(const QString &version, bool force = false, const QString &minimum = QString(),
                       const QByteArray &installer = QByteArray(64 * 1024, 'I'));
    std::unique_ptr<HeadphonesDevice> makeWindow(bool trustTestKey = true, int autoCheckDelayMs = 3600000);
    // 1 when the title bar, the settings page and the window all show the update badge, 0 when none
    // does, -1 when they disagree.
    int badges() const;
    QString updateStatus() const;

    TestEnvironment m_env;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QByteArray m_previousTmp;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
    std::unique_ptr<WindowTest::MessageLog> m_log;
};

void TestMainWindowUpdate::initTestCase()
{
    CloudTest::bypassProxy();
    QCoreApplication::setApplicationVersion(QStringLiteral("0.1.26"));
    QVERIFY(CloudTest::TestRsaKey::shared().isValid());
}

void TestMainWindowUpdate::init()
{
    m_env.clearSettings();
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    QDir(m_tmp->path()).mkdir(QStringLiteral("program"));
    m_previousTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    QVERIFY(m_server->start());
    m_launcher = RecordingProcessLauncher();
    QFile::remove(RemoteUpdate::installReceiptPath());
    m_log = std::make_unique<WindowTest::MessageLog>();
}

void TestMainWindowUpdate::cleanup()
{
    m_window.reset();
    m_log.reset();
    m_server.reset();
    if (m_previousTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_previousTmp);
    m_tmp.reset();
}

UpdateInfo TestMainWindowUpdate::publish(const QString &version, bool force, const QString &minimum,
                                         const QByteArray &installer)
{
    const QString fileName = QStringLiteral("Velkora-%1.exe").arg(version);
    m_server->backend().setFile(fileName, installer);
    UpdateInfo info;
    info.latestVersion = version;
    info.downloadUrl = m_server->fileUrl(fileName).toString();
    info.sha256 = QString::fromLatin1(QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex());
    info.releaseNotes = QStringLiteral("- 新增功能\n- 修复问题");
    info.force = force;
    info.minSupportedVersion = minimum;
    info.signature = QString::fromLatin1(CloudTest::TestRsaKey::shared().signBase64(info.signingPayload()));
    m_server->backend().setUpdateManifest({{"latestVersion", info.latestVersion},
                                           {"downloadUrl", info.downloadUrl},
                                           {"sha256", info.sha256},
                                           {"releaseNotes", info.releaseNotes},
                                           {"force", info.force},
                                           {"minSupportedVersion", info.minSupportedVersion},
                                           {"signature", info.signature}});
    return info;
}

std::unique_ptr<HeadphonesDevice> TestMainWindowUpdate::makeWindow(bool trustTestKey, int autoCheckDelayMs)
{
    auto window = std::make_unique<HeadphonesDevice>();
    HeadphonesDeviceTimings timings;
    timings.closeFadeMs = 1;
    timings.autoUpdateCheckDelayMs = autoCheckDelayMs;
    timings.installReceiptDelayMs = 10;
    window->setTimings(timings);
    RemoteUpdater *updater = window->remoteUpdater();
    updater->setProcessLauncher(&m_launcher);
    updater->setProgramDirectory(m_tmp->filePath(QStringLiteral("program")));
    updater->setManifestUrl(QUrl(m_server->baseUrl() + manifestRoute));
    updater->setMaxRetries(0);
    updater->setCheckTimeoutMs(5000);
    updater->setDownloadTimeoutMs(5000);
    if (trustTestKey)
        updater->setTrustedManifestPublicKeyPem(CloudTest::TestRsaKey::shared().publicKeyPem());
    if (!WindowTest::showWindow(*window, false))
        return nullptr;
    return window;
}

int TestMainWindowUpdate::badges() const
{
    const bool title = settingsButton(m_window->titleBar())->isBadgeVisible();
    const bool page = !m_window->settingsPage()->findChild<QLabel *>("updateBadge")->isHidden();
    if (title != page || title != m_window->isUpdateBadgeShown())
        return -1;
    return title ? 1 : 0;
}

QString TestMainWindowUpdate::updateStatus() const
{
    return m_window->settingsPage()->findChild<QLabel *>("updateStatusLabel")->text();
}

void TestMainWindowUpdate::automaticCheckDownloadsAndHandsOver()
{
    const QByteArray installer(300 * 1024, 'X');
    publish(QStringLiteral("0.2.0"), false, QString(), installer);
    auto question = std::make_shared<Question>();
    auto answered = answerQuestion("confirmButton", question);
    QPointer<UpdateDownloadProgressDialog> progress;
    QString dialogTitle, dialogVersion;
    QStringList percents;
    m_window = makeWindow(true, 200);
    QVERIFY(m_window);
    connect(m_window->remoteUpdater(), &RemoteUpdater::downloadProgress, this, [&] {
        if (!m_window->updateProgressDialog())
            return;
        progress = m_window->updateProgressDialog();
        dialogTitle = progress->findChild<QLabel *>("titleLabel")->text();
        dialogVersion = progress->findChild<QLabel *>("versionLabel")->text();
        percents.append(progress->progressText());
    });

    QCOMPARE(runEventLoopUntilQuit(), 0);
    QVERIFY(*answered);
    QCOMPARE(question->title, QStringLiteral("发现新版本"));
    QCOMPARE(question->message, QStringLiteral("系统检测有新版本，是否立即更新？"));
    QCOMPARE(question->cancel, QStringLiteral("取消"));
    QCOMPARE(question->confirm, QStringLiteral("立即升级"));

    QVERIFY(progress);
    QCOMPARE(dialogTitle, QStringLiteral("发现新版本"));
    QCOMPARE(dialogVersion, QStringLiteral("V.0.2.0"));
    QVERIFY(progress->isModal());
    QCOMPARE(progress->windowModality(), Qt::ApplicationModal);
    QVERIFY(!percents.isEmpty());
    QCOMPARE(percents.last(), QStringLiteral("升级中 100%"));
    QCOMPARE(progress->progress(), 100);
    QCOMPARE(progress->progressText(), QStringLiteral("安装程序启动中..."));

    // Handed over and quitting: nothing was really started.
    QCOMPARE(m_launcher.starts.size(), 1);
    QVERIFY(m_launcher.starts.at(0).program.endsWith(QLatin1String("Velkora-0.2.0.exe")));
    QVERIFY(m_window->isQuitting());
    QCOMPARE(badges(), 0);
    QVERIFY(!progress->isVisible());
}

void TestMainWindowUpdate::question_data()
{
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("status");
    QTest::newRow("optional") << false << "" << "发现新版本" << "系统检测有新版本，是否立即更新？" << "取消"
                              << "有新版本";
    QTest::newRow("forced") << true << "" << "发现新版本" << "系统检测有新版本，是否立即升级？" << "退出"
                            << "需立即更新";
    QTest::newRow("below the minimum") << false << "0.2.0" << "版本过低"
                                       << "当前版本已低于最低支持，请安装更新后继续使用。" << "退出" << "版本过低";
}

void TestMainWindowUpdate::question()
{
    QFETCH(bool, force);
    QFETCH(QString, minimum);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, cancel);
    QFETCH(QString, status);

    publish(QStringLiteral("0.3.0"), force, minimum);
    m_window = makeWindow();
    QVERIFY(m_window);
    auto seen = std::make_shared<Question>();
    auto answered = answerQuestion("cancelButton", seen);
    const bool mustUpdate = force || !minimum.isEmpty();
    if (mustUpdate) {
        // Refusing a required update ends the program.
        QTimer::singleShot(0, m_window.get(), [this] { m_window->startUserUpdateCheck(); });
        QCOMPARE(runEventLoopUntilQuit(), 0);
        QVERIFY(m_window->isQuitting());
        QCOMPARE(badges(), 0);
    } else {
        // Declined: the badges remember it; nothing quits.
        m_window->startUserUpdateCheck();
        QTRY_VERIFY_WITH_TIMEOUT(*answered, 10000);
        QCOMPARE(badges(), 1);
        QVERIFY(!m_window->isQuitting());
    }
    QVERIFY(*answered);
    QCOMPARE(seen->title, title);
    QCOMPARE(seen->message, message);
    QCOMPARE(seen->cancel, cancel);
    QCOMPARE(seen->confirm, QStringLiteral("立即升级"));
    QCOMPARE(updateStatus(), status);
}

void TestMainWindowUpdate::upToDateClearsTheBadges()
{
    publish(QStringLiteral("0.3.0"));
    m_window = makeWindow();
    QVERIFY(m_window);
    auto answered = answerQuestion("cancelButton");
    m_window->startUserUpdateCheck();
    QTRY_VERIFY_WITH_TIMEOUT(*answered, 10000);
    QCOMPARE(badges(), 1);

    publish(QStringLiteral("0.1.26"));
    QSignalSpy upToDate(m_window->remoteUpdater(), &RemoteUpdater::upToDate);
    m_window->startUserUpdateCheck();
    QVERIFY(upToDate.wait(10000));
    QCOMPARE(badges(), 0);
    QCOMPARE(updateStatus(), QStringLiteral("已是最新版本"));
}

void TestMainWindowUpdate::failedDownloadRetriesThenGivesUp()
{
    UpdateInfo info = publish(QStringLiteral("0.2.0"));
    // The manifest promises other bytes than the server sends.
    const QByteArray other(1000, 'O');
    info.sha256 = QString::fromLatin1(QCryptographicHash::hash(other, QCryptographicHash::Sha256).toHex());
    info.signature = QString::fromLatin1(CloudTest::TestRsaKey::shared().signBase64(info.signingPayload()));
    m_server->backend().setUpdateManifest({{"latestVersion", info.latestVersion},
                                           {"downloadUrl", info.downloadUrl},
                                           {"sha256", info.sha256},
                                           {"releaseNotes", info.releaseNotes},
                                           {"signature", info.signature}});
    m_window = makeWindow();
    QVERIFY(m_window);
    RemoteUpdater *updater = m_window->remoteUpdater();
    QSignalSpy hashFailed(updater, &RemoteUpdater::hashVerificationFailed);
    QSignalSpy started(updater, &RemoteUpdater::downloadStarted);

    auto answered = answerQuestion("confirmButton");
    m_window->startUserUpdateCheck();
    QTRY_VERIFY_WITH_TIMEOUT(*answered, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(hashFailed.size(), 1, 10000);
    QPointer<UpdateDownloadProgressDialog> dialog = m_window->updateProgressDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isFailureShown());
    QCOMPARE(dialog->findChild<QLabel *>("failureLabel")->text(), QStringLiteral("安装包校验失败，请重新下载。"));
    QCOMPARE(badges(), 0);

    // Retry downloads again in the same dialog, back on its progress page first.
    dialog->findChild<QPushButton *>("retryButton")->click();
    QCOMPARE(started.size(), 2);
    QVERIFY(!dialog->isFailureShown());
    QCOMPARE(dialog->progressText(), QStringLiteral("升级中"));
    QTRY_COMPARE_WITH_TIMEOUT(hashFailed.size(), 2, 10000);
    QCOMPARE(m_window->updateProgressDialog(), dialog.data());
    QVERIFY(dialog->isFailureShown());
    QCOMPARE(m_launcher.starts.size(), 0);

    // Escape on the failure page gives up: the badges stay as a reminder.
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCOMPARE(badges(), 1);
    QTRY_VERIFY(!dialog);
    QVERIFY(!m_window->updateProgressDialog());
}

void TestMainWindowUpdate::failureBeforeTheDownloadOffersARetryBox()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    UpdateInfo info;
    info.latestVersion = QStringLiteral("0.2.0");
    info.downloadUrl = QStringLiteral("ftp://example.invalid/Velkora.exe");
    info.sha256 = QStringLiteral("00");
    QSignalSpy failed(m_window->remoteUpdater(), &RemoteUpdater::downloadFailed);

    // Confirm, then Retry once in the box, then Cancel.
    auto first = std::make_shared<Box>();
    auto second = std::make_shared<Box>();
    std::shared_ptr<bool> cancelled;
    auto confirmed = answerQuestion("confirmButton");
    auto retried = answerBox(first, QStringLiteral("重试"),
                             [&cancelled, second] { cancelled = answerBox(second, QStringLiteral("取消")); });
    m_window->showUpdateDialog(info);
    // The question and the boxes come up one after the other, each without a loop of its own.
    QTRY_VERIFY_WITH_TIMEOUT(cancelled && *cancelled, 10000);
    QVERIFY(*confirmed);
    QVERIFY(*retried);
    QVERIFY(cancelled && *cancelled);
    QCOMPARE(failed.size(), 2);
    QCOMPARE(first->title, QStringLiteral("发现新版本"));
    QCOMPARE(first->text, QStringLiteral("升级未成功，请稍后重试。"));
    QCOMPARE(first->icon, QMessageBox::Warning);
    QCOMPARE(first->buttons, (QStringList{"重试", "取消"}));
    QCOMPARE(second->text, first->text);
    QVERIFY(!m_window->updateProgressDialog());
    QVERIFY(m_log->lines().contains(QStringLiteral(
        "[Update] failure (generic UI): downloadUrl must use http:// or https://")));
}

void TestMainWindowUpdate::progressTexts_data()
{
    QTest::addColumn<qlonglong>("received");
    QTest::addColumn<qlonglong>("total");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown total") << 500LL << 0LL << 0 << "升级中";
    QTest::newRow("negative total") << 500LL << -1LL << 0 << "升级中";
    QTest::newRow("a quarter") << 50LL << 200LL << 25 << "升级中 25%";
    QTest::newRow("rounds down") << 999LL << 1000LL << 99 << "升级中 99%";
    QTest::newRow("more than announced") << 150LL << 100LL << 100 << "升级中 100%";
    QTest::newRow("large files") << 3000000000LL << 4000000000LL << 75 << "升级中 75%";
}

void TestMainWindowUpdate::progressTexts()
{
    QFETCH(qlonglong, received);
    QFETCH(qlonglong, total);
    QFETCH(int, percent);
    QFETCH(QString, text);

    m_window = makeWindow();
    QVERIFY(m_window);
    RemoteUpdater *updater = m_window->remoteUpdater();
    // The updater's signals as a download would send them.
    emit updater->downloadStarted();
    UpdateDownloadProgressDialog *dialog = m_window->updateProgressDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->progressText(), QStringLiteral("升级中"));
    emit updater->downloadProgress(received, total);
    QCOMPARE(dialog->progress(), percent);
    QCOMPARE(dialog->progressText(), text);

    // Nothing moves on the failure page, not even the end of the download.
    emit updater->downloadFailed(QStringLiteral("Operation canceled"));
    QCOMPARE(dialog->findChild<QLabel *>("failureLabel")->text(), QStringLiteral("下载已中断。"));
    emit updater->downloadProgress(1, 1);
    emit updater->downloadFinished(QStringLiteral("/tmp/x.exe"));
    QCOMPARE(dialog->progress(), percent);
    QCOMPARE(dialog->progressText(), text);

    // A new start reuses the dialog.
    emit updater->downloadStarted();
    QCOMPARE(m_window->updateProgressDialog(), dialog);
    QVERIFY(!dialog->isFailureShown());
    QCOMPARE(dialog->progress(), 0);
    emit updater->downloadFinished(QStringLiteral("/tmp/x.exe"));
    QCOMPARE(dialog->progress(), 100);
    QCOMPARE(dialog->progressText(), QStringLiteral("安装程序启动中..."));
}

void TestMainWindowUpdate::checkFailures()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    RemoteUpdater *updater = m_window->remoteUpdater();
    QSignalSpy failed(updater, &RemoteUpdater::checkFailed);

    // The user's check: a box with the reason, or "网络异常" without one.
    m_server->setFault(manifestRoute, FakeApi::Fault::of(FakeApi::Fault::Kind::Stall));
    updater->setCheckTimeoutMs(300);
    auto empty = std::make_shared<Box>();
    auto shown = answerBox(empty);
    m_window->startUserUpdateCheck();
    emit updater->checkFailed(QStringLiteral("  "));
    QTRY_VERIFY_WITH_TIMEOUT(*shown, 10000);
    QCOMPARE(empty->title, QStringLiteral("检查更新"));
    QCOMPARE(empty->text, QStringLiteral("检查更新失败：网络异常"));
    QCOMPARE(empty->icon, QMessageBox::Warning);

    // The stalled request then times out; that answer belongs to no user request: only a log line.
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 2, 5000);
    QVERIFY(m_log->lines().contains(QStringLiteral("[Update] auto-check failed: Update check timed out")));
    QVERIFY(!QApplication::activeModalWidget());

    m_server->clearFaults();
    m_server->setFault(manifestRoute, FakeApi::Fault::status(503));
    auto reason = std::make_shared<Box>();
    shown = answerBox(reason);
    m_window->startUserUpdateCheck();
    QTRY_VERIFY_WITH_TIMEOUT(*shown, 10000);
    QVERIFY2(reason->text.startsWith(QStringLiteral("检查更新失败：")), qPrintable(reason->text));
    QVERIFY(reason->text.size() > QStringLiteral("检查更新失败：").size());
    QCOMPARE(failed.size(), 3);

    // The automatic check says nothing on screen.
    m_log->clear();
    m_window->startAutomaticUpdateCheck();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 4, 10000);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_log->lines().filter(QStringLiteral("[Update] auto-check failed: ")).size(), 1);
}

void TestMainWindowUpdate::keyFromTheEnvironmentVerifiesTheManifest()
{
    publish(QStringLiteral("0.2.0"));
    const QString keyFile = m_tmp->filePath(QStringLiteral("update-key.pem"));
    QFile file(keyFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CloudTest::TestRsaKey::shared().publicKeyPem());
    file.close();

    qputenv("REMOTEUPDATE_PUBLIC_PEM_PATH", QFile::encodeName(QStringLiteral("  %1  ").arg(keyFile)));
    m_window = makeWindow(false);
    qunsetenv("REMOTEUPDATE_PUBLIC_PEM_PATH");
    QVERIFY(m_window);
    QSignalSpy available(m_window->remoteUpdater(), &RemoteUpdater::updateAvailable);
    auto answered = answerQuestion("cancelButton");
    m_window->startUserUpdateCheck();
    QTRY_VERIFY_WITH_TIMEOUT(*answered, 10000);
    QCOMPARE(available.size(), 1);
    m_window.reset();

    // Without a key nothing is trusted: the signed manifest is refused.
    m_log->clear();
    m_window = makeWindow(false);
    QVERIFY(m_window);
    QVERIFY(m_log->lines().contains(QStringLiteral(
        "[Update] public key not found; set REMOTEUPDATE_PUBLIC_PEM_PATH or place "
        "manifest_public.pem/public.pem near app.")));
    auto box = std::make_shared<Box>();
    auto shown = answerBox(box);
    m_window->startUserUpdateCheck();
    QTRY_VERIFY_WITH_TIMEOUT(*shown, 10000);
    QVERIFY2(box->text.contains(QLatin1String("signature"), Qt::CaseInsensitive), qPrintable(box->text));
}

void TestMainWindowUpdate::installReceipt_data()
{
    QTest::addColumn<QByteArray>("receipt");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("failure");
    QTest::newRow("installer started") << QByteArray(R"({"status":"installer_started","code":0})")
                                       << "上次更新安装程序已成功启动。" << false;
    QTest::newRow("failed without code") << QByteArray(R"({"status":"failed"})")
                                         << "上次更新未完成（错误码 -1）。请重试更新。" << true;
    QTest::newRow("failed with installer") << QByteArray(R"({"status":"relay_failed","code":5,"installer":"a.exe"})")
                                           << "上次更新未完成（错误码 5）。请重试更新。\n安装包：a.exe" << true;
    QTest::newRow("code as text") << QByteArray(R"({"status":"x","code":"7","installer":"  "})")
                                  << "上次更新未完成（错误码 -1）。请重试更新。" << true;
    QTest::newRow("not JSON") << QByteArray("installer_started") << "" << false;
    QTest::newRow("array") << QByteArray(R"([{"status":"installer_started"}])") << "" << false;
}

void TestMainWindowUpdate::installReceipt()
{
    QFETCH(QByteArray, receipt);
    QFETCH(QString, message);
    QFETCH(bool, failure);

    const QString path = RemoteUpdate::installReceiptPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(receipt);
    file.close();

    auto box = std::make_shared<Box>();
    auto shown = answerBox(box);
    m_window = makeWindow();
    QVERIFY(m_window);
    // Read at construction, and never again.
    QVERIFY(!QFile::exists(path));
    if (message.isEmpty()) {
        QTest::qWait(100);
        QVERIFY(!*shown);
        return;
    }
    QTRY_VERIFY(*shown);
    QCOMPARE(box->title, QStringLiteral("更新结果"));
    QCOMPARE(box->text, message);
    QCOMPARE(box->icon, failure ? QMessageBox::Warning : QMessageBox::Information);
    QVERIFY(m_window->pendingReceiptMessage().isEmpty());
    m_window->showInstallReceiptResult();
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMainWindowUpdate::receiptWaitsWhileTheLoginWindowIsOpen()
{
    const QString path = RemoteUpdate::installReceiptPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"status":"installer_started"})");
    file.close();

    m_window = std::make_unique<HeadphonesDevice>();
    RecordingProcessLauncher launcher;
    WindowTest::isolateUpdater(*m_window, launcher);
    QString whileOpen;
    auto handled = whenModal<CustomLoginWindow>([&](CustomLoginWindow *login) {
        m_window->showInstallReceiptResult();
        whileOpen = m_window->pendingReceiptMessage();
        login->reject();
    });
    m_window->openLoginWindow(QString(), false);
    QVERIFY(*handled);
    QCOMPARE(whileOpen, QStringLiteral("上次更新安装程序已成功启动。"));
}

QTEST_MAIN(TestMainWindowUpdate)
#include "tst_mainwindowupdate.moc"
