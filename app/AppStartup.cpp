#include "app/AppStartup.h"

#include "app/HeadphonesDevice.h"
#include "app/SingleInstance.h"
#include "app/StartupOptions.h"
#include "language/AppLanguageManager.h"
#include "widgets/VelkoraProxyStyle.h"
#include "cloud/ApiFactory.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

namespace AppStartup {

namespace {
void discardMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

QString applicationName()
{
    return QStringLiteral("VELKORA");
}

QString organizationName()
{
    return QStringLiteral("Zarvex");
}

QString applicationVersion()
{
    return QStringLiteral("0.1.26");
}

QString chooseBaseStyleKey(const QString &currentStyleName, const QStringList &factoryKeys)
{
    if (currentStyleName.isEmpty() || !factoryKeys.contains(currentStyleName, Qt::CaseSensitive))
        return QStringLiteral("fusion");
    return currentStyleName;
}

void installStyle(QApplication &app)
{
    const QString current = app.style() ? app.style()->name() : QString();
    const QString key = chooseBaseStyleKey(current, QStyleFactory::keys());
    QApplication::setStyle(new VelkoraProxyStyle(key));
}

void silenceMessages()
{
    qInstallMessageHandler(discardMessage);
}

void setIdentity(QApplication &app)
{
    QApplication::setApplicationName(applicationName());
    QApplication::setOrganizationName(organizationName());
    QApplication::setApplicationVersion(applicationVersion());
    app.setWindowIcon(QIcon(QStringLiteral(":/images/velkora.ico")));
}

void configureServices(QApplication &app)
{
    AppLanguageManager::initializeFromSettings();
    if (auto *factory = EarphoneApi::ApiFactory::instance(&app)) {
        factory->setLanguage(AppLanguageManager::apiLanguageCode(AppLanguageManager::currentLanguageCode()));
        factory->saveConfig(); // no change of the user's: a refusal is only logged
    }
    StartupOptions::syncAutoRunFromSettings();
}

int run(int &argc, char **argv)
{
    auto app = std::make_unique<QApplication>(argc, argv);
    installStyle(*app);
    silenceMessages();
    setIdentity(*app);
    if (SingleInstance::notifyRunningInstance())
        return 0;
    configureServices(*app);

    int exitCode = 0;
    {
        HeadphonesDevice window;
        SingleInstance::startServer(&window, [&window] { window.raiseMainWindowFromTray(); });
        if (StartupOptions::hasStartupMinimizedArgument(QApplication::arguments()))
            window.minimizeToTray();
        else
            window.show();
        exitCode = QApplication::exec();
    }
    app.reset();
    return exitCode;
}

} // namespace AppStartup
