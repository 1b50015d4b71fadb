#pragma once

#include <QByteArray>
#include <QString>

namespace RemoteUpdate {

// The trusted public key for the update manifest, as read (untrimmed) from the
// first candidate file whose content is not blank: the file named by
// REMOTEUPDATE_PUBLIC_PEM_PATH, then "manifest_public.pem" and "public.pem"
// (each also under "keys/") in the program's folder, its parent and the
// working folder. Empty, with a warning logged, when none is found.
QByteArray locateManifestPublicKeyPem(const QString &programFolder, const QString &workingFolder);

} // namespace RemoteUpdate
