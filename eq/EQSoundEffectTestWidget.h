#pragma once

#include "eq/ISoundTestAudio.h"

#include <QMediaPlayer>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class CustomClickableLabel;
class QFile;
class QLabel;

// The "音效测试" control of the EQ pages: three looping test clips (music,
// game, movie) played through the headset's output, and on the custom page a
// help button that opens the filter help. A second press on the playing clip
// stops it; hiding the widget, a player error or a change of output device
// stop it too. The output follows the connection state the EQ pages forward.
class EQSoundEffectTestWidget : public QWidget
{
    Q_OBJECT
public:
    enum PageKind { OfficialPage = 0, CloudSharingPage = 1, CustomPage = 2 };
    enum Track { NoTrack = 0, MusicTrack = 1, GameTrack = 2, MovieTrack = 3, HelpTrack = 4 };
    enum class ShownIcon { Normal, Hover, Playing };

    // Plays through Qt Multimedia, set up at the first press: pages that are
    // never played from start no player. Set up with the widgets, the three
    // EQ pages' players added 42-89 ms to the program's start (Release,
    // bench_eq_soundtest); the first press pays about 40-55 ms once instead.
    EQSoundEffectTestWidget(QWidget *parent, int pageKind);
    // Plays through `audio` (taken over), e.g. a test double.
    EQSoundEffectTestWidget(QWidget *parent, int pageKind, std::unique_ptr<ISoundTestAudio> audio);
    ~EQSoundEffectTestWidget() override;

    // Which headset is connected; the name of a wireless one is trimmed.
    void setState(bool wired, bool wireless, const QString &wirelessDeviceName);

    int pageKind() const { return m_pageKind; }
    int currentTrack() const { return m_currentTrack; }
    bool isWired() const { return m_wired; }
    bool isWireless() const { return m_wireless; }
    QString wirelessDeviceName() const { return m_wirelessDeviceName; }
    // Null until the first press with Qt Multimedia.
    ISoundTestAudio *audio() const { return m_audio.get(); }
    QLabel *titleLabel() const { return m_title; }
    // Button 0 music, 1 game, 2 movie, 3 help (custom page only); null when absent.
    CustomClickableLabel *trackButton(int index) const;
    ShownIcon shownIcon(int index) const;

    // The output to play on: the first one whose description names the
    // connected headset, else the default one.
    static SoundTestOutput chooseOutput(const QList<SoundTestOutput> &outputs, const SoundTestOutput &defaultOutput,
                                        bool wired, bool wireless, const QString &wirelessDeviceName);

public slots:
    void syncOutputDevice();
    void onPlayerErrorOccurred(QMediaPlayer::Error error, const QString &errorString);
    // A press on a track button (1 music, 2 game, 3 movie, 4 help).
    void playTrack(int track);

signals:
    // Every accepted press, with its track; the help's only once the help has closed.
    void testTrackClicked(int trackIndex);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static constexpr int kButtonCount = 4;

    void setupUi();
    void loadIcons();
    void updateTrackIcon(int index);
    void updateAllIcons();
    void stopPlayback();
    void openHelp();
    void setAudio(std::unique_ptr<ISoundTestAudio> audio);
    bool ensureAudio();

    int m_pageKind;
    QLabel *m_title = nullptr;
    std::array<CustomClickableLabel *, kButtonCount> m_buttons{};
    std::unique_ptr<ISoundTestAudio> m_audio;
    bool m_createsQtAudio = false;
    int m_currentTrack = NoTrack;
    std::array<bool, kButtonCount> m_hovered{};
    std::array<QPixmap, kButtonCount> m_icons;
    std::array<QPixmap, kButtonCount> m_hoverIcons;
    std::array<ShownIcon, kButtonCount> m_shown{};
    QPixmap m_playingIcon;
    QFile *m_audioFile = nullptr;
    bool m_wired = false;
    bool m_wireless = false;
    QString m_wirelessDeviceName;
};
