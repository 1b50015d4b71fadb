#include "platform/installer/RecordingProcessLauncher.h"

bool RecordingProcessLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    starts.append({program, arguments});
    return !failStarts;
}
