// The frequency rule bar: profile ranges, their normalisation, the mapping to
// the chart's axis, painting, elided labels and the language.
#include "eq/EQCurveEditor.h"
#include "eq/EQXAxisProfileComboBox.h"
#include "eq/EQXAxisProfileItemDelegate.h"
#include "eq/EQXAxisRuleBar.h"

#include <QAbstractItemView>
#include <QChart>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QTranslator>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

using Rule = EQXAxisRuleBar::Rule;

namespace {

QList<std::tuple<double, double, QString>> flatten(const QList<Rule> &rules)
{
    QList<std::tuple<double, double, QString>> out;
    for (const Rule &r : rules)
        out.append({r.fromHz, r.toHz, r.label});
    return out;
}

void moveMouse(QWidget *w, const QPoint &pos)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// A bar across a shown page, as over the chart; its picker, or null when the page never showed.
EQXAxisProfileComboBox *showBarIn(QWidget &page)
{
    page.resize(900, 300);
    auto *bar = new EQXAxisRuleBar(&page);
    bar->setGeometry(0, 100, 900, 24);
    page.show();
    return QTest::qWaitForWindowExposed(&page) ? bar->profileCombo() : nullptr;
}

} // namespace

class TestEqXAxisRuleBar : public QObject
{
    Q_OBJECT
private slots:
    void defaultProfileIsNormalised();
    void gapsAreFilledWithUnlabelledBlocks();
    void normalisationEdges_data();
    void normalisationEdges();
    void rangeTexts_data();
    void rangeTexts();
    void frequencyToX_data();
    void frequencyToX();
    void paintsBlocksAndDividers();
    void popupIsRightAlignedWithThePicker();
    void popupRowsShowWholeNames_data();
    void popupRowsShowWholeNames();
    void followsTheChartsPlotArea();
    void elidedLabelsShowTheirTooltip();
    void userPickEmitsAndLanguageChangeKeepsTheProfile();
};

void TestEqXAxisRuleBar::defaultProfileIsNormalised()
{
    EQXAxisRuleBar bar;
    QCOMPARE(bar.profiles().size(), 9);
    QCOMPARE(bar.profileCombo()->count(), 9);
    QCOMPARE(bar.profileCombo()->currentIndex(), 0);
    QCOMPARE(bar.height(), 24);
    const QList<std::tuple<double, double, QString>> expected = {
        {17.5, 60, "超低频"},       {60, 250, "低频"},        {250, 500, "中低频"}, {500, 2000, "中频"},
        {2000, 6000, "中高频"},     {6000, 20000, "极高频"}, {20000, 25000, ""}};
    QCOMPARE(flatten(bar.currentRules()), expected);
    // The picker never shows a profile name.
    QVERIFY(bar.profileCombo()->lineEdit()->text().isEmpty());
}

void TestEqXAxisRuleBar::gapsAreFilledWithUnlabelledBlocks()
{
    EQXAxisRuleBar bar;
    const QList<std::tuple<double, double, QString>> expected = {
        {17.5, 100, "环境氛围"}, {100, 300, "脚步声"}, {300, 1000, ""},       {1000, 3000, "战术交互"},
        {3000, 6000, "微细节"},  {6000, 25000, ""}};
    QCOMPARE(flatten(EQXAxisRuleBar::normalizedRules(bar.profiles().at(1).rules)), expected);
    // The tail is drawn as an unlabelled block up to 20 kHz only.
    bar.profileCombo()->setCurrentIndex(1);
    bar.resize(900, 24);
    const QImage image = bar.grab().toImage();
    QCOMPARE(image.pixelColor(EQXAxisRuleBar::frequencyToX(10000, 0, 899), 2), QColor("#2A292D"));
    QCOMPARE(image.pixelColor(EQXAxisRuleBar::frequencyToX(20000, 0, 899), 12), QColor("#1A1A1B"));
    QCOMPARE(bar.segments().size(), 4);
    // Delta Force starts at 30 Hz: its first gap is snapped to the axis start.
    const QList<Rule> delta = EQXAxisRuleBar::normalizedRules(bar.profiles().at(3).rules);
    QCOMPARE(flatten(delta.mid(0, 2)), (QList<std::tuple<double, double, QString>>{{17.5, 30, ""},
                                                                                   {30, 150, "环境氛围"}}));
}

void TestEqXAxisRuleBar::normalisationEdges_data()
{
    QTest::addColumn<QList<Rule>>("rules");
    QTest::addColumn<QList<Rule>>("expected");
    QTest::newRow("nothing") << QList<Rule>{} << QList<Rule>{{17.5, 25000, ""}};
    QTest::newRow("all below 20 Hz") << QList<Rule>{{5, 20, "a"}} << QList<Rule>{{17.5, 25000, ""}};
    QTest::newRow("all above 20 kHz") << QList<Rule>{{20000, 24000, "a"}} << QList<Rule>{{17.5, 25000, ""}};
    QTest::newRow("crossing 20 kHz")
        << QList<Rule>{{12000, 23000, "x"}}
        << QList<Rule>{{17.5, 12000, ""}, {12000, 20000, "x"}, {20000, 25000, ""}};
    QTest::newRow("unsorted and overlapping")
        << QList<Rule>{{200, 400, "b"}, {10, 300, "a"}}
        << QList<Rule>{{17.5, 300, "a"}, {200, 400, "b"}, {400, 25000, ""}};
    QTest::newRow("stops at the top")
        << QList<Rule>{{20, 20000, "all"}, {500, 900, "late"}}
        << QList<Rule>{{17.5, 20000, "all"}, {20000, 25000, ""}};
}

void TestEqXAxisRuleBar::normalisationEdges()
{
    QFETCH(QList<Rule>, rules);
    QFETCH(QList<Rule>, expected);
    QCOMPARE(flatten(EQXAxisRuleBar::normalizedRules(rules)), flatten(expected));
}

void TestEqXAxisRuleBar::rangeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::newRow("blanks") << " 100 - 300 " << true << 100.0 << 300.0;
    QTest::newRow("decimals") << "62.5-125" << true << 62.5 << 125.0;
    QTest::newRow("reversed") << "300-100" << false << 0.0 << 0.0;
    QTest::newRow("empty range") << "300-300" << false << 0.0 << 0.0;
    QTest::newRow("not a number") << "abc-300" << false << 0.0 << 0.0;
    QTest::newRow("no dash") << "100 300" << false << 0.0 << 0.0;
    QTest::newRow("three parts") << "100-200-300" << false << 0.0 << 0.0;
    QTest::newRow("infinite") << "100-inf" << false << 0.0 << 0.0;
    QTest::newRow("nan") << "nan-300" << false << 0.0 << 0.0;
}

void TestEqXAxisRuleBar::rangeTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, from);
    QFETCH(double, to);
    double f = 0;
    double t = 0;
    QCOMPARE(EQXAxisRuleBar::parseRange(text, f, t), ok);
    QCOMPARE(f, from);
    QCOMPARE(t, to);
}

void TestEqXAxisRuleBar::frequencyToX_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("x");
    QTest::newRow("axis start") << 17.5 << 40 << 840 << 40;
    QTest::newRow("axis end") << 25000.0 << 40 << 840 << 840;
    QTest::newRow("below start") << 3.0 << 40 << 840 << 40;
    QTest::newRow("above end") << 90000.0 << 40 << 840 << 840;
    QTest::newRow("no width") << 1000.0 << 300 << 300 << 300;
    QTest::newRow("reversed") << 1000.0 << 500 << 100 << 500;
    // log10(25000/17.5) spans 3.1549 decades; 1 kHz lies 1.7570 of them in.
    QTest::newRow("1 kHz") << 1000.0 << 0 << 1000 << 557;
}

void TestEqXAxisRuleBar::frequencyToX()
{
    QFETCH(double, hz);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, x);
    QCOMPARE(EQXAxisRuleBar::frequencyToX(hz, left, right), x);
}

void TestEqXAxisRuleBar::paintsBlocksAndDividers()
{
    EQXAxisRuleBar bar;
    bar.resize(900, 24);
    const QImage image = bar.grab().toImage();
    int left = 0;
    int right = 0;
    bar.plotColumns(left, right);
    QCOMPARE(left, 0);
    QCOMPARE(right, 899);
    const int divider = EQXAxisRuleBar::frequencyToX(250, left, right);
    QCOMPARE(image.pixelColor(divider, 12), QColor("#1A1A1B"));
    const int inside = EQXAxisRuleBar::frequencyToX(1000, left, right);
    QCOMPARE(image.pixelColor(inside, 2), QColor("#2A292D"));
    // Six labelled blocks, none elided at this width.
    QCOMPARE(bar.segments().size(), 6);
    QCOMPARE(bar.segments().at(1).label, QStringLiteral("低频"));
    QCOMPARE(bar.segments().at(1).rect.left(), EQXAxisRuleBar::frequencyToX(60, left, right));
    QCOMPARE(bar.segments().at(1).rect.height(), 22);
    for (const auto &segment : bar.segments())
        QVERIFY(!segment.elided);
    // The picker sits on the band above 20 kHz.
    const QRect combo = bar.profileCombo()->geometry();
    QCOMPARE(combo.left(), EQXAxisRuleBar::frequencyToX(20000, left, right) + 1);
    QCOMPARE(combo.right() + 1, right);
    QCOMPARE(combo.height(), 22);
}

void TestEqXAxisRuleBar::popupIsRightAlignedWithThePicker()
{
    QWidget page;
    EQXAxisProfileComboBox *combo = showBarIn(page);
    QVERIFY(combo);
    combo->showPopup();
    QWidget *popup = combo->view()->window();
    QVERIFY(popup != &page);
    QTRY_VERIFY(popup->isVisible());
    const int comboRight = combo->mapToGlobal(QPoint(combo->width(), 0)).x();
    QTRY_COMPARE(popup->geometry().right() + 1, comboRight);
    QVERIFY(popup->x() >= page.mapToGlobal(QPoint(0, 0)).x());
    combo->hidePopup();
    QVERIFY(combo->lineEdit()->text().isEmpty());
}

void TestEqXAxisRuleBar::popupRowsShowWholeNames_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::newRow("zh_CN") << QStringLiteral(":/i18n/VELKORA_zh_CN.qm");
    QTest::newRow("en_US") << QStringLiteral(":/i18n/VELKORA_en_US.qm");
}

// "Call of Duty: Modern Warfare" is the widest name; the popup is wide
// enough that its row does not cut it (or any other) with an ellipsis.
void TestEqXAxisRuleBar::popupRowsShowWholeNames()
{
    QFETCH(QString, catalogue);
    QTranslator translator;
    QVERIFY(translator.load(catalogue));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const auto removeTranslator = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
    QWidget page;
    EQXAxisProfileComboBox *combo = showBarIn(page);
    QVERIFY(combo);
    const QFontMetrics metrics(EQXAxisProfileItemDelegate::rowFont(combo->font()));
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));

    combo->showPopup();
    QWidget *viewport = combo->view()->viewport();
    QTRY_VERIFY(combo->view()->window()->isVisible());
    // A row is painted as wide as the list's viewport.
    QTRY_VERIFY2(EQXAxisProfileItemDelegate::textWidth(viewport->width()) >= widest,
                 qPrintable(QStringLiteral("rows %1 px for names up to %2 px").arg(viewport->width()).arg(widest)));
    const int comboRight = combo->mapToGlobal(QPoint(combo->width(), 0)).x();
    QTRY_COMPARE(combo->view()->window()->geometry().right() + 1, comboRight);
    combo->hidePopup();
}

void TestEqXAxisRuleBar::followsTheChartsPlotArea()
{
    QWidget page;
    page.resize(900, 400);
    auto *layout = new QVBoxLayout(&page);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(0);
    auto *bar = new EQXAxisRuleBar(&page);
    auto *chart = new EQCurveEditor(&page);
    layout->addWidget(bar);
    layout->addWidget(chart);
    bar->setChartView(chart);
    bar->setChartView(chart);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCoreApplication::processEvents();

    const QRectF plot = chart->chart()->plotArea();
    const QPoint plotLeft = bar->mapFrom(&page, chart->mapTo(&page, chart->mapFromScene(plot.topLeft())));
    int left = 0;
    int right = 0;
    bar->plotColumns(left, right);
    QVERIFY2(std::abs(left - plotLeft.x()) <= 1, qPrintable(QString("%1 vs %2").arg(left).arg(plotLeft.x())));
    QVERIFY(right > left + 500);
    const double x1k = bar->chartFrequencyToX(1000);
    QVERIFY(std::fabs(x1k - EQXAxisRuleBar::frequencyToX(1000, left, right)) <= 1.0);
    // A wider window moves the plot; the bar follows.
    page.resize(1100, 400);
    QCoreApplication::processEvents();
    QTRY_VERIFY(bar->profileCombo()->geometry().right() > 900);
}

void TestEqXAxisRuleBar::elidedLabelsShowTheirTooltip()
{
    EQXAxisRuleBar bar;
    bar.resize(260, 24);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.grab();
    const EQXAxisRuleBar::Segment *elided = nullptr;
    const EQXAxisRuleBar::Segment *fitting = nullptr;
    for (const auto &segment : bar.segments())
        (segment.elided ? elided : fitting) = &segment;
    QVERIFY(elided);
    const QString label = elided->label;
    moveMouse(&bar, elided->rect.center());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), label);
    moveMouse(&bar, QPoint(bar.width() - 3, 12));
    QTRY_VERIFY(!QToolTip::isVisible());
    if (fitting) {
        moveMouse(&bar, fitting->rect.center());
        QVERIFY(!QToolTip::isVisible());
    }
}

void TestEqXAxisRuleBar::userPickEmitsAndLanguageChangeKeepsTheProfile()
{
    EQXAxisRuleBar bar;
    QSignalSpy changed(&bar, &EQXAxisRuleBar::profileChanged);
    bar.profileCombo()->setCurrentIndex(3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toInt(), 3);
    QCOMPARE(changed.last().at(1).toString(), QStringLiteral("三角洲行动"));
    QCOMPARE(bar.currentRules().at(1).label, QStringLiteral("环境氛围"));
    QTRY_VERIFY(bar.profileCombo()->lineEdit()->text().isEmpty());

    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(bar.profileCombo()->currentIndex(), 3);
    QCOMPARE(bar.profileCombo()->itemText(3), QStringLiteral("Delta Force"));
    QCOMPARE(bar.profileCombo()->itemText(0), QStringLiteral("Default"));
    QCOMPARE(bar.currentRules().at(1).label, QStringLiteral("AMBIENCE"));
    QCOMPARE(bar.profiles().at(8).name, QStringLiteral("Rainbow Six"));
    QCoreApplication::removeTranslator(&english);
    QCoreApplication::processEvents();
    QCOMPARE(bar.profileCombo()->itemText(3), QStringLiteral("三角洲行动"));
}

QTEST_MAIN(TestEqXAxisRuleBar)
#include "tst_eqxaxisrulebar.moc"
