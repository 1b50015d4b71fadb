#pragma once

#include <QString>

// Style texts shared by the device pages; each is built once.
namespace DevicePageStyles {

// "'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif"
const QString &fontFamilies();
// A row title in grey.
const QString &title();
// A row title that reports a disabled endpoint, in red.
const QString &disabledTitle();

} // namespace DevicePageStyles
