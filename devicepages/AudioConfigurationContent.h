#pragma once

#include <QWidget>

class CustomClickableLabel;
class QFrame;
class QGraphicsOpacityEffect;
class QLabel;
class WindowsAudioController;
class WindowSlidingControl;
class WindowSwitchButton;

// The first page of the device page: the desktop's playback volume with its
// on/off switch and a link to the desktop's sound settings, and the microphone
// volume with its on/off switch. An on switch is an unmuted endpoint. Drives
// WindowsAudioController itself, created on first need; the controls follow
// the controller's answers, so a slow audio service never holds the page up.
class AudioConfigurationContent : public QWidget
{
    Q_OBJECT
public:
    explicit AudioConfigurationContent(QWidget *parent = nullptr);
    ~AudioConfigurationContent() override;

    // Looks for changed default endpoints and brings the page up to date.
    void refreshAudioEndpoints();
    // Which headset is connected; the endpoints follow at the next refresh.
    void setConnectionMode(bool wired, bool wireless, const QString &name);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_systemVolumeSwitchToggled(bool checked);
    void on_systemVolumeSliderValue(int value);
    void on_openWindowsSoundClicked();
    void on_microphoneSwitchToggled(bool checked);
    void on_microphoneVolumeSliderValue(int value);

private:
    QFrame *buildCard(QLabel *title, WindowSwitchButton *toggle, WindowSlidingControl *slider, QWidget *extraRow);
    QWidget *buildSoundLinkRow();
    void retranslateUi();
    WindowsAudioController *ensureController();
    // Takes the endpoints' state into the controls, then applies both availabilities.
    void synchronise();
    void applySystemAvailability();
    void applyMicrophoneAvailability();
    // Answers a switch's mute write: `shownAtToggle` is the slider's level when the switch was used.
    void takeLevelAfterSwitch(WindowSlidingControl *slider, int &shownAtToggle, bool muted, int volume);

    QFrame *m_systemCard = nullptr;
    QFrame *m_microphoneCard = nullptr;
    QLabel *m_systemTitle = nullptr;
    QLabel *m_microphoneTitle = nullptr;
    WindowSwitchButton *m_systemSwitch = nullptr;
    WindowSwitchButton *m_microphoneSwitch = nullptr;
    WindowSlidingControl *m_systemSlider = nullptr;
    WindowSlidingControl *m_microphoneSlider = nullptr;
    QWidget *m_soundLinkRow = nullptr;
    CustomClickableLabel *m_soundLink = nullptr;
    QGraphicsOpacityEffect *m_systemRowEffect = nullptr;
    QGraphicsOpacityEffect *m_microphoneSliderEffect = nullptr;
    WindowsAudioController *m_controller = nullptr;
    int m_systemSliderAtToggle = -1;
    int m_microphoneSliderAtToggle = -1;
};
