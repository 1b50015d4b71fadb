// Short messages over the main window.
#include "app/HeadphonesDevice.h"

#include "devicepages/EquipmentContentsBar.h"

#include <QTimer>
#include <QToolTip>

namespace {
constexpr int kToastMs = 1000;
// Long enough to read what the message asks of the user.
constexpr int kSettingsNotSavedToastMs = 3000;
}

void HeadphonesDevice::showToast(const QString &text, bool failure)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    if (m_contentBar) {
        if (failure)
            m_contentBar->showTopToastFail(t, kToastMs);
        else
            m_contentBar->showTopToast(t, kToastMs);
        return;
    }
    showTooltipToast(t, kToastMs);
}

void HeadphonesDevice::showFailureToast(const QString &text, int durationMs)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    if (m_contentBar) {
        m_contentBar->showTopToastFail(t, durationMs);
        return;
    }
    showTooltipToast(t, qMax(durationMs, kToastMs));
}

void HeadphonesDevice::showTooltipToast(const QString &text, int durationMs)
{
    if (!isVisible())
        return;
    QToolTip::showText(mapToGlobal(rect().center()), text, this, rect(), durationMs);
}

void HeadphonesDevice::reportSettingsSaved(bool saved)
{
    if (saved || m_settingsFailureReported)
        return;
    m_settingsFailureReported = true;
    QTimer::singleShot(0, this, [this] { m_settingsFailureReported = false; });
    showFailureToast(tr("设置文件无法写入，本次更改在重启后将失效"), kSettingsNotSavedToastMs);
}
