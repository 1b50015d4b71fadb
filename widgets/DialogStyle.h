#pragma once

#include <QString>

class QPainter;
class QRectF;
class QWidget;

// What the shell's small dialogs share: the font list, the black rounded
// frame, the title text, the painted progress track, and centring over the
// window that opened them.
namespace DialogStyle {

// "'Microsoft YaHei UI', 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif"
const QString &fontFamilies();
// The frameless black window with rounded corners.
const QString &frameStyle();
// 16 px light text: dialog titles and the version line of the update dialog.
const QString &titleStyle();

// A rounded #222222 track over `area` with the accent gradient over the first
// `percent` (0..100) of it; a fill of half a pixel or less is not drawn.
void paintProgressTrack(QPainter &painter, const QRectF &area, int percent);

// Moves `dialog` to the centre of the frame of its parent's window; nothing without a parent.
void centreOnParentWindow(QWidget *dialog);

} // namespace DialogStyle
