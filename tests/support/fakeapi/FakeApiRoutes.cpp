// The endpoint handlers of the fake API; each returns the reply envelope.
#include "tests/support/fakeapi/FakeApiBackend.h"

#include <QJsonObject>

namespace FakeApi {

namespace {

QJsonObject fail(int code, const QString &message)
{
    return Backend::envelope(code, message);
}

QJsonObject ok(const QJsonValue &data = QJsonValue(), const QString &message = QStringLiteral("成功"))
{
    return Backend::envelope(0, message, data);
}

} // namespace

QJsonObject Backend::login(const HttpRequest &r)
{
    const QString userName = r.field(QStringLiteral("userName"));
    const QString password = r.field(QStringLiteral("password"));
    if (userName.isEmpty())
        return fail(2000, QStringLiteral("账户不能为空"));
    if (password.isEmpty())
        return fail(2020, QStringLiteral("密码不能为空"));
    const auto it = m_users.constFind(userName);
    if (it == m_users.constEnd())
        return fail(2003, QStringLiteral("账户不存在"));
    if (!looksHashed(password) || password != it->passwordHash)
        return fail(2025, QStringLiteral("密码错误"));
    const QString token = issueToken(userName);
    return ok(QJsonObject{{QStringLiteral("token"), token}, {QStringLiteral("userInfo"), userJson(*it)}});
}

QJsonObject Backend::registerAccount(const HttpRequest &r)
{
    const QString userName = r.field(QStringLiteral("userName"));
    const QString vcode = r.field(QStringLiteral("vcode"));
    const QString password = r.field(QStringLiteral("password"));
    if (userName.isEmpty())
        return fail(2000, QStringLiteral("账户不能为空"));
    if (vcode.isEmpty())
        return fail(2001, QStringLiteral("验证码不能为空"));
    if (password.isEmpty())
        return fail(2020, QStringLiteral("密码不能为空"));
    if (m_users.contains(userName))
        return fail(2002, QStringLiteral("注册时该账户已经存在"));
    if (vcode != m_codes.value(userName))
        return fail(2009, QStringLiteral("验证码错误"));
    if (!looksHashed(password))
        return fail(2010, QStringLiteral("注册失败"));
    User user;
    user.uid = QString::number(m_nextUid++);
    user.userName = userName;
    user.passwordHash = password;
    m_users.insert(userName, user);
    m_codes.remove(userName);
    QJsonObject data{{QStringLiteral("userInfo"), userJson(user)}};
    if (m_registerOpensSession)
        data.insert(QStringLiteral("token"), issueToken(userName));
    return ok(data);
}

QJsonObject Backend::sendVerify(const HttpRequest &r)
{
    const QString userName = r.field(QStringLiteral("userName"));
    if (userName.isEmpty())
        return fail(2000, QStringLiteral("账户不能为空"));
    const int type = r.field(QStringLiteral("vcodeType")).toInt();
    if (type < 1 || type > 4)
        return fail(2004, QStringLiteral("验证码类型错误"));
    m_codes.insert(userName, m_nextCode);
    return ok(QJsonValue(), QStringLiteral("发送成功"));
}

QJsonObject Backend::forgetPassword(const HttpRequest &r)
{
    const QString userName = r.field(QStringLiteral("userName"));
    const QString password = r.field(QStringLiteral("password"));
    const QString sure = r.field(QStringLiteral("surePassword"));
    if (userName.isEmpty())
        return fail(2000, QStringLiteral("账户不能为空"));
    if (r.field(QStringLiteral("vcode")).isEmpty())
        return fail(2001, QStringLiteral("验证码不能为空"));
    if (password.isEmpty())
        return fail(2020, QStringLiteral("密码不能为空"));
    if (sure.isEmpty())
        return fail(2021, QStringLiteral("确认密码不能为空"));
    if (password != sure)
        return fail(2022, QStringLiteral("密码与确认密码不一致"));
    auto it = m_users.find(userName);
    if (it == m_users.end())
        return fail(2003, QStringLiteral("账户不存在"));
    if (r.field(QStringLiteral("vcode")) != m_codes.value(userName))
        return fail(2009, QStringLiteral("验证码错误"));
    if (!looksHashed(password))
        return fail(2023, QStringLiteral("修改密码失败"));
    it->passwordHash = password;
    m_codes.remove(userName);
    return ok();
}

QJsonObject Backend::getUserInfo(const HttpRequest &r)
{
    const User *u = userByUid(r.field(QStringLiteral("uid")));
    if (!u)
        return fail(2030, QStringLiteral("获取用户信息失败"));
    return ok(QJsonObject{{QStringLiteral("userInfo"), userJson(*u)}});
}

QJsonObject Backend::editUserInfo(const HttpRequest &r)
{
    User *u = userByToken(r);
    if (!u || r.formFields.isEmpty())
        return fail(2032, QStringLiteral("修改用户信息失败"));
    for (const auto &[name, value] : r.formFields) {
        if (name == QLatin1String("iconUrl"))
            u->iconUrl = value;
        else if (name == QLatin1String("nickName"))
            u->nickName = value;
        else if (name == QLatin1String("sex"))
            u->sex = value.toInt();
        else if (name == QLatin1String("age"))
            u->age = value.toInt();
        else if (name == QLatin1String("location"))
            u->location = value;
        else
            return fail(2032, QStringLiteral("修改用户信息失败"));
    }
    return ok();
}

QJsonObject Backend::editPassword(const HttpRequest &r)
{
    User *u = userByToken(r);
    const QString oldPassword = r.field(QStringLiteral("oldPassword"));
    const QString newPassword = r.field(QStringLiteral("newPassword"));
    if (oldPassword.isEmpty())
        return fail(2040, QStringLiteral("原始密码不能为空"));
    if (newPassword.isEmpty())
        return fail(2036, QStringLiteral("新密码不能为空"));
    if (!u || oldPassword != u->passwordHash)
        return fail(2038, QStringLiteral("old password wrong"));
    if (!looksHashed(newPassword))
        return fail(2042, QStringLiteral("update failed"));
    u->passwordHash = newPassword;
    return ok();
}

QJsonObject Backend::editAccount(const HttpRequest &r)
{
    User *u = userByToken(r);
    const QString userName = r.field(QStringLiteral("userName"));
    if (!u || userName.isEmpty())
        return fail(2000, QStringLiteral("账户不能为空"));
    if (r.field(QStringLiteral("vcode")) != m_codes.value(userName))
        return fail(2009, QStringLiteral("验证码错误"));
    if (m_users.contains(userName))
        return fail(2034, QStringLiteral("账号已经存在，不可修改"));
    User moved = *u;
    const QString oldName = moved.userName;
    moved.userName = userName;
    m_users.remove(oldName);
    m_users.insert(userName, moved);
    for (auto it = m_tokens.begin(); it != m_tokens.end(); ++it) {
        if (it.value() == oldName)
            it.value() = userName;
    }
    return ok(QJsonValue(), QStringLiteral("修改成功"));
}

QJsonObject Backend::logout(const HttpRequest &r)
{
    m_tokens.remove(QString::fromUtf8(r.header("token")));
    return ok(QJsonValue(), QStringLiteral("退出成功"));
}

QJsonObject Backend::uploadPicture(const HttpRequest &r)
{
    const MultipartPart *image = r.part(QStringLiteral("image"));
    if (!image || image->fileName.isEmpty() || image->body.isEmpty())
        return fail(1021, QStringLiteral("上传图片失败"));
    const QString name = QStringLiteral("avatars/%1").arg(image->fileName);
    m_files.insert(name, image->body);
    return ok(QJsonObject{{QStringLiteral("path"), m_rootUrl + QStringLiteral("files/") + name}});
}

QJsonObject Backend::firmwareInfo(const HttpRequest &r)
{
    return ok(m_firmware.value(r.field(QStringLiteral("pid"))));
}

QJsonObject Backend::updateManifest(const HttpRequest &)
{
    if (!m_updateManifest)
        return fail(1000, QStringLiteral("接口地址错误"));
    return m_manifestInEnvelope ? ok(*m_updateManifest) : *m_updateManifest;
}

std::optional<QJsonObject> Backend::routeEq(const HttpRequest &r)
{
    const User *u = userByToken(r);
    const QString uid = u ? u->uid : QString();
    const QString &route = r.route;
    if (route == QLatin1String("home/common/soundList"))
        return m_eqCloud.soundList(r);
    if (route == QLatin1String("home/cloud/gameType"))
        return m_eqCloud.gameType(r);
    if (route == QLatin1String("home/cloud/cloudList"))
        return m_eqCloud.cloudList(r, uid);
    if (route == QLatin1String("home/cloud/downloadList"))
        return m_eqCloud.downloadList(r, uid);
    if (route == QLatin1String("home/cloud/cloudOperate"))
        return m_eqCloud.cloudOperate(r, uid);
    if (route == QLatin1String("home/cloud/cloudDel"))
        return m_eqCloud.cloudDel(r, uid);
    if (route == QLatin1String("home/cloud/downloadDel"))
        return m_eqCloud.downloadDel(r, uid);
    if (route == QLatin1String("home/cloud/saveCloud"))
        return m_eqCloud.saveCloud(r, uid);
    return std::nullopt;
}

} // namespace FakeApi
