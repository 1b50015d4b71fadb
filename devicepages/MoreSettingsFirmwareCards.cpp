// The two firmware cards of the more-settings page: versions, the
// update-available state, the red badge and the upgrade confirmation.
#include "devicepages/MoreSettingsContent.h"

#include "devicepages/DevicePageStyles.h"
#include "widgets/ElidedLabelText.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kVersionLineY = 51;
constexpr int kVersionLineHeight = 14;
// The status text may reach this x before the upgrade button's column; with
// the button hidden, the card's inner edge.
constexpr int kStatusRightLimit = 295;
constexpr int kCardInset = 20;

QFont sectionTitleFont()
{
    return DevicePageStyles::font(14, 500);
}

int advanceOf(const QLabel *label)
{
    return QFontMetrics(label->font()).horizontalAdvance(label->text());
}

// The shown version: trimmed, without one leading v or V.
QString displayVersion(const QString &version)
{
    QString shown = version.trimmed();
    if (shown.startsWith(QLatin1Char('v'), Qt::CaseInsensitive))
        shown.remove(0, 1);
    return shown.trimmed();
}

} // namespace

void MoreSettingsContent::buildFirmwareCard(FirmwareCard &card, const char *objectName, int latestStatusMinWidth)
{
    card.frame = createCard(QSize(415, 88), objectName);
    card.latestStatusMinWidth = latestStatusMinWidth;
    card.title = createLabel(card.frame, QRect(20, 24, 206, 20), sectionTitleFont(), "#999999");
    card.title->setObjectName(QStringLiteral("firmwareTitle"));

    const QFont versionFont = DevicePageStyles::font(10, 400);
    const QRect line(0, kVersionLineY, 0, kVersionLineHeight);
    card.currentCaption = createLabel(card.frame, line, versionFont, "#999999");
    card.currentCaption->setObjectName(QStringLiteral("currentVersionCaption"));
    card.currentVersion = createLabel(card.frame, line, versionFont, "#999999");
    card.currentVersion->setObjectName(QStringLiteral("currentVersion"));
    card.currentVersion->setText(QStringLiteral("v1.0.1"));
    card.latestStatus = createLabel(card.frame, line, versionFont, "#999999");
    card.latestStatus->setObjectName(QStringLiteral("latestStatus"));
    card.availableCaption = createLabel(card.frame, line, versionFont, "#999999");
    card.availableCaption->setObjectName(QStringLiteral("availableVersionCaption"));
    card.availableVersion = createLabel(card.frame, line, DevicePageStyles::font(10, 600), "#00D68B");
    card.availableVersion->setObjectName(QStringLiteral("availableVersion"));

    card.upgradeButton = new QPushButton(card.frame);
    card.upgradeButton->setObjectName(QStringLiteral("upgradeButton"));
    card.upgradeButton->setGeometry(301, 33, 93, 25);
    card.upgradeButton->setCursor(Qt::PointingHandCursor);
    card.upgradeButton->setStyleSheet(DevicePageStyles::cardActionButton());
    card.upgradeButton->hide();
    const bool headphone = &card == &m_headphone;
    connect(card.upgradeButton, &QPushButton::clicked, this, [this, headphone] {
        if (headphone) {
            if (confirmFirmwareUpgrade(m_headphone))
                emit headphoneOtaUpgradeRequested();
        } else if (confirmFirmwareUpgrade(m_receiver)) {
            emit receiverOtaUpgradeRequested();
        }
    });

    createUpdateBadge(card);
}

void MoreSettingsContent::refreshFirmwareCard(FirmwareCard &card)
{
    card.currentCaption->setGeometry(20, kVersionLineY, qMax(53, advanceOf(card.currentCaption) + 2),
                                     kVersionLineHeight);
    const int versionX = card.currentCaption->geometry().right() + 1;
    card.currentVersion->setGeometry(versionX, kVersionLineY, qMax(44, advanceOf(card.currentVersion) + 2),
                                     kVersionLineHeight);
    const int end = card.currentVersion->geometry().right() + 1;

    const bool available = card.updateAvailable && !card.availableVersionText.isEmpty();
    const QString latestText = tr("当前已是最新版本");
    card.latestStatus->setText(latestText);
    card.latestStatus->setVisible(!available);
    card.availableCaption->setVisible(available);
    card.availableVersion->setVisible(available);
    if (available) {
        card.availableCaption->setGeometry(end + 4, kVersionLineY, qMax(65, advanceOf(card.availableCaption) + 2),
                                           kVersionLineHeight);
        card.availableVersion->setText(card.availableVersionText);
        card.availableVersion->setGeometry(card.availableCaption->geometry().right() + 1, kVersionLineY,
                                           qMax(44, advanceOf(card.availableVersion) + 2), kVersionLineHeight);
        return;
    }
    const int minimum = card.latestStatusMinWidth;
    const int rightLimit = card.upgradeButton->isHidden() ? card.frame->width() - kCardInset : kStatusRightLimit;
    const int width = qMin(qMax(minimum, advanceOf(card.latestStatus) + 2), qMax(minimum, rightLimit - (end + 4)));
    card.latestStatus->setGeometry(end + 4, kVersionLineY, width, kVersionLineHeight);
    // A text longer than its room ends in an ellipsis rather than a cut letter.
    setElidedLabelText(card.latestStatus, latestText, width, card.latestStatus->font());
}

void MoreSettingsContent::createUpdateBadge(FirmwareCard &card)
{
    card.badge = new QWidget(card.frame);
    card.badge->setObjectName(QStringLiteral("updateBadge"));
    card.badge->setAttribute(Qt::WA_StyledBackground, true);
    card.badge->setFixedSize(4, 4);
    card.badge->setStyleSheet(QStringLiteral("background-color: rgb(240, 31, 31); border-radius: 2px;"));
    card.badge->hide();
    placeUpdateBadge(card);
}

void MoreSettingsContent::placeUpdateBadge(FirmwareCard &card)
{
    if (!card.badge || !card.title)
        return;
    const QFontMetrics metrics(sectionTitleFont());
    const QRect title = card.title->geometry();
    card.badge->move(title.x() + 2 + metrics.horizontalAdvance(card.title->text()),
                     title.y() + (title.height() - metrics.height()) / 2);
}

void MoreSettingsContent::placeUpdateBadges()
{
    placeUpdateBadge(m_headphone);
    placeUpdateBadge(m_receiver);
}

void MoreSettingsContent::setHeadphoneFirmwareVersion(const QString &version)
{
    m_headphone.currentVersion->setText(version);
    refreshFirmwareCard(m_headphone);
}

void MoreSettingsContent::setReceiverFirmwareVersion(const QString &version)
{
    m_receiver.currentVersion->setText(version);
    refreshFirmwareCard(m_receiver);
}

void MoreSettingsContent::setOtaAvailable(FirmwareCard &card, bool available, const QString &version)
{
    card.updateAvailable = available;
    card.availableVersionText = version.trimmed();
    refreshFirmwareCard(card);
}

void MoreSettingsContent::setHeadphoneOtaAvailable(bool available, const QString &version)
{
    setOtaAvailable(m_headphone, available, version);
}

void MoreSettingsContent::setReceiverOtaAvailable(bool available, const QString &version)
{
    setOtaAvailable(m_receiver, available, version);
}

void MoreSettingsContent::setHeadphoneUpgradeButtonVisible(bool visible)
{
    m_headphone.upgradeButton->setVisible(visible);
    refreshFirmwareCard(m_headphone);
}

void MoreSettingsContent::setReceiverUpgradeButtonVisible(bool visible)
{
    m_receiver.upgradeButton->setVisible(visible);
    refreshFirmwareCard(m_receiver);
}

void MoreSettingsContent::setOtaRowVisible(FirmwareCard &card, bool visible)
{
    if (visible)
        placeUpdateBadges();
    card.badge->setVisible(visible);
}

void MoreSettingsContent::setHeadphoneOtaRowVisible(bool visible)
{
    setOtaRowVisible(m_headphone, visible);
}

void MoreSettingsContent::setReceiverOtaRowVisible(bool visible)
{
    setOtaRowVisible(m_receiver, visible);
}

bool MoreSettingsContent::confirmFirmwareUpgrade(const FirmwareCard &card)
{
    if (!card.updateAvailable || card.availableVersionText.trimmed().isEmpty())
        return false;
    return runConfirmation(tr("提示"), tr("您确认更新至版本 %1 吗？").arg(displayVersion(card.availableVersionText)),
                           "firmwareUpgradeDialog");
}
