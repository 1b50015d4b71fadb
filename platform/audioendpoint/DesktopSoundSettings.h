#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Platform {

// Starts the desktop's sound settings: the first of a list of known programs
// that is installed, detached from this process.
class DesktopSoundSettings
{
public:
    struct Candidate
    {
        QString program;
        QStringList arguments;
    };

    // The PulseAudio mixer on its output-device page, then the GNOME and KDE
    // sound settings.
    static QList<Candidate> defaultCandidates();

    explicit DesktopSoundSettings(QList<Candidate> candidates = defaultCandidates());

    // Program path and arguments that open() would start; empty program when none is installed.
    Candidate resolve() const;
    // True when a program was started.
    bool open() const;

private:
    QList<Candidate> m_candidates;
};

} // namespace Platform
