// The self-update engine against the fake server: the signed manifest
// request, the decision, retries, time-outs and size limits, the download
// into the user's private folder with its read-back hash check, and the
// hand-off to a recording launcher (nothing is ever started).
#include "CloudTestSupport.h"
#include "TestRsaKey.h"

#include "cloud/RemoteUpdater.h"
#include "cloud/ReplySizeLimit.h"
#include "language/AppLanguageManager.h"
#include "platform/installer/InMemoryUserAccounts.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"
#include "tests/support/testenv/UnprivilegedUser.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using FakeApi::Backend;
using FakeApi::Fault;
using RemoteUpdate::RemoteUpdater;
using RemoteUpdate::UpdateInfo;

namespace {

const QString manifestRoute = QStringLiteral("home/common/pcUpdate");
const QString busy = QStringLiteral("Updater is busy. Please wait for the current operation to finish.");

QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_log.append(message);
    if (type == QtFatalMsg && g_previousHandler)
        g_previousHandler(type, context, message);
}

QStringList loggedEvents()
{
    QStringList names;
    for (const QString &line : std::as_const(g_log)) {
        if (line.startsWith(QLatin1String("[UpdateEvent] ")))
            names.append(QJsonDocument::fromJson(line.mid(14).toUtf8()).object().value("event").toString());
    }
    return names;
}

QJsonObject loggedEvent(const QString &name)
{
    for (const QString &line : std::as_const(g_log)) {
        if (!line.startsWith(QLatin1String("[UpdateEvent] ")))
            continue;
        const QJsonObject event = QJsonDocument::fromJson(line.mid(14).toUtf8()).object();
        if (event.value("event").toString() == name)
            return event;
    }
    return {};
}

// The count a size limit's warning line reports ("... (N seen); ..."), or -1.
qint64 heldAtRefusal(const QString &start)
{
    for (const QString &line : std::as_const(g_log)) {
        if (line.startsWith(start + QStringLiteral(" (")))
            return line.mid(start.size() + 2).section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    return -1;
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Every signal of the engine as one line, in order.
class SignalLog : public QObject
{
public:
    explicit SignalLog(RemoteUpdater *u)
    {
        connect(u, &RemoteUpdater::checkStarted, this, [this] { lines << "checkStarted"; });
        connect(u, &RemoteUpdater::checkFinished, this, [this] { lines << "checkFinished"; });
        connect(u, &RemoteUpdater::updateAvailable, this, [this] { lines << "updateAvailable"; });
        connect(u, &RemoteUpdater::upToDate, this, [this] { lines << "upToDate"; });
        connect(u, &RemoteUpdater::checkFailed, this, [this](const QString &m) { lines << "checkFailed: " + m; });
        connect(u, &RemoteUpdater::checkRetrying, this, [this](const QString &m) { lines << "checkRetrying: " + m; });
        connect(u, &RemoteUpdater::downloadStarted, this, [this] { lines << "downloadStarted"; });
        connect(u, &RemoteUpdater::downloadFinished, this, [this] { lines << "downloadFinished"; });
        connect(u, &RemoteUpdater::downloadFailed, this, [this](const QString &m) { lines << "downloadFailed: " + m; });
        connect(u, &RemoteUpdater::downloadRetrying, this,
                [this](const QString &m) { lines << "downloadRetrying: " + m; });
        connect(u, &RemoteUpdater::hashVerificationFailed, this,
                [this](const QString &m) { lines << "hashVerificationFailed: " + m; });
        connect(u, &RemoteUpdater::installerStarted, this, [this] { lines << "installerStarted"; });
        connect(u, &RemoteUpdater::installerLaunchFailed, this,
                [this](const QString &m) { lines << "installerLaunchFailed: " + m; });
        connect(u, &RemoteUpdater::requestApplicationQuit, this, [this] { lines << "requestApplicationQuit"; });
    }
    QStringList lines;
};

} // namespace

class TestRemoteUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void manifestRequestIsSignedWithTheBuiltInKey();
    void manifestIsAskedForInTheChosenLanguage_data();
    void manifestIsAskedForInTheChosenLanguage();
    void offeredUpdateIsDownloadedVerifiedAndHandedOver();
    void relayGetsTenArguments();
    void decision_data();
    void decision();
    void manifestFailuresAreFinal_data();
    void manifestFailuresAreFinal();
    void failingRequestIsRetriedTwice();
    void checkTimesOut();
    void secondCheckWhileBusyIsRefused();
    void handOffStateIsRecoveredAtNextCheck();
    void manifestUrlRefusals_data();
    void manifestUrlRefusals();
    void downloadRefusals_data();
    void downloadRefusals();
    void urlEndingInSlashSavesInstallerExe();
    void downloadFolderMustBePrivate_data();
    void downloadFolderMustBePrivate();
    void foldersTheProgramMakesAreNarrowed();
    void changedAfterItsCheckIsNotStarted_data();
    void changedAfterItsCheckIsNotStarted();
    void readBackWithoutAnswerIsRefused();
    void sharedTemporaryFolderIsNotUsed_data();
    void sharedTemporaryFolderIsNotUsed();
    void expectedHashSpellings_data();
    void expectedHashSpellings();
    void emptyFileHashesOnce();
    void installerChangedOnDiskAfterItsDownloadIsRefused();
    void mismatchNamesAFileItCouldNotDelete();
    void checkWhileTheInstallerIsReadBackIsRefused();
    void updaterDestroyedWhileReadingBackStopsTheReader();
    void oversizeManifestIsRefused_data();
    void oversizeManifestIsRefused();
    void oversizeInstallerIsRefused_data();
    void oversizeInstallerIsRefused();
    void downloadErrorsAreRetriedThenFinal_data();
    void downloadErrorsAreRetriedThenFinal();
    void retryMessageKeepsPercentSignsOfTheReason();
    void slowDownloadDoesNotTimeOutButSilenceDoes();
    void listenerMayDownloadFromUpdateAvailable();
    void launchFailureLeavesTheInstaller();
    void checkStartedFromAFailureListenerKeepsItsState();

private:
    // Serves a signed manifest for `version` with an installer of `bytes` under `fileName`.
    UpdateInfo publish(const QString &version, const QString &fileName, const QByteArray &bytes,
                       const QString &minimum = QString(), bool inEnvelope = true);
    bool runCheck(); // true when the check finished within the bound
    QString downloadFolder() const;
    // Runs a download of `info` until it is handed over or refused.
    bool runDownload(const UpdateInfo &info);

    std::unique_ptr<CloudTest::SettingsScope> m_settings;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QByteArray m_previousTmp;
    QByteArray m_previousHome;
    FakeApi::FakeApiServer *m_server = nullptr;
    RemoteUpdater *m_updater = nullptr;
    RecordingProcessLauncher m_launcher;
};

void TestRemoteUpdater::initTestCase()
{
    CloudTest::bypassProxy();
    QCoreApplication::setApplicationVersion(QStringLiteral("0.1.26"));
    QVERIFY(CloudTest::TestRsaKey::shared().isValid());
}

void TestRemoteUpdater::init()
{
    m_settings = std::make_unique<CloudTest::SettingsScope>();
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_previousTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_tmp->filePath(QStringLiteral("tmp"))));
    // The user's cache folder, where installers go, follows HOME.
    m_previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_tmp->filePath(QStringLiteral("home"))));
    for (const char *folder : {"program", "tmp", "home"})
        QDir(m_tmp->path()).mkdir(QLatin1String(folder));

    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_launcher = RecordingProcessLauncher();
    m_updater = new RemoteUpdater(this);
    m_updater->setManifestUrl(QUrl(m_server->baseUrl() + manifestRoute));
    m_updater->setAllowHttp(true);
    m_updater->setRequireSignature(true);
    m_updater->setTrustedManifestPublicKeyPem(CloudTest::TestRsaKey::shared().publicKeyPem());
    m_updater->setProcessLauncher(&m_launcher);
    m_updater->setProgramDirectory(m_tmp->filePath(QStringLiteral("program")));
    m_updater->setRetryBaseDelayMs(40);
    m_updater->setCheckTimeoutMs(5000);
    m_updater->setDownloadTimeoutMs(5000);

    g_log.clear();
    g_previousHandler = qInstallMessageHandler(captureMessage);
}

void TestRemoteUpdater::cleanup()
{
    qInstallMessageHandler(g_previousHandler);
    delete m_updater;
    delete m_server;
    for (const auto &[name, previous] : {std::pair{"TMPDIR", m_previousTmp}, std::pair{"HOME", m_previousHome}}) {
        if (previous.isNull())
            qunsetenv(name);
        else
            qputenv(name, previous);
    }
    m_tmp.reset();
    m_settings.reset();
}

QString TestRemoteUpdater::downloadFolder() const
{
    const QString folder = RemoteUpdater::downloadFolder();
    // Never outside this test's own folder.
    return folder.startsWith(m_tmp->filePath(QStringLiteral("home/"))) ? folder : QString();
}

bool TestRemoteUpdater::runDownload(const UpdateInfo &info)
{
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    QSignalSpy refused(m_updater, &RemoteUpdater::hashVerificationFailed);
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    m_updater->downloadAndInstall(info);
    return QTest::qWaitFor([&] { return started.size() + refused.size() + failed.size() > 0; }, 10000);
}

UpdateInfo TestRemoteUpdater::publish(const QString &version, const QString &fileName, const QByteArray &bytes,
                                      const QString &minimum, bool inEnvelope)
{
    m_server->backend().setFile(fileName, bytes);
    const QString url = m_server->fileUrl(fileName).toString();
    const QString sha = sha256Hex(bytes);
    const QByteArray text = "latestVersion=" + version.toUtf8() + "\ndownloadUrl=" + url.toUtf8() + "\nsha256="
                            + sha.toUtf8() + "\nforce=false\nminSupportedVersion=" + minimum.toUtf8()
                            + "\nreleaseNotes=notes";
    QJsonObject manifest{{"latestVersion", version},
                         {"downloadUrl", url},
                         {"sha256", sha},
                         {"isForce", false},
                         {"versionLog", "notes"},
                         {"signature", QString::fromLatin1(CloudTest::TestRsaKey::shared().signBase64(text))}};
    if (!minimum.isEmpty())
        manifest.insert("minSupportedVersion", minimum);
    m_server->backend().setUpdateManifest(manifest, inEnvelope);
    UpdateInfo info;
    info.latestVersion = version;
    info.downloadUrl = url;
    info.sha256 = sha;
    info.releaseNotes = QStringLiteral("notes");
    info.minSupportedVersion = minimum;
    info.signature = manifest.value("signature").toString();
    return info;
}

bool TestRemoteUpdater::runCheck()
{
    QSignalSpy finished(m_updater, &RemoteUpdater::checkFinished);
    m_updater->checkForUpdates();
    return !finished.isEmpty() || finished.wait(5000);
}

void TestRemoteUpdater::manifestRequestIsSignedWithTheBuiltInKey()
{
    publish("0.1.26", "a.exe", "x");
    QSettings().setValue("ui/locale", "en_US");
    QVERIFY(runCheck());
    const FakeApi::HttpRequest request = m_server->lastRequest(manifestRoute);
    QCOMPARE(request.method, QByteArray("POST"));
    QVERIFY(request.body.isEmpty());
    QVERIFY(request.signatureValid);
    QVERIFY(!request.hasHeader("token"));
    QCOMPARE(request.header("User-Agent"), QByteArray("VELKORA/0.1.26 (RemoteUpdate)"));
    QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.header("lang"), QByteArray("en"));
    const QByteArray timestamp = request.header("timestamp");
    QCOMPARE(timestamp.size(), 10);
    const QByteArray key = "7c3a91e0d4b85f26a0e19c4d73b2f851";
    QCOMPARE(request.header("sign"), CloudTest::hmacSha1Hex(key + timestamp, key).toLatin1());

    const QStringList expected{
        QStringLiteral("[Update][Request] method=POST url=%1").arg(m_server->baseUrl() + manifestRoute),
        QStringLiteral("[Update][Request] header User-Agent=VELKORA/0.1.26 (RemoteUpdate)"),
        QStringLiteral("[Update][Request] header Content-Type=application/x-www-form-urlencoded"),
        QStringLiteral("[Update][Request] header timestamp=%1").arg(QString::fromLatin1(timestamp)),
        QStringLiteral("[Update][Request] header lang=en"),
        QStringLiteral("[Update][Request] header sign=%1").arg(QString::fromLatin1(request.header("sign"))),
        QStringLiteral("[Update][Request] body=<empty>")};
    const qsizetype first = g_log.indexOf(expected.first());
    QVERIFY(first >= 0);
    QCOMPARE(g_log.mid(first, expected.size()), expected);
    QVERIFY(g_log.contains(QStringLiteral("[Update][Response] status=200 reason=OK netError=0 errorString=Unknown error")));
    QVERIFY(g_log.contains(QStringLiteral("[Update] manifest unwrapped from data envelope")));
}

void TestRemoteUpdater::manifestIsAskedForInTheChosenLanguage_data()
{
    QTest::addColumn<SettingsStoreKind>("store");
    for (const auto &[store, name] : settingsStoreKinds())
        QTest::newRow(name) << store;
}

// The language the user picked this session, also one the store could not keep.
void TestRemoteUpdater::manifestIsAskedForInTheChosenLanguage()
{
    QFETCH(SettingsStoreKind, store);
    publish("0.1.26", "a.exe", "x");
    {
        // The system's language until the user picks one.
        QSettings settings;
        settings.setValue("Device/pid", "1");
    }
    const QString chosen = AppLanguageManager::systemDefaultLanguageCode() == QLatin1String("en_US")
                               ? QStringLiteral("zh_CN")
                               : QStringLiteral("en_US");
    const std::unique_ptr<ReadOnlySettingsFile> locked = lockSettingsStore(store);
    if (locked)
        QVERIFY2(locked->isValid(), qPrintable(locked->path()));
    QCOMPARE(AppLanguageManager::saveLanguageCode(chosen), !locked);
    QVERIFY(runCheck());
    const QByteArray asked = AppLanguageManager::apiLanguageCode(chosen).toLatin1();
    QCOMPARE(m_server->lastRequest(manifestRoute).header("lang"), asked);
    QVERIFY(g_log.contains(QStringLiteral("[Update][Request] header lang=") + QLatin1String(asked)));
}

void TestRemoteUpdater::offeredUpdateIsDownloadedVerifiedAndHandedOver()
{
    const QByteArray installer(3 * 1024 * 1024 + 17, 'I');
    publish("0.2.0", "Velkora-0.2.0.exe", installer);
    QSignalSpy available(m_updater, &RemoteUpdater::updateAvailable);
    SignalLog log(m_updater);
    QVERIFY(runCheck());
    QCOMPARE(log.lines, (QStringList{"checkStarted", "updateAvailable", "checkFinished"}));
    const UpdateInfo offered = available.at(0).at(0).value<UpdateInfo>();
    QCOMPARE(offered.latestVersion, QStringLiteral("0.2.0"));
    QVERIFY(!offered.force);
    QCOMPARE(offered.releaseNotes, QStringLiteral("notes"));

    QSignalSpy hashed(m_updater, &RemoteUpdater::hashVerificationProgress);
    QSignalSpy quit(m_updater, &RemoteUpdater::requestApplicationQuit);
    log.lines.clear();
    m_updater->downloadAndInstall(offered);
    QVERIFY(quit.wait(10000));
    QCOMPARE(log.lines, (QStringList{"downloadStarted", "downloadFinished", "installerStarted",
                                     "requestApplicationQuit"}));
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("Velkora-0.2.0.exe"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), installer);
    QCOMPARE(hashed.size(), 4); // 1 MiB blocks
    QCOMPARE(hashed.last(), (QVariantList{qlonglong(installer.size()), qlonglong(installer.size())}));
    QCOMPARE(m_launcher.starts.size(), 1);
    QCOMPARE(m_launcher.starts.at(0).program, path);
    QCOMPARE(m_launcher.starts.at(0).arguments,
             (QStringList{"/VERYSILENT", "/NORESTART", "/SUPPRESSMSGBOXES", "/RELAUNCHAPP"}));
    QCOMPARE(m_updater->state(), RemoteUpdater::LaunchingInstaller);
    QCOMPARE(loggedEvent("installer_launcher_started").value("runnerMode"), QJsonValue(false));
    QVERIFY(loggedEvent("check_start").value("ts_ms").isString());
}

void TestRemoteUpdater::relayGetsTenArguments()
{
    const UpdateInfo info = publish("0.3", "setup.msi", "msi-bytes");
    QFile relay(m_tmp->filePath(QStringLiteral("program/InstallRelay")));
    QVERIFY(relay.open(QIODevice::WriteOnly));
    relay.close();
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    m_updater->downloadAndInstall(info);
    QVERIFY(started.wait(5000));
    const QString installer = QDir(downloadFolder()).filePath(QStringLiteral("setup.msi"));
    const QStringList expected{"--wait-pid", QString::number(QCoreApplication::applicationPid()),
                               "--installer", installer,
                               "--workdir", QFileInfo(installer).absolutePath(),
                               "--args", QStringLiteral("/VERYSILENT\u001F/NORESTART\u001F/SUPPRESSMSGBOXES\u001F/RELAUNCHAPP"),
                               "--receipt", RemoteUpdate::installReceiptPath()};
    QCOMPARE(started.at(0).at(0).toString(), relay.fileName());
    QCOMPARE(started.at(0).at(1).toStringList(), expected);
    QCOMPARE(m_launcher.starts.at(0).arguments, expected);
    QVERIFY(RemoteUpdate::installReceiptPath().endsWith(QLatin1String("/remoteupdate/last-install-receipt.json")));
    QCOMPARE(loggedEvent("installer_launcher_started").value("runnerMode"), QJsonValue(true));
}

void TestRemoteUpdater::decision_data()
{
    QTest::addColumn<QString>("latest");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("force");
    QTest::newRow("same version") << "0.1.26" << "" << false << false;
    QTest::newRow("older") << "0.1.9" << "" << false << false;
    QTest::newRow("letter first") << "v9.9" << "" << false << false;
    QTest::newRow("newer") << "0.1.27" << "" << true << false;
    QTest::newRow("same version but below minimum") << "0.1.26" << "0.2" << true << true;
    QTest::newRow("minimum met") << "0.1.26" << "0.1.26" << false << false;
}

void TestRemoteUpdater::decision()
{
    QFETCH(QString, latest);
    QFETCH(QString, minimum);
    QFETCH(bool, offered);
    publish(latest, "a.exe", "x", minimum, false);
    QSignalSpy available(m_updater, &RemoteUpdater::updateAvailable);
    QSignalSpy upToDate(m_updater, &RemoteUpdater::upToDate);
    QVERIFY(runCheck());
    QCOMPARE(available.size(), offered ? 1 : 0);
    QCOMPARE(upToDate.size(), offered ? 0 : 1);
    if (offered) {
        const UpdateInfo info = available.at(0).at(0).value<UpdateInfo>();
        QTEST(info.force, "force");
        QCOMPARE(info.belowMinSupported, info.force);
        QCOMPARE(loggedEvent("check_update_available").value("force").toBool(), info.force);
    }
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::manifestFailuresAreFinal_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("api error") << QByteArray(R"({"errorCode":7,"message":"busy","data":{"latestVersion":"9"}})")
                               << "Update API errorCode=7, message=busy" << "api_error";
    QTest::newRow("error without data object") << QByteArray(R"({"errorCode":7,"message":"busy"})")
                                               << "Missing or invalid latestVersion" << "Missing or invalid latestVersion";
    QTest::newRow("data an array") << QByteArray(R"({"errorCode":0,"data":[{"latestVersion":"9"}]})")
                                   << "Missing or invalid latestVersion" << "Missing or invalid latestVersion";
    QTest::newRow("json array") << QByteArray("[1]") << "Invalid manifest JSON: no error occurred"
                                << "no error occurred";
    QTest::newRow("unsigned") << QByteArray(R"({"latestVersion":"9","downloadUrl":"https://h/a.exe"})")
                              << "Manifest signature validation failed: Manifest signature is missing"
                              << "Manifest signature is missing";
    QTest::newRow("bad signature") << QByteArray(R"({"latestVersion":"9","downloadUrl":"u","signature":"AAAA"})")
                                   << "Manifest signature validation failed: Signature verification failed"
                                   << "Signature verification failed";
}

void TestRemoteUpdater::manifestFailuresAreFinal()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    m_server->setFault(manifestRoute, Fault::raw(body));
    SignalLog log(m_updater);
    QVERIFY(runCheck());
    QCOMPARE(log.lines, (QStringList{"checkStarted", "checkFailed: " + message, "checkFinished"}));
    QCOMPARE(m_server->requestCount(manifestRoute), 1);
    QTEST(loggedEvent("check_fail").value("reason").toString(), "reason");
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::failingRequestIsRetriedTwice()
{
    m_server->setFault(manifestRoute, Fault::status(500));
    SignalLog log(m_updater);
    QSignalSpy failed(m_updater, &RemoteUpdater::checkFailed);
    m_updater->checkForUpdates();
    QVERIFY(failed.wait(5000));
    QCOMPARE(log.lines.size(), 9);
    QCOMPARE(log.lines.at(0), QStringLiteral("checkStarted"));
    QVERIFY(log.lines.at(1).startsWith("checkRetrying: "));
    QVERIFY2(log.lines.at(1).endsWith(QStringLiteral(" \u2014 retrying update check in 40 ms (1/2).")),
             qPrintable(log.lines.at(1)));
    QCOMPARE(log.lines.at(2), QStringLiteral("checkFinished"));
    QCOMPARE(log.lines.at(3), QStringLiteral("checkStarted"));
    QVERIFY(log.lines.at(4).endsWith(QStringLiteral(" retrying update check in 80 ms (2/2).")));
    QCOMPARE(log.lines.mid(5, 2), (QStringList{"checkFinished", "checkStarted"}));
    QVERIFY(log.lines.at(7).startsWith("checkFailed: "));
    QCOMPARE(log.lines.at(8), QStringLiteral("checkFinished"));
    QCOMPARE(m_server->requestCount(manifestRoute), 3);
    QCOMPARE(loggedEvent("check_fail").value("networkError").toInt(), int(QNetworkReply::InternalServerError));
}

void TestRemoteUpdater::checkTimesOut()
{
    m_server->setFault(manifestRoute, Fault::of(Fault::Kind::Stall));
    m_updater->setCheckTimeoutMs(100);
    m_updater->setMaxRetries(0);
    SignalLog log(m_updater);
    QVERIFY(runCheck());
    QCOMPARE(log.lines, (QStringList{"checkStarted", "checkFailed: Update check timed out", "checkFinished"}));
    QCOMPARE(loggedEvent("check_fail").value("reason").toString(), QStringLiteral("Update check timed out"));
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::secondCheckWhileBusyIsRefused()
{
    publish("0.2", "a.exe", "x");
    m_server->setFault(manifestRoute, Fault::delay(100));
    SignalLog log(m_updater);
    QSignalSpy available(m_updater, &RemoteUpdater::updateAvailable);
    m_updater->checkForUpdates();
    m_updater->checkForUpdates();
    QCOMPARE(log.lines, (QStringList{"checkStarted", "checkFailed: " + busy, "checkFinished"}));
    QVERIFY(available.wait(5000));
    QCOMPARE(m_server->requestCount(manifestRoute), 1);
}

void TestRemoteUpdater::handOffStateIsRecoveredAtNextCheck()
{
    const UpdateInfo info = publish("0.2", "a.exe", "bytes");
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    m_updater->downloadAndInstall(info);
    QVERIFY(started.wait(5000));
    QCOMPARE(m_updater->state(), RemoteUpdater::LaunchingInstaller);
    QSignalSpy checkStarted(m_updater, &RemoteUpdater::checkStarted);
    m_updater->checkForUpdates();
    QCOMPARE(checkStarted.size(), 1);
    QVERIFY(g_log.contains(QStringLiteral("[Update] stale busy state recovered from LaunchingInstaller to Idle")));
}

void TestRemoteUpdater::manifestUrlRefusals_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("allowHttp");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QUrl() << true << "Manifest URL is not set or invalid";
    QTest::newRow("ftp") << QUrl("ftp://h/x") << true << "Manifest URL must use http:// or https://";
    QTest::newRow("http refused") << QUrl("HTTP://h/x") << false << "Manifest URL must use https:// (HTTP is disabled)";
}

void TestRemoteUpdater::manifestUrlRefusals()
{
    QFETCH(QUrl, url);
    QFETCH(bool, allowHttp);
    QFETCH(QString, message);
    m_updater->setManifestUrl(url);
    m_updater->setAllowHttp(allowHttp);
    SignalLog log(m_updater);
    m_updater->checkForUpdates();
    QCOMPARE(log.lines, (QStringList{"checkFailed: " + message, "checkFinished"}));
    QVERIFY(loggedEvents().isEmpty());
}

void TestRemoteUpdater::downloadRefusals_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("sha");
    QTest::addColumn<bool>("allowHttp");
    QTest::addColumn<QString>("message");
    const QString sha(64, QLatin1Char('a'));
    QTest::newRow("no url") << "" << sha << true << "downloadUrl is empty";
    QTest::newRow("no sha") << "https://h/a.exe" << "" << true << "sha256 is required for downloadAndInstall";
    QTest::newRow("no scheme") << "h/a.exe" << sha << true << "downloadUrl is not a valid URL";
    QTest::newRow("ftp") << "ftp://h/a.exe" << sha << true << "downloadUrl must use http:// or https://";
    QTest::newRow("http refused") << "http://h/a.exe" << sha << false
                                  << "downloadUrl must use https:// (HTTP is disabled)";
    QTest::newRow("zip") << "https://h/a.zip" << sha << true << "Only .exe or .msi installers are allowed";
    QTest::newRow("no suffix") << "https://h/installer" << sha << true << "Only .exe or .msi installers are allowed";
    QTest::newRow("encoded slash") << "https://h/a.exe%2F.." << sha << true << "Only .exe or .msi installers are allowed";
    QTest::newRow("encoded NUL") << "https://h/a%00.exe" << sha << true << "Only .exe or .msi installers are allowed";
    QTest::newRow("encoded backslash") << "https://h/..%5C..%5Ca.exe" << sha << true
                                       << "Only .exe or .msi installers are allowed";
}

void TestRemoteUpdater::downloadRefusals()
{
    QFETCH(QString, url);
    QFETCH(QString, sha);
    QFETCH(bool, allowHttp);
    QFETCH(QString, message);
    m_updater->setAllowHttp(allowHttp);
    UpdateInfo info;
    info.latestVersion = QStringLiteral("9");
    info.downloadUrl = url;
    info.sha256 = sha;
    SignalLog log(m_updater);
    m_updater->downloadAndInstall(info);
    QCOMPARE(log.lines, QStringList{"downloadFailed: " + message});
    QCOMPARE(m_updater->pendingUpdate(), info);
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    QVERIFY(loggedEvents().isEmpty());
    QVERIFY(!QDir(downloadFolder()).exists() || QDir(downloadFolder()).isEmpty());
}

void TestRemoteUpdater::urlEndingInSlashSavesInstallerExe()
{
    m_server->backend().setFile(QStringLiteral("latest/"), "payload");
    UpdateInfo info;
    info.downloadUrl = m_server->fileUrl(QStringLiteral("latest/")).toString();
    info.sha256 = sha256Hex("payload");
    QSignalSpy finished(m_updater, &RemoteUpdater::downloadFinished);
    m_updater->downloadAndInstall(info);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toString(), QDir(downloadFolder()).filePath(QStringLiteral("installer.exe")));
}

void TestRemoteUpdater::downloadFolderMustBePrivate_data()
{
    // home, above (the cache folder's parent), cache (the user's), outer ("RemoteUpdate"), app
    QTest::addColumn<QString>("level");
    // link: to a private folder of the user elsewhere; link into open / link into sticky: to
    // one in a folder anyone may write to, not sticky / sticky; foreign: of another user;
    // open: 0777; sticky: 01777 of root; group: 0775 of the user's private group;
    // shared group: 0775 of a group with another member
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason"); // empty: accepted
    const QString others = QStringLiteral("writable by others");
    const QString owner = QStringLiteral("owned by another user");
    const QString group = QStringLiteral("writable by its group");
    QTest::newRow("home of the user's private group") << "home" << "group" << "";
    QTest::newRow("home of a shared group") << "home" << "shared group" << group;
    QTest::newRow("home through a link into a folder anyone may write to") << "home" << "link into open" << others;
    QTest::newRow("home through a link into a sticky folder") << "home" << "link into sticky" << "";
    QTest::newRow("cache folder in a folder others may write to") << "above" << "open" << others;
    QTest::newRow("cache folder in a sticky folder") << "above" << "sticky" << "";
    QTest::newRow("cache folder a link to a private folder") << "cache" << "link" << "";
    QTest::newRow("cache folder a link into a folder anyone may write to") << "cache" << "link into open" << others;
    QTest::newRow("cache folder of the user's private group") << "cache" << "group" << "";
    QTest::newRow("cache folder of a shared group") << "cache" << "shared group" << group;
    QTest::newRow("cache folder of another user") << "cache" << "foreign" << owner;
    QTest::newRow("cache folder writable by others") << "cache" << "open" << others;
    QTest::newRow("cache folder a sticky one of root") << "cache" << "sticky" << "";
    QTest::newRow("outer folder a link to a private folder") << "outer" << "link" << "";
    QTest::newRow("app folder a link to a private folder") << "app" << "link" << "";
    QTest::newRow("app folder of another user") << "app" << "foreign" << owner;
    QTest::newRow("app folder writable by others") << "app" << "open" << others;
}

void TestRemoteUpdater::downloadFolderMustBePrivate()
{
    // Folders the program did not make itself are taken as they are or
    // refused, never changed. Root builds each layout; the download runs as
    // an ordinary user who owns the home.
    QFETCH(QString, level);
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    if (::geteuid() != 0)
        QSKIP("building folders of other users needs root");
    const uid_t me = UnprivilegedUser::testUid;
    const gid_t myGroup = UnprivilegedUser::testGid;
    const gid_t sharedGroup = 4244;
    InMemoryUserAccounts accounts;
    accounts.addUser({me, QStringLiteral("velkora-test"), myGroup});
    accounts.addGroup({myGroup, QStringLiteral("velkora-test"), {}});
    accounts.addGroup(
        {sharedGroup, QStringLiteral("velkora-team"), {QStringLiteral("velkora-test"), QStringLiteral("someone")}});
    m_updater->setUserAccounts(&accounts);
    const auto makeFolder = [](const QString &path, mode_t mode, uid_t uid, gid_t gid) {
        const QByteArray native = QFile::encodeName(path);
        return QDir().mkpath(path) && ::chown(native.constData(), uid, gid) == 0
               && ::chmod(native.constData(), mode) == 0;
    };

    const UpdateInfo info = publish("0.2", "a.exe", "bytes");
    QVERIFY(!downloadFolder().isEmpty());
    const QString app = downloadFolder();
    const QString outer = QFileInfo(app).path();
    const QString cache = QFileInfo(outer).path();
    const QString above = QFileInfo(cache).path();
    const QString home = m_tmp->filePath(QStringLiteral("home"));
    QCOMPARE(QFileInfo(above).path(), home);
    const QString folder = level == QLatin1String("app")     ? app
                           : level == QLatin1String("outer") ? outer
                           : level == QLatin1String("cache") ? cache
                           : level == QLatin1String("above") ? above
                                                             : home;
    // The test's folder is root's and closed to others for writing, as a folder holding homes is.
    QCOMPARE(::chmod(QFile::encodeName(m_tmp->path()).constData(), 0755), 0);
    QVERIFY(makeFolder(home, 0700, me, myGroup));
    // The user's folders down to the one the row is about.
    for (QString up = QFileInfo(folder).path(); up.startsWith(home + QLatin1Char('/')); up = QFileInfo(up).path())
        QVERIFY(makeFolder(up, 0700, me, myGroup));
    QString named = folder;
    if (setup.startsWith(QLatin1String("link"))) {
        // A folder the link leads to, alone or in a folder anyone may write to.
        QString target = m_tmp->filePath(QStringLiteral("elsewhere"));
        if (setup != QLatin1String("link")) {
            const QString shared = m_tmp->filePath(QStringLiteral("shared"));
            QVERIFY(makeFolder(shared, setup.endsWith(QLatin1String("sticky")) ? 01777 : 0777, 0, 0));
            target = QDir(shared).filePath(QStringLiteral("elsewhere"));
            named = shared;
        }
        QVERIFY(makeFolder(target, 0700, me, myGroup));
        // The home itself is replaced by the link; the folders below it are made where it leads.
        if (level == QLatin1String("home"))
            QVERIFY(QDir(home).removeRecursively());
        QVERIFY(QFile::link(target, folder));
    } else if (setup == QLatin1String("foreign")) {
        QVERIFY(makeFolder(folder, 0700, 4243, 4243));
    } else if (setup == QLatin1String("open")) {
        QVERIFY(makeFolder(folder, 0777, me, myGroup));
    } else if (setup == QLatin1String("sticky")) {
        QVERIFY(makeFolder(folder, 01777, 0, 0));
    } else {
        QVERIFY(makeFolder(folder, 0775, me, setup == QLatin1String("group") ? myGroup : sharedGroup));
    }
    const mode_t found = [&] {
        struct stat st = {};
        return ::stat(QFile::encodeName(folder).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(0);
    }();

    SignalLog log(m_updater);
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    {
        const UnprivilegedUser user;
        QVERIFY(user.isActive());
        m_updater->downloadAndInstall(info);
        if (reason.isEmpty())
            QVERIFY(started.wait(5000));
    }
    if (!reason.isEmpty()) {
        // The second line names the folder to mend, and what is wrong with it.
        const QString problem = QStringLiteral("%1: %2").arg(named, reason);
        QCOMPARE(log.lines, QStringList{"downloadFailed: Failed to create download directory\n" + problem});
        QCOMPARE(m_server->requestCount(QStringLiteral("files/a.exe")), 0);
        QVERIFY(g_log.contains(QStringLiteral("[Update] download folder refused: %1").arg(problem)));
        return;
    }
    QCOMPARE(m_launcher.starts.size(), 1);
    // Found folders are left as they were found.
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, found);
}

void TestRemoteUpdater::foldersTheProgramMakesAreNarrowed()
{
    // With no umask at all, a folder made as usual would be open to everyone.
    const QString app = downloadFolder();
    const QString cache = QFileInfo(QFileInfo(app).path()).path();
    QVERIFY(!QFileInfo::exists(QFileInfo(cache).path())); // the cache folder's own parent is made too
    const UpdateInfo info = publish("0.2", "a.exe", "bytes");
    const mode_t previous = ::umask(0);
    const bool done = runDownload(info);
    ::umask(previous);
    QVERIFY(done);
    QCOMPARE(m_launcher.starts.size(), 1);
    for (const QString &folder : {app, QFileInfo(app).path(), cache, QFileInfo(cache).path()}) {
        struct stat st = {};
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
    }
}

void TestRemoteUpdater::changedAfterItsCheckIsNotStarted_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("atFinish"); // else right after the last block was read back
    QTest::addColumn<QStringList>("outcome");
    const QString mismatch = QStringLiteral("hashVerificationFailed: SHA-256 mismatch. The file was deleted for safety.");
    const QStringList refusedAtCheck{"downloadStarted", mismatch};
    const QStringList refusedAtStart{"downloadStarted", "downloadFinished", mismatch};
    QTest::newRow("renamed over, last block") << "renamed over" << false << refusedAtCheck;
    QTest::newRow("a link in its place, last block") << "link" << false << refusedAtCheck;
    QTest::newRow("grown, last block") << "grown" << false << refusedAtCheck;
    QTest::newRow("renamed over before the start") << "renamed over" << true << refusedAtStart;
    QTest::newRow("a link in its place before the start") << "link" << true << refusedAtStart;
    QTest::newRow("touched before the start") << "touched" << true << refusedAtStart;
    const QString folderRefused = QStringLiteral("downloadFailed: Failed to create download directory\n"
                                                 "<cache>: writable by others");
    QTest::newRow("cache folder opened, last block")
        << "cache open" << false << QStringList{"downloadStarted", folderRefused};
    QTest::newRow("cache folder opened before the start")
        << "cache open" << true << QStringList{"downloadStarted", "downloadFinished", folderRefused};
}

void TestRemoteUpdater::changedAfterItsCheckIsNotStarted()
{
    // The file started is the file checked: it stays open through the check,
    // and right before the start its path must still name it, in folders
    // nobody else may change.
    QFETCH(QString, change);
    QFETCH(bool, atFinish);
    QFETCH(QStringList, outcome);
    const QByteArray installer(2 * 1024 * 1024 + 3, 'H');
    const UpdateInfo info = publish("0.2", "a.exe", installer);
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    const QString cache = QFileInfo(QFileInfo(downloadFolder()).path()).path();
    const QString evil = m_tmp->filePath(QStringLiteral("evil.exe"));
    QFile evilFile(evil);
    QVERIFY(evilFile.open(QIODevice::WriteOnly) && evilFile.write("evil") == 4);
    evilFile.close();
    bool changed = false;
    const auto makeChange = [&] {
        if (std::exchange(changed, true))
            return;
        const QByteArray target = QFile::encodeName(path);
        if (change == QLatin1String("renamed over")) {
            const QString other = QDir(downloadFolder()).filePath(QStringLiteral("other.exe"));
            QVERIFY(QFile::copy(evil, other));
            QCOMPARE(::rename(QFile::encodeName(other).constData(), target.constData()), 0);
        } else if (change == QLatin1String("link")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::link(evil, path));
        } else if (change == QLatin1String("grown")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append) && file.write("x") == 1);
        } else if (change == QLatin1String("touched")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        } else {
            QCOMPARE(::chmod(QFile::encodeName(cache).constData(), 0777), 0);
        }
    };
    if (atFinish) {
        connect(m_updater, &RemoteUpdater::downloadFinished, this, makeChange);
    } else {
        connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&](qlonglong done, qlonglong total) {
            if (done == total)
                makeChange();
        });
    }
    SignalLog log(m_updater);
    QVERIFY(runDownload(info));
    QVERIFY(changed);
    outcome.replaceInStrings(QStringLiteral("<cache>"), cache);
    QCOMPARE(log.lines, outcome);
    QCOMPARE(m_launcher.starts.size(), 0);
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    // What was put in the file's place is gone; what a link pointed to is untouched.
    if (change != QLatin1String("cache open"))
        QVERIFY(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
    QVERIFY(QFileInfo(evil).isFile());
    // The refusal leaves the updater ready for the next try.
    m_server->clearRequests();
    QCOMPARE(::chmod(QFile::encodeName(cache).constData(), 0700), 0);
    QVERIFY(runDownload(info));
    QCOMPARE(m_launcher.starts.size(), 1);
}

void TestRemoteUpdater::readBackWithoutAnswerIsRefused()
{
    // The listener of the first block holds the reading up, as a read that
    // never returns would; the bound of the check ends it.
    m_updater->setInstallerCheckTimeoutMs(200);
    const UpdateInfo info = publish("0.2", "a.exe", QByteArray(3 * 1024 * 1024, 'J'));
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    QStringList failures;
    int blocks = 0;
    connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&] {
        if (++blocks > 1)
            return;
        QSignalSpy failed(m_updater, &RemoteUpdater::hashVerificationFailed);
        if (failed.wait(10000))
            failures << failed.at(0).at(0).toString();
    });
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    m_updater->downloadAndInstall(info);
    QTRY_VERIFY_WITH_TIMEOUT(!failures.isEmpty(), 15000);
    QCOMPARE(failures, QStringList{QStringLiteral("SHA-256 not verified: the installer could not be read back within "
                                                  "0.2 s. The file was deleted for safety.")});
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(loggedEvent("hash_verification_fail").value("filePath").toString(), path);
    // Nothing more comes of the abandoned reading, and the next try runs.
    m_updater->setInstallerCheckTimeoutMs(RemoteUpdater::defaultInstallerCheckTimeoutMs);
    QVERIFY(runDownload(info));
    QCOMPARE(started.size(), 1);
    QCOMPARE(blocks, 1 + 3);
}

void TestRemoteUpdater::sharedTemporaryFolderIsNotUsed_data()
{
    QTest::addColumn<bool>("foreignFolder"); // else a plain file takes the name
    QTest::newRow("created by another user") << true;
    QTest::newRow("a file in its place") << false;
}

void TestRemoteUpdater::sharedTemporaryFolderIsNotUsed()
{
    // The folder the temporary folder would give is shared by every user:
    // whoever makes it first decides who may update.
    QFETCH(bool, foreignFolder);
    const QString shared = m_tmp->filePath(QStringLiteral("tmp/RemoteUpdate"));
    if (foreignFolder) {
        const QString inner = shared + QLatin1Char('/') + QCoreApplication::applicationName();
        QVERIFY(QDir().mkpath(inner));
        for (const QString &folder : {shared, inner}) {
            if (::chown(QFile::encodeName(folder).constData(), 4242, 4242) != 0)
                QSKIP("changing a folder's owner needs privileges");
        }
    } else {
        QFile file(shared);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const UpdateInfo info = publish("0.2", "a.exe", "installer");
    QVERIFY(runDownload(info));
    QCOMPARE(m_launcher.starts.size(), 1);
    const QString saved = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    QCOMPARE(m_launcher.starts.at(0).program, saved);
    QVERIFY(QFile::exists(saved));
    // Both levels of the user's own folder are closed to others.
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    for (const QString &folder : {downloadFolder(), QFileInfo(downloadFolder()).path()})
        QCOMPARE(QFileInfo(folder).permissions() & others, QFileDevice::Permissions());
    QCOMPARE(QFileInfo(shared).isDir(), foreignFolder);
}

void TestRemoteUpdater::expectedHashSpellings_data()
{
    const QString sha = sha256Hex("installer bytes");
    QString spaced = QStringLiteral("0X") + sha.toUpper();
    spaced.insert(10, QStringLiteral("  ")).insert(40, QLatin1Char(' '));
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("matches");
    QTest::newRow("0X, upper case, blanks") << spaced << true;
    QTest::newRow("63 digits") << sha.left(63) << false;
    QTest::newRow("other file") << sha256Hex("other") << false;
}

void TestRemoteUpdater::expectedHashSpellings()
{
    QFETCH(QString, expected);
    QFETCH(bool, matches);
    UpdateInfo info = publish("0.2", "a.exe", "installer bytes");
    info.sha256 = expected;
    SignalLog log(m_updater);
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    QSignalSpy mismatch(m_updater, &RemoteUpdater::hashVerificationFailed);
    m_updater->downloadAndInstall(info);
    QVERIFY(QTest::qWaitFor([&] { return started.size() + mismatch.size() > 0; }, 5000));
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    QCOMPARE(QFile::exists(path), matches);
    QCOMPARE(m_launcher.starts.size(), matches ? 1 : 0);
    if (!matches) {
        QCOMPARE(log.lines, (QStringList{"downloadStarted",
                                         "hashVerificationFailed: SHA-256 mismatch. The file was deleted for safety."}));
        QCOMPARE(loggedEvent("hash_verification_fail").value("filePath").toString(), path);
        QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    }
}

void TestRemoteUpdater::emptyFileHashesOnce()
{
    const UpdateInfo info = publish("0.2", "empty.exe", QByteArray());
    QSignalSpy hashed(m_updater, &RemoteUpdater::hashVerificationProgress);
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    m_updater->downloadAndInstall(info);
    QVERIFY(started.wait(5000));
    QCOMPARE(hashed.size(), 1);
    QCOMPARE(hashed.at(0), (QVariantList{qlonglong(0), qlonglong(0)}));
}

void TestRemoteUpdater::installerChangedOnDiskAfterItsDownloadIsRefused()
{
    // The file handed over is the file checked: it is read back from disk,
    // so a tail spoiled once the check has begun is seen. (Hashing the bytes
    // as they arrived launched such a file as verified.)
    const QByteArray installer(3 * 1024 * 1024 + 5, 'B');
    const UpdateInfo info = publish("0.2", "big.exe", installer);
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("big.exe"));
    QSignalSpy hashed(m_updater, &RemoteUpdater::hashVerificationProgress);
    bool spoiled = false;
    connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&] {
        if (spoiled)
            return;
        QFile file(path);
        spoiled = file.open(QIODevice::ReadWrite) && file.seek(installer.size() - 4) && file.write("XXXX") == 4;
    });
    SignalLog log(m_updater);
    QVERIFY(runDownload(info));
    QVERIFY(spoiled);
    QCOMPARE(log.lines, (QStringList{"downloadStarted",
                                     "hashVerificationFailed: SHA-256 mismatch. The file was deleted for safety."}));
    QCOMPARE(m_launcher.starts.size(), 0);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    // Every 1 MiB block was read back and reported, the spoiled one included.
    const qlonglong size = installer.size();
    QCOMPARE(hashed.size(), 4);
    for (int block = 0; block < 3; ++block)
        QCOMPARE(hashed.at(block), (QVariantList{qlonglong(block + 1) * 1048576, size}));
    QCOMPARE(hashed.at(3), (QVariantList{size, size}));
}

void TestRemoteUpdater::mismatchNamesAFileItCouldNotDelete()
{
    UpdateInfo info = publish("0.2", "a.exe", QByteArray(2 * 1024 * 1024, 'D'));
    info.sha256 = sha256Hex("something else");
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    // While it is read back the file is replaced by a folder that holds a file: nothing can delete that.
    bool replaced = false;
    connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&] {
        if (replaced)
            return;
        replaced = QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside"));
    });
    QSignalSpy mismatch(m_updater, &RemoteUpdater::hashVerificationFailed);
    QVERIFY(runDownload(info));
    QVERIFY(replaced);
    QCOMPARE(mismatch.size(), 1);
    const QString message = mismatch.at(0).at(0).toString();
    QCOMPARE(message, QStringLiteral("SHA-256 mismatch. The file could not be deleted: ") + path);
    QVERIFY(!message.contains(QLatin1String("was deleted")));
    const QString warning = QStringLiteral("[Update] installer that failed its check could not be deleted: ") + path;
    QVERIFY(std::any_of(g_log.cbegin(), g_log.cend(), [&](const QString &line) { return line.startsWith(warning); }));
    QCOMPARE(m_launcher.starts.size(), 0);
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::checkWhileTheInstallerIsReadBackIsRefused()
{
    // The read-back has no network reply and no open file, yet it is an operation under way.
    const UpdateInfo info = publish("0.2", "a.exe", QByteArray(2 * 1024 * 1024 + 1, 'E'));
    QStringList answers;
    connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&] {
        if (!answers.isEmpty())
            return;
        QSignalSpy failed(m_updater, &RemoteUpdater::checkFailed);
        m_updater->checkForUpdates();
        answers << failed.value(0).value(0).toString();
    });
    QVERIFY(runDownload(info));
    QCOMPARE(answers, QStringList{busy});
    QCOMPARE(m_launcher.starts.size(), 1);
    QVERIFY(!g_log.join('\n').contains(QLatin1String("stale busy state")));
}

void TestRemoteUpdater::updaterDestroyedWhileReadingBackStopsTheReader()
{
    const UpdateInfo info = publish("0.2", "a.exe", QByteArray(8 * 1024 * 1024, 'F'));
    QSignalSpy hashed(m_updater, &RemoteUpdater::hashVerificationProgress);
    QSignalSpy destroyed(m_updater, &QObject::destroyed);
    connect(m_updater, &RemoteUpdater::hashVerificationProgress, this, [&] {
        if (hashed.size() == 1)
            m_updater->deleteLater();
    });
    m_updater->downloadAndInstall(info);
    QVERIFY(destroyed.wait(10000));
    m_updater = nullptr;
    // The reader ended with the updater: nothing is left running and nothing was started.
    QVERIFY(!g_log.join('\n').contains(QLatin1String("still busy")));
    QVERIFY(hashed.size() < 8);
    QCOMPARE(m_launcher.starts.size(), 0);
}

void TestRemoteUpdater::oversizeManifestIsRefused_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("announced") << Fault::overstate(RemoteUpdater::maxManifestBytes + 1);
    QTest::newRow("streamed") << Fault::stream(64 * 1024 * 1024, 16 * 1024);
    QTest::newRow("flooded until the close") << Fault::flood(Fault::Framing::UntilClose);
    QTest::newRow("flooded chunked") << Fault::flood(Fault::Framing::Chunked);
}

void TestRemoteUpdater::oversizeManifestIsRefused()
{
    QFETCH(Fault, fault);
    publish("0.2", "a.exe", "x");
    m_server->setFault(manifestRoute, fault);
    QSignalSpy available(m_updater, &RemoteUpdater::updateAvailable);
    SignalLog log(m_updater);
    QVERIFY(runCheck());
    const QString message = QStringLiteral("Update manifest is larger than 65536 bytes");
    QCOMPARE(log.lines, (QStringList{"checkStarted", "checkFailed: " + message, "checkFinished"}));
    QCOMPARE(loggedEvent("check_fail").value("reason").toString(), message);
    QCOMPARE(m_server->requestCount(manifestRoute), 1); // not retried
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    const qint64 held = heldAtRefusal(QStringLiteral("[Update] ") + message);
    QVERIFY2(held > RemoteUpdater::maxManifestBytes
                 && held <= RemoteUpdater::maxManifestBytes + ReplySizeLimit::readAheadBytes,
             qPrintable(QString::number(held)));
    // A manifest that fits is taken.
    m_server->clearFault(manifestRoute);
    QVERIFY(runCheck());
    QCOMPARE(available.size(), 1);
}

void TestRemoteUpdater::oversizeInstallerIsRefused_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("taken");
    const int limit = 1024 * 1024;
    QTest::newRow("announced") << Fault::overstate(qint64(limit) + 1) << limit << false;
    QTest::newRow("sent without a length") << Fault::stream(0, 64 * 1024) << 2 * limit << false;
    QTest::newRow("exactly the limit") << Fault::stream(0, 64 * 1024) << limit << true;
    QTest::newRow("flooded until the close") << Fault::flood(Fault::Framing::UntilClose) << limit << false;
    QTest::newRow("flooded chunked") << Fault::flood(Fault::Framing::Chunked) << limit << false;
    QTest::newRow("flood of exactly the limit") << Fault::flood(Fault::Framing::Chunked, limit) << limit << true;
}

void TestRemoteUpdater::oversizeInstallerIsRefused()
{
    QFETCH(Fault, fault);
    QFETCH(int, bytes);
    QFETCH(bool, taken);
    m_updater->setMaxInstallerBytes(1024 * 1024);
    const UpdateInfo info = publish("0.2", "a.exe", QByteArray(bytes, 'G'));
    m_server->setFault(QStringLiteral("files/a.exe"), fault);
    SignalLog log(m_updater);
    QVERIFY(runDownload(info));
    if (taken) {
        QCOMPARE(m_launcher.starts.size(), 1);
        return;
    }
    const QString message = QStringLiteral("Installer download is larger than the limit of 1048576 bytes");
    QCOMPARE(log.lines, (QStringList{"downloadStarted", "downloadFailed: " + message}));
    // Refused at the first piece past the limit, whatever the speed.
    const qint64 held = heldAtRefusal(QStringLiteral("[Update] ") + message);
    QVERIFY2(held > 1024 * 1024 && held <= 1024 * 1024 + ReplySizeLimit::readAheadBytes,
             qPrintable(QString::number(held)));
    QCOMPARE(loggedEvent("download_fail").value("reason").toString(), message);
    QCOMPARE(m_server->requestCount(QStringLiteral("files/a.exe")), 1); // not retried
    // Neither the target nor a partial temporary stays behind.
    QCOMPARE(QDir(downloadFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(m_launcher.starts.size(), 0);
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::downloadErrorsAreRetriedThenFinal_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("not found") << Fault::status(404);
    QTest::newRow("cut mid body") << Fault::of(Fault::Kind::CloseMidBody);
}

void TestRemoteUpdater::downloadErrorsAreRetriedThenFinal()
{
    QFETCH(Fault, fault);
    const UpdateInfo info = publish("0.2", "a.exe", QByteArray(4096, 'z'));
    m_server->setFault(QStringLiteral("files/a.exe"), fault);
    SignalLog log(m_updater);
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    m_updater->downloadAndInstall(info);
    QVERIFY(failed.wait(5000));
    QCOMPARE(log.lines.size(), 6);
    QVERIFY(log.lines.at(1).endsWith(QStringLiteral(" retrying download in 40 ms (1/2).")));
    QVERIFY(log.lines.at(3).endsWith(QStringLiteral(" retrying download in 80 ms (2/2).")));
    QCOMPARE(log.lines.count(QStringLiteral("downloadStarted")), 3);
    QCOMPARE(m_server->requestCount(QStringLiteral("files/a.exe")), 3);
    // Neither the target nor a partial temporary stays behind.
    QCOMPARE(QDir(downloadFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(loggedEvent("download_fail").contains("networkError"));
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
}

void TestRemoteUpdater::retryMessageKeepsPercentSignsOfTheReason()
{
    // The error text quotes the URL, escapes included.
    m_updater->setMaxRetries(1);
    UpdateInfo info;
    info.downloadUrl = m_server->fileUrl(QStringLiteral("missing%2Fname.exe")).toString();
    info.sha256 = sha256Hex("x");
    QSignalSpy retrying(m_updater, &RemoteUpdater::downloadRetrying);
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    m_updater->downloadAndInstall(info);
    QVERIFY(failed.wait(5000));
    const QString reason = failed.at(0).at(0).toString();
    QVERIFY2(reason.contains(QLatin1String("%2F")), qPrintable(reason));
    QCOMPARE(retrying.size(), 1);
    QCOMPARE(retrying.at(0).at(0).toString(), reason + QStringLiteral(" \u2014 retrying download in 40 ms (1/1)."));
}

void TestRemoteUpdater::slowDownloadDoesNotTimeOutButSilenceDoes()
{
    const QByteArray bytes = "0123456789";
    const UpdateInfo info = publish("0.2", "slow.exe", bytes);
    m_updater->setDownloadTimeoutMs(300);
    m_updater->setMaxRetries(0);
    m_server->setFault(QStringLiteral("files/slow.exe"), Fault::trickle(100, 0)); // ~1 s in all
    QSignalSpy quit(m_updater, &RemoteUpdater::requestApplicationQuit);
    m_updater->downloadAndInstall(info);
    QVERIFY(quit.wait(5000));

    m_server->setFault(QStringLiteral("files/slow.exe"), Fault::of(Fault::Kind::Stall));
    SignalLog log(m_updater);
    m_updater->downloadAndInstall(info);
    QSignalSpy failed(m_updater, &RemoteUpdater::downloadFailed);
    QVERIFY(failed.wait(5000));
    QCOMPARE(log.lines, (QStringList{"downloadStarted", "downloadFailed: Installer download timed out"}));
    QCOMPARE(loggedEvent("download_fail").value("reason").toString(), QStringLiteral("Installer download timed out"));
}

void TestRemoteUpdater::listenerMayDownloadFromUpdateAvailable()
{
    publish("0.2", "a.exe", "bytes");
    connect(m_updater, &RemoteUpdater::updateAvailable, m_updater, &RemoteUpdater::downloadAndInstall);
    QSignalSpy started(m_updater, &RemoteUpdater::installerStarted);
    QVERIFY(runCheck());
    QVERIFY(started.wait(5000));
    const QStringList events = loggedEvents();
    QVERIFY(events.indexOf("download_start") >= 0);
    QVERIFY(events.indexOf("download_start") < events.indexOf("check_update_available"));
}

void TestRemoteUpdater::launchFailureLeavesTheInstaller()
{
    const UpdateInfo info = publish("0.2", "a.exe", "bytes");
    m_launcher.failStarts = true;
    QSignalSpy failed(m_updater, &RemoteUpdater::installerLaunchFailed);
    QSignalSpy quit(m_updater, &RemoteUpdater::requestApplicationQuit);
    m_updater->downloadAndInstall(info);
    QVERIFY(failed.wait(5000));
    const QString path = QDir(downloadFolder()).filePath(QStringLiteral("a.exe"));
    QCOMPARE(failed.at(0).at(0).toString(),
             QStringLiteral("Failed to start installer workflow. You can run it manually:\n") + path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(m_updater->state(), RemoteUpdater::Idle);
    QCOMPARE(loggedEvent("installer_launch_fail").value("program").toString(), path);
    QCOMPARE(quit.size(), 0);
}

void TestRemoteUpdater::checkStartedFromAFailureListenerKeepsItsState()
{
    publish("0.2", "a.exe", "bytes");
    Fault broken = Fault::raw("{");
    broken.times = 1;
    m_server->setFault(manifestRoute, broken);
    bool retried = false;
    connect(m_updater, &RemoteUpdater::checkFailed, this, [&] {
        if (!std::exchange(retried, true)) {
            m_server->setFault(manifestRoute, Fault::delay(100));
            m_updater->checkForUpdates();
        }
    });
    QSignalSpy available(m_updater, &RemoteUpdater::updateAvailable);
    QSignalSpy failed(m_updater, &RemoteUpdater::checkFailed);
    m_updater->checkForUpdates();
    QVERIFY(failed.wait(5000));
    QVERIFY(g_log.contains(QStringLiteral("[Update] stale busy state recovered from Checking to Idle")));
    // The check the listener started is still the one in flight.
    QCOMPARE(m_updater->state(), RemoteUpdater::Checking);
    m_updater->checkForUpdates();
    QCOMPARE(failed.last().at(0).toString(), busy);
    QVERIFY(available.wait(5000));
    QCOMPARE(m_server->requestCount(manifestRoute), 2);
}

QTEST_GUILESS_MAIN(TestRemoteUpdater)
#include "tst_remoteupdater.moc"
