#pragma once

#include "cloud/CloudEQItem.h"
#include "platform/tokenprotect/InMemoryTokenProtector.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>

class LoginController;

class TestSettingsScope;

namespace EarphoneApi {
class EqApi;
}

// One test's cloud: a private settings store, the fake API server, and a
// login session (real LoginController, in-memory token sealing) whose EQ API
// talks to that server.
class EqCloudTestSession
{
public:
    static const QString pid; // "49678"

    EqCloudTestSession();
    ~EqCloudTestSession();
    EqCloudTestSession(const EqCloudTestSession &) = delete;
    EqCloudTestSession &operator=(const EqCloudTestSession &) = delete;

    // False when the server could not start.
    bool isReady() const { return m_ready; }

    FakeApi::FakeApiServer &server() { return *m_server; }
    LoginController *login() const { return m_login.get(); }
    EarphoneApi::EqApi *eqApi() const;
    const FakeApi::User &user() const { return m_user; }

    void signIn();
    void signOut();

    // Shared EQs on the server for `pid`; returns their ids in order.
    int share(const QString &name, const QString &ownerUid = QStringLiteral("other"),
              const QJsonObject &extra = QJsonObject());
    QList<int> shareMany(int count, const QString &prefix = QStringLiteral("eq"));
    // Marks on the server as if the signed-in user had set them.
    void markOnServer(int id, int operation);

    static QJsonObject bands(const QString &name);
    static EarphoneApi::CloudEQItem item(const QString &id, const QString &name = QString());

private:
    std::unique_ptr<TestSettingsScope> m_settings;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    InMemoryTokenProtector m_protector;
    std::unique_ptr<LoginController> m_login;
    FakeApi::User m_user;
    bool m_ready = false;
};
