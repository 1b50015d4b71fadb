#include "devicepages/AudioConfigurationContent.h"

#include "widgets/CustomClickableLabel.h"
#include "widgets/DevicePixmap.h"
#include "widgets/WindowSlidingControl.h"
#include "widgets/WindowSwitchButton.h"
#include "devicepages/DevicePageStyles.h"
#include "audiocontrol/WindowsAudioController.h"

#include <QEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr qreal kDimmed = 0.38;

// The opacity effect already on `widget`, or a new one put there.
QGraphicsOpacityEffect *opacityEffectOf(QWidget *widget)
{
    if (auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect()))
        return effect;
    auto *effect = new QGraphicsOpacityEffect(widget);
    widget->setGraphicsEffect(effect);
    return effect;
}

void setSwitchQuietly(WindowSwitchButton *toggle, bool on)
{
    const QSignalBlocker blocker(toggle);
    toggle->setChecked(on);
}

void setSliderQuietly(WindowSlidingControl *slider, int value)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

} // namespace

AudioConfigurationContent::AudioConfigurationContent(QWidget *parent) : QWidget(parent)
{
    m_systemTitle = new QLabel(this);
    m_microphoneTitle = new QLabel(this);
    m_systemSwitch = new WindowSwitchButton(this);
    m_microphoneSwitch = new WindowSwitchButton(this);
    m_systemSwitch->setChecked(true);
    m_microphoneSwitch->setChecked(true);
    m_systemSlider = new WindowSlidingControl(this);
    m_microphoneSlider = new WindowSlidingControl(this);
    m_systemTitle->setObjectName(QStringLiteral("systemTitle"));
    m_microphoneTitle->setObjectName(QStringLiteral("microphoneTitle"));
    m_systemSwitch->setObjectName(QStringLiteral("systemSwitch"));
    m_microphoneSwitch->setObjectName(QStringLiteral("microphoneSwitch"));
    m_systemSlider->setObjectName(QStringLiteral("systemSlider"));
    m_microphoneSlider->setObjectName(QStringLiteral("microphoneSlider"));

    m_systemCard = buildCard(m_systemTitle, m_systemSwitch, m_systemSlider, buildSoundLinkRow());
    m_microphoneCard = buildCard(m_microphoneTitle, m_microphoneSwitch, m_microphoneSlider, nullptr);

    auto *page = new QHBoxLayout(this);
    page->setContentsMargins(40, 0, 40, 0);
    page->setSpacing(16);
    page->setAlignment(Qt::AlignCenter);
    page->addWidget(m_systemCard);
    page->addWidget(m_microphoneCard);

    connect(m_systemSwitch, &WindowSwitchButton::toggled, this,
            &AudioConfigurationContent::on_systemVolumeSwitchToggled);
    connect(m_systemSlider, &WindowSlidingControl::onValue, this,
            &AudioConfigurationContent::on_systemVolumeSliderValue);
    connect(m_soundLink, &CustomClickableLabel::clicked, this, &AudioConfigurationContent::on_openWindowsSoundClicked);
    connect(m_microphoneSwitch, &WindowSwitchButton::toggled, this,
            &AudioConfigurationContent::on_microphoneSwitchToggled);
    connect(m_microphoneSlider, &WindowSlidingControl::onValue, this,
            &AudioConfigurationContent::on_microphoneVolumeSliderValue);

    m_soundLink->setClickable(true);
    retranslateUi();
    applySystemAvailability();
    applyMicrophoneAvailability();
}

AudioConfigurationContent::~AudioConfigurationContent() = default;

QFrame *AudioConfigurationContent::buildCard(QLabel *title, WindowSwitchButton *toggle, WindowSlidingControl *slider,
                                             QWidget *extraRow)
{
    auto *card = new QFrame(this);
    card->setMinimumWidth(492);
    card->setFixedHeight(220);
    card->setStyleSheet(QStringLiteral("QFrame {   background-color: #1A1A1B;   border-radius: 7px;}"));

    auto *inner = new QWidget(card);
    inner->setMinimumWidth(412);
    inner->setFixedHeight(109);

    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(0);
    title->setParent(inner);
    toggle->setParent(inner);
    titleRow->addWidget(title, 1);
    titleRow->addWidget(toggle);

    auto *column = new QVBoxLayout(inner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(titleRow);
    column->addStretch();
    slider->setParent(inner);
    column->addWidget(slider);
    if (extraRow) {
        column->addStretch();
        extraRow->setParent(inner);
        column->addWidget(extraRow);
    }

    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(40, 0, 40, 0);
    row->setSpacing(96);
    row->setAlignment(Qt::AlignCenter);
    row->addWidget(inner);
    return card;
}

QWidget *AudioConfigurationContent::buildSoundLinkRow()
{
    m_soundLinkRow = new QWidget(this);
    m_soundLinkRow->setObjectName(QStringLiteral("soundLinkRow"));
    auto *icon = new QLabel(m_soundLinkRow);
    icon->setFixedSize(25, 25);
    icon->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    DevicePixmap::showOn(icon, QStringLiteral(":/images/system.png"), icon->size());
    m_soundLink = new CustomClickableLabel(m_soundLinkRow);
    m_soundLink->setObjectName(QStringLiteral("soundLink"));
    m_soundLink->setStyleSheet(
        QStringLiteral(" font-family: %1; font-size: 14px; font-weight: 400; color: #999999; background: transparent;"
                       " border: none;")
            .arg(DevicePageStyles::fontFamilies()));

    auto *row = new QHBoxLayout(m_soundLinkRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addStretch();
    row->addWidget(icon);
    row->addWidget(m_soundLink);
    return m_soundLinkRow;
}

void AudioConfigurationContent::retranslateUi()
{
    // The link opens the desktop's own sound settings, named as this platform names them.
#ifdef Q_OS_WIN
    m_soundLink->setText(tr("<u>Windows 声音设备</u>"));
#else
    m_soundLink->setText(tr("<u>声音设置</u>"));
#endif
}

WindowsAudioController *AudioConfigurationContent::ensureController()
{
    if (m_controller)
        return m_controller;
    m_controller = new WindowsAudioController(this);
    connect(m_controller, &WindowsAudioController::systemVolumeChanged, this,
            [this](int volume) { setSliderQuietly(m_systemSlider, volume); });
    connect(m_controller, &WindowsAudioController::systemMuteChanged, this, [this](bool muted) {
        setSwitchQuietly(m_systemSwitch, !muted);
        applySystemAvailability();
    });
    connect(m_controller, &WindowsAudioController::microphoneVolumeChanged, this,
            [this](int volume) { setSliderQuietly(m_microphoneSlider, volume); });
    connect(m_controller, &WindowsAudioController::microphoneMuteChanged, this, [this](bool muted) {
        setSwitchQuietly(m_microphoneSwitch, !muted);
        applyMicrophoneAvailability();
    });
    connect(m_controller, &WindowsAudioController::endpointsRebound, this, &AudioConfigurationContent::synchronise);
    connect(m_controller, &WindowsAudioController::endpointStateRead, this, &AudioConfigurationContent::synchronise);
    connect(m_controller, &WindowsAudioController::systemMuteWritten, this, [this](bool muted, int volume) {
        takeLevelAfterSwitch(m_systemSlider, m_systemSliderAtToggle, muted, volume);
    });
    connect(m_controller, &WindowsAudioController::microphoneMuteWritten, this, [this](bool muted, int volume) {
        takeLevelAfterSwitch(m_microphoneSlider, m_microphoneSliderAtToggle, muted, volume);
    });
    return m_controller;
}

void AudioConfigurationContent::refreshAudioEndpoints()
{
    ensureController()->refreshEndpoints();
    synchronise();
}

void AudioConfigurationContent::setConnectionMode(bool wired, bool wireless, const QString &name)
{
    ensureController()->setPreferredDeviceName(wired, wireless, name);
    applySystemAvailability();
    applyMicrophoneAvailability();
}

void AudioConfigurationContent::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ensureController()->refreshEndpoints();
    synchronise();
}

void AudioConfigurationContent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateUi();
        applySystemAvailability();
        applyMicrophoneAvailability();
    }
    QWidget::changeEvent(event);
}

void AudioConfigurationContent::synchronise()
{
    if (!m_controller)
        return;

    if (!m_controller->isSystemEndpointDisabled() && m_controller->hasSystemEndpoint()) {
        const int volume = m_controller->systemVolume();
        const bool muted = m_controller->isSystemMuted();
        if (volume >= 0)
            setSliderQuietly(m_systemSlider, volume);
        setSwitchQuietly(m_systemSwitch, !muted);
    }
    applySystemAvailability();

    if (!m_controller->isMicrophoneEndpointDisabled()) {
        const int volume = m_controller->microphoneVolume();
        if (volume >= 0) {
            const bool muted = m_controller->isMicrophoneMuted();
            setSliderQuietly(m_microphoneSlider, volume);
            setSwitchQuietly(m_microphoneSwitch, !muted);
        }
    }
    applyMicrophoneAvailability();
}

void AudioConfigurationContent::applySystemAvailability()
{
    const bool disabled = m_controller && m_controller->isSystemEndpointDisabled();
    const bool sliderOn = !disabled && m_systemSwitch->isChecked();

    m_systemTitle->setText(disabled ? tr("检测到音量已被禁用") : tr("系统音量"));
    m_systemTitle->setStyleSheet(disabled ? DevicePageStyles::disabledTitle() : DevicePageStyles::title());

    m_systemSwitch->setEnabled(!disabled);
    m_systemSlider->setEnabled(sliderOn);
    m_soundLink->setClickable(!disabled);
    m_soundLinkRow->setEnabled(!disabled);
    m_systemRowEffect = opacityEffectOf(m_soundLinkRow);
    m_systemRowEffect->setOpacity(disabled ? kDimmed : 1.0);
    opacityEffectOf(m_systemSlider)->setOpacity(sliderOn ? 1.0 : kDimmed);
}

void AudioConfigurationContent::applyMicrophoneAvailability()
{
    const bool disabled = m_controller && m_controller->isMicrophoneEndpointDisabled();
    const bool sliderOn = !disabled && m_microphoneSwitch->isChecked();

    m_microphoneTitle->setText(disabled ? tr("检测到麦克风已被禁用") : tr("麦克风"));
    m_microphoneTitle->setStyleSheet(disabled ? DevicePageStyles::disabledTitle() : DevicePageStyles::title());

    m_microphoneSwitch->setEnabled(!disabled);
    m_microphoneSlider->setEnabled(sliderOn);
    m_microphoneSliderEffect = opacityEffectOf(m_microphoneSlider);
    m_microphoneSliderEffect->setOpacity(sliderOn ? 1.0 : kDimmed);
}

void AudioConfigurationContent::takeLevelAfterSwitch(WindowSlidingControl *slider, int &shownAtToggle, bool muted,
                                                     int volume)
{
    const int shown = std::exchange(shownAtToggle, -1);
    if (muted || volume < 0)
        return;
    // Switched on, the slider takes the endpoint's level and reports it, so a
    // level other than the one shown when the switch was used is written back
    // once, also when a notification has moved the slider quietly meanwhile.
    if (slider->value() != volume)
        slider->setValue(volume);
    else if (shown >= 0 && shown != volume && slider == m_systemSlider)
        on_systemVolumeSliderValue(volume);
    else if (shown >= 0 && shown != volume)
        on_microphoneVolumeSliderValue(volume);
}

void AudioConfigurationContent::on_systemVolumeSwitchToggled(bool checked)
{
    WindowsAudioController *controller = ensureController();
    if (controller->isSystemEndpointDisabled()) {
        applySystemAvailability();
        return;
    }
    if (!controller->hasSystemEndpoint())
        return;
    // The slider follows when the write is answered (systemMuteWritten).
    m_systemSliderAtToggle = m_systemSlider->value();
    controller->setSystemMuted(!checked);
    applySystemAvailability();
}

void AudioConfigurationContent::on_systemVolumeSliderValue(int value)
{
    WindowsAudioController *controller = ensureController();
    if (controller->hasSystemEndpoint())
        controller->setSystemVolume(value);
}

void AudioConfigurationContent::on_openWindowsSoundClicked()
{
    ensureController()->openSoundControlPanel();
}

void AudioConfigurationContent::on_microphoneSwitchToggled(bool checked)
{
    WindowsAudioController *controller = ensureController();
    if (controller->isMicrophoneEndpointDisabled()) {
        applyMicrophoneAvailability();
        return;
    }
    // Gated by the playback endpoint, as the microphone slider is.
    if (!controller->hasSystemEndpoint()) {
        // Nothing is written, but the slider still follows the switch.
        applyMicrophoneAvailability();
        return;
    }
    m_microphoneSliderAtToggle = m_microphoneSlider->value();
    controller->setMicrophoneMuted(!checked);
    applyMicrophoneAvailability();
}

void AudioConfigurationContent::on_microphoneVolumeSliderValue(int value)
{
    WindowsAudioController *controller = ensureController();
    if (controller->hasSystemEndpoint())
        controller->setMicrophoneVolume(value);
}
