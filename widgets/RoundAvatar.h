#pragma once

#include <QPixmap>
#include <QSize>

// The round crop every avatar (title bar, profile, cloud authors) is shown
// with: `source` scaled to cover `size` (aspect kept by expanding, smoothly),
// its centre clipped to the ellipse inscribed in `size` on a transparent
// pixmap. A null source or an empty size gives a null pixmap.
QPixmap roundAvatar(const QPixmap &source, QSize size);
