#include "EqCloudTestSession.h"

#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "tests/cloud/CloudTestSupport.h"

#include <QJsonArray>
#include <QSettings>

const QString EqCloudTestSession::pid = QStringLiteral("49678");

EqCloudTestSession::EqCloudTestSession()
{
    CloudTest::bypassProxy();
    m_settings = std::make_unique<TestSettingsScope>();
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    if (!m_server->start())
        return;
    m_user.uid = QStringLiteral("7001");
    m_user.userName = QStringLiteral("13800000000");
    m_user.nickName = QStringLiteral("Ann");
    m_server->backend().addUser(m_user, QStringLiteral("secret"));
    QSettings().setValue(QStringLiteral("api/baseUrl"), m_server->baseUrl());

    LoginController::Options options;
    options.protector = &m_protector;
    options.profileRetryStepMs = 20;
    options.profileRetryOffsetMs = 10;
    m_login = std::make_unique<LoginController>(options, nullptr);
    m_ready = m_login->eqApi() != nullptr;
}

EqCloudTestSession::~EqCloudTestSession()
{
    m_login.reset();
    m_server.reset();
    m_settings.reset();
}

EarphoneApi::EqApi *EqCloudTestSession::eqApi() const
{
    return m_login ? m_login->eqApi() : nullptr;
}

void EqCloudTestSession::signIn()
{
    const QString token = m_server->backend().issueToken(m_user.userName);
    EarphoneApi::UserInfo info;
    info.uid = m_user.uid;
    info.userName = m_user.userName;
    info.nickName = m_user.nickName;
    m_login->saveSession(EarphoneApi::LoginResponse{token, info});
    m_login->setSessionToken(token);
}

void EqCloudTestSession::signOut()
{
    m_login->clearSession();
}

QJsonObject EqCloudTestSession::bands(const QString &name)
{
    return QJsonObject{{"name", name},
                       {"desc", QStringLiteral("%1 description").arg(name)},
                       {"cate_id", "3"},
                       {"main_gain", 0},
                       {"nickName", "Bo"},
                       {"share_code", QStringLiteral("SC-%1").arg(name)},
                       {"freq", QJsonArray{"31", "62", "125", "250", "500", "1000", "2000", "4000", "8000", "16000"}},
                       {"q", QJsonArray{"0.7", "1", "1", "1", "1", "1", "1", "1", "1", "0.7"}},
                       {"sound", QJsonArray{"3", "2", "1", "0", "-1", "0", "1", "2", "3", "4"}},
                       {"type", QJsonArray{"Peaking", "Peaking", "Peaking", "Peaking", "Peaking", "Peaking", "Peaking",
                                           "Peaking", "Peaking", "Peaking"}}};
}

int EqCloudTestSession::share(const QString &name, const QString &ownerUid, const QJsonObject &extra)
{
    QJsonObject fields = bands(name);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        fields.insert(it.key(), it.value());
    return m_server->backend().eqCloud().addShared(ownerUid, pid, fields);
}

QList<int> EqCloudTestSession::shareMany(int count, const QString &prefix)
{
    QList<int> ids;
    for (int i = 0; i < count; ++i)
        ids.append(share(QStringLiteral("%1%2").arg(prefix).arg(i)));
    return ids;
}

void EqCloudTestSession::markOnServer(int id, int operation)
{
    // What the server does for this user's operation, without a request.
    FakeApi::HttpRequest request;
    request.formFields = {{QStringLiteral("cloud_id"), QString::number(id)},
                          {QStringLiteral("operate"), QString::number(operation)},
                          {QStringLiteral("status"), QStringLiteral("1")}};
    m_server->backend().eqCloud().cloudOperate(request, m_user.uid);
}

EarphoneApi::CloudEQItem EqCloudTestSession::item(const QString &id, const QString &name)
{
    EarphoneApi::CloudEQItem item;
    item.id = id;
    item.name = name.isEmpty() ? QStringLiteral("eq %1").arg(id) : name;
    item.download_num = QStringLiteral("0");
    item.like_num = QStringLiteral("0");
    item.coll_num = QStringLiteral("0");
    item.isDownload = QStringLiteral("0");
    item.isLike = QStringLiteral("0");
    item.isColl = QStringLiteral("0");
    return item;
}
