#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class CircleDot;
class QFrame;
class QLabel;
class QPushButton;
class RoundedTrackSlider;

// The device page's more-settings view: prompt-tone volume, headset name,
// factory reset and the firmware state of the headset and the receiver. It
// only emits what the user asks for; the main window answers and pushes the
// device's state back through the setters.
class MoreSettingsContent : public QWidget
{
    Q_OBJECT
public:
    explicit MoreSettingsContent(QWidget *parent = nullptr);
    ~MoreSettingsContent() override;

    // Ignored outside 1..7; moves the slider without emitting.
    void setPromptToneLevel(int level);
    int promptToneLevel() const;

    // Shows a valid name without emitting; an invalid one is ignored.
    void setDeviceName(const QString &name);
    QString deviceName() const { return m_deviceName; }
    // Not empty after trimming and shorter than 32 bytes in UTF-8.
    static bool isValidDeviceName(const QString &name);

    void setHeadphoneFirmwareVersion(const QString &version);
    void setReceiverFirmwareVersion(const QString &version);
    void setHeadphoneOtaAvailable(bool available, const QString &version);
    void setReceiverOtaAvailable(bool available, const QString &version);
    void setHeadphoneUpgradeButtonVisible(bool visible);
    void setReceiverUpgradeButtonVisible(bool visible);
    void setHeadphoneOtaRowVisible(bool visible);
    void setReceiverOtaRowVisible(bool visible);

signals:
    void promptToneVolumeChanged(int level);
    void deviceNameChanged(const QString &name);
    void restoreFactoryRequested();
    void receiverOtaUpgradeRequested();
    void headphoneOtaUpgradeRequested();
    void settingsTopToastFailRequested(const QString &message);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The widgets and state of one firmware card.
    struct FirmwareCard
    {
        QFrame *frame = nullptr;
        QLabel *title = nullptr;
        QLabel *currentCaption = nullptr;
        QLabel *currentVersion = nullptr;
        QLabel *latestStatus = nullptr;
        QLabel *availableCaption = nullptr;
        QLabel *availableVersion = nullptr;
        QPushButton *upgradeButton = nullptr;
        QWidget *badge = nullptr;
        bool updateAvailable = false;
        QString availableVersionText; // trimmed
        int latestStatusMinWidth = 0;
    };

    QFrame *createCard(const QSize &size, const char *objectName);
    QLabel *createLabel(QWidget *parent, const QRect &geometry, const QFont &font, const char *colour,
                        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    QFrame *buildPromptToneCard();
    QFrame *buildRenameCard();
    QFrame *buildFactoryResetCard();
    void buildFirmwareCard(FirmwareCard &card, const char *objectName, int latestStatusMinWidth);
    void retranslateUi();
    void placeNameRow();

    void updatePromptToneScale(int level);
    void onPromptToneSliderChanged(int level);
    bool applyDeviceName(const QString &name, bool emitChange);
    void showRenameDialog();
    void confirmFactoryReset();
    // A "取消" / "确定" question over the blurred window; true when confirmed.
    bool runConfirmation(const QString &title, const QString &text, const char *objectName);

    void refreshFirmwareCard(FirmwareCard &card);
    void createUpdateBadge(FirmwareCard &card);
    void placeUpdateBadge(FirmwareCard &card);
    void placeUpdateBadges();
    void setOtaAvailable(FirmwareCard &card, bool available, const QString &version);
    void setOtaRowVisible(FirmwareCard &card, bool visible);
    bool confirmFirmwareUpgrade(const FirmwareCard &card);

    QString m_deviceName;
    RoundedTrackSlider *m_promptToneSlider = nullptr;
    QList<CircleDot *> m_promptToneDots;
    QList<QLabel *> m_promptToneLabels;
    QLabel *m_promptToneTitle = nullptr;
    QLabel *m_renameTitle = nullptr;
    QWidget *m_nameRow = nullptr;
    QLabel *m_nameLabel = nullptr;
    QPushButton *m_renameButton = nullptr;
    QLabel *m_resetTitle = nullptr;
    QLabel *m_resetSubtitle = nullptr;
    QPushButton *m_resetButton = nullptr;
    FirmwareCard m_headphone;
    FirmwareCard m_receiver;
};
