// The toast the EQ and cloud pages share: kinds, repeats and its frame's life.
#include "eq/PageToast.h"
#include "tests/support/testenv/TextFit.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {
const PageToast::Look look{QStringLiteral("testToast"), ":/no/info.png", ":/no/succeed.png", ":/no/fail.png"};
}

class TestPageToast : public QObject
{
    Q_OBJECT

private slots:
    void showsOverTheWindow_data();
    void showsOverTheWindow();
    void sameTextWithinTheRepeatWindowShowsOnce();
    void frameFitsItsText_data();
    void frameFitsItsText();
    void frameGoesWithItsPage();
};

void TestPageToast::showsOverTheWindow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("shownKind");
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<int>("interval");
    QTest::newRow("info") << int(PageToast::Info) << int(PageToast::Info) << 1000 << 1000;
    QTest::newRow("success") << int(PageToast::Success) << int(PageToast::Success) << 1500 << 1500;
    QTest::newRow("failure") << int(PageToast::Failure) << int(PageToast::Failure) << 1000 << 1000;
    QTest::newRow("unknown kind is info") << 7 << int(PageToast::Info) << 1000 << 1000;
    QTest::newRow("negative kind is info") << -1 << int(PageToast::Info) << 1000 << 1000;
    QTest::newRow("zero duration") << int(PageToast::Info) << int(PageToast::Info) << 0 << 1;
}

void TestPageToast::showsOverTheWindow()
{
    QFETCH(int, kind);
    QFETCH(int, shownKind);
    QFETCH(int, durationMs);
    QFETCH(int, interval);
    QWidget window;
    window.resize(600, 400);
    auto *page = new QWidget(&window);
    PageToast toast(page, look);
    QVERIFY(!toast.frame());
    toast.show(QStringLiteral("  saved "), kind, durationMs);
    QVERIFY(toast.frame());
    QCOMPARE(toast.frame()->parentWidget(), &window);
    QCOMPARE(toast.frame()->objectName(), QStringLiteral("testToast"));
    QCOMPARE(toast.frame()->pos(), QPoint((600 - 254) / 2, (400 - 80) / 2));
    QCOMPARE(toast.text(), QStringLiteral("saved"));
    QCOMPARE(toast.kind(), shownKind);
    QCOMPARE(toast.hideTimer()->interval(), interval);
}

void TestPageToast::sameTextWithinTheRepeatWindowShowsOnce()
{
    QWidget page;
    PageToast toast(&page, look);
    qint64 now = 1000;
    toast.setClock([&now] { return now; });
    toast.show(QStringLiteral("  "), PageToast::Info, 1000);
    QVERIFY(!toast.frame());
    toast.show(QStringLiteral("saved"), PageToast::Success, 1000);
    toast.frame()->hide();
    now += 149;
    toast.show(QStringLiteral(" saved "), PageToast::Success, 1000);
    QVERIFY(!toast.isShowing());
    toast.show(QStringLiteral("other"), PageToast::Failure, 1000);
    QVERIFY(toast.isShowing());
    QCOMPARE(toast.text(), QStringLiteral("other"));
    now += 150;
    toast.show(QStringLiteral("other"), PageToast::Info, 1000);
    QCOMPARE(toast.kind(), int(PageToast::Info));
}

void TestPageToast::frameFitsItsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<bool>("smallest");
    QTest::addColumn<bool>("wraps");
    QTest::newRow("short") << QStringLiteral("已应用") << 1280 << true << false;
    QTest::newRow("English, one line") << QStringLiteral("The interface is not ready. Please try again later") << 1280
                                       << false << false;
    QTest::newRow("English, wrapped")
        << QStringLiteral("Import failed: QOR custom EQ needs freq, q, sound, and type lists of equal length with 1–8 "
                          "bands")
        << 1280 << false << true;
    QTest::newRow("Chinese, one line") << QStringLiteral("导入失败：QOR 自定义 EQ 要求 freq、q、sound、type 等长且 1～8 项")
                                       << 1280 << false << false;
    QTest::newRow("narrow window wraps sooner") << QStringLiteral("The interface is not ready. Please try again later")
                                                << 400 << false << true;
}

// The frame is the smallest size for a short text and grows with a longer
// one, wrapping past one wide line, so no text is cut.
void TestPageToast::frameFitsItsText()
{
    QFETCH(QString, text);
    QFETCH(int, windowWidth);
    QFETCH(bool, smallest);
    QFETCH(bool, wraps);
    QWidget window;
    window.resize(windowWidth, 600);
    auto *page = new QWidget(&window);
    PageToast toast(page, look);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    toast.show(text, PageToast::Failure, 1000);
    QFrame *frame = toast.frame();
    QVERIFY(frame->isVisible());
    const QStringList cut = TextFit::cutTexts(frame);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    QVERIFY(frame->width() >= 254);
    QVERIFY(frame->height() >= 80);
    if (smallest)
        QCOMPARE(frame->size(), QSize(254, 80));
    else
        QVERIFY(frame->width() > 254);
    QCOMPARE(toast.textLabel()->wordWrap(), wraps);
    QCOMPARE(frame->height() > 80, wraps);
    QVERIFY(window.rect().contains(frame->geometry()));
    QCOMPARE(frame->geometry().center(), window.rect().center());

    // The next short toast takes the smallest frame again.
    toast.show(QStringLiteral("saved"), PageToast::Info, 1000);
    QCOMPARE(frame->size(), QSize(254, 80));
    QVERIFY(!toast.textLabel()->wordWrap());
}

void TestPageToast::frameGoesWithItsPage()
{
    QWidget window;
    auto *page = new QWidget(&window);
    auto *toast = new PageToast(page, look);
    toast->show(QStringLiteral("saved"), PageToast::Info, 60000);
    QPointer<QFrame> frame = toast->frame();
    QVERIFY(frame);
    // A page that goes while its toast is up takes the toast with it, hide timer and all.
    delete page;
    QVERIFY(frame.isNull());
    QVERIFY(!window.findChild<QFrame *>(QStringLiteral("testToast")));
}

QTEST_MAIN(TestPageToast)
#include "tst_pagetoast.moc"
