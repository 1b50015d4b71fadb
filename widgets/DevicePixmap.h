#pragma once

#include <QPixmap>
#include <QSize>

class QLabel;
class QString;
class QWidget;

// Pictures the program composes itself (round avatars, canvases, scaled
// icons) are made in device pixels: the logical size times the device-pixel
// ratio of the widget they are drawn on, with that ratio set on them. Made
// at the logical size instead, a high-density screen enlarges them and
// shows a blurred copy of a sharper source.
namespace DevicePixmap {

// The ratio pictures for `widget` are made at: its device-pixel ratio, at least 1.
qreal ratioOf(const QWidget *widget);
// `logical` in device pixels at `ratio`, each side at least 1.
QSize devicePixels(const QSize &logical, qreal ratio);
// A transparent pixmap that draws as `logical` at `ratio`.
QPixmap canvas(const QSize &logical, qreal ratio);
// `source` fitted to `logical` by `mode` (smoothly) at `ratio`; null for a null source.
QPixmap scaled(const QPixmap &source, const QSize &logical, qreal ratio,
               Qt::AspectRatioMode mode = Qt::KeepAspectRatio);
// The picture at `path` fitted the same way; a vector picture is drawn at
// that size rather than enlarged from its own. Null when it cannot be read.
QPixmap load(const QString &path, const QSize &logical, qreal ratio, Qt::AspectRatioMode mode = Qt::KeepAspectRatio);

// Shows the picture at `path` (or `source`) on `label`, fitted to `logical`,
// and makes it again whenever the label's ratio changes. When the picture
// cannot be read the label is left as it is and false is returned.
bool showOn(QLabel *label, const QString &path, const QSize &logical, Qt::AspectRatioMode mode = Qt::KeepAspectRatio);
bool showOn(QLabel *label, const QPixmap &source, const QSize &logical,
            Qt::AspectRatioMode mode = Qt::KeepAspectRatio);

} // namespace DevicePixmap
