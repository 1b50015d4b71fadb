// The response model against a textbook evaluation of the cookbook biquads:
// coefficients written out from the formulas and H(e^jw) evaluated with
// complex numbers, without dividing by a0 first.
#include "eq/EQCurveEditor.h"

#include <QTest>

#include <cmath>
#include <complex>
#include <limits>

namespace {

constexpr double kFs = 48000.0;
constexpr double kPi = 3.14159265358979323846;

struct Raw
{
    double b0, b1, b2, a0, a1, a2;
};

// Direct transcription of the cookbook, shelf slope S taken from the band's Q.
Raw cookbook(const QString &type, double f0, double q, double gain)
{
    q = std::min(5.0, std::max(0.1, q));
    f0 = std::min(23952.0, std::max(1.0, f0));
    const double w0 = 2 * kPi * f0 / kFs;
    const double cw = std::cos(w0);
    const double sw = std::sin(w0);
    const double A = std::pow(10.0, gain / 40.0);
    if (type == "Disable")
        return {1, 0, 0, 1, 0, 0};
    if (type == "Low Pass") {
        const double alpha = sw / (2 * q);
        return {(1 - cw) / 2, 1 - cw, (1 - cw) / 2, 1 + alpha, -2 * cw, 1 - alpha};
    }
    if (type == "High Pass") {
        const double alpha = sw / (2 * q);
        return {(1 + cw) / 2, -(1 + cw), (1 + cw) / 2, 1 + alpha, -2 * cw, 1 - alpha};
    }
    if (type == "Low Shelf" || type == "High Shelf") {
        const double alpha = sw / 2 * std::sqrt((A + 1 / A) * (1 / q - 1) + 2);
        const double t = 2 * std::sqrt(A) * alpha;
        if (type == "Low Shelf")
            return {A * ((A + 1) - (A - 1) * cw + t), 2 * A * ((A - 1) - (A + 1) * cw),
                    A * ((A + 1) - (A - 1) * cw - t), (A + 1) + (A - 1) * cw + t, -2 * ((A - 1) + (A + 1) * cw),
                    (A + 1) + (A - 1) * cw - t};
        return {A * ((A + 1) + (A - 1) * cw + t), -2 * A * ((A - 1) + (A + 1) * cw),
                A * ((A + 1) + (A - 1) * cw - t), (A + 1) - (A - 1) * cw + t, 2 * ((A - 1) - (A + 1) * cw),
                (A + 1) - (A - 1) * cw - t};
    }
    const double alpha = sw / (2 * q);
    return {1 + alpha * A, -2 * cw, 1 - alpha * A, 1 + alpha / A, -2 * cw, 1 - alpha / A};
}

double textbookDb(const Raw &r, double f)
{
    const std::complex<double> z1 = std::polar(1.0, -2 * kPi * f / kFs);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (r.b0 + r.b1 * z1 + r.b2 * z2) / (r.a0 + r.a1 * z1 + r.a2 * z2);
    return 20 * std::log10(std::abs(h));
}

double modelDb(const QString &type, double f0, double q, double gain, double at)
{
    EQCurveEditor::Biquad s;
    EQCurveEditor::computeBiquad(type, f0, q, gain, s);
    return EQCurveEditor::biquadMagnitudeDb(s, at, kFs);
}

bool sameSection(const EQCurveEditor::Biquad &a, const EQCurveEditor::Biquad &b)
{
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

} // namespace

class TestEqCurveEditorResponse : public QObject
{
    Q_OBJECT
private slots:
    void matchesTextbook_data();
    void matchesTextbook();
    void knownLevels_data();
    void knownLevels();
    void disableIsExactlyFlat();
    void unknownTypesDesignAsPeaking_data();
    void unknownTypesDesignAsPeaking();
    void designClamps_data();
    void designClamps();
    void nonFiniteBandsDrawFlat_data();
    void nonFiniteBandsDrawFlat();
    void zeroNumeratorStaysFinite();
    void sampledCurveIsTheSumOnTheLogGrid();
    void clipInsideGivesOneRun();
    void clipCrossingTopTwiceGivesTwoRuns();
    void clipDegenerateCurves();
    void clipJoinsPiecesThatTouch();
};

void TestEqCurveEditorResponse::matchesTextbook_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    const QStringList types = {"Peaking", "Low Pass", "High Pass", "Low Shelf", "High Shelf"};
    const QList<double> freqs = {20, 180, 1000, 7300, 19000};
    const QList<double> qs = {0.1, 0.7071, 2.3, 5.0};
    const QList<double> gains = {-10, -3.5, 0, 6, 10};
    int n = 0;
    for (const QString &type : types) {
        for (double f : freqs) {
            for (double q : qs) {
                const double g = gains.at(n++ % gains.size());
                QTest::addRow("%s %g Hz Q%g %+g dB", qPrintable(type), f, q, g) << type << f << q << g;
            }
        }
    }
}

void TestEqCurveEditorResponse::matchesTextbook()
{
    QFETCH(QString, type);
    QFETCH(double, f0);
    QFETCH(double, q);
    QFETCH(double, gain);
    const Raw raw = cookbook(type, f0, q, gain);
    for (double at : {17.5, 31.0, 97.0, 440.0, 1000.0, 3150.0, 9999.0, 16000.0, 23000.0}) {
        const double expected = textbookDb(raw, at);
        const double actual = modelDb(type, f0, q, gain, at);
        if (expected < -150) // deep in a pass filter's stop band the guard term decides
            continue;
        QVERIFY2(std::fabs(actual - expected) < 1e-7,
                 qPrintable(QString("at %1 Hz: %2 vs %3").arg(at).arg(actual).arg(expected)));
    }
}

void TestEqCurveEditorResponse::knownLevels_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("peak centre") << "Peaking" << 1000.0 << 1.0 << 6.0 << 1000.0 << 6.0 << 1e-9;
    QTest::newRow("peak decade below") << "Peaking" << 1000.0 << 1.0 << 6.0 << 100.0 << 0.07 << 0.02;
    QTest::newRow("low pass corner") << "Low Pass" << 1000.0 << 0.7071 << 0.0 << 1000.0 << -3.01 << 0.01;
    QTest::newRow("low pass ignores gain") << "Low Pass" << 1000.0 << 0.7071 << 9.0 << 1000.0 << -3.01 << 0.01;
    QTest::newRow("high pass corner") << "High Pass" << 1000.0 << 0.7071 << -7.0 << 1000.0 << -3.01 << 0.01;
    QTest::newRow("low shelf midpoint") << "Low Shelf" << 100.0 << 1.0 << 6.0 << 100.0 << 3.0 << 0.01;
    QTest::newRow("low shelf floor") << "Low Shelf" << 100.0 << 1.0 << 6.0 << 20.0 << 6.0 << 0.3;
    QTest::newRow("high shelf midpoint") << "High Shelf" << 5000.0 << 1.0 << 6.0 << 5000.0 << 3.0 << 0.01;
}

void TestEqCurveEditorResponse::knownLevels()
{
    QFETCH(QString, type);
    QFETCH(double, f0);
    QFETCH(double, q);
    QFETCH(double, gain);
    QFETCH(double, at);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    const double actual = modelDb(type, f0, q, gain, at);
    QVERIFY2(std::fabs(actual - expected) <= tolerance, qPrintable(QString::number(actual, 'g', 12)));
}

void TestEqCurveEditorResponse::disableIsExactlyFlat()
{
    EQCurveEditor::Biquad s;
    QVERIFY(EQCurveEditor::computeBiquad("Disable", 1000, 2, 9, s));
    QVERIFY(sameSection(s, EQCurveEditor::Biquad{}));
    const QList<QPointF> curve = EQCurveEditor::sampleResponse({s, s, s});
    QCOMPARE(curve.size(), 1024);
    for (const QPointF &p : curve)
        QCOMPARE(p.y(), 0.0);
    QList<QList<QPointF>> runs;
    EQCurveEditor::clipPolyline(curve, std::log10(17.5), std::log10(25000.0), -14, 14, runs);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first().size(), 1024);
}

void TestEqCurveEditorResponse::unknownTypesDesignAsPeaking_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("lower case") << "peaking";
    QTest::newRow("no blank") << "LowPass";
    QTest::newRow("empty") << "";
    QTest::newRow("other") << "Notch";
}

void TestEqCurveEditorResponse::unknownTypesDesignAsPeaking()
{
    QFETCH(QString, type);
    EQCurveEditor::Biquad expected;
    EQCurveEditor::Biquad actual;
    EQCurveEditor::computeBiquad("Peaking", 640, 1.7, -4.5, expected);
    EQCurveEditor::computeBiquad(type, 640, 1.7, -4.5, actual);
    QVERIFY(sameSection(actual, expected));
}

void TestEqCurveEditorResponse::designClamps_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("designedF");
    QTest::addColumn<double>("designedQ");
    QTest::newRow("above Nyquist guard") << 30000.0 << 1.0 << 23952.0 << 1.0;
    QTest::newRow("zero Hz") << 0.0 << 1.0 << 1.0 << 1.0;
    QTest::newRow("infinite Hz") << std::numeric_limits<double>::infinity() << 1.0 << 23952.0 << 1.0;
    QTest::newRow("Q 9") << 1000.0 << 9.0 << 1000.0 << 5.0;
    QTest::newRow("Q 0.05") << 1000.0 << 0.05 << 1000.0 << 0.1;
}

void TestEqCurveEditorResponse::designClamps()
{
    QFETCH(double, f);
    QFETCH(double, q);
    QFETCH(double, designedF);
    QFETCH(double, designedQ);
    for (const QString type : {"Peaking", "High Shelf"}) {
        EQCurveEditor::Biquad a;
        EQCurveEditor::Biquad b;
        EQCurveEditor::computeBiquad(type, f, q, 5, a);
        EQCurveEditor::computeBiquad(type, designedF, designedQ, 5, b);
        QVERIFY(sameSection(a, b));
    }
}

void TestEqCurveEditorResponse::nonFiniteBandsDrawFlat_data()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::newRow("NaN frequency") << "Peaking" << nan << 1.0 << 3.0;
    QTest::newRow("NaN Q") << "Low Pass" << 1000.0 << nan << 0.0;
    QTest::newRow("NaN gain") << "Low Shelf" << 1000.0 << 1.0 << nan;
    QTest::newRow("infinite gain") << "Peaking" << 1000.0 << 1.0 << inf;
}

void TestEqCurveEditorResponse::nonFiniteBandsDrawFlat()
{
    QFETCH(QString, type);
    QFETCH(double, f);
    QFETCH(double, q);
    QFETCH(double, gain);
    EQCurveEditor::Biquad bad;
    EQCurveEditor::computeBiquad(type, f, q, gain, bad);
    QVERIFY(sameSection(bad, EQCurveEditor::Biquad{}));
    EQCurveEditor::Biquad good;
    EQCurveEditor::computeBiquad("Peaking", 1000, 1, 6, good);
    // One unusable band leaves the others' curve intact.
    const QList<QPointF> curve = EQCurveEditor::sampleResponse({good, bad});
    for (const QPointF &p : curve)
        QVERIFY(std::isfinite(p.y()));
}

void TestEqCurveEditorResponse::zeroNumeratorStaysFinite()
{
    const EQCurveEditor::Biquad zero{0, 0, 0, 0, 0};
    QCOMPARE(EQCurveEditor::biquadMagnitudeDb(zero, 1000, kFs), -400.0);
}

void TestEqCurveEditorResponse::sampledCurveIsTheSumOnTheLogGrid()
{
    QList<EQCurveEditor::Biquad> sections(3);
    EQCurveEditor::computeBiquad("Peaking", 250, 1.2, 4, sections[0]);
    EQCurveEditor::computeBiquad("High Shelf", 6000, 0.7, -5, sections[1]);
    EQCurveEditor::computeBiquad("Low Pass", 15000, 0.9, 0, sections[2]);
    const QList<QPointF> curve = EQCurveEditor::sampleResponse(sections);
    QCOMPARE(curve.size(), 1024);
    QCOMPARE(curve.first().x(), std::log10(17.5));
    QVERIFY(std::fabs(curve.last().x() - std::log10(25000.0)) < 1e-15);
    for (int k : {0, 1, 511, 777, 1023}) {
        const double f = std::pow(10.0, curve.at(k).x());
        double sum = 0;
        for (const auto &s : sections)
            sum += EQCurveEditor::biquadMagnitudeDb(s, f, kFs);
        QVERIFY(std::fabs(curve.at(k).y() - sum) < 1e-12);
        if (k > 0)
            QVERIFY(curve.at(k).x() > curve.at(k - 1).x());
    }
}

void TestEqCurveEditorResponse::clipInsideGivesOneRun()
{
    EQCurveEditor::Biquad s;
    EQCurveEditor::computeBiquad("Peaking", 1000, 1, 6, s);
    QList<QList<QPointF>> runs = {{QPointF(1, 1)}}; // emptied first
    EQCurveEditor::clipPolyline(EQCurveEditor::sampleResponse({s}), std::log10(17.5), std::log10(25000.0), -14, 14,
                                runs);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first().size(), 1024);
}

void TestEqCurveEditorResponse::clipCrossingTopTwiceGivesTwoRuns()
{
    // One +20 dB peak: up through +14 dB and down again.
    EQCurveEditor::Biquad peak;
    EQCurveEditor::computeBiquad("Peaking", 1000, 2, 20, peak);
    QList<QList<QPointF>> runs;
    EQCurveEditor::clipPolyline(EQCurveEditor::sampleResponse({peak}), std::log10(17.5), std::log10(25000.0), -14,
                                14, runs);
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs.at(0).last().y(), 14.0);
    QCOMPARE(runs.at(1).first().y(), 14.0);
    QCOMPARE(runs.at(0).first().x(), std::log10(17.5));

    const QList<QPointF> tent = {{0, 0}, {1, 20}, {2, 0}, {3, 20}, {4, 0}};
    EQCurveEditor::clipPolyline(tent, 0, 4, -14, 14, runs);
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs.at(0), (QList<QPointF>{{0, 0}, {0.7, 14}}));
    QCOMPARE(runs.at(1).first(), QPointF(1.3, 14));
    QCOMPARE(runs.at(1).at(1), QPointF(2, 0));
}

void TestEqCurveEditorResponse::clipDegenerateCurves()
{
    QList<QList<QPointF>> runs = {{QPointF(1, 1), QPointF(2, 2)}};
    EQCurveEditor::clipPolyline({QPointF(0.5, 0.5)}, 0, 1, 0, 1, runs);
    QVERIFY(runs.isEmpty());
    EQCurveEditor::clipPolyline({}, 0, 1, 0, 1, runs);
    QVERIFY(runs.isEmpty());
    // Wholly outside, and a non-finite edge: nothing drawn from them.
    EQCurveEditor::clipPolyline({{0, 5}, {1, 6}}, 0, 1, 0, 1, runs);
    QVERIFY(runs.isEmpty());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EQCurveEditor::clipPolyline({{0, 0.2}, {0.4, nan}, {0.6, 0.3}, {1, 0.4}}, 0, 1, 0, 1, runs);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first(), (QList<QPointF>{{0.6, 0.3}, {1, 0.4}}));
    // A vertical edge on the border is kept; one outside it is dropped.
    EQCurveEditor::clipPolyline({{1, 0}, {1, 1}}, 0, 1, 0, 1, runs);
    QCOMPARE(runs.size(), 1);
    EQCurveEditor::clipPolyline({{1.5, 0}, {1.5, 1}}, 0, 1, 0, 1, runs);
    QVERIFY(runs.isEmpty());
}

void TestEqCurveEditorResponse::clipJoinsPiecesThatTouch()
{
    // A zero-length edge between two visible ones does not split the run, and
    // an edge that leaves and comes back at the same border point keeps it too.
    const QList<QPointF> curve = {{0, 0}, {1, 1}, {1, 1}, {2, 2}};
    QList<QList<QPointF>> runs;
    EQCurveEditor::clipPolyline(curve, 0, 3, -5, 5, runs);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first(), (QList<QPointF>{{0, 0}, {1, 1}, {2, 2}}));
}

QTEST_APPLESS_MAIN(TestEqCurveEditorResponse)
#include "tst_eqcurveeditorresponse.moc"
