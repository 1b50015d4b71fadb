#pragma once

#include <QJsonObject>
#include <QString>

namespace RemoteUpdate {

// The manifest inside the top-level object of a reply. When "data" holds an
// object the reply is the API envelope: a non-zero "errorCode" is the API's
// refusal, else "data" is the manifest. Otherwise the object is the manifest
// itself and any "errorCode" in it means nothing.
struct ManifestEnvelope
{
    QJsonObject manifest;
    bool unwrapped = false; // the manifest came from "data"
    qint64 errorCode = 0;   // non-zero: refused; `manifest` stays empty
    QString message;        // the envelope's "message" text of a refusal

    static ManifestEnvelope unwrap(const QJsonObject &reply);
};

} // namespace RemoteUpdate
