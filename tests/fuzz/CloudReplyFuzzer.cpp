// libFuzzer target over what the program reads from the maker's HTTP API: the
// reply envelope of every API call, and the update manifest (its envelope,
// the fields and their aliases, the version comparisons, the signing text and
// the Base64 and RSA check of its signature) from the same body.
#include "cloud/ApiResponse.h"
#include "cloud/ManifestEnvelope.h"
#include "cloud/ManifestSignature.h"
#include "cloud/UpdateInfo.h"
#include "cloud/UpdateVersion.h"
#include "tests/fuzz/FuzzEnvironment.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <cstdint>

using namespace RemoteUpdate;
using FuzzEnvironment::require;

namespace {

// Public half of a key made for the seed corpus only; the signed seeds pass
// the RSA check, so mutations start from a manifest that verifies.
const QByteArray kSeedKeyPem = QByteArrayLiteral(
    "-----BEGIN PUBLIC KEY-----\n"
    "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA0P2ZnDl3yReDreWmuZpE\n"
    "SVJTtuwoWYYnIDlWvQcXqlTYKYTHCds9LGQActVIom7yxA/iFHxXl4ru1s6PzBdd\n"
    "4W45QOKzAAyzK0LMAxWa2jlB4AyWgr4DfNoOh/2okjm2Qbp9SNTY6U3dj7mGzzTV\n"
    "+TOMxKw59GLraNOTJxSD6MDdAMcuKKqid6XtOuwSHxIiAaWLw6Rs9yydayJgOgKm\n"
    "AcZEhsCDvJ4iqZD3S6nZhFTp2vr1YG/+wY1MMdJA8K6RIBtU/VA3ByTUeNGZonub\n"
    "63wLsFCVxot1E6ecofRYSUcI4JEZx0+FRReXqmelCwV7b3V7WJtx8hujdjiRo2ko\n"
    "DwIDAQAB\n"
    "-----END PUBLIC KEY-----\n");
constexpr qsizetype kSeedKeyBytes = 256;

void checkApiEnvelope(const QByteArray &body)
{
    const EarphoneApi::ApiResponse response = EarphoneApi::ApiResponse::fromBody(body);
    if (body.isEmpty()) {
        require(response.errorCode == -1, "an empty body is not code -1");
        return;
    }
    if (response.errorCode == -1 || response.errorCode == -2 || response.errorCode == -3)
        require(!response.message.isEmpty(), "a client-side code without a message");
    if (response.errorCode == 0)
        require(QJsonDocument::fromJson(body).isObject(), "success from a body that is no JSON object");
}

void checkVersions(const QString &a, const QString &b)
{
    require(!isNewerVersion(a, a), "a version newer than itself");
    require(!(isNewerVersion(a, b) && isNewerVersion(b, a)), "two versions each newer than the other");
}

void checkSignature(const UpdateInfo &info)
{
    const std::optional<QByteArray> signature = decodeStrictBase64(info.signature.toUtf8());
    if (!signature)
        return;
    require(decodeStrictBase64(signature->toBase64()) == signature, "strict Base64 does not read its own form");
    if (signature->isEmpty())
        return;
    QString error;
    if (verifyRsaSha256Signature(kSeedKeyPem, info.signingPayload(), *signature, &error))
        require(signature->size() == kSeedKeyBytes && error.isEmpty(), "a signature of the wrong size verified");
    else
        require(!error.isEmpty(), "a failed check gave no reason");
}

void checkManifest(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return;
    const QJsonObject reply = doc.object();
    const ManifestEnvelope envelope = ManifestEnvelope::unwrap(reply);
    if (envelope.errorCode != 0)
        require(envelope.manifest.isEmpty() && !envelope.unwrapped, "a refused envelope gave a manifest");
    if (envelope.unwrapped)
        require(reply.value(QLatin1String("data")).isObject(), "unwrapped from a \"data\" that is no object");

    static const QSet<QString> keys{QStringLiteral("latestVersion"), QStringLiteral("minSupportedVersion"),
                                    QStringLiteral("downloadUrl"),   QStringLiteral("sha256"),
                                    QStringLiteral("signature"),     QStringLiteral("force"),
                                    QStringLiteral("releaseNotes")};
    const QJsonObject normalized = normalizeManifestAliases(envelope.manifest);
    for (const QString &key : normalized.keys())
        require(keys.contains(key), "an unknown key survived the alias mapping");

    QString failure;
    const UpdateInfo info = UpdateInfo::fromJson(normalized, &failure);
    if (!failure.isEmpty()) {
        require(info == UpdateInfo(), "a refused manifest left fields set");
        return;
    }
    // The signed text, built here field by field: values go in as parsed.
    const QString expected = QStringLiteral("latestVersion=") + info.latestVersion + QStringLiteral("\ndownloadUrl=")
                             + info.downloadUrl + QStringLiteral("\nsha256=") + info.sha256
                             + QStringLiteral("\nforce=") + (info.force ? QStringLiteral("true") : QStringLiteral("false"))
                             + QStringLiteral("\nminSupportedVersion=") + info.minSupportedVersion
                             + QStringLiteral("\nreleaseNotes=") + info.releaseNotes;
    require(info.signingPayload() == expected.toUtf8(), "the signing text differs from the fields");

    checkVersions(info.latestVersion, info.minSupportedVersion);
    checkVersions(info.latestVersion, QStringLiteral("0.1.26"));
    isBelowMinSupported(info, QStringLiteral("0.1.26"));
    checkSignature(info);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzEnvironment::ensureQtCore();
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    checkApiEnvelope(body);
    checkManifest(body);
    return 0;
}
