// The round avatar crop shared by the title bar, the profile screens and the cloud cards.
#include "widgets/RoundAvatar.h"
#include "tests/support/testenv/HiDpiPicture.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

// Left half red, right half blue (or top/bottom for a tall picture).
QPixmap halves(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    const bool wide = size.width() >= size.height();
    const QRect first =
        wide ? QRect(0, 0, size.width() / 2, size.height()) : QRect(0, 0, size.width(), size.height() / 2);
    painter.fillRect(image.rect(), Qt::blue);
    painter.fillRect(first, Qt::red);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

class TestRoundAvatar : public QObject
{
    Q_OBJECT

private slots:
    void crop_data();
    void crop();
    void nothingToDraw_data();
    void nothingToDraw();
    void madeInDevicePixels_data();
    void madeInDevicePixels();
};

void TestRoundAvatar::crop_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("size");
    QTest::newRow("square into square") << QSize(64, 64) << QSize(32, 32);
    QTest::newRow("small source grows") << QSize(8, 8) << QSize(96, 96);
    QTest::newRow("wide source, centre cut") << QSize(120, 40) << QSize(30, 30);
    QTest::newRow("tall source, centre cut") << QSize(40, 120) << QSize(30, 30);
    QTest::newRow("oval label") << QSize(50, 50) << QSize(40, 20);
}

void TestRoundAvatar::crop()
{
    QFETCH(QSize, source);
    QFETCH(QSize, size);
    const QImage round = roundAvatar(halves(source), size, 1.0).toImage();
    QCOMPARE(round.size(), size);
    // Corners outside the ellipse stay transparent.
    QCOMPARE(round.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(round.pixelColor(size.width() - 1, size.height() - 1).alpha(), 0);
    // The picture is centred: each half fills its half of the crop.
    const bool wide = source.width() >= source.height();
    const int w = size.width();
    const int h = size.height();
    const QPoint before = wide ? QPoint(w / 4, h / 2) : QPoint(w / 2, h / 4);
    const QPoint after = wide ? QPoint(3 * w / 4, h / 2) : QPoint(w / 2, 3 * h / 4);
    // Smooth scaling blends near the seam, so the halves are told by their main colour.
    const QColor red = round.pixelColor(before);
    const QColor blue = round.pixelColor(after);
    QCOMPARE(red.alpha(), 255);
    QCOMPARE(blue.alpha(), 255);
    QVERIFY2(red.red() > 2 * red.blue(), qPrintable(red.name()));
    QVERIFY2(blue.blue() > 2 * blue.red(), qPrintable(blue.name()));
}

void TestRoundAvatar::nothingToDraw_data()
{
    QTest::addColumn<QPixmap>("source");
    QTest::addColumn<QSize>("size");
    QTest::newRow("null source") << QPixmap() << QSize(20, 20);
    QTest::newRow("no width") << halves(QSize(10, 10)) << QSize(0, 20);
    QTest::newRow("negative size") << halves(QSize(10, 10)) << QSize(-1, -1);
}

void TestRoundAvatar::nothingToDraw()
{
    QFETCH(QPixmap, source);
    QFETCH(QSize, size);
    QVERIFY(roundAvatar(source, size, 1.0).isNull());
}

void TestRoundAvatar::madeInDevicePixels_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("profile, ratio 2") << 192 << QSize(96, 96) << 2.0;
    QTest::newRow("card author, ratio 2") << 48 << QSize(20, 20) << 2.0;
    QTest::newRow("title bar, ratio 1.5") << 54 << QSize(27, 27) << 1.5;
    QTest::newRow("ratio 1") << 192 << QSize(96, 96) << 1.0;
    // More pixels than the source has: enlarged, but still at the ratio.
    QTest::newRow("small source, ratio 3") << 16 << QSize(20, 20) << 3.0;
}

// The crop has as many pixels as the screen shows (the size times the ratio),
// draws at the logical size, and is cut from the source's own pixels, not
// enlarged from a copy at the logical size.
void TestRoundAvatar::madeInDevicePixels()
{
    QFETCH(int, source);
    QFETCH(QSize, size);
    QFETCH(qreal, ratio);
    const QImage picture = HiDpiPicture::noise(source);
    const QPixmap round = roundAvatar(QPixmap::fromImage(picture), size, ratio);
    QCOMPARE(round.devicePixelRatio(), ratio);
    const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
    QCOMPARE(round.size(), pixels);
    // Draws at the size, within the rounding of a ratio that is no whole number.
    const QSizeF drawn = round.deviceIndependentSize();
    QVERIFY2(qAbs(drawn.width() - size.width()) < 1 && qAbs(drawn.height() - size.height()) < 1,
             qPrintable(QStringLiteral("%1 x %2").arg(drawn.width()).arg(drawn.height())));

    const int side = pixels.width() / 2; // well inside the circle
    const QImage shown = HiDpiPicture::centre(round.toImage(), side);
    const double near = HiDpiPicture::difference(shown, HiDpiPicture::centre(HiDpiPicture::sharp(picture, size, ratio), side));
    QVERIFY2(near < 2, qPrintable(QString::number(near)));
    if (ratio > 1 && source >= pixels.width()) {
        const double far =
            HiDpiPicture::difference(shown, HiDpiPicture::centre(HiDpiPicture::enlarged(picture, size, ratio), side));
        QVERIFY2(far > 20, qPrintable(QString::number(far)));
    }
}

QTEST_MAIN(TestRoundAvatar)
#include "tst_roundavatar.moc"
