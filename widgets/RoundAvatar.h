#pragma once

#include <QPixmap>
#include <QSize>

// The round crop every avatar (title bar, profile, cloud authors) is shown
// with: `source` scaled to cover `size` (aspect kept by expanding, smoothly),
// its centre clipped to the ellipse inscribed in `size` on a transparent
// pixmap. The pixmap is made at `ratio` device pixels per logical one (the
// device-pixel ratio of the widget it is drawn on) and draws as `size`.
// A null source or an empty size gives a null pixmap.
QPixmap roundAvatar(const QPixmap &source, QSize size, qreal ratio);
