#include "bench/support/ChildReport.h"

#include <QElapsedTimer>
#include <QProcess>

std::optional<ChildReport> ChildReport::run(const QString &program, const QStringList &arguments,
                                            const QProcessEnvironment &environment, const QByteArray &tag,
                                            int figureCount, int timeoutMs)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    if (!child.waitForFinished(timeoutMs))
        return std::nullopt;
    ChildReport report;
    report.wallMs = timer.nsecsElapsed() / 1e6;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || fields.size() != figureCount + 1
        || fields.at(0) != tag)
        return std::nullopt;
    for (int i = 1; i < fields.size(); ++i)
        report.figures.append(fields.at(i).toDouble());
    return report;
}
