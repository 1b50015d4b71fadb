// Pictures made in device pixels, and made again when a window moves to a
// screen of another pixel ratio. Runs on two offscreen screens: "one" at
// ratio 1 (primary) and "two" at ratio 2.
#include "widgets/DevicePixmap.h"
#include "widgets/PixelRatioFollower.h"
#include "tests/support/testenv/HiDpiPicture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

const bool kScreens = HiDpiPicture::useTwoScreens();

QScreen *screenNamed(const QString &name)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

// Stripes half a unit wide: a raster of the picture at its own size has
// only their average, one at twice the size has every stripe.
QByteArray stripesSvg()
{
    QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20" viewBox="0 0 20 20">)"
                     R"(<rect width="20" height="20" fill="#000"/>)";
    for (int x = 0; x < 20; ++x)
        svg += R"(<rect x=")" + QByteArray::number(x) + R"(" y="0" width="0.5" height="20" fill="#fff"/>)";
    return svg + "</svg>";
}

// The largest difference between neighbouring columns of the middle row.
int columnContrast(const QImage &image)
{
    int most = 0;
    const int y = image.height() / 2;
    for (int x = 1; x < image.width(); ++x)
        most = std::max(most, std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y))));
    return most;
}

} // namespace

class TestDevicePixmap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { m_window.reset(); }

    void loadsInDevicePixels_data();
    void loadsInDevicePixels();
    void vectorPictureIsDrawnAtTheSize();
    void madeAgainOnAScreenOfAnotherRatio();
    void shownOnTheOtherScreen_data();
    void shownOnTheOtherScreen();
    void replacedAndStopped();

private:
    QLabel *showLabel(const QPoint &where);
    bool moveTo(const QString &screen);

    QTemporaryDir m_dir;
    QImage m_noise;
    QString m_noisePath;
    std::unique_ptr<QWidget> m_window;
};

void TestDevicePixmap::initTestCase()
{
    QVERIFY(kScreens);
    QVERIFY(screenNamed(QStringLiteral("one")));
    QVERIFY(screenNamed(QStringLiteral("two")));
    QCOMPARE(screenNamed(QStringLiteral("two"))->devicePixelRatio(), 2.0);
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
    QVERIFY(m_dir.isValid());
    m_noise = HiDpiPicture::noise(64);
    m_noisePath = m_dir.filePath(QStringLiteral("noise.png"));
    QVERIFY(m_noise.save(m_noisePath));
}

QLabel *TestDevicePixmap::showLabel(const QPoint &where)
{
    m_window = std::make_unique<QWidget>();
    auto *label = new QLabel(m_window.get());
    label->setFixedSize(20, 20);
    auto *layout = new QVBoxLayout(m_window.get());
    layout->addWidget(label);
    m_window->move(where);
    return label;
}

bool TestDevicePixmap::moveTo(const QString &screen)
{
    m_window->move(screenNamed(screen)->geometry().topLeft() + QPoint(20, 20));
    return QTest::qWaitFor([&] { return m_window->screen()->name() == screen; }, 5000);
}

void TestDevicePixmap::loadsInDevicePixels_data()
{
    QTest::addColumn<QSize>("logical");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("ratio 2") << QSize(20, 20) << 2.0 << QSize(40, 40);
    QTest::newRow("ratio 1") << QSize(20, 20) << 1.0 << QSize(20, 20);
    QTest::newRow("ratio 1.25, aspect kept") << QSize(32, 16) << 1.25 << QSize(20, 20);
}

void TestDevicePixmap::loadsInDevicePixels()
{
    QFETCH(QSize, logical);
    QFETCH(qreal, ratio);
    QFETCH(QSize, pixels);
    const QPixmap loaded = DevicePixmap::load(m_noisePath, logical, ratio);
    QCOMPARE(loaded.size(), pixels);
    QCOMPARE(loaded.devicePixelRatio(), ratio);
    const QImage shown = loaded.toImage();
    const QSize square(qRound(pixels.width() / ratio), qRound(pixels.height() / ratio));
    const double near = HiDpiPicture::difference(shown, HiDpiPicture::sharp(m_noise, square, ratio));
    QVERIFY2(near < 2, qPrintable(QString::number(near)));
    if (ratio >= 2) {
        const double far = HiDpiPicture::difference(shown, HiDpiPicture::enlarged(m_noise, square, ratio));
        QVERIFY2(far > 20, qPrintable(QString::number(far)));
    }
    QVERIFY(DevicePixmap::load(m_dir.filePath(QStringLiteral("none.png")), logical, ratio).isNull());
}

void TestDevicePixmap::vectorPictureIsDrawnAtTheSize()
{
    const QString path = m_dir.filePath(QStringLiteral("stripes.svg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(stripesSvg());
    file.close();
    // The fixture: its own raster, enlarged, has lost the stripes.
    const QPixmap own(path);
    QCOMPARE(own.size(), QSize(20, 20));
    QVERIFY(columnContrast(own.scaled(40, 40).toImage()) < 80);

    const QPixmap drawn = DevicePixmap::load(path, QSize(20, 20), 2.0);
    QCOMPARE(drawn.size(), QSize(40, 40));
    QCOMPARE(drawn.devicePixelRatio(), 2.0);
    QVERIFY2(columnContrast(drawn.toImage()) > 200, qPrintable(QString::number(columnContrast(drawn.toImage()))));
}

void TestDevicePixmap::madeAgainOnAScreenOfAnotherRatio()
{
    QLabel *label = showLabel(QPoint(20, 20));
    const QPixmap source = QPixmap::fromImage(m_noise);
    int made = 0;
    PixelRatioFollower::follow(label, [&](qreal ratio) {
        ++made;
        label->setPixmap(DevicePixmap::scaled(source, QSize(20, 20), ratio));
    });
    QCOMPARE(made, 1);
    // A hidden label is told of the move too, so it shows right at once when shown.
    auto *hidden = new QLabel(m_window.get());
    hidden->hide();
    QVERIFY(DevicePixmap::showOn(hidden, m_noisePath, QSize(20, 20)));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(label->pixmap().devicePixelRatio(), 1.0);
    // Painting again at the same ratio makes nothing.
    for (int i = 0; i < 3; ++i)
        label->repaint();
    QCOMPARE(made, 1);

    QVERIFY(moveTo(QStringLiteral("two")));
    QTRY_COMPARE(label->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(made, 2);
    QCOMPARE(PixelRatioFollower::madeAt(label), 2.0);
    QCOMPARE(hidden->pixmap().devicePixelRatio(), 2.0);
    const QImage shown = HiDpiPicture::grabbed(label);
    QCOMPARE(shown.size(), QSize(40, 40));
    const double near = HiDpiPicture::difference(shown, HiDpiPicture::sharp(m_noise, QSize(20, 20), 2.0));
    QVERIFY2(near < 2, qPrintable(QString::number(near)));

    QVERIFY(moveTo(QStringLiteral("one")));
    QTRY_COMPARE(label->pixmap().devicePixelRatio(), 1.0);
    QCOMPARE(made, 3);
}

void TestDevicePixmap::shownOnTheOtherScreen_data()
{
    QTest::addColumn<bool>("reparented");
    QTest::newRow("window placed there before it is shown") << false;
    // No screen change reaches the label: only its first paint there tells.
    QTest::newRow("label moved into a window there") << true;
}

// Made for the primary screen, then first shown on the other one.
void TestDevicePixmap::shownOnTheOtherScreen()
{
    QFETCH(bool, reparented);
    const QPoint there = screenNamed(QStringLiteral("two"))->geometry().topLeft() + QPoint(20, 20);
    std::unique_ptr<QWidget> other;
    std::unique_ptr<QLabel> loose;
    QLabel *label = nullptr;
    if (reparented) {
        other = std::make_unique<QWidget>();
        other->resize(100, 100);
        other->move(there);
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(other.get()));
        loose = std::make_unique<QLabel>();
        label = loose.get();
        label->setFixedSize(20, 20);
    } else {
        label = showLabel(QPoint(20, 20));
    }
    QVERIFY(DevicePixmap::showOn(label, m_noisePath, QSize(20, 20)));
    QCOMPARE(label->pixmap().devicePixelRatio(), 1.0);
    if (reparented) {
        label->setParent(other.get());
        loose.release();
        label->show();
    } else {
        m_window->move(there);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    QCOMPARE(label->window()->screen()->name(), QStringLiteral("two"));
    QTRY_COMPARE(label->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(label->pixmap().size(), QSize(40, 40));
}

void TestDevicePixmap::replacedAndStopped()
{
    QLabel *label = showLabel(QPoint(20, 20));
    QVERIFY(DevicePixmap::showOn(label, m_noisePath, QSize(20, 20)));
    // A picture that cannot be read leaves the one shown, and what it follows.
    QVERIFY(!DevicePixmap::showOn(label, m_dir.filePath(QStringLiteral("none.png")), QSize(20, 20)));
    QVERIFY(!label->pixmap().isNull());
    int made = 0;
    PixelRatioFollower::follow(label, [&](qreal) { ++made; });
    QCOMPARE(label->findChildren<PixelRatioFollower *>().size(), 1);
    PixelRatioFollower::stop(label);
    QCOMPARE(PixelRatioFollower::madeAt(label), 0.0);
    label->clear();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(moveTo(QStringLiteral("two")));
    label->repaint();
    QCOMPARE(made, 1);
    QVERIFY(label->pixmap().isNull());
}

QTEST_MAIN(TestDevicePixmap)
#include "tst_devicepixmap.moc"
