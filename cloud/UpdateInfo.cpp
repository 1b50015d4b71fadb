#include "cloud/UpdateInfo.h"

namespace RemoteUpdate {

namespace {

const QString keyLatestVersion = QStringLiteral("latestVersion");
const QString keyMinSupported = QStringLiteral("minSupportedVersion");
const QString keyDownloadUrl = QStringLiteral("downloadUrl");
const QString keySha256 = QStringLiteral("sha256");
const QString keySignature = QStringLiteral("signature");
const QString keyForce = QStringLiteral("force");
const QString keyReleaseNotes = QStringLiteral("releaseNotes");

void copyIfPresent(const QJsonObject &from, const QString &fromKey, QJsonObject &to, const QString &toKey)
{
    const auto it = from.constFind(fromKey);
    if (it != from.constEnd())
        to.insert(toKey, it.value());
}

QString optionalText(const QJsonObject &manifest, const QString &key)
{
    const QJsonValue value = manifest.value(key);
    return value.isString() ? value.toString() : QString();
}

} // namespace

QJsonObject normalizeManifestAliases(const QJsonObject &manifest)
{
    QJsonObject normalized;
    for (const QString &key : {keyLatestVersion, keyMinSupported, keyDownloadUrl, keySha256, keySignature})
        copyIfPresent(manifest, key, normalized, key);
    if (manifest.contains(keyForce))
        copyIfPresent(manifest, keyForce, normalized, keyForce);
    else
        copyIfPresent(manifest, QStringLiteral("isForce"), normalized, keyForce);
    if (manifest.contains(keyReleaseNotes))
        copyIfPresent(manifest, keyReleaseNotes, normalized, keyReleaseNotes);
    else
        copyIfPresent(manifest, QStringLiteral("versionLog"), normalized, keyReleaseNotes);
    return normalized;
}

UpdateInfo UpdateInfo::fromJson(const QJsonObject &manifest, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return UpdateInfo();
    };
    const QJsonValue latest = manifest.value(keyLatestVersion);
    if (!latest.isString())
        return fail(QStringLiteral("Missing or invalid latestVersion"));
    const QJsonValue url = manifest.value(keyDownloadUrl);
    if (!url.isString())
        return fail(QStringLiteral("Missing or invalid downloadUrl"));

    UpdateInfo info;
    info.latestVersion = latest.toString();
    info.downloadUrl = url.toString();
    info.sha256 = optionalText(manifest, keySha256);
    info.releaseNotes = optionalText(manifest, keyReleaseNotes);
    const QJsonValue force = manifest.value(keyForce);
    info.force = force.isBool() && force.toBool();
    info.minSupportedVersion = optionalText(manifest, keyMinSupported);
    info.signature = optionalText(manifest, keySignature);
    if (error)
        error->clear();
    return info;
}

QByteArray UpdateInfo::signingPayload() const
{
    // The multi-argument arg() fills all six in one pass, so a "%1" inside a
    // value stays as it is.
    return QStringLiteral("latestVersion=%1\ndownloadUrl=%2\nsha256=%3\nforce=%4\nminSupportedVersion=%5\n"
                          "releaseNotes=%6")
        .arg(latestVersion, downloadUrl, sha256, force ? QStringLiteral("true") : QStringLiteral("false"),
             minSupportedVersion, releaseNotes)
        .toUtf8();
}

} // namespace RemoteUpdate
