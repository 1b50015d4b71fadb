#include "platform/autostart/XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtDebug>

namespace {
const QString kExecKey = QStringLiteral("Exec=");

// Characters that force quoting of an Exec argument.
bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// A desktop-file string value: backslash and control characters escaped.
QString escapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case '\\': out += QLatin1Char('\\'); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 's': out += QLatin1Char(' '); break;
        default: out += c; out += next; break;
        }
    }
    return out;
}
} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString filePath) : m_filePath(std::move(filePath)) {}

QString XdgAutostartEntry::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/autostart/velkora.desktop");
}

QString XdgAutostartEntry::quoteExecArgument(const QString &argument)
{
    bool needsQuotes = argument.isEmpty();
    for (QChar c : argument)
        needsQuotes = needsQuotes || isReserved(c);
    QString out;
    for (QChar c : argument) {
        // A literal percent sign would otherwise read as a field code.
        if (c == QLatin1Char('%')) {
            out += QLatin1String("%%");
            continue;
        }
        if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                            || c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        out += c;
    }
    return needsQuotes ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QString XdgAutostartEntry::execLine(const QString &program, const QStringList &arguments)
{
    QStringList parts{quoteExecArgument(program)};
    for (const QString &argument : arguments)
        parts << quoteExecArgument(argument);
    return parts.join(QLatin1Char(' '));
}

bool XdgAutostartEntry::write(const QString &program, const QStringList &arguments)
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning().noquote() << "[Startup][AutoRun] cannot create folder" << info.absolutePath();
        return false;
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qWarning().noquote() << "[Startup][AutoRun] cannot write" << m_filePath << file.errorString();
        return false;
    }
    const QString content = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Version=1.0\n"
                                           "Name=VELKORA\n"
                                           "Comment=Headset configuration\n"
                                           "%1%2\n"
                                           "Terminal=false\n"
                                           "X-GNOME-Autostart-enabled=true\n")
                                .arg(kExecKey, escapeValue(execLine(program, arguments)));
    file.write(content.toUtf8());
    if (!file.commit()) {
        qWarning().noquote() << "[Startup][AutoRun] cannot commit" << m_filePath << file.errorString();
        return false;
    }
    return true;
}

bool XdgAutostartEntry::remove()
{
    if (!QFile::exists(m_filePath))
        return true;
    if (!QFile::remove(m_filePath)) {
        qWarning().noquote() << "[Startup][AutoRun] cannot remove" << m_filePath;
        return false;
    }
    return true;
}

QString XdgAutostartEntry::commandLine() const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inMainGroup = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(kExecKey))
            return unescapeValue(line.mid(kExecKey.size()));
    }
    return QString();
}
