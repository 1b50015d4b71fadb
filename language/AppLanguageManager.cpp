#include "language/AppLanguageManager.h"

#include "language/SettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>
#include <QtDebug>

namespace AppLanguageManager {

namespace {
const QString kLocaleKey = QStringLiteral("ui/locale");
const QString kEnglish = QStringLiteral("en_US");
const QString kChinese = QStringLiteral("zh_CN");

bool isEnglish(const QString &code)
{
    return code.startsWith(QLatin1String("en"), Qt::CaseInsensitive);
}

// Lives for the whole process; only the functions here touch it.
QTranslator &translator()
{
    static QTranslator instance;
    return instance;
}
} // namespace

QString normalizeLanguageCode(const QString &code)
{
    return isEnglish(code) ? kEnglish : kChinese;
}

QString apiLanguageCode(const QString &uiCode)
{
    return isEnglish(uiCode) ? QStringLiteral("en") : QStringLiteral("zh");
}

QString languageCodeForLocale(const QLocale &locale)
{
    if (locale.language() == QLocale::Chinese || locale.language() == QLocale::LiteraryChinese)
        return kChinese;
    if (locale.name().startsWith(QLatin1String("zh"), Qt::CaseInsensitive))
        return kChinese;
    return kEnglish;
}

QString systemDefaultLanguageCode()
{
    return languageCodeForLocale(QLocale::system());
}

QString currentLanguageCode()
{
    const QSettings settings;
    if (!SettingsStore::contains(settings, kLocaleKey))
        return systemDefaultLanguageCode();
    return normalizeLanguageCode(SettingsStore::value(settings, kLocaleKey).toString().trimmed());
}

bool saveLanguageCode(const QString &code)
{
    QSettings settings;
    SettingsStore::setValue(settings, kLocaleKey, normalizeLanguageCode(code.trimmed()));
    return SettingsStore::commit(settings);
}

bool applyLanguage(const QString &code)
{
    auto *app = QCoreApplication::instance();
    if (!app)
        return false;
    QTranslator &tr = translator();
    QCoreApplication::removeTranslator(&tr);
    const QLocale locale = isEnglish(code) ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : QLocale(QLocale::Chinese, QLocale::China);
    const bool loaded = tr.load(locale, QStringLiteral("VELKORA"), QStringLiteral("_"), QStringLiteral(":/i18n"));
    if (loaded)
        QCoreApplication::installTranslator(&tr);
    else
        qWarning() << "AppLanguageManager: failed to load VELKORA_*.qm under :/i18n for locale" << locale.name();
    QLocale::setDefault(locale);
    return loaded;
}

void initializeFromSettings()
{
    applyLanguage(currentLanguageCode());
}

} // namespace AppLanguageManager
