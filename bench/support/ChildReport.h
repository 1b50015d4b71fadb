#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// What a child run of a benchmark program printed: one line "<tag> <figure>...".
struct ChildReport
{
    QList<double> figures;
    double wallMs = 0; // from the start of the child to its end

    // Starts `program` with `arguments` in `environment`, waits up to
    // `timeoutMs` for it to end, and reads its line. None when it did not
    // end, failed, or printed another tag or another number of figures.
    static std::optional<ChildReport> run(const QString &program, const QStringList &arguments,
                                          const QProcessEnvironment &environment, const QByteArray &tag,
                                          int figureCount, int timeoutMs);
};
