// The filter help carousel: pages, auto-advance, drag and snap, keys, dots,
// the blurred backdrop over the host window, and its texts.
#include "eq/EQSoundEffectHelpCarousel.h"
#include "eq/EqHelpBlurSurface.h"
#include "eq/EqHelpSnapScrollArea.h"

#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

namespace {

struct Rig
{
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    EQSoundEffectHelpCarousel *dialog = nullptr;

    explicit Rig(EQSoundEffectHelpCarousel::Durations durations = {})
    {
        host->resize(1000, 700);
        host->setStyleSheet(QStringLiteral("background:#2A292D;"));
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        dialog = new EQSoundEffectHelpCarousel(host.get());
        dialog->setDurations(durations);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
    }

    QScrollBar *bar() const { return dialog->pager()->horizontalScrollBar(); }
    QWidget *viewport() const { return dialog->pager()->viewport(); }
};

void mouse(QWidget *w, QEvent::Type type, int x, Qt::MouseButtons buttons)
{
    const QPointF pos(x, 100);
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// Presses at startX and releases at endX: the strip scrolls by startX - endX.
void drag(QWidget *viewport, int startX, int endX)
{
    mouse(viewport, QEvent::MouseButtonPress, startX, Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, (startX + endX) / 2, Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, endX, Qt::LeftButton);
    mouse(viewport, QEvent::MouseButtonRelease, endX, Qt::NoButton);
}

bool isCurrentDot(QPushButton *dot)
{
    return dot->styleSheet().contains(QStringLiteral("#E4E4E4"));
}

} // namespace

class TestEqSoundEffectHelpCarousel : public QObject
{
    Q_OBJECT
private slots:
    void helpLineFormatting_data();
    void helpLineFormatting();
    void nearestPage_data();
    void nearestPage();
    void opensOnTheFirstPage();
    void advancesByItselfAndWraps();
    void dragSnapsToTheNearestPage_data();
    void dragSnapsToTheNearestPage();
    void dragHoldsTheTimer();
    void keysAtTheEndsOnlyRestartTheWait();
    void dotsChooseAPage();
    void indicatorsSwitchAtHalfWay();
    void escapeAndCloseReject();
    void backdropCoversAndFollowsTheHost();
    void withoutParentThereIsNoBackdrop();
    void textsFollowTheLanguage();
    void blurKeepsSize();
};

void TestEqSoundEffectHelpCarousel::helpLineFormatting_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("html");
    QTest::newRow("full-width colon")
        << QStringLiteral("高Q值：聚焦")
        << QStringLiteral("<span style=\"color:#E4E4E4;\">高Q值：</span><span style=\"color:#999999;\">聚焦</span>");
    QTest::newRow("ascii colon") << "Gain: louder"
                                 << "<span style=\"color:#E4E4E4;\">Gain:</span><span "
                                    "style=\"color:#999999;\"> louder</span>";
    QTest::newRow("full-width wins over ascii")
        << QStringLiteral("a:b：c")
        << QStringLiteral("<span style=\"color:#E4E4E4;\">a:b：</span><span style=\"color:#999999;\">c</span>");
    QTest::newRow("no colon") << "plain <b> & more"
                              << "<span style=\"color:#E4E4E4;\">plain &lt;b&gt; &amp; more</span>";
    QTest::newRow("escaped both sides") << "<x>: a&b"
                                        << "<span style=\"color:#E4E4E4;\">&lt;x&gt;:</span><span "
                                           "style=\"color:#999999;\"> a&amp;b</span>";
}

void TestEqSoundEffectHelpCarousel::helpLineFormatting()
{
    QFETCH(QString, line);
    QFETCH(QString, html);
    QCOMPARE(EQSoundEffectHelpCarousel::formatHelpLine(line), html);
}

void TestEqSoundEffectHelpCarousel::nearestPage_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("page");
    QTest::newRow("start") << 0 << 0;
    QTest::newRow("just before half way") << 162 << 0;
    QTest::newRow("half way") << 163 << 1;
    QTest::newRow("160 into page 1") << 486 << 1;
    QTest::newRow("170 into page 1") << 496 << 2;
    QTest::newRow("end") << 1304 << 4;
    QTest::newRow("past the end") << 5000 << 4;
}

void TestEqSoundEffectHelpCarousel::nearestPage()
{
    QFETCH(int, value);
    QFETCH(int, page);
    QCOMPARE(EqHelpSnapScrollArea::nearestPage(value), page);
}

void TestEqSoundEffectHelpCarousel::opensOnTheFirstPage()
{
    Rig rig;
    QCOMPARE(rig.dialog->size(), QSize(326, 446));
    QCOMPARE(rig.dialog->currentPage(), 0);
    QCOMPARE(rig.bar()->maximum(), 4 * 326);
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("滤波器选择"));
    QCOMPARE(rig.dialog->dots().size(), 5);
    QVERIFY(isCurrentDot(rig.dialog->dots().at(0)));
    QVERIFY(!isCurrentDot(rig.dialog->dots().at(1)));
    QCOMPARE(rig.dialog->pageLines(0).size(), 5);
    QCOMPARE(rig.dialog->pageLines(3).size(), 2);
    QVERIFY(rig.dialog->autoAdvanceTimer()->isActive());
    QCOMPARE(rig.dialog->autoAdvanceTimer()->interval(), 5000);
    QVERIFY(rig.dialog->autoAdvanceTimer()->isSingleShot());
    // Clipped to a rounded card.
    QVERIFY(!rig.dialog->mask().contains(QPoint(0, 0)));
    QVERIFY(rig.dialog->mask().contains(QPoint(163, 223)));
    QVERIFY(rig.dialog->mask().contains(QPoint(12, 1)));
}

void TestEqSoundEffectHelpCarousel::advancesByItselfAndWraps()
{
    Rig rig({40, 10});
    QTRY_COMPARE(rig.bar()->value(), 326);
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("增益值(dB)"));
    rig.dialog->autoAdvanceTimer()->stop();
    rig.bar()->setValue(1304);
    rig.dialog->autoAdvanceTimer()->start();
    QTRY_COMPARE(rig.bar()->value(), 0);
    QVERIFY(rig.dialog->autoAdvanceTimer()->isActive());
}

void TestEqSoundEffectHelpCarousel::dragSnapsToTheNearestPage_data()
{
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("page");
    QTest::newRow("170 into page 1") << 496 << 2;
    QTest::newRow("160 into page 1") << 486 << 1;
    QTest::newRow("small nudge back") << 40 << 0;
    QTest::newRow("past the end") << 3000 << 4;
}

void TestEqSoundEffectHelpCarousel::dragSnapsToTheNearestPage()
{
    QFETCH(int, distance);
    QFETCH(int, page);
    Rig rig({60000, 10});
    drag(rig.viewport(), 300, 300 - distance);
    QTRY_COMPARE(rig.bar()->value(), page * 326);
    QCOMPARE(rig.dialog->currentPage(), page);
}

void TestEqSoundEffectHelpCarousel::dragHoldsTheTimer()
{
    Rig rig({60000, 10});
    mouse(rig.viewport(), QEvent::MouseButtonPress, 200, Qt::LeftButton);
    QVERIFY(!rig.dialog->autoAdvanceTimer()->isActive());
    mouse(rig.viewport(), QEvent::MouseMove, 100, Qt::LeftButton);
    QCOMPARE(rig.bar()->value(), 100);
    // A move without the button held does not scroll.
    mouse(rig.viewport(), QEvent::MouseMove, 50, Qt::NoButton);
    QCOMPARE(rig.bar()->value(), 100);
    mouse(rig.viewport(), QEvent::MouseButtonRelease, 50, Qt::NoButton);
    QVERIFY(rig.dialog->autoAdvanceTimer()->isActive());
    QTRY_COMPARE(rig.bar()->value(), 0);
}

void TestEqSoundEffectHelpCarousel::keysAtTheEndsOnlyRestartTheWait()
{
    Rig rig({60000, 10});
    QTimer *timer = rig.dialog->autoAdvanceTimer();
    timer->stop();
    QTest::keyClick(rig.dialog, Qt::Key_Left);
    QVERIFY(timer->isActive());
    QCOMPARE(rig.bar()->value(), 0);
    QVERIFY(!rig.dialog->slideAnimation() || rig.dialog->slideAnimation()->state() != QAbstractAnimation::Running);

    QTest::keyClick(rig.dialog, Qt::Key_Right);
    QTRY_COMPARE(rig.bar()->value(), 326);
    rig.bar()->setValue(1304);
    timer->stop();
    QTest::keyClick(rig.dialog, Qt::Key_Right);
    QVERIFY(timer->isActive());
    QCOMPARE(rig.bar()->value(), 1304);
    QTest::keyClick(rig.dialog, Qt::Key_Left);
    QTRY_COMPARE(rig.bar()->value(), 978);
}

void TestEqSoundEffectHelpCarousel::dotsChooseAPage()
{
    Rig rig({60000, 10});
    QTimer *timer = rig.dialog->autoAdvanceTimer();
    timer->stop();
    rig.dialog->dots().at(3)->click();
    QVERIFY(timer->isActive());
    QTRY_COMPARE(rig.bar()->value(), 978);
    QVERIFY(isCurrentDot(rig.dialog->dots().at(3)));
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("Q值"));
}

void TestEqSoundEffectHelpCarousel::indicatorsSwitchAtHalfWay()
{
    Rig rig({60000, 320});
    rig.bar()->setValue(160);
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("滤波器选择"));
    rig.bar()->setValue(170);
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("增益值(dB)"));
    QVERIFY(isCurrentDot(rig.dialog->dots().at(1)));
    QVERIFY(!isCurrentDot(rig.dialog->dots().at(0)));
}

void TestEqSoundEffectHelpCarousel::escapeAndCloseReject()
{
    {
        Rig rig;
        QSignalSpy rejected(rig.dialog, &QDialog::rejected);
        QTest::keyClick(rig.dialog, Qt::Key_Escape);
        QCOMPARE(rejected.count(), 1);
        QVERIFY(!rig.dialog->isVisible());
        QVERIFY(!rig.dialog->autoAdvanceTimer()->isActive());
        QVERIFY(!rig.dialog->backdrop()->isVisible());
    }
    {
        Rig rig;
        QSignalSpy rejected(rig.dialog, &QDialog::rejected);
        QPushButton *close = nullptr;
        for (QPushButton *b : rig.dialog->findChildren<QPushButton *>()) {
            if (b->text() == QStringLiteral("×"))
                close = b;
        }
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QCOMPARE(rejected.count(), 1);
    }
}

void TestEqSoundEffectHelpCarousel::backdropCoversAndFollowsTheHost()
{
    Rig rig;
    EqHelpBlurSurface *backdrop = rig.dialog->backdrop();
    QVERIFY(backdrop);
    QCOMPARE(backdrop->parentWidget(), rig.host.get());
    QVERIFY(backdrop->isVisible());
    QCOMPARE(backdrop->geometry(), QRect(0, 0, 1000, 700));
    QCOMPARE(backdrop->snapshot().size(), QSize(1000, 700));
    const QRect frame = rig.host->frameGeometry();
    QCOMPARE(rig.dialog->x(), frame.x() + (frame.width() - 326) / 2);
    QCOMPARE(rig.dialog->y(), frame.y() + (frame.height() - 446) / 2);

    rig.host->resize(1200, 800);
    QTRY_COMPARE(backdrop->geometry(), QRect(0, 0, 1200, 800));
    QCOMPARE(backdrop->snapshot().size(), QSize(1200, 800));
    const QRect bigger = rig.host->frameGeometry();
    QCOMPARE(rig.dialog->x(), bigger.x() + (bigger.width() - 326) / 2);

    rig.dialog->hide();
    QVERIFY(!backdrop->isVisible());
    // Hidden, it no longer follows the host.
    rig.host->resize(900, 600);
    QCoreApplication::processEvents();
    QCOMPARE(backdrop->geometry(), QRect(0, 0, 1200, 800));
    // Shown again, the same backdrop comes back at the host's size.
    rig.dialog->show();
    QCOMPARE(rig.dialog->backdrop(), backdrop);
    QCOMPARE(backdrop->geometry(), QRect(0, 0, 900, 600));
    QCOMPARE(rig.dialog->currentPage(), 0);

    QPointer<EqHelpBlurSurface> guard(backdrop);
    delete rig.dialog;
    QTRY_VERIFY(guard.isNull());
}

void TestEqSoundEffectHelpCarousel::withoutParentThereIsNoBackdrop()
{
    EQSoundEffectHelpCarousel dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!dialog.backdrop());
    QVERIFY(dialog.autoAdvanceTimer()->isActive());
}

void TestEqSoundEffectHelpCarousel::textsFollowTheLanguage()
{
    Rig rig;
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QCoreApplication::processEvents();
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("Filter type"));
    const QStringList titles = {"Filter type", "Gain (dB)", "Frequency (Hz)", "Q", "EQ curve warning line"};
    for (int page = 0; page < titles.size(); ++page) {
        rig.dialog->pager()->horizontalScrollBar()->setValue(page * 326);
        QCOMPARE(rig.dialog->titleLabel()->text(), titles.at(page));
    }
    rig.dialog->pager()->horizontalScrollBar()->setValue(0);
    QVERIFY(rig.dialog->pageLines(0).at(0)->text().contains(QStringLiteral(">Peaking:</span>")));
    QVERIFY(rig.dialog->pageLines(4).at(0)->text().startsWith(
        QStringLiteral("<span style=\"color:#E4E4E4;\">Red dashed line:</span>")));
    QCoreApplication::removeTranslator(&english);
    QCoreApplication::processEvents();
    QCOMPARE(rig.dialog->titleLabel()->text(), QStringLiteral("滤波器选择"));
}

void TestEqSoundEffectHelpCarousel::blurKeepsSize()
{
    QVERIFY(EQSoundEffectHelpCarousel::blurPixmap(QPixmap(), 5).isNull());
    QPixmap source(64, 32);
    source.fill(Qt::white);
    {
        QPainter p(&source);
        p.fillRect(0, 0, 32, 32, Qt::black);
    }
    const QImage blurred = EQSoundEffectHelpCarousel::blurPixmap(source, 5).toImage();
    QCOMPARE(blurred.size(), QSize(64, 32));
    // The hard edge is softened.
    const QColor edge = blurred.pixelColor(32, 16);
    QVERIFY(edge.red() > 10 && edge.red() < 245);
}

QTEST_MAIN(TestEqSoundEffectHelpCarousel)
#include "tst_eqsoundeffecthelpcarousel.moc"
