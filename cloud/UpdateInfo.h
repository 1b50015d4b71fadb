#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace RemoteUpdate {

// The update manifest as the program reads it.
struct UpdateInfo
{
    QString latestVersion;
    QString downloadUrl;
    QString sha256;
    QString releaseNotes;
    bool force = false;
    QString minSupportedVersion;
    QString signature; // Base64 of the RSA signature over signingPayload()
    // Set by the updater when the running version is below minSupportedVersion.
    bool belowMinSupported = false;

    // Reads an object that went through normalizeManifestAliases. "latestVersion"
    // and "downloadUrl" must be JSON strings, else the record stays empty and
    // `error` (may be null) gets the reason; optional fields of another type
    // keep their defaults.
    static UpdateInfo fromJson(const QJsonObject &manifest, QString *error = nullptr);

    // UTF-8 of the text the server signs: six "name=value" lines, values as parsed.
    QByteArray signingPayload() const;

    bool operator==(const UpdateInfo &other) const = default;
};

// Keeps only the manifest keys, taking "force" from "isForce" and
// "releaseNotes" from "versionLog" when the proper name is absent.
QJsonObject normalizeManifestAliases(const QJsonObject &manifest);

} // namespace RemoteUpdate

Q_DECLARE_METATYPE(RemoteUpdate::UpdateInfo)
