#include "eq/EQSoundListCache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

using EarphoneApi::EQEffect;

namespace {

constexpr qsizetype MaxLanguageLength = 16;
constexpr qsizetype MaxExtensionLength = 6;

bool gainIndex(const EQEffect &effect, int *value)
{
    bool ok = false;
    *value = effect.gain.trimmed().toInt(&ok, 10);
    return ok;
}

int displayIndex(const EQEffect &effect)
{
    int value = 0;
    return gainIndex(effect, &value) ? value : 0;
}

bool cacheLess(const EQEffect &a, const EQEffect &b)
{
    int ga = 0;
    int gb = 0;
    if (gainIndex(a, &ga) && gainIndex(b, &gb) && ga != gb)
        return ga < gb;
    if (a.sort != b.sort)
        return a.sort > b.sort;
    if (a.id == b.id)
        return a.name < b.name;
    return a.id < b.id;
}

// A product id as part of a file name: separators and other odd characters
// must not lead out of the cache folder.
QString fileNamePid(const QString &pid)
{
    QString safe = EQSoundListCache::normalizedPid(pid);
    for (QChar &c : safe) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    return safe;
}

} // namespace

QString EQSoundListCache::normalizedLanguage(const QString &language)
{
    QString out;
    for (const QChar c : language.trimmed().toLower()) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '-')
            out.append(c);
    }
    if (out.isEmpty())
        return QStringLiteral("zh");
    return out.left(MaxLanguageLength);
}

QString EQSoundListCache::normalizedPid(const QString &pid)
{
    const QString trimmed = pid.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("1") : trimmed;
}

QString EQSoundListCache::cacheFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        return QString();
    QDir dir(base);
    dir.mkpath(QStringLiteral("cache"));
    return dir.absoluteFilePath(QStringLiteral("cache"));
}

QString EQSoundListCache::listFilePath(const QString &pid, const QString &language)
{
    const QString folder = cacheFolder();
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(
        QStringLiteral("eq_soundlist_pid_%1_lang_%2.json").arg(fileNamePid(pid), normalizedLanguage(language)));
}

QString EQSoundListCache::legacyListFilePath(const QString &pid)
{
    const QString folder = cacheFolder();
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(QStringLiteral("eq_soundlist_pid_%1.json").arg(fileNamePid(pid)));
}

bool EQSoundListCache::loadFile(const QString &path, QList<EQEffect> *list, QByteArray *raw)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (raw)
        *raw = bytes;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isArray())
        return false;
    const QJsonArray array = doc.array();
    QList<EQEffect> effects;
    for (const QJsonValue &element : array) {
        if (element.isObject())
            effects.append(EQEffect::fromJson(element.toObject()));
    }
    if (!array.isEmpty() && effects.isEmpty())
        return false;
    *list = effects;
    return true;
}

bool EQSoundListCache::load(const QString &pid, const QString &language, QList<EQEffect> *list, QByteArray *raw)
{
    return loadFile(listFilePath(pid, language), list, raw) || loadFile(legacyListFilePath(pid), list, raw);
}

bool EQSoundListCache::write(const QString &pid, const QString &language, const QByteArray &bytes)
{
    const QString path = listFilePath(pid, language);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    const QString legacy = legacyListFilePath(pid);
    if (legacy != path && QFile::exists(legacy))
        QFile::remove(legacy);
    return true;
}

QByteArray EQSoundListCache::serialize(const QList<EQEffect> &list)
{
    QList<EQEffect> ordered = list;
    sortForCache(ordered);
    QJsonArray array;
    for (const EQEffect &effect : ordered)
        array.append(effect.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

bool EQSoundListCache::isWebAddress(const QString &text)
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
           || text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString EQSoundListCache::imageExtension(const QString &url)
{
    const QString path = QUrl(url.trimmed()).path(QUrl::FullyDecoded);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QStringLiteral("img");
    const QString ext = path.mid(dot + 1).trimmed();
    // Only letters and digits: the extension becomes part of a file path.
    const bool plain = std::all_of(ext.cbegin(), ext.cend(),
                                   [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); });
    if (ext.isEmpty() || ext.size() > MaxExtensionLength || !plain)
        return QStringLiteral("img");
    return ext;
}

QString EQSoundListCache::imageFilePath(const QString &pid, const QString &url)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        return QString();
    QDir dir(base);
    const QString folder = QStringLiteral("cache/eq_soundlist_images");
    if (!dir.mkpath(folder))
        return QString();
    const QByteArray key = (pid.trimmed() + QLatin1Char('|') + url.trimmed()).toUtf8();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex());
    return QDir(dir.absoluteFilePath(folder)).filePath(hash + QLatin1Char('.') + imageExtension(url));
}

bool EQSoundListCache::isBasic(const EQEffect &effect)
{
    int value = 0;
    return gainIndex(effect, &value) && value <= 10;
}

bool EQSoundListCache::isGame(const EQEffect &effect)
{
    int value = 0;
    return gainIndex(effect, &value) && value >= 11 && value <= 99;
}

void EQSoundListCache::sortForDisplay(QList<EQEffect> &list)
{
    std::sort(list.begin(), list.end(), [](const EQEffect &a, const EQEffect &b) {
        const int ia = displayIndex(a);
        const int ib = displayIndex(b);
        return ia < ib || (ia == ib && a.sort > b.sort);
    });
}

void EQSoundListCache::sortForCache(QList<EQEffect> &list)
{
    // The cache order is not a strict weak ordering once gains that are no
    // integers mix with ones that are; an insertion sort stays well defined.
    for (qsizetype i = 1; i < list.size(); ++i) {
        for (qsizetype j = i; j > 0 && cacheLess(list.at(j), list.at(j - 1)); --j)
            list.swapItemsAt(j, j - 1);
    }
}
