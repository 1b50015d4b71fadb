#pragma once

#include "cloud/EQEffect.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The disk cache of the official sound lists, under the application data
// folder: "cache/eq_soundlist_pid_<pid>_lang_<language>.json" (the older
// "cache/eq_soundlist_pid_<pid>.json" is read as a fallback) and the preset
// images in "cache/eq_soundlist_images". Without a data folder nothing is read
// or written. A broken or foreign file counts as no cache.
class EQSoundListCache
{
public:
    // Trimmed, lower-case, only a-z, 0-9, "_" and "-", at most 16 characters; "zh" when empty.
    static QString normalizedLanguage(const QString &language);
    // The trimmed product id, "1" when blank.
    static QString normalizedPid(const QString &pid);

    static QString listFilePath(const QString &pid, const QString &language);
    static QString legacyListFilePath(const QString &pid);

    // The language file, else the older file without language.
    static bool load(const QString &pid, const QString &language, QList<EarphoneApi::EQEffect> *list,
                     QByteArray *raw);
    static bool loadFile(const QString &path, QList<EarphoneApi::EQEffect> *list, QByteArray *raw);
    // Commits the bytes; then the older file of that product id goes.
    static bool write(const QString &pid, const QString &language, const QByteArray &bytes);
    // The list in cache order as compact JSON.
    static QByteArray serialize(const QList<EarphoneApi::EQEffect> &list);

    // An http(s) address, as opposed to a picture already on this computer; the text as given, not trimmed.
    static bool isWebAddress(const QString &text);
    // "<md5 of pid|url>.<extension>" in the image folder (created); empty without a data folder.
    static QString imageFilePath(const QString &pid, const QString &url);
    static QString imageExtension(const QString &url);

    // Kind of a sound by its gain text: 0..10 and below basic, 11..99 game.
    static bool isBasic(const EarphoneApi::EQEffect &effect);
    static bool isGame(const EarphoneApi::EQEffect &effect);
    // Display order: gain index up, then sort down.
    static void sortForDisplay(QList<EarphoneApi::EQEffect> &list);
    static void sortForCache(QList<EarphoneApi::EQEffect> &list);

private:
    static QString cacheFolder();
};
