#include "tests/support/testenv/HiDpiPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryFile>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace HiDpiPicture {

namespace {

QSize devicePixels(const QSize &logical, qreal ratio)
{
    return QSize(int(std::lround(logical.width() * ratio)), int(std::lround(logical.height() * ratio)));
}

QImage covering(const QImage &source, const QSize &pixels)
{
    const QImage scaled = source.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - pixels.width()) / 2, (scaled.height() - pixels.height()) / 2,
                       pixels.width(), pixels.height());
}

} // namespace

bool useScaleFactor(const char *factor)
{
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", factor);
    return true;
}

bool useTwoScreens()
{
    // Lives until the program ends: the platform reads it when the application starts.
    static QTemporaryFile config(QDir::tempPath() + QStringLiteral("/velkora-screens-XXXXXX.json"));
    if (!config.open())
        qFatal("no file for the screen layout");
    config.write(R"({ "screens": [
        { "name": "one", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96 },
        { "name": "two", "x": 800, "y": 0, "width": 3000, "height": 2000, "logicalDpi": 96, "logicalBaseDpi": 96 }
    ] })");
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    qputenv("QT_SCREEN_SCALE_FACTORS", "one=1;two=2");
    qunsetenv("QT_SCALE_FACTOR");
    return true;
}

bool useTestScreens()
{
    if (qgetenv("VELKORA_TEST_SCREENS") == "two")
        return useTwoScreens();
    return useScaleFactor("2");
}

namespace {

QScreen *testScreen()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return screens.size() > 1 ? screens.at(1) : QGuiApplication::primaryScreen();
}

} // namespace

void placeOnTestScreen(QWidget *window)
{
    QScreen *screen = testScreen();
    if (screen && screen != QGuiApplication::primaryScreen())
        window->move(screen->geometry().topLeft() + QPoint(20, 20));
}

qreal testRatio()
{
    QScreen *screen = testScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

QImage noise(int side, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage sharp(const QImage &source, const QSize &logical, qreal ratio)
{
    return covering(source, devicePixels(logical, ratio));
}

QImage enlarged(const QImage &source, const QSize &logical, qreal ratio)
{
    return covering(source, logical).scaled(devicePixels(logical, ratio), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
}

QImage centre(const QImage &image, int side)
{
    QImage square = image.copy((image.width() - side) / 2, (image.height() - side) / 2, side, side);
    square.setDevicePixelRatio(1.0);
    return square;
}

QImage grabbed(QWidget *widget)
{
    return widget->grab().toImage();
}

double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto *l = reinterpret_cast<const QRgb *>(left.constScanLine(y));
        const auto *r = reinterpret_cast<const QRgb *>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x)
            sum += std::abs(qRed(l[x]) - qRed(r[x])) + std::abs(qGreen(l[x]) - qGreen(r[x]))
                   + std::abs(qBlue(l[x]) - qBlue(r[x]));
    }
    return double(sum) / (3.0 * left.width() * left.height());
}

QString sharpnessProblem(const QImage &shown, const QImage &source, const QSize &logical, qreal ratio)
{
    // The middle half of a round picture is inside its circle.
    const int side = int(std::lround(std::min(logical.width(), logical.height()) * ratio / 2));
    const QImage middle = centre(shown, side);
    const double near = difference(middle, centre(sharp(source, logical, ratio), side));
    const double far = difference(middle, centre(enlarged(source, logical, ratio), side));
    constexpr double nearEnough = 3;
    constexpr double farEnough = 20;
    if (near < nearEnough && (ratio <= 1 || far > farEnough))
        return QString();
    return QStringLiteral("%1 x %2 device pixels at ratio %3: %4 from the sharp picture (below %5 wanted), %6 from"
                          " the enlarged one (above %7 wanted)")
        .arg(shown.width())
        .arg(shown.height())
        .arg(ratio)
        .arg(near, 0, 'f', 1)
        .arg(nearEnough)
        .arg(far, 0, 'f', 1)
        .arg(farEnough);
}

QStringList enlargedLabels(const QWidget *root, int *pictures)
{
    QList<const QLabel *> labels;
    if (const auto *self = qobject_cast<const QLabel *>(root))
        labels.append(self);
    for (const QLabel *label : root->findChildren<QLabel *>())
        labels.append(label);
    QStringList found;
    if (pictures)
        *pictures = 0;
    for (const QLabel *label : labels) {
        const QPixmap pixmap = label->pixmap();
        if (pixmap.isNull())
            continue;
        // A window of its own that is not up yet (a popup) is on no screen:
        // its pictures are made when it first paints on one.
        if (label->window() != root->window() && !label->window()->isVisible())
            continue;
        if (pictures)
            ++*pictures;
        const qreal ratio = std::max<qreal>(1.0, label->devicePixelRatioF());
        // A label that scales its picture needs as many pixels as its room
        // on one side at least (the picture keeps its aspect); any other shows
        // it at the size the picture's own ratio gives.
        const QSizeF shown = label->hasScaledContents() ? QSizeF(label->contentsRect().size())
                                                        : pixmap.deviceIndependentSize();
        const QSizeF needed = shown * ratio;
        const bool enough = label->hasScaledContents()
                                ? pixmap.width() + 1 >= needed.width() || pixmap.height() + 1 >= needed.height()
                                : pixmap.devicePixelRatio() + 1e-6 >= ratio;
        if (!enough)
            found << QStringLiteral("%1 %2: %3 x %4 pixels for %5 x %6 at ratio %7")
                         .arg(QString::fromLatin1(label->metaObject()->className()), label->objectName())
                         .arg(pixmap.width())
                         .arg(pixmap.height())
                         .arg(shown.width())
                         .arg(shown.height())
                         .arg(ratio);
    }
    return found;
}

} // namespace HiDpiPicture
