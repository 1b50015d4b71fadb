#pragma once

#include <QWidget>

class CustomClickableLabel;
class CustomRadioButtons;
class QButtonGroup;
class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

// The program's own settings: language, start-up, close behaviour, contact and
// about. It stores nothing: it shows the stored values once and reports each
// user change as a signal.
class CustomSettingsForm : public QWidget
{
    Q_OBJECT
public:
    explicit CustomSettingsForm(QWidget *parent);
    ~CustomSettingsForm() override;

    void setUpdateAvailable(bool available);
    void setUpdateRequired(bool required);
    void setVersionTooLow(bool tooLow);
    void setUpdateBadgeVisible(bool visible);

    bool isAutoStartChecked() const;
    bool isMinimizeOnStartChecked() const;
    bool isExitOnCloseChecked() const;

    static QString supportEmailAddress();

signals:
    void languageChanged(const QString &localeTag);
    void autoStartChanged(bool enabled);
    void minimizeOnStartChanged(bool enabled);
    void closeBehaviorPreferenceChanged();
    void contactCustomerService();
    void checkForUpdates();
    void aboutUs();
    void privacyPolicy();
    void userAgreement();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void onLanguageComboBoxCurrentIndexChanged(int index);
    void onAutoStartCheckBoxStateChanged(bool state);
    void onMinimizeOnStartCheckBoxStateChanged(bool state);
    void onExitOnCloseCheckBoxStateChanged(bool state);
    void onMinimizeToTrayCheckBoxStateChanged(bool state);
    void onContactEmailClicked();
    void onUpdateLabelClicked();
    void onAboutUsLabelClicked();
    void onPrivacyPolicyLabelClicked();
    void onUserAgreementLabelClicked();

private:
    void buildUi();
    void loadStoredValues();
    QFrame *makeCard(const QSize &size);
    QLabel *makeCardTitle(QWidget *parent);
    CustomRadioButtons *makeOptionButton(QWidget *parent);
    CustomClickableLabel *makeLinkLabel(QWidget *parent);
    QFrame *makeSeparator(QWidget *parent);
    void buildLanguageCard();
    void buildStartupCard();
    void buildCloseCard();
    void buildContactCard();
    void buildAboutCard();
    void setupLanguagePopup();
    void retranslateUi();
    void refreshUpdateLabel();
    void fitCardWidths();
    void onCloseOptionToggled(bool state);

    QFrame *m_languageCard = nullptr;
    QLabel *m_languageTitle = nullptr;
    QComboBox *m_languageCombo = nullptr;
    QFrame *m_startupCard = nullptr;
    QLabel *m_startupTitle = nullptr;
    CustomRadioButtons *m_autoStartOption = nullptr;
    CustomRadioButtons *m_minimizeOnStartOption = nullptr;
    QFrame *m_closeCard = nullptr;
    QLabel *m_closeTitle = nullptr;
    CustomRadioButtons *m_exitOnCloseOption = nullptr;
    CustomRadioButtons *m_minimizeToTrayOption = nullptr;
    QFrame *m_contactCard = nullptr;
    QLabel *m_contactTitle = nullptr;
    CustomClickableLabel *m_contactEmail = nullptr;
    QFrame *m_aboutCard = nullptr;
    QLabel *m_aboutTitle = nullptr;
    QLabel *m_versionCaption = nullptr;
    CustomClickableLabel *m_updateLabel = nullptr;
    CustomClickableLabel *m_aboutUsLink = nullptr;
    CustomClickableLabel *m_privacyLink = nullptr;
    CustomClickableLabel *m_agreementLink = nullptr;
    QLabel *m_updateBadge = nullptr;
    QHBoxLayout *m_aboutRow = nullptr;
    QLabel *m_footer = nullptr;
    QVBoxLayout *m_rootLayout = nullptr;
    QButtonGroup *m_closeGroup = nullptr;
    bool m_updateAvailable = false;
    bool m_updateRequired = false;
    bool m_versionTooLow = false;
};
