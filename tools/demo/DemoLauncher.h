#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QSocketNotifier;
class QTimer;

namespace FakeApi {
class FakeApiServer;
}

// Runs the desktop program for a demo without a headset: the seeded fake API
// in this process, the program as a child with the hidapi double and the
// virtual receiver preloaded, and every folder the program writes to inside
// one temporary folder. The program's end ends the launcher; SIGINT and
// SIGTERM end the program first; the program gets SIGTERM should the
// launcher die without that.
class DemoLauncher : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString program;       // velkora
        QString hidapiPreload; // libvelkora_hidapidouble_preload.so
        QString tavrelPreload; // libtavrel_virtual_preload.so
        quint16 port = 0;      // of the fake API; 0: a free one
        bool keepData = false; // leave the temporary folder behind
        QStringList arguments; // for the program
    };

    // `environment`: the one the program starts from (the launcher's own,
    // as it was before the launcher changed anything for itself).
    DemoLauncher(Options options, QProcessEnvironment environment, QObject *parent = nullptr);
    ~DemoLauncher() override;

    // Sets everything up and starts the program; false (with a message on
    // stderr) when something is missing. The application quits with the
    // program's exit code once it has ended.
    bool start();

    // The environment the program gets (valid after start()).
    QProcessEnvironment programEnvironment() const { return m_programEnvironment; }

    // Ends the program: SIGTERM, SIGKILL after a grace period.
    void stop(const QString &why);

    // SIGINT and SIGTERM of the process call stop(); call once, before start().
    static bool installSignalHandlers();

private:
    bool prepareFolders();
    bool writeFirmwareImages();
    void buildEnvironment();
    void onSignal();
    void onProgramFinished(int exitCode, QProcess::ExitStatus status);

    Options m_options;
    QProcessEnvironment m_baseEnvironment;
    QProcessEnvironment m_programEnvironment;
    QTemporaryDir m_folder;
    QByteArray m_headsetImage;
    QByteArray m_receiverImage;
    std::unique_ptr<FakeApi::FakeApiServer> m_api;
    QProcess m_program;
    QSocketNotifier *m_signalNotifier = nullptr;
    QTimer *m_killTimer = nullptr;
    bool m_stopping = false;
};
