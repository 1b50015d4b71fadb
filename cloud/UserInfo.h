#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace EarphoneApi {

// The account record shared by the account and user APIs, the login session
// and the account screens.
struct UserInfo
{
    QString uid;
    QString userName;
    QString nickName;
    QString iconUrl;
    QString areaCode;
    QString email;
    qint32 sex = 0;
    qint32 age = 0;
    QString location;

    bool operator==(const UserInfo &other) const = default;
};

// Reads a record from the server's JSON; missing or mistyped fields fall back
// to empty texts and 0.
UserInfo parseUserInfo(const QJsonObject &object);

// The stored form of a record; "location" is left out when empty.
QJsonObject userInfoToJson(const UserInfo &info);

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::UserInfo)
