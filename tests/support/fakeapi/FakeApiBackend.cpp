#include "tests/support/fakeapi/FakeApiBackend.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>

namespace FakeApi {

namespace {

QString hmacHex(const QString &message, const QString &key)
{
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(message.toUtf8(), key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString md5Hex(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

const QStringList defaultTokenRoutes = {
    QStringLiteral("home/user/getOtherinfo"), QStringLiteral("home/user/editUserinfo"),
    QStringLiteral("home/user/editPassword"), QStringLiteral("home/user/editAccount"),
    QStringLiteral("home/user/logout"),       QStringLiteral("home/user/logoff"),
    QStringLiteral("home/system/picUpload"),  QStringLiteral("home/cloud/soundcateList"),
    QStringLiteral("home/cloud/saveCloud"),   QStringLiteral("home/cloud/cloudList"),
    QStringLiteral("home/cloud/cloudOperate"), QStringLiteral("home/cloud/downloadList"),
    QStringLiteral("home/cloud/downloadDel"), QStringLiteral("home/cloud/cloudDel"),
    QStringLiteral("home/cloud/gameType"),
};

} // namespace

Backend::Backend() : m_tokenRoutes(defaultTokenRoutes) {}

QJsonObject Backend::envelope(int code, const QString &message, const QJsonValue &data)
{
    return QJsonObject{{QStringLiteral("errorCode"), code},
                       {QStringLiteral("message"), message},
                       {QStringLiteral("data"), data.isUndefined() ? QJsonValue() : data}};
}

bool Backend::looksHashed(const QString &field)
{
    static const QRegularExpression hex40(QStringLiteral("^[0-9a-f]{40}$"));
    return hex40.match(field).hasMatch();
}

QString Backend::passwordHash(const QString &clearPassword) const
{
    return hmacHex(clearPassword, m_scheme.secret);
}

void Backend::addUser(User user, const QString &clearPassword)
{
    if (user.uid.isEmpty())
        user.uid = QString::number(m_nextUid++);
    user.passwordHash = passwordHash(clearPassword);
    m_users.insert(user.userName, user);
}

User Backend::addUser(const QString &userName, const QString &clearPassword)
{
    User user;
    user.userName = userName;
    addUser(user, clearPassword);
    return m_users.value(userName);
}

std::optional<User> Backend::user(const QString &userName) const
{
    const auto it = m_users.constFind(userName);
    if (it == m_users.constEnd())
        return std::nullopt;
    return *it;
}

QString Backend::issueToken(const QString &userName)
{
    const QString token = QStringLiteral("tok-%1-%2").arg(m_nextToken++).arg(userName.toUtf8().toHex());
    m_tokens.insert(token, userName);
    return token;
}

void Backend::expireToken(const QString &token)
{
    m_expiredTokens.insert(token);
}

bool Backend::tokenValid(const QString &token) const
{
    return m_tokens.contains(token) && !m_expiredTokens.contains(token);
}

Backend::Reply Backend::handle(HttpRequest &request)
{
    Reply reply;
    if (request.method == "GET" && request.route.startsWith(QLatin1String("files/"))) {
        const QString name = request.route.mid(6);
        reply.isEnvelope = false;
        reply.contentType = "application/octet-stream";
        if (!m_files.contains(name)) {
            reply.status = 404;
            reply.contentType = "text/plain";
            reply.body = "not found";
        } else {
            reply.body = m_files.value(name);
        }
        return reply;
    }

    if (auto failure = checkSignature(request))
        reply.envelope = *failure;
    else if (auto tokenFailure = checkToken(request))
        reply.envelope = *tokenFailure;
    else if (m_canned.contains(request.route))
        reply.envelope = m_canned.value(request.route);
    else
        reply.envelope = route(request);
    reply.body = QJsonDocument(reply.envelope).toJson(QJsonDocument::Compact);
    return reply;
}

std::optional<QJsonObject> Backend::checkSignature(HttpRequest &request) const
{
    request.signatureChecked = true;
    const QString timestamp = QString::fromUtf8(request.header("timestamp"));
    static const QRegularExpression tenDigits(QStringLiteral("^[0-9]{10}$"));
    if (!tenDigits.match(timestamp).hasMatch())
        return envelope(1008, QStringLiteral("header时间戳不能为空"));
    if (qAbs(QDateTime::currentSecsSinceEpoch() - timestamp.toLongLong()) > m_scheme.maxClockSkewSeconds)
        return envelope(1010, QStringLiteral("sign签名错误"));

    const QString sign = QString::fromUtf8(request.header("sign"));
    const QString path = request.route;
    bool valid = false;
    switch (m_scheme.mode) {
    case 1:
        valid = sign == hmacHex(m_scheme.secret + timestamp, m_scheme.secret);
        break;
    case 2:
        valid = sign == md5Hex(timestamp);
        break;
    case 3:
        valid = sign == (m_scheme.customKey.isEmpty() ? md5Hex(timestamp) : md5Hex(path + timestamp + m_scheme.customKey));
        break;
    case 4:
        valid = m_scheme.fixedValue.isEmpty() ? QRegularExpression(QStringLiteral("^[0-9]{3}$")).match(sign).hasMatch()
                                              : sign == m_scheme.fixedValue;
        break;
    case 5:
        valid = sign.isEmpty();
        break;
    default:
        valid = sign == hmacHex(path + timestamp, m_scheme.secret);
        break;
    }
    if (m_scheme.mode != 5 && sign.isEmpty())
        return envelope(1009, QStringLiteral("header sign不能为空"));
    request.signatureValid = valid;
    if (!valid)
        return envelope(1010, QStringLiteral("sign签名错误"));
    return std::nullopt;
}

std::optional<QJsonObject> Backend::checkToken(HttpRequest &request) const
{
    const QString token = QString::fromUtf8(request.header("token"));
    request.tokenPresent = request.hasHeader("token");
    if (!m_tokenRoutes.contains(request.route))
        return std::nullopt;
    if (token.isEmpty())
        return envelope(1002, QStringLiteral("token不能为空"));
    if (m_expiredTokens.contains(token))
        return envelope(1004, QStringLiteral("token已经过期，请重新登录"));
    if (!m_tokens.contains(token))
        return envelope(1003, QStringLiteral("token无效，请重新登录"));
    return std::nullopt;
}

QJsonObject Backend::userJson(const User &user)
{
    QJsonObject o{{QStringLiteral("uid"), user.uid},           {QStringLiteral("userName"), user.userName},
                  {QStringLiteral("nickName"), user.nickName}, {QStringLiteral("iconUrl"), user.iconUrl},
                  {QStringLiteral("areaCode"), user.areaCode}, {QStringLiteral("email"), user.email},
                  {QStringLiteral("sex"), user.sex},           {QStringLiteral("age"), user.age},
                  {QStringLiteral("location"), user.location}};
    return o;
}

User *Backend::userByToken(const HttpRequest &request)
{
    const QString userName = m_tokens.value(QString::fromUtf8(request.header("token")));
    auto it = m_users.find(userName);
    return it == m_users.end() ? nullptr : &it.value();
}

User *Backend::userByUid(const QString &uid)
{
    for (User &u : m_users) {
        if (u.uid == uid)
            return &u;
    }
    return nullptr;
}

QJsonObject Backend::route(const HttpRequest &r)
{
    using Handler = QJsonObject (Backend::*)(const HttpRequest &);
    static const QHash<QString, Handler> routes = {
        {QStringLiteral("home/account/login"), &Backend::login},
        {QStringLiteral("home/account/register"), &Backend::registerAccount},
        {QStringLiteral("home/account/sendVerify"), &Backend::sendVerify},
        {QStringLiteral("home/account/forgetPwd"), &Backend::forgetPassword},
        {QStringLiteral("home/user/getOtherinfo"), &Backend::getUserInfo},
        {QStringLiteral("home/user/editUserinfo"), &Backend::editUserInfo},
        {QStringLiteral("home/user/editPassword"), &Backend::editPassword},
        {QStringLiteral("home/user/editAccount"), &Backend::editAccount},
        {QStringLiteral("home/user/logout"), &Backend::logout},
        {QStringLiteral("home/system/picUpload"), &Backend::uploadPicture},
        {QStringLiteral("home/common/pcFirmwareInfo"), &Backend::firmwareInfo},
        {QStringLiteral("home/common/pcUpdate"), &Backend::updateManifest},
    };
    if (auto eqReply = routeEq(r))
        return *eqReply;
    const Handler handler = routes.value(r.route, nullptr);
    if (!handler)
        return envelope(1000, QStringLiteral("接口地址错误"));
    return (this->*handler)(r);
}

} // namespace FakeApi
