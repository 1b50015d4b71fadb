// Short messages over the main window.
#include "app/HeadphonesDevice.h"

#include <QToolTip>

namespace {
constexpr int kToastMs = 1000;
}

void HeadphonesDevice::showToast(const QString &text, bool failure)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    // The device page's content bar shows the success and failure looks once
    // it is wired in; until then both are a tooltip over the window.
    Q_UNUSED(failure);
    showTooltipToast(t, kToastMs);
}

void HeadphonesDevice::showFailureToast(const QString &text, int durationMs)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    showTooltipToast(t, qMax(durationMs, kToastMs));
}

void HeadphonesDevice::showTooltipToast(const QString &text, int durationMs)
{
    if (!isVisible())
        return;
    QToolTip::showText(mapToGlobal(rect().center()), text, this, rect(), durationMs);
}
