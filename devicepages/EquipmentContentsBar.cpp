#include "devicepages/EquipmentContentsBar.h"

#include "devicepages/AudioConfigurationContent.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"

#include <QStackedWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
constexpr int kSidebarLineWidth = 1;
}

EquipmentContentsBar::EquipmentContentsBar(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_StyledBackground, true);
    // Only the line beside the sidebar: the window's frame is the border on the other sides.
    setStyleSheet(QStringLiteral("EquipmentContentsBar { background: transparent; border: none;"
                                 " border-left: %1px solid #555555; padding: 1px; }")
                      .arg(kSidebarLineWidth));

    m_contentStack = new QStackedWidget(this);
    m_contentStack->setObjectName(QStringLiteral("contentStack"));
    m_contentStack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_eqStack = new QStackedWidget(m_contentStack);
    m_eqStack->setObjectName(QStringLiteral("eqStack"));
    m_eqStack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    // The order matters: the coordinator exists before the EQ pages that follow it.
    m_audioPage = new AudioConfigurationContent(m_contentStack);
    m_coordinator = new EQActiveProfileCoordinator(this);
    m_officialPage = new EQOfficialPresetContent(m_eqStack);
    m_officialPage->setActiveProfileCoordinator(m_coordinator);
    m_cloudPage = new EQCloudSharingContent(m_eqStack);
    m_cloudPage->setActiveProfileCoordinator(m_coordinator);
    m_customPage = new EQCustomContent(m_eqStack);
    m_customPage->setActiveProfileCoordinator(m_coordinator);
    m_surroundPlaceholder = new QWidget(m_contentStack);
    m_surroundPlaceholder->setObjectName(QStringLiteral("surroundPlaceholder"));
    m_moreSettingsPage = new MoreSettingsContent(m_contentStack);

    m_eqStack->addWidget(m_officialPage);
    m_eqStack->addWidget(m_cloudPage);
    m_eqStack->addWidget(m_customPage);
    m_contentStack->addWidget(m_audioPage);
    m_contentStack->addWidget(m_eqStack);
    m_contentStack->addWidget(m_surroundPlaceholder);
    m_contentStack->addWidget(m_moreSettingsPage);
    m_contentStack->setCurrentIndex(AudioPage);

    auto *layout = new QVBoxLayout(this);
    // The pages sit beside that line, never over it.
    layout->setContentsMargins(kSidebarLineWidth, 0, 0, 0);
    layout->addSpacing(0);
    layout->addWidget(m_contentStack, 1);

    connect(m_moreSettingsPage, &MoreSettingsContent::settingsTopToastFailRequested, this,
            [this](const QString &message) { showTopToastFail(message, kSettingsToastMs); });
}

EquipmentContentsBar::~EquipmentContentsBar() = default;

void EquipmentContentsBar::setConnectionMode(bool wired, bool wireless, const QString &name)
{
    if (m_audioPage)
        m_audioPage->setConnectionMode(wired, wireless, name);
    if (m_officialPage)
        m_officialPage->setSoundTestState(wired, wireless, name);
    if (m_cloudPage)
        m_cloudPage->setSoundTestState(wired, wireless, name);
    if (m_customPage)
        m_customPage->setSoundTestState(wired, wireless, name);
}

void EquipmentContentsBar::refreshEqPages()
{
    if (m_cloudPage)
        m_cloudPage->dismissPopups();
    if (m_customPage)
        m_customPage->dismissPopups();
}

int EquipmentContentsBar::currentPage() const
{
    return m_contentStack ? m_contentStack->currentIndex() : -1;
}

void EquipmentContentsBar::refreshAudioEndpoints()
{
    if (m_audioPage)
        m_audioPage->refreshAudioEndpoints();
}

void EquipmentContentsBar::setCurrentEqPage(int index)
{
    refreshEqPages();
    if (m_eqStack)
        m_eqStack->setCurrentIndex(index);
}

void EquipmentContentsBar::setCurrentPage(int index)
{
    refreshEqPages();
    if (m_contentStack)
        m_contentStack->setCurrentIndex(index);
}

void EquipmentContentsBar::showTopToastInfo(const QString &message, int durationMs)
{
    showToast(message, durationMs, ToastKind::Info);
}

void EquipmentContentsBar::showTopToastFail(const QString &message, int durationMs)
{
    showToast(message, durationMs, ToastKind::Failure);
}

void EquipmentContentsBar::showTopToast(const QString &message, int durationMs)
{
    showToast(message, durationMs, ToastKind::Success);
}

void EquipmentContentsBar::showToast(const QString &message, int durationMs, ToastKind kind)
{
    const QString text = message.trimmed();
    if (text.isEmpty())
        return;
    if (m_cloudPage) {
        switch (kind) {
        case ToastKind::Info:
            m_cloudPage->showInfoToast(text, durationMs);
            break;
        case ToastKind::Failure:
            m_cloudPage->showErrorToast(text, durationMs);
            break;
        case ToastKind::Success:
            m_cloudPage->showSuccessToast(text, durationMs);
            break;
        }
        return;
    }
    QToolTip::showText(mapToGlobal(rect().center()), text, this, QRect(), durationMs);
}
