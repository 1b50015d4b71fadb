#pragma once

#include "tests/support/testenv/ModalWatch.h"
#include "tests/support/testenv/TestHome.h"

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

// Shared by the page tests: a private settings store and a hand on the modal
// dialogs the pages run.
namespace DevicePagesTestSupport {

// The pages' private home (the custom EQ page keeps its slots there) under
// the program's organisation name, its settings store emptied first. Make it
// before any page and keep it while the pages live.
class TestEnvironment : public TestHome
{
public:
    TestEnvironment() : TestHome(QStringLiteral("Zarvex"), Settings::Clear) {}
};

// Waits (five seconds at most) for the next modal dialog and hands it to
// `action`, which must close it. Arm it before the click that opens the
// dialog; the watch ends with the driver.
class ModalDialogDriver : public QObject
{
public:
    explicit ModalDialogDriver(std::function<void(QDialog *)> action)
        : m_seen(ModalWatch::whenModal<QDialog>(std::move(action), 5000, this))
    {
    }

    bool sawDialog() const { return *m_seen; }

private:
    std::shared_ptr<bool> m_seen;
};

} // namespace DevicePagesTestSupport
