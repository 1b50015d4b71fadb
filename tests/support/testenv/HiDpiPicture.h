#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QStringList>

class QWidget;

// Whether what the program composes is sharp on a high-density screen: a
// source with detail in every pixel, how it looks drawn from all of its
// pixels at a device-pixel ratio and how a copy made at the logical size
// looks once the screen enlarges it, and how far apart two pictures are.
namespace HiDpiPicture {

// For a static initialiser, before the application exists: every screen at
// `factor` device pixels per logical one, unless QT_SCALE_FACTOR is set
// already (a second run of the same tests at 1).
bool useScaleFactor(const char *factor);
// For a static initialiser instead: two offscreen screens side by side, "one"
// at ratio 1 (the primary, 800 x 600) and "two" at ratio 2 on its right
// (1500 x 1000 logical pixels).
bool useTwoScreens();
// For a static initialiser: two screens when VELKORA_TEST_SCREENS is "two"
// (windows of the tests go to the second), else useScaleFactor("2").
bool useTestScreens();
// Places a window that is not shown yet on the screen the tests look at: the
// second of two, else where it is.
void placeOnTestScreen(QWidget *window);
// The ratio of the screen the tests look at.
qreal testRatio();

// Noise of `side` pixels square; a copy of it with fewer pixels, enlarged,
// differs from it clearly.
QImage noise(int side, quint32 seed = 1);
QByteArray png(const QImage &image);

// `source` scaled smoothly to cover `logical` x `ratio` device pixels, its
// centre cut out: a sharp picture of it.
QImage sharp(const QImage &source, const QSize &logical, qreal ratio);
// `source` made at `logical` in the same way and enlarged smoothly to the
// device pixels: what the screen shows of a picture made without the ratio.
QImage enlarged(const QImage &source, const QSize &logical, qreal ratio);
// The centre square of `side` pixels.
QImage centre(const QImage &image, int side);
// `widget` as it is drawn, in device pixels.
QImage grabbed(QWidget *widget);
// Mean difference per colour channel (0 to 255); 255 for pictures of other sizes.
double difference(const QImage &a, const QImage &b);

// Empty when `shown` (device pixels, centred on the picture) is `source`
// drawn sharp at `logical` x `ratio`: its centre near the sharp picture and,
// at a ratio above 1, far from the enlarged one. Else the two distances.
QString sharpnessProblem(const QImage &shown, const QImage &source, const QSize &logical, qreal ratio);

// One line ("class objectName: N x M pixels for W x H at ratio R") for every
// label under `root` (itself included) whose picture has fewer pixels than
// the screen shows of it: made at the logical size, or scaled up by the label.
// Labels of a window of their own that is not shown are left out.
// `pictures`, when given, counts the labels with a picture.
QStringList enlargedLabels(const QWidget *root, int *pictures = nullptr);

} // namespace HiDpiPicture
