#include "eq/EQSoundEffectTestWidget.h"

#include "widgets/CustomClickableLabel.h"
#include "widgets/DevicePixmap.h"
#include "widgets/PixelRatioFollower.h"
#include "audiocontrol/WindowsAudioController.h"
#include "eq/EQPagesResources.h"
#include "eq/EQSoundEffectHelpCarousel.h"
#include "eq/QtSoundTestAudio.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

struct TrackResource
{
    const char *icon;
    const char *hoverIcon;
    const char *clip;       // null: the help button
    const char *sourceName; // the name the player is given for the clip
};

constexpr TrackResource kTracks[] = {
    {EQPagesResources::musicIcon, EQPagesResources::musicHoverIcon, EQPagesResources::musicClip, "eqtest_music.wav"},
    {EQPagesResources::gameIcon, EQPagesResources::gameHoverIcon, EQPagesResources::gameClip, "eqtest_game.wav"},
    {EQPagesResources::movieIcon, EQPagesResources::movieHoverIcon, EQPagesResources::movieClip, "eqtest_movie.wav"},
    {EQPagesResources::helpIcon, EQPagesResources::helpIcon, nullptr, nullptr},
};

constexpr int kTrackPx = 40;
constexpr int kHelpPx = 15;

const QString kFonts = QStringLiteral("font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;");

QString titleStyle(int pageKind)
{
    switch (pageKind) {
    case EQSoundEffectTestWidget::OfficialPage:
        return kFonts + QStringLiteral("font-size: 10px;font-weight: 500;color: #999999;");
    case EQSoundEffectTestWidget::CloudSharingPage:
        return kFonts + QStringLiteral("font-style: normal;font-weight: 400;font-size: 10px;color: #999999;");
    default:
        return kFonts +
               QStringLiteral("font-style: normal;font-size: 11px;line-height: 22px;font-weight: 400;color: #999999;");
    }
}

bool hasClip(int track)
{
    return track >= EQSoundEffectTestWidget::MusicTrack && track <= EQSoundEffectTestWidget::MovieTrack;
}

} // namespace

EQSoundEffectTestWidget::EQSoundEffectTestWidget(QWidget *parent, int pageKind)
    : QWidget(parent), m_pageKind(pageKind), m_createsQtAudio(true)
{
    setupUi();
}

EQSoundEffectTestWidget::EQSoundEffectTestWidget(QWidget *parent, int pageKind, std::unique_ptr<ISoundTestAudio> audio)
    : QWidget(parent), m_pageKind(pageKind)
{
    setAudio(std::move(audio));
    setupUi();
}

void EQSoundEffectTestWidget::setAudio(std::unique_ptr<ISoundTestAudio> audio)
{
    m_audio = std::move(audio);
    if (!m_audio)
        return;
    connect(m_audio.get(), &ISoundTestAudio::outputsChanged, this, &EQSoundEffectTestWidget::syncOutputDevice);
    connect(m_audio.get(), &ISoundTestAudio::errorOccurred, this, &EQSoundEffectTestWidget::onPlayerErrorOccurred);
    syncOutputDevice();
}

bool EQSoundEffectTestWidget::ensureAudio()
{
    if (!m_audio && m_createsQtAudio) {
        m_createsQtAudio = false;
        setAudio(std::make_unique<QtSoundTestAudio>());
    }
    return m_audio != nullptr;
}

EQSoundEffectTestWidget::~EQSoundEffectTestWidget()
{
    // The player reads the clip file: it goes before the file does.
    if (m_audio)
        m_audio->stop();
    m_audio.reset();
    delete m_audioFile;
}

void EQSoundEffectTestWidget::setupUi()
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(m_pageKind == OfficialPage ? 13 : 14);
    if (m_pageKind == CloudSharingPage)
        layout->addStretch();

    m_title = new QLabel(tr("音效测试"), this);
    m_title->setStyleSheet(titleStyle(m_pageKind));
    layout->addWidget(m_title);

    // Made again when the window moves to a screen of another pixel ratio.
    PixelRatioFollower::follow(this, [this](qreal) {
        loadIcons();
        updateAllIcons();
    });
    const int count = m_pageKind == CustomPage ? kButtonCount : kButtonCount - 1;
    for (int i = 0; i < count; ++i) {
        auto *button = new CustomClickableLabel(this, true);
        button->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
        const int px = i == HelpTrack - 1 ? kHelpPx : kTrackPx;
        button->setFixedSize(px, px);
        button->setScaledContents(false);
        button->setAlignment(Qt::AlignCenter);
        m_buttons[i] = button;
        connect(button, &CustomClickableLabel::hovered, this, [this, i](bool inside) {
            m_hovered[i] = inside;
            updateTrackIcon(i);
        });
        connect(button, &CustomClickableLabel::clicked, this, [this, i] { playTrack(i + 1); });
        layout->addWidget(button);
        updateTrackIcon(i);
    }
}

void EQSoundEffectTestWidget::loadIcons()
{
    // Sharp on high-density screens: drawn at the window's ratio times the logical size.
    const qreal ratio = std::min<qreal>(DevicePixmap::ratioOf(window()), 4.0);
    auto icon = [ratio](const char *path, int px) {
        return DevicePixmap::load(QString::fromLatin1(path), QSize(px, px), ratio);
    };
    for (int i = 0; i < kButtonCount; ++i) {
        const int px = i == HelpTrack - 1 ? kHelpPx : kTrackPx;
        m_icons[i] = icon(kTracks[i].icon, px);
        m_hoverIcons[i] = icon(kTracks[i].hoverIcon, px);
    }
    m_playingIcon = icon(EQPagesResources::playingIcon, kTrackPx);
}

CustomClickableLabel *EQSoundEffectTestWidget::trackButton(int index) const
{
    return index >= 0 && index < kButtonCount ? m_buttons[index] : nullptr;
}

EQSoundEffectTestWidget::ShownIcon EQSoundEffectTestWidget::shownIcon(int index) const
{
    return index >= 0 && index < kButtonCount ? m_shown[index] : ShownIcon::Normal;
}

void EQSoundEffectTestWidget::updateTrackIcon(int index)
{
    CustomClickableLabel *button = trackButton(index);
    if (!button)
        return;
    if (m_currentTrack == index + 1 && !m_playingIcon.isNull()) {
        m_shown[index] = ShownIcon::Playing;
        button->setPixmap(m_playingIcon);
    } else if (m_hovered[index] && !m_hoverIcons[index].isNull()) {
        m_shown[index] = ShownIcon::Hover;
        button->setPixmap(m_hoverIcons[index]);
    } else {
        m_shown[index] = ShownIcon::Normal;
        button->setPixmap(m_icons[index]);
    }
}

void EQSoundEffectTestWidget::updateAllIcons()
{
    for (int i = 0; i < kButtonCount; ++i)
        updateTrackIcon(i);
}

void EQSoundEffectTestWidget::setState(bool wired, bool wireless, const QString &wirelessDeviceName)
{
    m_wired = wired;
    m_wireless = wireless;
    m_wirelessDeviceName = wirelessDeviceName.trimmed();
    syncOutputDevice();
}

SoundTestOutput EQSoundEffectTestWidget::chooseOutput(const QList<SoundTestOutput> &outputs,
                                                      const SoundTestOutput &defaultOutput, bool wired,
                                                      bool wireless, const QString &wirelessDeviceName)
{
    if (!wired && !wireless)
        return defaultOutput;
    for (const SoundTestOutput &output : outputs) {
        if (!output.id.isEmpty()
            && WindowsAudioController::findHeadsetEndpointName(output.description, wired, wireless, wirelessDeviceName))
            return output;
    }
    return defaultOutput;
}

void EQSoundEffectTestWidget::syncOutputDevice()
{
    if (!m_audio)
        return;
    const SoundTestOutput target =
        chooseOutput(m_audio->outputs(), m_audio->defaultOutput(), m_wired, m_wireless, m_wirelessDeviceName);
    if (target.id.isEmpty() || target.id == m_audio->currentOutputId())
        return;
    // The clip would jump to another device mid-loop; the user starts it again.
    if (!m_audio->isStopped())
        stopPlayback();
    m_audio->setOutput(target);
}

void EQSoundEffectTestWidget::onPlayerErrorOccurred(QMediaPlayer::Error error, const QString &errorString)
{
    Q_UNUSED(error)
    Q_UNUSED(errorString)
    stopPlayback();
}

void EQSoundEffectTestWidget::stopPlayback()
{
    if (m_audio)
        m_audio->stop();
    delete m_audioFile;
    m_audioFile = nullptr;
    m_currentTrack = NoTrack;
    updateAllIcons();
}

void EQSoundEffectTestWidget::playTrack(int track)
{
    if (hasClip(track) && m_currentTrack == track && m_audio && !m_audio->isStopped()) {
        stopPlayback();
        emit testTrackClicked(track);
        return;
    }
    if (track == HelpTrack) {
        const QPointer<EQSoundEffectTestWidget> self(this);
        openHelp();
        if (self) // the modal run may have outlived the page
            emit testTrackClicked(track);
        return;
    }
    emit testTrackClicked(track);
    if (!hasClip(track))
        return;

    stopPlayback();
    ensureAudio();
    m_currentTrack = track;
    syncOutputDevice();
    const TrackResource &resource = kTracks[track - 1];
    m_audioFile = new QFile(QString::fromLatin1(resource.clip));
    if (!m_audio || !m_audioFile->open(QIODevice::ReadOnly)) {
        delete m_audioFile;
        m_audioFile = nullptr;
        m_currentTrack = NoTrack;
        updateAllIcons();
        return;
    }
    m_audio->play(m_audioFile, QUrl::fromLocalFile(QString::fromLatin1(resource.sourceName)));
    updateAllIcons();
}

void EQSoundEffectTestWidget::openHelp()
{
    QWidget *host = window() ? window() : this;
    const QPointer<EQSoundEffectHelpCarousel> help = new EQSoundEffectHelpCarousel(host);
    help->exec();
    delete help.data(); // null when its host went first
}

bool EQSoundEffectTestWidget::event(QEvent *event)
{
    if (event->type() == QEvent::Hide || event->type() == QEvent::HideToParent)
        stopPlayback();
    return QWidget::event(event);
}

void EQSoundEffectTestWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_title)
        m_title->setText(tr("音效测试"));
    QWidget::changeEvent(event);
}
