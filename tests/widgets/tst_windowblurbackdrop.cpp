// The blurred copy of a window behind its dialogs, read from the screen:
// it is the window as it is (a child with an effect of its own in its place),
// it follows the window, and it blurs alike at any pixel ratio; and the one
// way a dialog runs over it.
#include "widgets/WindowBlurBackdrop.h"
#include "tests/support/testenv/ModalWatch.h"
#include "tests/support/testenv/PictureDiff.h"

#include <QDialog>
#include <QGraphicsBlurEffect>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <memory>

namespace {

const QColor kWindowColour(0x22, 0x22, 0x22);

QPixmap filled(const QSize &size, const QColor &colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// A dark window with a picture inside a host away from the window's corner,
// fully shown through an opacity effect of its own (as a cross-fade leaves
// it), and a status text. A blur effect on such a window draws the picture
// off its place.
struct Fixture
{
    Fixture()
    {
        window.resize(400, 300);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, kWindowColour);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        auto *host = new QWidget(&window);
        host->setGeometry(90, 50, 200, 140);
        picture = new QLabel(host);
        picture->setGeometry(30, 20, 140, 90);
        picture->setAlignment(Qt::AlignCenter);
        picture->setPixmap(filled(QSize(60, 40), QColor(0xA0, 0x40, 0xF0)));
        fade = new QGraphicsOpacityEffect(picture);
        fade->setOpacity(1.0);
        picture->setGraphicsEffect(fade);
        status = new QLabel(&window);
        status->setGeometry(20, 240, 200, 30);
        status->setStyleSheet(QStringLiteral("color: #E4E4E4;"));
        status->setText(QStringLiteral("waiting"));
        window.show();
    }

    // The window's own content, without the backdrop.
    QImage content()
    {
        WindowBlurBackdrop *backdrop = WindowBlurBackdrop::of(&window);
        if (backdrop)
            backdrop->hide();
        const QImage image = window.grab().toImage();
        if (backdrop)
            backdrop->show();
        return image;
    }

    QImage onScreen() { return window.screen()->grabWindow(window.winId()).toImage(); }

    // Where the screen differs from the window's content blurred.
    QRect offCopy()
    {
        const QImage expected = WindowBlurBackdrop::blurred(content(), WindowBlurBackdrop::kRadius, kWindowColour);
        return differingArea(onScreen(), expected, 1);
    }

    QWidget window;
    QLabel *picture = nullptr;
    QGraphicsOpacityEffect *fade = nullptr;
    QLabel *status = nullptr;
};

// The brightness-weighted centre and the width above half brightness along
// the middle row, in logical pixels.
struct Spot
{
    QPointF centre;
    int halfWidth = 0;
};

Spot spotOf(const QImage &image)
{
    const qreal ratio = image.devicePixelRatio();
    double sum = 0;
    double sx = 0;
    double sy = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double v = qGray(image.pixel(x, y));
            sum += v;
            sx += v * (x + 0.5);
            sy += v * (y + 0.5);
        }
    }
    Spot spot;
    spot.centre = QPointF(sx / sum / ratio, sy / sum / ratio);
    const int row = int(spot.centre.y() * ratio);
    int bright = 0;
    for (int x = 0; x < image.width(); ++x)
        bright += qGray(image.pixel(x, row)) > 127 ? 1 : 0;
    spot.halfWidth = qRound(bright / ratio);
    return spot;
}

// A white square at (40, 30), 20 wide, on black, 120 x 80 logical pixels.
QImage whiteSquare(qreal ratio)
{
    QImage image(QSize(120, 80) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.fillRect(QRectF(40, 30, 20, 20), Qt::white);
    return image;
}

} // namespace

class TestWindowBlurBackdrop : public QObject
{
    Q_OBJECT
private slots:
    void blurKeepsPlaceAndSoftnessAtAnyRatio_data();
    void blurKeepsPlaceAndSoftnessAtAnyRatio();
    void copyIsTheWindowAsItIs();
    void copyFollowsTheWindow();
    void coverLeavesABlurredWindowAlone();
    void dialogRunsOverItsOwnBackdropOnly_data();
    void dialogRunsOverItsOwnBackdropOnly();
};

void TestWindowBlurBackdrop::blurKeepsPlaceAndSoftnessAtAnyRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("2x") << 2.0;
}

void TestWindowBlurBackdrop::blurKeepsPlaceAndSoftnessAtAnyRatio()
{
    QFETCH(qreal, ratio);
    const QImage image = whiteSquare(ratio);
    const QImage blurred = WindowBlurBackdrop::blurred(image, WindowBlurBackdrop::kRadius, Qt::black);
    QCOMPARE(blurred.size(), image.size());
    QCOMPARE(blurred.devicePixelRatio(), ratio);
    const Spot spot = spotOf(blurred);
    QVERIFY2(qAbs(spot.centre.x() - 50) < 0.5 && qAbs(spot.centre.y() - 40) < 0.5,
             qPrintable(QStringLiteral("centre at %1, %2").arg(spot.centre.x()).arg(spot.centre.y())));
    // As soft in logical pixels as at 1x, and softened at all.
    const Spot atOneX = spotOf(WindowBlurBackdrop::blurred(whiteSquare(1.0), WindowBlurBackdrop::kRadius, Qt::black));
    QVERIFY2(qAbs(spot.halfWidth - atOneX.halfWidth) <= 1,
             qPrintable(QStringLiteral("%1 wide, %2 at 1x").arg(spot.halfWidth).arg(atOneX.halfWidth)));
    QVERIFY(atOneX.halfWidth < 20);
}

void TestWindowBlurBackdrop::copyIsTheWindowAsItIs()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QPointer<WindowBlurBackdrop> backdrop = WindowBlurBackdrop::cover(&f.window);
    QVERIFY(backdrop);
    QCOMPARE(WindowBlurBackdrop::of(&f.window), backdrop.data());
    QCOMPARE(backdrop->geometry(), f.window.rect());
    // The picture with its own effect stays where it is, under the blur.
    QTRY_COMPARE(f.offCopy(), QRect());
    const QImage shown = f.onScreen();
    QVERIFY(shown.pixelColor(150, 95) != f.content().pixelColor(150, 95)); // blurred, not the window itself
    delete backdrop.data();
    QTRY_COMPARE(differingArea(f.onScreen(), f.content()), QRect());
}

void TestWindowBlurBackdrop::copyFollowsTheWindow()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const std::unique_ptr<WindowBlurBackdrop> backdrop(WindowBlurBackdrop::cover(&f.window));
    QTRY_COMPARE(f.offCopy(), QRect());

    // A part repaints: the copy is taken again, its blur reaching past that part.
    f.status->setText(QStringLiteral("connected"));
    QTRY_COMPARE(f.offCopy(), QRect());
    f.fade->setOpacity(0.4); // a cross-fade
    QTRY_COMPARE(f.offCopy(), QRect());
    f.picture->setPixmap(filled(QSize(80, 50), QColor(0x40, 0xF0, 0xA0)));
    QTRY_COMPARE(f.offCopy(), QRect());

    f.window.resize(480, 320);
    QTRY_COMPARE(backdrop->geometry(), f.window.rect());
    QTRY_COMPARE(f.offCopy(), QRect());
}

void TestWindowBlurBackdrop::coverLeavesABlurredWindowAlone()
{
    QCOMPARE(WindowBlurBackdrop::cover(nullptr), nullptr);

    Fixture f;
    const std::unique_ptr<WindowBlurBackdrop> first(WindowBlurBackdrop::cover(f.picture)); // a child covers its window
    QVERIFY(first);
    QCOMPARE(first->parentWidget(), &f.window);
    QCOMPARE(WindowBlurBackdrop::cover(&f.window), nullptr);

    Fixture effected;
    auto *own = new QGraphicsBlurEffect;
    effected.window.setGraphicsEffect(own);
    QCOMPARE(WindowBlurBackdrop::cover(&effected.window), nullptr);
    QCOMPARE(effected.window.graphicsEffect(), own);
}

enum class Before { Nothing, AnotherBackdrop, WindowGoes };
Q_DECLARE_METATYPE(Before)

void TestWindowBlurBackdrop::dialogRunsOverItsOwnBackdropOnly_data()
{
    QTest::addColumn<Before>("before");
    QTest::newRow("bare window") << Before::Nothing;
    // A dialog opened from another one's: that backdrop stays, and no second comes.
    QTest::newRow("covered by another dialog") << Before::AnotherBackdrop;
    // The dialog is no child of the window, which is closed for good meanwhile.
    QTest::newRow("window deleted during the dialog") << Before::WindowGoes;
}

void TestWindowBlurBackdrop::dialogRunsOverItsOwnBackdropOnly()
{
    QFETCH(Before, before);
    auto f = std::make_unique<Fixture>();
    QVERIFY(QTest::qWaitForWindowExposed(&f->window));
    const QPointer<WindowBlurBackdrop> other =
        before == Before::AnotherBackdrop ? WindowBlurBackdrop::cover(&f->window) : nullptr;
    QDialog dialog;
    QList<WindowBlurBackdrop *> during;
    const auto ran = ModalWatch::whenModal<QDialog>([&](QDialog *open) {
        during = f->window.findChildren<WindowBlurBackdrop *>();
        if (before == Before::WindowGoes)
            f.reset();
        open->accept();
    });
    QCOMPARE(WindowBlurBackdrop::execOver(f->picture, &dialog), int(QDialog::Accepted));
    QVERIFY(*ran);
    QCOMPARE(during.size(), 1);
    if (before == Before::WindowGoes) {
        QVERIFY(!f);
        return;
    }
    if (before == Before::AnotherBackdrop) {
        QCOMPARE(during.first(), other.data());
        QCOMPARE(WindowBlurBackdrop::of(&f->window), other.data());
        delete other.data();
    } else {
        QVERIFY(!WindowBlurBackdrop::of(&f->window));
    }
}

QTEST_MAIN(TestWindowBlurBackdrop)
#include "tst_windowblurbackdrop.moc"
