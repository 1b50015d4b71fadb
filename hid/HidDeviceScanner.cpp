#include "HidDeviceScanner.h"

#include "platform/hidapicompat/HidApiCompat.h"
#include "platform/hidapicompat/HidPathTokens.h"

#include <hidapi/hidapi.h>

#include <QSet>

namespace {

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

bool HidDeviceScanner::matches(const QList<HIDTypes::TargetDeviceFilter> &filters, quint16 vendorId,
                               quint16 productId, qint32 interfaceNumber)
{
    for (const HIDTypes::TargetDeviceFilter &f : filters) {
        if ((!f.hasVendorId || f.vendorId == vendorId) && (!f.hasProductId || f.productId == productId)
            && (!f.hasInterfaceNumber || f.interfaceNumber == interfaceNumber))
            return true;
    }
    return false;
}

QList<HIDTypes::HidDeviceInfo> HidDeviceScanner::scan(const QList<HIDTypes::TargetDeviceFilter> &filters)
{
    QList<HIDTypes::HidDeviceInfo> result;
    if (filters.isEmpty())
        return result;

    // Ask hidapi for as little as the filters allow: per vendor when every
    // filter names one, else per product when some filter names one.
    QList<quint16> vendorIds;
    QList<quint16> productIds;
    bool someLackVendor = false;
    for (const HIDTypes::TargetDeviceFilter &f : filters) {
        if (f.hasVendorId) {
            if (!vendorIds.contains(f.vendorId))
                vendorIds.append(f.vendorId);
        } else {
            someLackVendor = true;
        }
        if (f.hasProductId && !productIds.contains(f.productId))
            productIds.append(f.productId);
    }
    QList<QPair<quint16, quint16>> requests;
    if (!someLackVendor) {
        for (quint16 vid : vendorIds)
            requests.append({vid, 0});
    } else if (!productIds.isEmpty()) {
        for (quint16 pid : productIds)
            requests.append({0, pid});
    } else {
        requests.append({0, 0});
    }

    for (const auto &[vid, pid] : requests) {
        hid_device_info *devices = Platform::HidApiCompat::enumerate(vid, pid);
        for (hid_device_info *d = devices; d; d = d->next) {
            if (!matches(filters, d->vendor_id, d->product_id, d->interface_number))
                continue;
            HIDTypes::HidDeviceInfo info;
            const std::string path = d->path ? d->path : "";
            info.path = QString::fromStdString(
                Platform::HidPathTokens::withIdentity(path, d->vendor_id, d->product_id, d->interface_number));
            info.vendorId = d->vendor_id;
            info.productId = d->product_id;
            info.productName = fromWide(d->product_string);
            info.serialNumber = fromWide(d->serial_number);
            info.interfaceNumber = d->interface_number;
            result.append(info);
        }
        hid_free_enumeration(devices);
    }
    return result;
}
