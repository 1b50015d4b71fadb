#include "cloud/UpdateVersion.h"

#include <QStringList>

namespace RemoteUpdate {

namespace {

// The numbers of a version text as digit strings without leading zeros, so
// that numbers of any length compare exactly.
QStringList versionNumbers(const QString &text)
{
    QStringList numbers;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        const qsizetype start = i;
        while (i < n && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9')
            ++i;
        QString number = text.mid(start, i - start);
        while (number.size() > 1 && number.startsWith(QLatin1Char('0')))
            number.remove(0, 1);
        numbers.append(number);
        // A dot continues the version only when a digit follows it.
        if (i + 1 < n && text.at(i) == QLatin1Char('.') && text.at(i + 1).unicode() >= '0'
            && text.at(i + 1).unicode() <= '9')
            ++i;
        else
            break;
    }
    return numbers;
}

int compareNumber(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// Negative, zero or positive as a is below, equal to or above b.
int compareVersions(const QStringList &a, const QStringList &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const int c = compareNumber(a.at(i), b.at(i));
        if (c != 0)
            return c;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

bool isNewerVersion(const QString &candidate, const QString &current)
{
    const QStringList c = versionNumbers(candidate);
    const QStringList r = versionNumbers(current);
    if (c.isEmpty() || r.isEmpty())
        return false;
    return compareVersions(c, r) > 0;
}

bool isBelowMinSupported(const UpdateInfo &info, const QString &current)
{
    if (info.minSupportedVersion.isEmpty())
        return false;
    const QStringList minimum = versionNumbers(info.minSupportedVersion);
    const QStringList running = versionNumbers(current);
    if (minimum.isEmpty() || running.isEmpty())
        return false;
    return compareVersions(running, minimum) < 0;
}

} // namespace RemoteUpdate
