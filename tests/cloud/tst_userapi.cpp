// The signed-in user's requests: record, profile edits, password and account
// changes, avatar upload and sign-out, against the fake server.
#include "CloudTestSupport.h"

#include "cloud/UserApi.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using EarphoneApi::UserApi;
using EarphoneApi::UserInfo;
using FakeApi::Backend;
using FakeApi::Fault;
using FieldList = QList<QPair<QString, QString>>;

class TestUserApi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void userRecordCarriesToken();
    void userRecordShapes_data();
    void userRecordShapes();
    void sessionFailuresRaiseTokenInvalid_data();
    void sessionFailuresRaiseTokenInvalid();
    void profileEditSendsOnlySetFields_data();
    void profileEditSendsOnlySetFields();
    void profileEditWithNothingSetSendsNothing();
    void passwordChangeHashesBothFields();
    void passwordChangeTexts_data();
    void passwordChangeTexts();
    void accountChangeReportsServerMessage();
    void logoutSendsEmptyBodyAndClearsToken_data();
    void logoutSendsEmptyBodyAndClearsToken();
    void logoutServerErrorKeepsToken();
    void avatarUpload();
    void avatarReplyWithoutAddress_data();
    void avatarReplyWithoutAddress();
    void avatarPathChecks_data();
    void avatarPathChecks();

private:
    FakeApi::FakeApiServer *m_server = nullptr;
    UserApi *m_api = nullptr;
    FakeApi::User m_user;
};

void TestUserApi::init()
{
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_user.uid = QStringLiteral("42");
    m_user.userName = QStringLiteral("bob@example.com");
    m_user.nickName = QStringLiteral("Bob");
    m_user.age = 25;
    m_server->backend().addUser(m_user, QStringLiteral("old-pass"));
    m_api = new UserApi(this);
    m_api->setBaseUrl(m_server->baseUrl());
    m_api->setToken(m_server->backend().issueToken(m_user.userName));
}

void TestUserApi::cleanup()
{
    delete m_api;
    delete m_server;
}

void TestUserApi::userRecordCarriesToken()
{
    QSignalSpy updated(m_api, &UserApi::userInfoUpdated);
    QVERIFY(m_api->getUserInfo(QStringLiteral("42")));
    QVERIFY(updated.wait(5000));
    const auto info = updated.at(0).at(0).value<UserInfo>();
    QCOMPARE(info.uid, QStringLiteral("42"));
    QCOMPARE(info.userName, m_user.userName);
    QCOMPARE(info.nickName, QStringLiteral("Bob"));
    QCOMPARE(info.age, 25);
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/user/getOtherinfo"));
    QCOMPARE(request.header("token"), m_api->token().toUtf8());
    QCOMPARE(request.field("uid"), QStringLiteral("42"));
}

void TestUserApi::userRecordShapes_data()
{
    QTest::addColumn<QJsonValue>("data");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<int>("sex");
    QTest::newRow("nested") << QJsonValue(QJsonObject{{"userInfo", QJsonObject{{"uid", "1"}, {"sex", 1}}}}) << "1" << 1;
    QTest::newRow("flat") << QJsonValue(QJsonObject{{"uid", "2"}, {"sex", 2}}) << "2" << 2;
    QTest::newRow("numeric uid") << QJsonValue(QJsonObject{{"uid", 1234567890123.0}}) << "1234567890123" << 0;
    QTest::newRow("sex as text") << QJsonValue(QJsonObject{{"uid", "3"}, {"sex", "1"}}) << "3" << 0;
    QTest::newRow("sex fractional") << QJsonValue(QJsonObject{{"uid", "3"}, {"sex", 1.5}}) << "3" << 0;
    QTest::newRow("data not an object") << QJsonValue(QJsonArray{1}) << "" << 0;
}

void TestUserApi::userRecordShapes()
{
    QFETCH(QJsonValue, data);
    QFETCH(QString, uid);
    QFETCH(int, sex);
    m_server->backend().setCannedReply(QStringLiteral("home/user/getOtherinfo"), Backend::envelope(0, "", data));
    QSignalSpy updated(m_api, &UserApi::userInfoUpdated);
    QVERIFY(m_api->getUserInfo(QStringLiteral("1")));
    QVERIFY(updated.wait(5000));
    const auto info = updated.at(0).at(0).value<UserInfo>();
    QCOMPARE(info.uid, uid);
    QCOMPARE(info.sex, sex);
}

void TestUserApi::sessionFailuresRaiseTokenInvalid_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("tokenInvalid");
    QTest::newRow("unknown token") << "not-issued" << 1003 << true;
    QTest::newRow("expired token") << "expire" << 1004 << true;
    QTest::newRow("no token") << "" << 1002 << false;
}

void TestUserApi::sessionFailuresRaiseTokenInvalid()
{
    QFETCH(QString, token);
    QFETCH(int, code);
    QFETCH(bool, tokenInvalid);
    if (token == QLatin1String("expire"))
        m_server->backend().expireToken(m_api->token());
    else
        m_api->setToken(token);

    QStringList events;
    connect(m_api, &UserApi::tokenInvalid, this, [&](int c) { events << QStringLiteral("tokenInvalid %1").arg(c); });
    connect(m_api, &UserApi::getUserInfoFailed, this, [&](int c) { events << QStringLiteral("failed %1").arg(c); });
    QVERIFY(m_api->getUserInfo(QStringLiteral("42")));
    QTRY_VERIFY_WITH_TIMEOUT(!events.filter(QStringLiteral("failed")).isEmpty(), 5000);
    QStringList expected;
    if (tokenInvalid)
        expected << QStringLiteral("tokenInvalid %1").arg(code);
    expected << QStringLiteral("failed %1").arg(code);
    QCOMPARE(events, expected);
}

void TestUserApi::profileEditSendsOnlySetFields_data()
{
    QTest::addColumn<UserInfo>("info");
    QTest::addColumn<FieldList>("fields");

    UserInfo onlySex;
    onlySex.sex = 2;
    QTest::newRow("sex only") << onlySex << FieldList{{"sex", "2"}};

    UserInfo negative;
    negative.sex = -1;
    negative.age = -3;
    QTest::newRow("negative sex sent, negative age not") << negative << FieldList{{"sex", "-1"}};

    UserInfo escapes;
    escapes.iconUrl = QStringLiteral("http://img/%E5%A4%B4.png");
    escapes.nickName = QStringLiteral("100%AB");
    QTest::newRow("percent signs stay literal")
        << escapes << FieldList{{"iconUrl", "http://img/%E5%A4%B4.png"}, {"nickName", "100%AB"}};

    UserInfo all;
    all.uid = QStringLiteral("42");
    all.userName = QStringLiteral("never@sent");
    all.areaCode = QStringLiteral("86");
    all.email = QStringLiteral("never@sent");
    all.location = QStringLiteral("杭州");
    all.age = 31;
    all.sex = 1;
    all.nickName = QStringLiteral("新名字");
    all.iconUrl = QStringLiteral("http://img/b.png");
    QTest::newRow("all in order") << all
                                  << FieldList{{"iconUrl", "http://img/b.png"},
                                                                    {"nickName", "新名字"},
                                                                    {"sex", "1"},
                                                                    {"age", "31"},
                                                                    {"location", "杭州"}};
}

void TestUserApi::profileEditSendsOnlySetFields()
{
    QFETCH(UserInfo, info);
    QFETCH(FieldList, fields);
    QSignalSpy ok(m_api, &UserApi::userInfoUpdateSuccess);
    QVERIFY(m_api->updateUserInfo(info));
    QVERIFY(ok.wait(5000));
    QCOMPARE(m_server->lastRequest(QStringLiteral("home/user/editUserinfo")).formFields, fields);
}

void TestUserApi::profileEditWithNothingSetSendsNothing()
{
    UserInfo info;
    info.uid = QStringLiteral("42");
    info.email = QStringLiteral("x@y");
    QSignalSpy failed(m_api, &UserApi::userInfoUpdateFailed);
    QCOMPARE(m_api->updateUserInfo(info), nullptr);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toInt(), -4);
    QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("No fields to update"));
    QCOMPARE(m_server->requests().size(), 0);
}

void TestUserApi::passwordChangeHashesBothFields()
{
    QSignalSpy changed(m_api, &UserApi::passwordChanged);
    QVERIFY(m_api->changePassword(QStringLiteral("old-pass"), QStringLiteral("new-pass")));
    QVERIFY(changed.wait(5000));
    const QByteArray key = EarphoneApi::ApiManager::builtInSecretKey().toUtf8();
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/user/editPassword"));
    QCOMPARE(request.field("oldPassword"), CloudTest::hmacSha1Hex("old-pass", key));
    QCOMPARE(request.field("newPassword"), CloudTest::hmacSha1Hex("new-pass", key));
    QCOMPARE(m_server->backend().user(m_user.userName)->passwordHash, CloudTest::hmacSha1Hex("new-pass", key));
}

void TestUserApi::passwordChangeTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("serverMessage");
    QTest::addColumn<QString>("message");
    QTest::newRow("2038 own text") << 2038 << "old password wrong" << "原始密码输入错误";
    QTest::newRow("2042 own text") << 2042 << "update failed" << "修改失败";
    QTest::newRow("other code keeps server text") << 2036 << "新密码不能为空" << "新密码不能为空";
}

void TestUserApi::passwordChangeTexts()
{
    QFETCH(int, code);
    QFETCH(QString, serverMessage);
    QFETCH(QString, message);
    m_server->backend().setCannedReply(QStringLiteral("home/user/editPassword"), Backend::envelope(code, serverMessage));
    QSignalSpy failed(m_api, &UserApi::passwordChangeFailed);
    QVERIFY(m_api->changePassword(QStringLiteral("a"), QStringLiteral("b")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), code);
    QCOMPARE(failed.at(0).at(1).toString(), message);
}

void TestUserApi::accountChangeReportsServerMessage()
{
    const QString newName = QStringLiteral("13700000000");
    m_server->backend().setCannedReply(QStringLiteral("home/user/editAccount"),
                                       Backend::envelope(0, QStringLiteral("修改成功")));
    QSignalSpy changed(m_api, &UserApi::accountChanged);
    QVERIFY(m_api->changeAccount(newName, QStringLiteral("8642")));
    QVERIFY(changed.wait(5000));
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("修改成功"));
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/user/editAccount"));
    QCOMPARE(request.formFields, (FieldList{{"userName", newName}, {"vcode", "8642"}}));
}

void TestUserApi::logoutSendsEmptyBodyAndClearsToken_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("useFault");
    QTest::newRow("envelope reply") << Fault() << false;
    QTest::newRow("empty reply") << Fault::of(Fault::Kind::EmptyBody) << true;
    QTest::newRow("blank reply") << Fault::raw(" \r\n\t ") << true;
}

void TestUserApi::logoutSendsEmptyBodyAndClearsToken()
{
    QFETCH(Fault, fault);
    QFETCH(bool, useFault);
    if (useFault)
        m_server->setFault(QStringLiteral("home/user/logout"), fault);
    const QString token = m_api->token();
    QSignalSpy out(m_api, &UserApi::loggedOut);
    QVERIFY(m_api->logout());
    QVERIFY(out.wait(5000));
    QCOMPARE(m_api->token(), QString());
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/user/logout"));
    QCOMPARE(request.body, QByteArray());
    QCOMPARE(request.header("token"), token.toUtf8());
}

void TestUserApi::logoutServerErrorKeepsToken()
{
    m_server->backend().setCannedReply(QStringLiteral("home/user/logout"), Backend::envelope(2080, "退出失败"));
    const QString token = m_api->token();
    QSignalSpy failed(m_api, &UserApi::logoutFailed);
    QSignalSpy out(m_api, &UserApi::loggedOut);
    QVERIFY(m_api->logout());
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 2080);
    QCOMPARE(out.count(), 0);
    QCOMPARE(m_api->token(), token);
}

void TestUserApi::avatarUpload()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("me.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(100, '\x02');
    file.write(jpeg);
    file.close();

    QSignalSpy uploaded(m_api, &UserApi::profilePictureUploaded);
    QVERIFY(m_api->uploadProfilePicture(path));
    QVERIFY(uploaded.wait(5000));
    QCOMPARE(uploaded.at(0).at(0).toString(), m_server->fileUrl(QStringLiteral("avatars/me.jpg")).toString());
    QCOMPARE(m_server->backend().file(QStringLiteral("avatars/me.jpg")), jpeg);

    const FakeApi::MultipartPart *part = m_server->lastRequest(QStringLiteral("home/system/picUpload")).part("image");
    QVERIFY(part);
    QCOMPARE(part->header("Content-Disposition"), QByteArray("form-data; name=\"image\"; filename=\"me.jpg\""));
    QCOMPARE(part->contentType, QByteArray("image/jpeg"));
}

void TestUserApi::avatarReplyWithoutAddress_data()
{
    QTest::addColumn<QJsonValue>("data");
    QTest::newRow("blank path") << QJsonValue(QJsonObject{{"path", "   "}});
    QTest::newRow("no path") << QJsonValue(QJsonObject{{"url", "http://x"}});
    QTest::newRow("path not text") << QJsonValue(QJsonObject{{"path", 5}});
    QTest::newRow("data null") << QJsonValue();
}

void TestUserApi::avatarReplyWithoutAddress()
{
    QFETCH(QJsonValue, data);
    m_server->backend().setCannedReply(QStringLiteral("home/system/picUpload"), Backend::envelope(0, "", data));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("png");
    file.close();

    QSignalSpy failed(m_api, &UserApi::profilePictureUploadFailed);
    QVERIFY(m_api->uploadProfilePicture(path));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), -2);
    QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("服务器未返回图片地址"));
}

void TestUserApi::avatarPathChecks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << -4 << "Empty file path";
    QTest::newRow("blanks") << "  " << -4 << "Empty file path";
    QTest::newRow("missing file") << "/nonexistent/dir/pic.png" << -1 << "Network request not created";
}

void TestUserApi::avatarPathChecks()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, message);
    if (code == -1)
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("postMultipartFile: file not found or not a file: ") + path));
    QSignalSpy failed(m_api, &UserApi::profilePictureUploadFailed);
    QCOMPARE(m_api->uploadProfilePicture(path), nullptr);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toInt(), code);
    QCOMPARE(failed.at(0).at(1).toString(), message);
    QCOMPARE(m_server->requests().size(), 0);
}

QTEST_MAIN(TestUserApi)
#include "tst_userapi.moc"
