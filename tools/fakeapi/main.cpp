// Runs the fake API server for hand testing of the program:
//   velkora-fakeapi [--port N] [--user NAME --password PW]
// then start the program with VELKORA_API_BASE_URL (or "api/baseUrl") set to the printed URL.
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonObject>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local fake of the maker's HTTP API"));
    parser.addHelpOption();
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QStringLiteral("Port (0: any free one)."),
                                  QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Account to create."), QStringLiteral("name"),
                                  QStringLiteral("13800000000"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Its password."),
                                      QStringLiteral("password"), QStringLiteral("velkora123"));
    parser.addOptions({port, user, password});
    parser.process(app);

    FakeApi::FakeApiServer server;
    if (!server.start(static_cast<quint16>(parser.value(port).toUInt()))) {
        QTextStream(stderr) << "[FakeApi] cannot listen on port " << parser.value(port) << "\n";
        return 1;
    }
    FakeApi::User account;
    account.userName = parser.value(user);
    account.nickName = QStringLiteral("Tester");
    server.backend().addUser(account, parser.value(password));
    server.backend().setFile(QStringLiteral("firmware/headset.ufw"), QByteArray(4096, '\x5a'));
    server.backend().setFile(QStringLiteral("firmware/receiver.ufw"), QByteArray(4096, '\xa5'));
    const QJsonObject firmware{
        {QStringLiteral("firmware1"),
         QJsonObject{{QStringLiteral("version"), QStringLiteral("1.0.9")},
                     {QStringLiteral("url"), server.fileUrl(QStringLiteral("firmware/headset.ufw")).toString()}}},
        {QStringLiteral("firmware2"),
         QJsonObject{{QStringLiteral("version"), QStringLiteral("2.1.0")},
                     {QStringLiteral("url"), server.fileUrl(QStringLiteral("firmware/receiver.ufw")).toString()}}}};
    server.backend().setFirmwareInfo(QStringLiteral("49678"), firmware);

    QObject::connect(&server, &FakeApi::FakeApiServer::requestReceived, [](const FakeApi::HttpRequest &r) {
        QTextStream(stdout) << "[FakeApi] " << r.method << ' ' << r.route << (r.signatureValid ? "" : " (unsigned)")
                            << Qt::endl;
    });
    QTextStream(stdout) << "[FakeApi] listening; VELKORA_API_BASE_URL=" << server.baseUrl() << Qt::endl
                        << "[FakeApi] account " << account.userName << " / " << parser.value(password) << Qt::endl;
    return app.exec();
}
