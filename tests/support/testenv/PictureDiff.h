#pragma once

#include <QImage>
#include <QRect>

// Where two pictures of the same size differ by more than `tolerance` in any
// colour channel: the bounding rectangle of those pixels, empty when none
// (the whole rectangle when the sizes differ). Compared in device pixels.
QRect differingArea(const QImage &a, const QImage &b, int tolerance = 0);
