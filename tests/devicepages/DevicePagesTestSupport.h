#pragma once

#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

// Shared by the page tests: a private settings store and a hand on the modal
// dialogs the pages run.
namespace DevicePagesTestSupport {

// Points HOME (and with it the settings store and the data folders, where the
// custom EQ page keeps its slots) at a private temporary folder. Make it before
// any page and keep it while the pages live.
class TestEnvironment
{
public:
    TestEnvironment()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CACHE_HOME");
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Zarvex"));
        QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
        QSettings settings;
        settings.clear();
        settings.sync();
    }

    bool isValid() const { return m_home.isValid(); }

private:
    QTemporaryDir m_home;
};

// Waits (bounded) for the next modal dialog and hands it to `action`, which
// must close it. Arm it before the click that opens the dialog.
class ModalDialogDriver : public QObject
{
public:
    explicit ModalDialogDriver(std::function<void(QDialog *)> action) : m_action(std::move(action))
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible()) {
                m_poll.stop();
                m_seen = true;
                m_action(dialog);
                return;
            }
            if (++m_ticks > 1000) { // five seconds: give up and let the test fail
                m_poll.stop();
            }
        });
        m_poll.start();
    }

    bool sawDialog() const { return m_seen; }

private:
    std::function<void(QDialog *)> m_action;
    QTimer m_poll;
    bool m_seen = false;
    int m_ticks = 0;
};

} // namespace DevicePagesTestSupport
