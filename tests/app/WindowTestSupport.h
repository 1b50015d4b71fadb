#pragma once

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class HeadphonesDevice;
class RecordingProcessLauncher;

namespace WindowTest {

// Polls (within whatever event loop runs, a dialog's own included) for a
// visible modal widget that `matches`, and runs `action` once on it. The
// returned flag turns true when it ran; the polling gives up after `timeoutMs`.
std::shared_ptr<bool> whenModalWidget(std::function<bool(QWidget *)> matches, std::function<void(QWidget *)> action,
                                      int timeoutMs = 10000);

// The same for the first visible modal widget of type T.
template <typename T>
std::shared_ptr<bool> whenModal(std::function<void(T *)> action, int timeoutMs = 10000)
{
    return whenModalWidget([](QWidget *widget) { return qobject_cast<T *>(widget) != nullptr; },
                           [action](QWidget *widget) { action(qobject_cast<T *>(widget)); }, timeoutMs);
}

// Keeps a window's updater off the network and away from real installers:
// the manifest address is cleared (every check fails at once) and `launcher`
// records what would have been started.
void isolateUpdater(HeadphonesDevice &window, RecordingProcessLauncher &launcher);

// Shows the window as the window tests want it: free to grow past the small
// offscreen screen, with or without a system tray. False when it never got exposed.
bool showWindow(HeadphonesDevice &window, bool trayAvailable);

// Records the text of every toast that comes up (tooltip or the device page's toast),, also of one that is
// gone again by the time the test looks (closing a dialog hides tooltips).
class ToastRecorder : public QObject
{
public:
    ToastRecorder();
    ~ToastRecorder() override;

    QStringList texts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Collects the program's own log lines (qWarning and friends) while it lives.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    QStringList lines() const;
    bool contains(const QString &part) const;
    void clear();
};

} // namespace WindowTest
