#include "tests/support/testenv/PictureDiff.h"

#include <cstdlib>

QRect differingArea(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return QRect(QPoint(0, 0), a.size().expandedTo(b.size()));
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    QRect area;
    for (int y = 0; y < left.height(); ++y) {
        const auto *l = reinterpret_cast<const QRgb *>(left.constScanLine(y));
        const auto *r = reinterpret_cast<const QRgb *>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if (l[x] == r[x])
                continue;
            if (std::abs(qRed(l[x]) - qRed(r[x])) > tolerance || std::abs(qGreen(l[x]) - qGreen(r[x])) > tolerance
                || std::abs(qBlue(l[x]) - qBlue(r[x])) > tolerance)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}
