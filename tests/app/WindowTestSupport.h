#pragma once

#include "tests/support/testenv/MessageLog.h"
#include "tests/support/testenv/ModalWatch.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

class HeadphonesDevice;
class RecordingProcessLauncher;

namespace WindowTest {

// Acting on the next modal dialog, as every folder's tests do it.
using ModalWatch::whenModal;
using ModalWatch::whenModalWidget;

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

// The program's own log lines while it lives.
using MessageLog = ::MessageLog;

} // namespace WindowTest
