#pragma once

#include "cloud/EQEffect.h"
#include "eq/EQActiveProfileCoordinator.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class EQSoundEffectTestWidget;
class EQSoundListController;
class QStackedWidget;
class StyledButtonGroup;
class WindowRadioButtonStyleTwo;

namespace EarphoneApi {
class EqApi;
}

// The official EQ presets of the connected headset model in two tabs, basic
// sounds and game presets, with the sound test beside the tabs. A click on a
// preset selects it through the active-selection coordinator; the page in turn
// highlights whatever the coordinator says is active. The page owns its sound
// list service and fetches the list on its first show, on a product change
// while shown and on every language change. GUI thread only.
class EQOfficialPresetContent : public QWidget
{
    Q_OBJECT
public:
    explicit EQOfficialPresetContent(QWidget *parent = nullptr);
    ~EQOfficialPresetContent() override;

    // Not owned; may be null.
    void setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator);
    // A null API is ignored; the API stays its owner's.
    void setEqApi(EarphoneApi::EqApi *api);
    void setPid(const QString &pid);
    QString pid() const { return m_pid; }

    // The stored record of an official preset; false (and `out` untouched) for
    // a blank or unknown id or a source other than the two official ones.
    bool findEffect(EQActiveProfileCoordinator::Source source, const QString &id, EarphoneApi::EQEffect &out) const;
    // The first basic preset key in the page's order, trimmed; empty when there is none.
    QString firstBasicPresetId() const;
    // A list of the current product has arrived (it may be empty or lack a preset).
    bool hasList() const { return m_listLoaded; }
    // Forwarded to the sound test.
    void setSoundTestState(bool wired, bool wireless, const QString &wirelessDeviceName);

    // The name shown for a preset in the given UI language.
    static QString displayNameFor(const EarphoneApi::EQEffect &effect, const QString &languageCode);
    // A picture path on this computer rather than a web address.
    static bool isLocalImagePath(const QString &image);

    WindowRadioButtonStyleTwo *basicTab() const { return m_basicTab; }
    WindowRadioButtonStyleTwo *gameTab() const { return m_gameTab; }
    QStackedWidget *pages() const { return m_pages; }
    StyledButtonGroup *basicGroup() const { return m_basicGroup; }
    StyledButtonGroup *gameGroup() const { return m_gameGroup; }
    EQSoundEffectTestWidget *soundTest() const { return m_soundTest; }
    EQSoundListController *soundList() const { return m_soundList; }
    QList<QString> basicOrder() const { return m_basicOrder; }

public slots:
    void onBasicSoundClicked();
    void onGameCustomClicked();
    void applyActiveSelection(EQActiveProfileCoordinator::Source source, const QString &id);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    void rebuild(const QList<EarphoneApi::EQEffect> &basicSounds, const QList<EarphoneApi::EQEffect> &gameSounds);
    void refreshPresetNames();
    void fetchNow();
    void onGroupSelected(EQActiveProfileCoordinator::Source source, const QString &id);
    // The stored record of the coordinator's selection when it is an official one the page lists.
    std::optional<EarphoneApi::EQEffect> selectedEffect() const;

    WindowRadioButtonStyleTwo *m_basicTab = nullptr;
    WindowRadioButtonStyleTwo *m_gameTab = nullptr;
    EQSoundEffectTestWidget *m_soundTest = nullptr;
    QStackedWidget *m_pages = nullptr;
    StyledButtonGroup *m_basicGroup = nullptr;
    StyledButtonGroup *m_gameGroup = nullptr;
    EQSoundListController *m_soundList = nullptr;
    bool m_fetchIssued = false;
    bool m_apiAttached = false;
    bool m_listLoaded = false;
    QPointer<EQActiveProfileCoordinator> m_coordinator;
    bool m_applyingSelection = false;
    QHash<QString, EarphoneApi::EQEffect> m_basicEffects;
    QHash<QString, EarphoneApi::EQEffect> m_gameEffects;
    QList<QString> m_basicOrder;
    QString m_pid = QStringLiteral("1");
};
