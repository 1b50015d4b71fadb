// The update manifest: reading and alias rules, the signed text, version
// comparison, strict Base64 and the RSA check with keys made in the test.
#include "TestRsaKey.h"

#include "cloud/ManifestPublicKeyLocator.h"
#include "cloud/ManifestSignature.h"
#include "cloud/RemoteUpdater.h"
#include "cloud/UpdateInfo.h"
#include "cloud/UpdateVersion.h"
#include "platform/signature/ScriptedRsaSignatureVerifier.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace RemoteUpdate;
using CloudTest::TestRsaKey;

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

// The text the update server signs, written out here from the values it sends.
QByteArray serverSigningText(const QString &latest, const QString &url, const QString &sha, bool force,
                             const QString &minimum, const QString &notes)
{
    return "latestVersion=" + latest.toUtf8() + "\ndownloadUrl=" + url.toUtf8() + "\nsha256=" + sha.toUtf8()
           + "\nforce=" + (force ? "true" : "false") + "\nminSupportedVersion=" + minimum.toUtf8()
           + "\nreleaseNotes=" + notes.toUtf8();
}

QByteArray derBody(const QByteArray &pem)
{
    QByteArray body = pem;
    body.replace("-----BEGIN PUBLIC KEY-----", "").replace("-----END PUBLIC KEY-----", "");
    return QByteArray::fromBase64(body.simplified().replace(' ', ""));
}

QByteArray pemOf(const QByteArray &der)
{
    return "-----BEGIN PUBLIC KEY-----\n" + der.toBase64() + "\n-----END PUBLIC KEY-----\n";
}

} // namespace

class TestUpdateManifest : public QObject
{
    Q_OBJECT

private slots:
    void readManifest_data();
    void readManifest();
    void missingRequiredKeys_data();
    void missingRequiredKeys();
    void aliasesDropOtherKeys();
    void signingText();
    void versions_data();
    void versions();
    void belowMinimum_data();
    void belowMinimum();
    void strictBase64_data();
    void strictBase64();
    void rsaCheck_data();
    void rsaCheck();
    void rsaCheckStepTexts_data();
    void rsaCheckStepTexts();
    void signaturePolicy_data();
    void signaturePolicy();
    void publicKeyLookupOrder_data();
    void publicKeyLookupOrder();
};

void TestUpdateManifest::readManifest_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("sha");
    QTest::newRow("isForce alone") << R"({"latestVersion":"2","downloadUrl":"u","isForce":true})" << true << ""
                                   << "";
    QTest::newRow("force wins over isForce") << R"({"latestVersion":"2","downloadUrl":"u","force":false,"isForce":true})"
                                             << false << "" << "";
    QTest::newRow("force as text") << R"({"latestVersion":"2","downloadUrl":"u","force":"true"})" << false << ""
                                   << "";
    QTest::newRow("force as number") << R"({"latestVersion":"2","downloadUrl":"u","force":1})" << false << "" << "";
    QTest::newRow("versionLog alias") << R"({"latestVersion":"2","downloadUrl":"u","versionLog":"fixes"})" << false
                                      << "fixes" << "";
    QTest::newRow("releaseNotes wins") << R"({"latestVersion":"2","downloadUrl":"u","releaseNotes":"a","versionLog":"b"})"
                                       << false << "a" << "";
    QTest::newRow("sha of another type") << R"({"latestVersion":"2","downloadUrl":"u","sha256":12})" << false << ""
                                         << "";
    QTest::newRow("empty version passes") << R"({"latestVersion":"","downloadUrl":"","sha256":"ab"})" << false << ""
                                          << "ab";
}

void TestUpdateManifest::readManifest()
{
    QFETCH(QString, json);
    QString error = QStringLiteral("stale");
    const UpdateInfo info = UpdateInfo::fromJson(normalizeManifestAliases(object(json.toUtf8().constData())), &error);
    QVERIFY(error.isEmpty());
    QTEST(info.force, "force");
    QTEST(info.releaseNotes, "notes");
    QTEST(info.sha256, "sha");
    QVERIFY(!info.belowMinSupported);
}

void TestUpdateManifest::missingRequiredKeys_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("version as number") << R"({"latestVersion":2,"downloadUrl":"u"})" << "Missing or invalid latestVersion";
    QTest::newRow("no url") << R"({"latestVersion":"2"})" << "Missing or invalid downloadUrl";
    QTest::newRow("both missing") << R"({"sha256":"x"})" << "Missing or invalid latestVersion";
}

void TestUpdateManifest::missingRequiredKeys()
{
    QFETCH(QString, json);
    QString error;
    const UpdateInfo info = UpdateInfo::fromJson(normalizeManifestAliases(object(json.toUtf8().constData())), &error);
    QTEST(error, "error");
    QCOMPARE(info, UpdateInfo());
    UpdateInfo::fromJson(QJsonObject()); // a null error pointer is allowed
}

void TestUpdateManifest::aliasesDropOtherKeys()
{
    const QJsonObject normalized = normalizeManifestAliases(
        object(R"({"latestVersion":"2","extra":1,"isForce":"yes","versionLog":"n","signature":"s","errorCode":3})"));
    QCOMPARE(normalized.keys(), (QStringList{"force", "latestVersion", "releaseNotes", "signature"}));
    QCOMPARE(normalized.value("force"), QJsonValue("yes")); // copied with its type; fromJson ignores it
}

void TestUpdateManifest::signingText()
{
    UpdateInfo info;
    QCOMPARE(info.signingPayload(), QByteArray("latestVersion=\ndownloadUrl=\nsha256=\nforce=false\n"
                                               "minSupportedVersion=\nreleaseNotes="));
    info.latestVersion = QStringLiteral(" 1.2 ");
    info.downloadUrl = QStringLiteral("https://h/%1.exe");
    info.sha256 = QStringLiteral("%6");
    info.force = true;
    info.minSupportedVersion = QStringLiteral("1.0");
    info.releaseNotes = QStringLiteral("第一行\n%2");
    info.signature = QStringLiteral("not covered");
    QCOMPARE(info.signingPayload(), serverSigningText(" 1.2 ", "https://h/%1.exe", "%6", true, "1.0", "第一行\n%2"));
}

void TestUpdateManifest::versions_data()
{
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("newer");
    QTest::newRow("1.10 > 1.9") << "1.10" << "1.9" << true;
    QTest::newRow("1.2.0 > 1.2") << "1.2.0" << "1.2" << true;
    QTest::newRow("1.2 !> 1.2.0") << "1.2" << "1.2.0" << false;
    QTest::newRow("equal") << "0.1.26" << "0.1.26" << false;
    QTest::newRow("suffix ignored") << "1.4.2-beta" << "1.4.1" << true;
    QTest::newRow("blank ends the text") << "2.0 rc" << "1.9" << true;
    QTest::newRow("letter v first") << "v9.0" << "1.0" << false;
    QTest::newRow("leading blank") << " 9.0" << "1.0" << false;
    QTest::newRow("current unreadable") << "2.0" << "" << false;
    QTest::newRow("trailing dot") << "1.2." << "1.1" << true;
    QTest::newRow("double dot stops") << "1..9" << "1.0" << false;
    QTest::newRow("huge numbers") << "1.99999999999999999999" << "1.99999999999999999998" << true;
    QTest::newRow("leading zeros") << "1.010" << "1.9" << true;
}

void TestUpdateManifest::versions()
{
    QFETCH(QString, candidate);
    QFETCH(QString, current);
    QTEST(isNewerVersion(candidate, current), "newer");
}

void TestUpdateManifest::belowMinimum_data()
{
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("below");
    QTest::newRow("below") << "1.1" << "1.0.5" << true;
    QTest::newRow("equal") << "1.0.5" << "1.0.5" << false;
    QTest::newRow("no minimum") << "" << "0.1" << false;
    QTest::newRow("blank minimum") << " " << "0.1" << false;
    QTest::newRow("unreadable current") << "1.0" << "dev" << false;
}

void TestUpdateManifest::belowMinimum()
{
    QFETCH(QString, minimum);
    QFETCH(QString, current);
    UpdateInfo info;
    info.minSupportedVersion = minimum;
    QTEST(isBelowMinSupported(info, current), "below");
}

void TestUpdateManifest::strictBase64_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("padded") << QByteArray("YWI=") << true << QByteArray("ab");
    QTest::newRow("double padded") << QByteArray("YQ==") << true << QByteArray("a");
    QTest::newRow("unpadded") << QByteArray("YWI") << true << QByteArray("ab");
    QTest::newRow("plus and slash") << QByteArray("+/8=") << true << QByteArray("\xfb\xff");
    QTest::newRow("trailing line feed") << QByteArray("YWI=\n") << false << QByteArray();
    QTest::newRow("blank inside") << QByteArray("YW I=") << false << QByteArray();
    QTest::newRow("leading blank") << QByteArray(" YWI=") << false << QByteArray();
    QTest::newRow("padding not at the end") << QByteArray("YQ==YQ==") << false << QByteArray();
    QTest::newRow("padding on odd length") << QByteArray("YWI==") << false << QByteArray();
    QTest::newRow("three pads") << QByteArray("Y===") << false << QByteArray();
    QTest::newRow("url alphabet") << QByteArray("-_8=") << false << QByteArray();
    QTest::newRow("one char left over") << QByteArray("YWJjZ") << false << QByteArray();
}

void TestUpdateManifest::strictBase64()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    const std::optional<QByteArray> decoded = decodeStrictBase64(text);
    QCOMPARE(decoded.has_value(), valid);
    if (valid)
        QTEST(*decoded, "bytes");
}

void TestUpdateManifest::rsaCheck_data()
{
    const TestRsaKey &key = TestRsaKey::shared();
    QVERIFY(key.isValid());
    const QByteArray pem = key.publicKeyPem();
    const QByteArray payload = serverSigningText("2.0", "https://h/a.exe", "ab", false, "", "notes");
    const QByteArray signature = key.sign(payload);
    QByteArray crlf = pem;
    crlf.replace("\n", "\r\n");

    QTest::addColumn<QByteArray>("pem");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QString>("error");
    QTest::newRow("valid") << pem << payload << signature << "";
    QTest::newRow("windows line ends, text before") << "Key:\r\n" + crlf << payload << signature << "";
    QTest::newRow("payload changed") << pem << payload + " " << signature << "Signature verification failed";
    QTest::newRow("other key") << TestRsaKey(1024).publicKeyPem() << payload << signature
                               << "Signature verification failed";
    QTest::newRow("signature cut") << pem << payload << signature.left(10) << "Signature verification failed";
    QTest::newRow("not an rsa key") << CloudTest::ecPublicKeyPem() << payload << signature
                                    << "Signature verification failed";
    QTest::newRow("markers swapped") << QByteArray("-----END PUBLIC KEY-----\nAAAA\n-----BEGIN PUBLIC KEY-----")
                                     << payload << signature << "Invalid PEM format";
    QTest::newRow("no end marker") << pem.left(pem.indexOf("-----END")) << payload << signature
                                   << "Invalid PEM format";
    QTest::newRow("empty body") << QByteArray("-----BEGIN PUBLIC KEY-----\n\n-----END PUBLIC KEY-----") << payload
                                << signature << "Failed to decode PEM public key";
    QTest::newRow("not der") << pemOf("not a key at all") << payload << signature
                             << "Failed to decode public key info (size query)";
    QTest::newRow("bytes after the key") << pemOf(derBody(pem) + "xx") << payload << signature
                                         << "Failed to decode public key info";
}

void TestUpdateManifest::rsaCheck()
{
    QFETCH(QByteArray, pem);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, signature);
    QFETCH(QString, error);
    QString reported = QStringLiteral("stale");
    QCOMPARE(verifyRsaSha256Signature(pem, payload, signature, &reported), error.isEmpty());
    QCOMPARE(reported, error);
}

void TestUpdateManifest::rsaCheckStepTexts_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("error");
    QTest::newRow("import") << int(IRsaSignatureVerifier::Result::KeyImportFailed) << "Failed to import public key";
    QTest::newRow("decode") << int(IRsaSignatureVerifier::Result::KeyInfoDecodeFailed)
                            << "Failed to decode public key info";
    QTest::newRow("valid") << int(IRsaSignatureVerifier::Result::Valid) << "";
}

void TestUpdateManifest::rsaCheckStepTexts()
{
    QFETCH(int, result);
    ScriptedRsaSignatureVerifier verifier;
    verifier.result = static_cast<IRsaSignatureVerifier::Result>(result);
    QString reported;
    verifyRsaSha256Signature(verifier, pemOf("DER-BYTES"), "payload", "sig", &reported);
    QTEST(reported, "error");
    QCOMPARE(verifier.calls.size(), 1);
    QCOMPARE(verifier.calls.at(0).publicKeyInfoDer, QByteArray("DER-BYTES"));
    QCOMPARE(verifier.calls.at(0).payload, QByteArray("payload"));
}

void TestUpdateManifest::signaturePolicy_data()
{
    const TestRsaKey &key = TestRsaKey::shared();
    UpdateInfo signedInfo;
    signedInfo.latestVersion = QStringLiteral("2.0");
    signedInfo.downloadUrl = QStringLiteral("https://h/a.exe");
    signedInfo.force = true;
    signedInfo.signature = QString::fromLatin1(
        key.signBase64(serverSigningText("2.0", "https://h/a.exe", "", true, "", "")));
    UpdateInfo unsignedInfo = signedInfo;
    unsignedInfo.signature = QStringLiteral("  ");
    UpdateInfo lineFeed = signedInfo;
    lineFeed.signature += QLatin1Char('\n');
    UpdateInfo blanks = signedInfo;
    blanks.signature = QLatin1Char(' ') + signedInfo.signature;
    UpdateInfo tampered = signedInfo;
    tampered.force = false;

    const QString noKey = QStringLiteral(
        "Trusted manifest public key is not configured. Ship public.pem with the app, set env "
        "REMOTEUPDATE_PUBLIC_PEM_PATH to its full path, or call setTrustedManifestPublicKeyPem() before "
        "checkForUpdates().");

    QTest::addColumn<UpdateInfo>("info");
    QTest::addColumn<bool>("require");
    QTest::addColumn<QByteArray>("pem");
    QTest::addColumn<QString>("error");
    QTest::newRow("signed") << signedInfo << true << key.publicKeyPem() << "";
    QTest::newRow("unsigned, not required") << unsignedInfo << false << QByteArray() << "";
    QTest::newRow("unsigned, required") << unsignedInfo << true << key.publicKeyPem()
                                        << "Manifest signature is missing";
    QTest::newRow("signed, no key, not required") << signedInfo << false << QByteArray(" \n") << noKey;
    QTest::newRow("trailing line feed") << lineFeed << true << key.publicKeyPem()
                                        << "Manifest signature is not valid base64";
    QTest::newRow("leading blank") << blanks << true << key.publicKeyPem() << "Manifest signature is not valid base64";
    QTest::newRow("force changed after signing") << tampered << true << key.publicKeyPem()
                                                 << "Signature verification failed";
}

void TestUpdateManifest::signaturePolicy()
{
    QFETCH(UpdateInfo, info);
    QFETCH(bool, require);
    QFETCH(QByteArray, pem);
    QFETCH(QString, error);
    RemoteUpdater updater;
    updater.setRequireSignature(require);
    updater.setTrustedManifestPublicKeyPem(pem);
    QString reported = QStringLiteral("stale");
    QCOMPARE(updater.verifyManifestSignature(info, &reported), error.isEmpty());
    QCOMPARE(reported, error);
}

void TestUpdateManifest::publicKeyLookupOrder_data()
{
    QTest::addColumn<QStringList>("files"); // relative to a scratch root; "prog" is the program's folder
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("found");
    QTest::newRow("environment first") << QStringList{"env.pem", "prog/public.pem"} << "env.pem" << "env.pem";
    QTest::newRow("blank environment file skipped") << QStringList{"prog/public.pem"} << "empty.pem"
                                                    << "prog/public.pem";
    QTest::newRow("manifest name before public") << QStringList{"prog/public.pem", "prog/keys/manifest_public.pem"}
                                                 << "" << "prog/keys/manifest_public.pem";
    QTest::newRow("folder before keys subfolder") << QStringList{"prog/keys/public.pem", "prog/public.pem"} << ""
                                                  << "prog/public.pem";
    QTest::newRow("program folder before parent") << QStringList{"public.pem", "prog/keys/public.pem"} << ""
                                                   << "prog/keys/public.pem";
    QTest::newRow("parent before working folder") << QStringList{"work/manifest_public.pem", "public.pem"} << ""
                                                   << "public.pem";
    QTest::newRow("working folder last") << QStringList{"work/keys/public.pem"} << "" << "work/keys/public.pem";
    QTest::newRow("none") << QStringList{} << "" << "";
}

void TestUpdateManifest::publicKeyLookupOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, environment);
    QFETCH(QString, found);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir(root.path()).mkpath(QStringLiteral("prog/keys"));
    QDir(root.path()).mkpath(QStringLiteral("work/keys"));
    QFile empty(root.filePath(QStringLiteral("empty.pem")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.write(" \n");
    empty.close();
    for (const QString &name : files) {
        QFile file(root.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\nKEY " + name.toUtf8() + "\n");
    }
    if (environment.isEmpty())
        qunsetenv("REMOTEUPDATE_PUBLIC_PEM_PATH");
    else
        qputenv("REMOTEUPDATE_PUBLIC_PEM_PATH", " " + QFile::encodeName(root.filePath(environment)) + " ");
    if (found.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, "[Update] public key not found; set REMOTEUPDATE_PUBLIC_PEM_PATH or place "
                                           "manifest_public.pem/public.pem near app.");
    const QByteArray pem =
        locateManifestPublicKeyPem(root.filePath(QStringLiteral("prog")), root.filePath(QStringLiteral("work")));
    qunsetenv("REMOTEUPDATE_PUBLIC_PEM_PATH");
    QCOMPARE(pem, found.isEmpty() ? QByteArray() : "\nKEY " + found.toUtf8() + "\n");
}

QTEST_GUILESS_MAIN(TestUpdateManifest)
#include "tst_updatemanifest.moc"
