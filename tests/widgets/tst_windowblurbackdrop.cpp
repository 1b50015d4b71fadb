// The blurred copy of a window behind its dialogs, read from the screen:
// it is the window as it is (a child with an effect of its own in its place),
// it follows the window, at most once per renewal interval and last after the
// last change, and it blurs alike at any pixel ratio from a reduced copy; and
// the ways a dialog runs over it. CTest runs these at a scale of 1 and of 2.
#include "widgets/WindowBlurBackdrop.h"
#include "tests/support/testenv/ModalWatch.h"
#include "tests/support/testenv/PictureDiff.h"

#include <QBackingStore>
#include <QDialog>
#include <QElapsedTimer>
#include <QGraphicsBlurEffect>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>

#include <functional>
#include <limits>
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

    // What the window last put on the screen, in device pixels. (The offscreen
    // screen's own grab returns only a part of a window at a ratio over 1.)
    QImage onScreen()
    {
        QPaintDevice *device = window.backingStore()->paintDevice();
        return device->devType() == QInternal::Image ? static_cast<QImage *>(device)->copy() : QImage();
    }

    // Where the screen differs from the window's content blurred.
    QRect offCopy()
    {
        const QImage expected = WindowBlurBackdrop::blurred(content(), WindowBlurBackdrop::kRadius, kWindowColour);
        return differingArea(onScreen(), expected, WindowBlurBackdrop::kReducedDeviation);
    }

    // Runs `change` on the window, which must show through the blur: the
    // backdrop as it is must differ from the changed window blurred by more
    // than the comparison lets pass, or a copy left behind would go unseen.
    void changeVisibly(const std::function<void()> &change)
    {
        const QImage before = onScreen();
        change();
        const QImage expected = WindowBlurBackdrop::blurred(content(), WindowBlurBackdrop::kRadius, kWindowColour);
        QVERIFY2(!differingArea(before, expected, WindowBlurBackdrop::kReducedDeviation).isEmpty(),
                 "the change does not show through the blur");
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

// A white square at (40, 30), 20 wide, on black, 120 x 80 logical pixels;
// moved by `shift` and with a line one logical pixel wide beside it, if asked.
QImage whiteSquare(qreal ratio, qreal shift = 0, bool withLine = false)
{
    QImage image(QSize(120, 80) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.fillRect(QRectF(40 + shift, 30 + shift, 20, 20), Qt::white);
    if (withLine)
        painter.fillRect(QRectF(90 + shift, 10, 1, 60), Qt::white);
    return image;
}

QImage blurredBy(bool reduced, const QImage &image)
{
    return reduced ? WindowBlurBackdrop::blurredReduced(image, WindowBlurBackdrop::kRadius, Qt::black,
                                                        image.devicePixelRatio())
                   : WindowBlurBackdrop::blurred(image, WindowBlurBackdrop::kRadius, Qt::black);
}

// Notes the time of each copy the backdrop takes.
struct CopyTimes
{
    explicit CopyTimes(WindowBlurBackdrop *backdrop)
    {
        clock.start();
        QObject::connect(backdrop, &WindowBlurBackdrop::copying, backdrop,
                         [this] { atNs.append(clock.nsecsElapsed()); });
    }
    // The shortest gap between two copies, in milliseconds.
    double shortestGapMs() const
    {
        qint64 shortest = std::numeric_limits<qint64>::max();
        for (qsizetype i = 1; i < atNs.size(); ++i)
            shortest = std::min(shortest, atNs.at(i) - atNs.at(i - 1));
        return shortest / 1e6;
    }
    QElapsedTimer clock;
    QList<qint64> atNs;
};

} // namespace

class TestWindowBlurBackdrop : public QObject
{
    Q_OBJECT
private slots:
    void blurKeepsPlaceAndSoftnessAtAnyRatio_data();
    void blurKeepsPlaceAndSoftnessAtAnyRatio();
    void reducedBlurStaysNearTheFullOne_data();
    void reducedBlurStaysNearTheFullOne();
    void copyIsTheWindowAsItIs();
    void copyFollowsTheWindow();
    void animatedWindowIsCopiedOncePerInterval();
    void lastChangeOfABurstShows();
    void repaintWithoutChangeKeepsThePicture();
    void coverLeavesABlurredWindowAlone();
    void dialogRunsOverItsOwnBackdropOnly_data();
    void dialogRunsOverItsOwnBackdropOnly();
    void shownDialogTakesItsBackdropAlong_data();
    void shownDialogTakesItsBackdropAlong();
};

void TestWindowBlurBackdrop::blurKeepsPlaceAndSoftnessAtAnyRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("reduced");
    for (const bool reduced : {false, true}) {
        const char *how = reduced ? "reduced" : "full";
        QTest::addRow("%s 1x", how) << 1.0 << reduced;
        QTest::addRow("%s 1.5x", how) << 1.5 << reduced;
        QTest::addRow("%s 2x", how) << 2.0 << reduced;
    }
}

void TestWindowBlurBackdrop::blurKeepsPlaceAndSoftnessAtAnyRatio()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, reduced);
    const QImage image = whiteSquare(ratio);
    const QImage blurred = blurredBy(reduced, image);
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

void TestWindowBlurBackdrop::reducedBlurStaysNearTheFullOne_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<qreal>("shift");
    QTest::addColumn<bool>("withLine");
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        QTest::addRow("%gx", ratio) << ratio << 0.0 << false;
        // Edges off the grid the copy is reduced on, and a line thinner than one of its pixels.
        QTest::addRow("%gx, off the grid, thin line", ratio) << ratio << 1.5 << true;
        QTest::addRow("%gx, half a pixel off, thin line", ratio) << ratio << 0.5 << true;
    }
}

void TestWindowBlurBackdrop::reducedBlurStaysNearTheFullOne()
{
    QFETCH(qreal, ratio);
    QFETCH(qreal, shift);
    QFETCH(bool, withLine);
    const QImage image = whiteSquare(ratio, shift, withLine);
    const QImage reduced = blurredBy(true, image);
    QCOMPARE(reduced.size(), image.size());
    QCOMPARE(reduced.devicePixelRatio(), ratio);
    QCOMPARE(differingArea(reduced, blurredBy(false, image), WindowBlurBackdrop::kReducedDeviation), QRect());
    // Drawn back at another ratio, it covers the same logical size.
    const QImage atOne = WindowBlurBackdrop::blurredReduced(image, WindowBlurBackdrop::kRadius, Qt::black, 1.0);
    QCOMPARE(atOne.deviceIndependentSize(), image.deviceIndependentSize());
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
    // Blurred, not the window itself, next to the picture's edge.
    const QPoint nearEdge = QPoint(150, 95) * f.window.devicePixelRatio();
    QVERIFY(f.onScreen().pixelColor(nearEdge) != f.content().pixelColor(nearEdge));
    // Made at the window's pixel ratio, whatever the size it was blurred at.
    QCOMPARE(backdrop->picture().devicePixelRatio(), f.window.devicePixelRatio());
    QCOMPARE(backdrop->picture().size(), f.window.size() * f.window.devicePixelRatio());
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
    f.changeVisibly([&] { f.status->setText(QStringLiteral("connected to the headset")); });
    QTRY_COMPARE(f.offCopy(), QRect());
    f.changeVisibly([&] { f.fade->setOpacity(0.4); }); // a cross-fade
    QTRY_COMPARE(f.offCopy(), QRect());
    f.changeVisibly([&] { f.picture->setPixmap(filled(QSize(80, 50), QColor(0x40, 0xF0, 0xA0))); });
    QTRY_COMPARE(f.offCopy(), QRect());

    f.window.resize(480, 320);
    QTRY_COMPARE(backdrop->geometry(), f.window.rect());
    QTRY_COMPARE(f.offCopy(), QRect());
}

void TestWindowBlurBackdrop::animatedWindowIsCopiedOncePerInterval()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const std::unique_ptr<WindowBlurBackdrop> backdrop(WindowBlurBackdrop::cover(&f.window));
    CopyTimes copies(backdrop.get());
    QSignalSpy renewed(backdrop.get(), &WindowBlurBackdrop::pictureRenewed);
    // A cross-fade without pause: the window asks to be repainted every frame.
    QVariantAnimation fade;
    fade.setStartValue(0.0);
    fade.setEndValue(1.0);
    fade.setDuration(400);
    fade.setLoopCount(-1);
    connect(&fade, &QVariantAnimation::valueChanged, f.fade,
            [&](const QVariant &value) { f.fade->setOpacity(value.toReal()); });
    fade.start();
    // It is followed all along, never twice within the interval.
    QTRY_VERIFY_WITH_TIMEOUT(renewed.size() >= 8, 20000);
    fade.stop();
    QVERIFY2(copies.shortestGapMs() >= WindowBlurBackdrop::kRenewIntervalMs,
             qPrintable(QStringLiteral("%1 copies, two of them %2 ms apart")
                            .arg(copies.atNs.size())
                            .arg(copies.shortestGapMs())));
    // Where the fade stopped is what the backdrop ends on.
    QTRY_COMPARE(f.offCopy(), QRect());
}

void TestWindowBlurBackdrop::lastChangeOfABurstShows()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const std::unique_ptr<WindowBlurBackdrop> backdrop(WindowBlurBackdrop::cover(&f.window));
    QTRY_COMPARE(f.offCopy(), QRect());
    CopyTimes copies(backdrop.get());
    QSignalSpy copying(backdrop.get(), &WindowBlurBackdrop::copying);

    // Changes right after a copy, each repainted: all within the interval, so
    // only a copy once it has passed can show the last one.
    f.changeVisibly([&] { f.status->setText(QStringLiteral("first")); });
    QVERIFY(copying.wait(5000));
    const int before = copies.atNs.size();
    for (int i = 0; i < 5; ++i) {
        f.status->setText(QStringLiteral("step %1").arg(i));
        f.window.repaint();
    }
    f.changeVisibly([&] { f.status->setText(QStringLiteral("the last step of all")); });
    QTRY_COMPARE(f.offCopy(), QRect());
    QVERIFY(copies.atNs.size() > before);
    QVERIFY(copies.shortestGapMs() >= WindowBlurBackdrop::kRenewIntervalMs);
}

void TestWindowBlurBackdrop::repaintWithoutChangeKeepsThePicture()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const std::unique_ptr<WindowBlurBackdrop> backdrop(WindowBlurBackdrop::cover(&f.window));
    QTRY_COMPARE(f.offCopy(), QRect());
    QSignalSpy copying(backdrop.get(), &WindowBlurBackdrop::copying);
    QSignalSpy renewed(backdrop.get(), &WindowBlurBackdrop::pictureRenewed);
    const QImage picture = backdrop->picture();

    // Repainted as it was: copied, compared, kept.
    f.status->update();
    QVERIFY(copying.wait(5000));
    QCOMPARE(renewed.size(), 0);
    QCOMPARE(backdrop->picture(), picture);

    // Changed: made anew.
    f.status->setText(QStringLiteral("connected"));
    QVERIFY(renewed.wait(5000));
    QVERIFY(backdrop->picture() != picture);
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

enum class WhileShown { Answered, AnotherBackdrop, NextDialogFromTheAnswer, DialogDeleted, WindowDeleted };
Q_DECLARE_METATYPE(WhileShown)

void TestWindowBlurBackdrop::shownDialogTakesItsBackdropAlong_data()
{
    QTest::addColumn<WhileShown>("what");
    QTest::newRow("answered") << WhileShown::Answered;
    QTest::newRow("covered by another dialog") << WhileShown::AnotherBackdrop;
    // The answer opens the next question: the backdrop going must not keep it bare.
    QTest::newRow("next dialog from the answer") << WhileShown::NextDialogFromTheAnswer;
    QTest::newRow("dialog deleted while shown") << WhileShown::DialogDeleted;
    QTest::newRow("window deleted while shown") << WhileShown::WindowDeleted;
}

void TestWindowBlurBackdrop::shownDialogTakesItsBackdropAlong()
{
    QFETCH(WhileShown, what);
    auto f = std::make_unique<Fixture>();
    QVERIFY(QTest::qWaitForWindowExposed(&f->window));
    const QPointer<WindowBlurBackdrop> other =
        what == WhileShown::AnotherBackdrop ? WindowBlurBackdrop::cover(&f->window) : nullptr;
    QPointer<QDialog> dialog = new QDialog; // no child of the window: either may go first
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QDialog next;
    WindowBlurBackdrop *nextBackdrop = nullptr;
    if (what == WhileShown::NextDialogFromTheAnswer) {
        connect(dialog.data(), &QDialog::finished, &next, [&] {
            WindowBlurBackdrop::showOver(f->picture, &next);
            nextBackdrop = WindowBlurBackdrop::of(&f->window);
        });
    }

    WindowBlurBackdrop::showOver(f->picture, dialog);
    QVERIFY(dialog->isVisible());
    const QPointer<WindowBlurBackdrop> own = WindowBlurBackdrop::of(&f->window);
    QVERIFY(own);
    QCOMPARE(f->window.findChildren<WindowBlurBackdrop *>().size(), 1);
    QCOMPARE(own.data() == other.data(), what == WhileShown::AnotherBackdrop);
    QTRY_COMPARE(f->offCopy(), QRect());

    switch (what) {
    case WhileShown::DialogDeleted:
        delete dialog.data();
        break;
    case WhileShown::WindowDeleted:
        f.reset();
        QVERIFY(!own);
        dialog->accept();
        QTRY_VERIFY(!dialog);
        return;
    default:
        dialog->accept();
        break;
    }
    // Done with at once, gone for good soon after.
    if (what == WhileShown::AnotherBackdrop) {
        QCOMPARE(WindowBlurBackdrop::of(&f->window), other.data());
        delete other.data();
    } else if (what == WhileShown::NextDialogFromTheAnswer) {
        QVERIFY(next.isVisible());
        QVERIFY(nextBackdrop);
        QVERIFY(nextBackdrop != own.data());
        QCOMPARE(WindowBlurBackdrop::of(&f->window), nextBackdrop);
        next.reject();
    }
    QVERIFY(!WindowBlurBackdrop::of(&f->window));
    QTRY_VERIFY(!own);
    QTRY_VERIFY(!dialog);
}

QTEST_MAIN(TestWindowBlurBackdrop)
#include "tst_windowblurbackdrop.moc"
