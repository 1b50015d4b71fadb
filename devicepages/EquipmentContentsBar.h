#pragma once

#include <QWidget>

class AudioConfigurationContent;
class EQActiveProfileCoordinator;
class EQCloudSharingContent;
class EQCustomContent;
class EQOfficialPresetContent;
class MoreSettingsContent;
class QStackedWidget;

// The content area of the device page: the audio page, the EQ section (official
// presets, cloud sharing, custom EQ) with the coordinator of the active EQ, the
// surround place and the more-settings page. It talks to no device service: the
// main window switches its pages, forwards the connection mode and reaches the
// pages through the accessors to hand them their services.
class EquipmentContentsBar : public QWidget
{
    Q_OBJECT
public:
    enum Page { AudioPage = 0, EqPage = 1, SurroundPage = 2, MoreSettingsPage = 3 };
    enum EqPageIndex { OfficialPresetPage = 0, CloudSharingPage = 1, CustomPage = 2 };
    static constexpr int kSettingsToastMs = 1000;

    explicit EquipmentContentsBar(QWidget *parent = nullptr);
    ~EquipmentContentsBar() override;

    // To the audio page and to the sound tests of the three EQ pages.
    void setConnectionMode(bool wired, bool wireless, const QString &name);
    // Closes the pop-ups of the cloud page and of the custom page.
    void refreshEqPages();
    // The shown page (Page), -1 without pages.
    int currentPage() const;
    void refreshAudioEndpoints();
    // Both close the EQ pop-ups first.
    void setCurrentEqPage(int index);
    void setCurrentPage(int index);

    // Top toasts; a blank message shows nothing.
    void showTopToastInfo(const QString &message, int durationMs);
    void showTopToastFail(const QString &message, int durationMs);
    void showTopToast(const QString &message, int durationMs);

    AudioConfigurationContent *audioPage() const { return m_audioPage; }
    EQOfficialPresetContent *officialPresetPage() const { return m_officialPage; }
    EQCloudSharingContent *cloudSharingPage() const { return m_cloudPage; }
    EQCustomContent *customPage() const { return m_customPage; }
    MoreSettingsContent *moreSettingsPage() const { return m_moreSettingsPage; }
    EQActiveProfileCoordinator *activeProfileCoordinator() const { return m_coordinator; }
    QStackedWidget *contentStack() const { return m_contentStack; }
    QStackedWidget *eqStack() const { return m_eqStack; }

private:
    enum class ToastKind { Info, Failure, Success };
    void showToast(const QString &message, int durationMs, ToastKind kind);

    QStackedWidget *m_contentStack = nullptr;
    QStackedWidget *m_eqStack = nullptr;
    AudioConfigurationContent *m_audioPage = nullptr;
    EQActiveProfileCoordinator *m_coordinator = nullptr;
    EQOfficialPresetContent *m_officialPage = nullptr;
    EQCloudSharingContent *m_cloudPage = nullptr;
    EQCustomContent *m_customPage = nullptr;
    QWidget *m_surroundPlaceholder = nullptr;
    MoreSettingsContent *m_moreSettingsPage = nullptr;
};
