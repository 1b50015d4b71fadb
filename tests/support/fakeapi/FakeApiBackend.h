#pragma once

#include "tests/support/fakeapi/FakeEqCloud.h"
#include "tests/support/fakeapi/FakeHttpRequest.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace FakeApi {

// An account on the fake server. The password is kept only as the hash the
// client must send.
struct User
{
    QString uid;
    QString userName;
    QString passwordHash;
    QString nickName;
    QString iconUrl;
    QString areaCode = QStringLiteral("86");
    QString email;
    int sex = 0;
    int age = 0;
    QString location;
};

// What the server expects in "timestamp" and "sign". Its own computation,
// independent of the client's code.
struct SignScheme
{
    int mode = 1; // 0 hmac(path+ts), 1 hmac(secret+ts), 2 md5(ts), 3 md5(path+ts+custom), 4 fixed, 5 none
    QString secret = QStringLiteral("7c3a91e0d4b85f26a0e19c4d73b2f851");
    QString customKey;
    QString fixedValue; // mode 4: empty accepts any three-digit value
    int maxClockSkewSeconds = 300;
};

// The endpoints of the fake API and their state: accounts, sessions,
// verification codes, firmware offers and downloadable files.
class Backend
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray contentType = "application/json";
        QByteArray body;
        bool isEnvelope = true;
        QJsonObject envelope;
    };

    Backend();

    // Checks signing and token, runs the route and fills the verdict fields of `request`.
    Reply handle(HttpRequest &request);

    void setRootUrl(const QString &rootUrl) { m_rootUrl = rootUrl; }
    void setSignScheme(const SignScheme &scheme) { m_scheme = scheme; }
    SignScheme signScheme() const { return m_scheme; }
    void setTokenRequiredEndpoints(const QStringList &routes) { m_tokenRoutes = routes; }
    QStringList tokenRequiredEndpoints() const { return m_tokenRoutes; }

    QString passwordHash(const QString &clearPassword) const;
    // Adds or replaces an account; `user.passwordHash` is computed from the clear password.
    void addUser(User user, const QString &clearPassword);
    // Shorthand: a new account with only a name and a password; returns it.
    User addUser(const QString &userName, const QString &clearPassword);
    std::optional<User> user(const QString &userName) const;
    QString issueToken(const QString &userName);
    void expireToken(const QString &token);
    bool tokenValid(const QString &token) const;

    void setVerificationCode(const QString &code) { m_nextCode = code; }
    QString verificationCode(const QString &userName) const { return m_codes.value(userName); }
    void setRegisterOpensSession(bool opens) { m_registerOpensSession = opens; }

    void setFirmwareInfo(const QString &pid, const QJsonObject &data) { m_firmware.insert(pid, data); }
    void setFile(const QString &name, const QByteArray &bytes) { m_files.insert(name, bytes); }
    QByteArray file(const QString &name) const { return m_files.value(name); }
    // Sound lists, game types and shared EQ curves.
    EqCloud &eqCloud() { return m_eqCloud; }
    // What "home/common/pcUpdate" answers: the manifest inside the reply
    // envelope, or the bare manifest object.
    void setUpdateManifest(const QJsonObject &manifest, bool inEnvelope = true)
    {
        m_updateManifest = manifest;
        m_manifestInEnvelope = inEnvelope;
    }

    // Answers `route` with this envelope once signing and token pass.
    void setCannedReply(const QString &route, const QJsonObject &envelope) { m_canned.insert(route, envelope); }
    void clearCannedReplies() { m_canned.clear(); }

    static QJsonObject envelope(int code, const QString &message, const QJsonValue &data = QJsonValue());
    static bool looksHashed(const QString &field);

private:
    std::optional<QJsonObject> checkSignature(HttpRequest &request) const;
    std::optional<QJsonObject> checkToken(HttpRequest &request) const;
    QJsonObject route(const HttpRequest &request);
    User *userByToken(const HttpRequest &request);
    User *userByUid(const QString &uid);
    static QJsonObject userJson(const User &user);

    QJsonObject login(const HttpRequest &r);
    QJsonObject registerAccount(const HttpRequest &r);
    QJsonObject sendVerify(const HttpRequest &r);
    QJsonObject forgetPassword(const HttpRequest &r);
    QJsonObject getUserInfo(const HttpRequest &r);
    QJsonObject editUserInfo(const HttpRequest &r);
    QJsonObject editPassword(const HttpRequest &r);
    QJsonObject editAccount(const HttpRequest &r);
    QJsonObject logout(const HttpRequest &r);
    QJsonObject uploadPicture(const HttpRequest &r);
    QJsonObject firmwareInfo(const HttpRequest &r);
    QJsonObject updateManifest(const HttpRequest &r);
    // The EQ routes; nothing when `route` is none of them.
    std::optional<QJsonObject> routeEq(const HttpRequest &r);

    QString m_rootUrl;
    SignScheme m_scheme;
    QStringList m_tokenRoutes;
    QMap<QString, User> m_users;
    QHash<QString, QString> m_tokens; // token -> userName
    QSet<QString> m_expiredTokens;
    QHash<QString, QString> m_codes;  // userName -> last code sent
    QString m_nextCode = QStringLiteral("123456");
    bool m_registerOpensSession = false;
    int m_nextUid = 10001;
    int m_nextToken = 1;
    QHash<QString, QJsonObject> m_firmware;
    QHash<QString, QByteArray> m_files;
    QHash<QString, QJsonObject> m_canned;
    EqCloud m_eqCloud;
    std::optional<QJsonObject> m_updateManifest;
    bool m_manifestInEnvelope = true;
};

} // namespace FakeApi
