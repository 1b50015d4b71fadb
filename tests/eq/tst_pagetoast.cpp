// The toast the EQ and cloud pages share: kinds, repeats and its frame's life.
#include "eq/PageToast.h"

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
