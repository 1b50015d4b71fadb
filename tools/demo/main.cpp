// velkora-demo: the desktop program without a headset, in one command.
//   velkora-demo [--port N] [--keep-data] [-- program arguments]
// Starts the seeded fake API, then velkora against the virtual receiver and
// headset; ends when velkora ends (or on Ctrl+C, which ends velkora first).
#include "tools/demo/DemoLauncher.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char **argv)
{
    // Without a GUI application: the launcher writes nothing to the user's folders.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velkora-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs velkora against a virtual headset and a seeded local fake of the HTTP API."));
    parser.addHelpOption();
    const QCommandLineOption program(QStringLiteral("program"), QStringLiteral("The velkora program."), QStringLiteral("path"),
                          QStringLiteral(VELKORA_DEMO_PROGRAM));
    const QCommandLineOption hidapi(QStringLiteral("hidapi-preload"), QStringLiteral("The preloadable hidapi double."),
                         QStringLiteral("path"), QStringLiteral(VELKORA_DEMO_HIDAPI_PRELOAD));
    const QCommandLineOption tavrel(QStringLiteral("tavrel-preload"),
                         QStringLiteral("The OTA engine over the virtual receiver, preloadable."),
                         QStringLiteral("path"), QStringLiteral(VELKORA_DEMO_TAVREL_PRELOAD));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                       QStringLiteral("Port of the fake API (0: any free one)."), QStringLiteral("port"),
                       QStringLiteral("0"));
    const QCommandLineOption keep(QStringLiteral("keep-data"), QStringLiteral("Keep the temporary settings and data folder."));
    parser.addOptions({program, hidapi, tavrel, port, keep});
    parser.addPositionalArgument(QStringLiteral("arguments"), QStringLiteral("Passed on to velkora."),
                                 QStringLiteral("[-- arguments]"));
    parser.process(app);

    DemoLauncher::Options options;
    options.program = parser.value(program);
    options.hidapiPreload = parser.value(hidapi);
    options.tavrelPreload = parser.value(tavrel);
    options.port = static_cast<quint16>(parser.value(port).toUInt());
    options.keepData = parser.isSet(keep);
    options.arguments = parser.positionalArguments();

    if (!DemoLauncher::installSignalHandlers())
        return 1;
    DemoLauncher launcher(options, environment);
    if (!launcher.start())
        return 1;
    return QCoreApplication::exec();
}
