#include "hid/QorDeviceConnectionUiController.h"

#include "hid/HidProtocolService.h"

#include <utility>

QorDeviceConnectionUiController::QorDeviceConnectionUiController(ConnectionView *view,
                                                                 std::function<void(bool)> onQorSessionChanged,
                                                                 std::function<void()> refreshConnection,
                                                                 std::function<void()> refreshPage, QObject *parent)
    : QObject(parent),
      connectionView(view),
      viewObject(view ? view->asQObject() : nullptr),
      onQorSessionChanged(std::move(onQorSessionChanged)),
      refreshConnection(std::move(refreshConnection)),
      refreshPage(std::move(refreshPage))
{
}

void QorDeviceConnectionUiController::bind(HidProtocolService *service)
{
    if (!service || !view())
        return;
    connect(service, &HidProtocolService::qorQaspBypassSessionChanged, this,
            &QorDeviceConnectionUiController::onBypassSessionChanged);
    connect(service, &HidProtocolService::targetDevicePresentChanged, this,
            &QorDeviceConnectionUiController::onTargetDevicePresentChanged);
}

QorDeviceConnectionUiController::ConnectionView *QorDeviceConnectionUiController::view() const
{
    return viewObject ? connectionView : nullptr;
}

void QorDeviceConnectionUiController::onBypassSessionChanged(bool active)
{
    bypassActive = active;
    if (onQorSessionChanged)
        onQorSessionChanged(active);
    if (ConnectionView *page = view()) {
        if (active) {
            page->setWiredConnection(true);
            page->applyThemeImage(kQorThemeImage, false); // the Qor picture is not the user's choice
        } else {
            page->setWiredConnection(false);
            page->loadThemeImage();
        }
    }
    refresh();
}

void QorDeviceConnectionUiController::onTargetDevicePresentChanged(bool present)
{
    // A device that appears changes nothing here; the session signal does.
    if (present)
        return;
    bypassActive = false;
    if (onQorSessionChanged)
        onQorSessionChanged(false);
    if (ConnectionView *page = view()) {
        page->setWiredConnection(false);
        page->loadThemeImage();
    }
    refresh();
}

void QorDeviceConnectionUiController::refresh()
{
    if (refreshConnection)
        refreshConnection();
    if (refreshPage)
        refreshPage();
}
