#pragma once

#include <QString>
#include <QStringList>

class QApplication;

// The program's start: style, identity, single instance, language, services,
// the main window and the event loop.
namespace AppStartup {

QString applicationName();
QString organizationName();
QString applicationVersion();

// The base style: the platform style when the factory knows its exact name, otherwise "fusion".
QString chooseBaseStyleKey(const QString &currentStyleName, const QStringList &factoryKeys);
// Lays VelkoraProxyStyle over the chosen base style.
void installStyle(QApplication &app);
// Discards every Qt message of the process.
void silenceMessages();
void setIdentity(QApplication &app);
// Language, cloud configuration and the auto-run entry, before the window exists.
void configureServices(QApplication &app);

// The whole start-up; returns the event loop's exit code, or 0 when another instance took over.
int run(int &argc, char **argv);

} // namespace AppStartup
