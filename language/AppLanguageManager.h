#pragma once

#include <QLocale>
#include <QString>

// The UI language: the stored choice ("ui/locale"), the process-wide
// translator and the default locale. GUI thread only.
namespace AppLanguageManager {

// Reads "ui/locale" (or the system default when absent) and applies it.
void initializeFromSettings();
// The stored code, trimmed and normalised, or the system default when absent.
QString currentLanguageCode();
// Stores the normalised code under "ui/locale"; false when it could not be saved.
bool saveLanguageCode(const QString &code);
// Swaps the translator and the default locale; true when the catalogue loaded.
bool applyLanguage(const QString &code);
// "zh_CN" on a Chinese system, "en_US" otherwise.
QString systemDefaultLanguageCode();
QString languageCodeForLocale(const QLocale &locale);
// "en_US" for anything starting with "en" (any case), otherwise "zh_CN".
QString normalizeLanguageCode(const QString &code);
// "en" or "zh": the language the cloud API is told.
QString apiLanguageCode(const QString &uiCode);

} // namespace AppLanguageManager
