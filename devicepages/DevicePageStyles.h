#pragma once

#include <QFont>
#include <QString>

// Style texts shared by the device pages; each is built once.
namespace DevicePageStyles {

// "'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif"
const QString &fontFamilies();
// A row title in grey.
const QString &title();
// A row title that reports a disabled endpoint, in red.
const QString &disabledTitle();

// The page font at a pixel size and weight, for texts whose width the page measures.
QFont font(qreal pixelSize, int weight);

// The grey "取消" button of a dialog.
const QString &cancelButton();
// The purple "确定" button of a dialog.
const QString &confirmButton();
// The purple action button of a card ("升级", "恢复出厂").
const QString &cardActionButton();

} // namespace DevicePageStyles
