#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

namespace FakeApi {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One part of a multipart/form-data body as it arrived.
struct MultipartPart
{
    HeaderList headers;
    QString name;
    QString fileName; // empty for a plain field
    QByteArray contentType;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

// One request as the server received it, with its body decoded by kind.
struct HttpRequest
{
    QByteArray method;
    QByteArray target;       // as on the request line
    QString route;           // path below the API root, e.g. "home/account/login"
    QByteArray query;        // without "?"
    HeaderList headers;      // in the order received, names as sent
    QByteArray body;
    QList<QPair<QString, QString>> formFields; // urlencoded or multipart fields, in order
    QList<MultipartPart> parts;
    QJsonObject json;        // for application/json bodies
    bool jsonBody = false;

    // Outcome of the server's own checks, for assertions.
    bool signatureChecked = false;
    bool signatureValid = false;
    bool tokenPresent = false;

    bool hasHeader(const QByteArray &name) const;
    QByteArray header(const QByteArray &name) const; // case-insensitive name
    int headerIndex(const QByteArray &name) const;   // -1 when absent
    bool hasField(const QString &name) const;
    QString field(const QString &name) const;
    const MultipartPart *part(const QString &name) const;
};

} // namespace FakeApi
