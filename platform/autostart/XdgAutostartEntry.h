#pragma once

#include "platform/autostart/IAutoRunEntry.h"

// An XDG autostart entry: a desktop file in the user's autostart folder
// (~/.config/autostart/velkora.desktop unless another path is given).
class XdgAutostartEntry : public IAutoRunEntry
{
public:
    explicit XdgAutostartEntry(QString filePath = defaultFilePath());

    static QString defaultFilePath();

    // One Exec argument: quoted when it holds a blank or another character
    // that the Exec key reserves, with `"`, `` ` ``, `$` and `\` escaped inside.
    static QString quoteExecArgument(const QString &argument);
    // The Exec value for `program` and `arguments` before string escaping.
    static QString execLine(const QString &program, const QStringList &arguments);

    bool write(const QString &program, const QStringList &arguments) override;
    bool remove() override;
    QString commandLine() const override;

    QString filePath() const { return m_filePath; }

private:
    QString m_filePath;
};
