#include "platform/audioendpoint/DesktopSoundSettings.h"

#include <QProcess>
#include <QStandardPaths>

namespace Platform {

QList<DesktopSoundSettings::Candidate> DesktopSoundSettings::defaultCandidates()
{
    return {
        {QStringLiteral("pavucontrol"), {QStringLiteral("--tab=3")}},
        {QStringLiteral("pavucontrol-qt"), {QStringLiteral("--tab=3")}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_pulseaudio")}},
    };
}

DesktopSoundSettings::DesktopSoundSettings(QList<Candidate> candidates) : m_candidates(std::move(candidates)) {}

DesktopSoundSettings::Candidate DesktopSoundSettings::resolve() const
{
    for (const Candidate &candidate : m_candidates) {
        const QString path = QStandardPaths::findExecutable(candidate.program);
        if (!path.isEmpty())
            return {path, candidate.arguments};
    }
    return {};
}

bool DesktopSoundSettings::open() const
{
    const Candidate found = resolve();
    if (found.program.isEmpty())
        return false;
    return QProcess::startDetached(found.program, found.arguments, QString());
}

} // namespace Platform
