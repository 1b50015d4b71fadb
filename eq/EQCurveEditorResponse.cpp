// The arithmetic behind the curves: one cookbook biquad per band, its
// magnitude in dB, the sampled sum on a log grid and the clipping of that
// polyline to the plot window.
#include "eq/EQCurveEditor.h"

#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDesignMaxHz = 23952.0;
constexpr double kDesignMinHz = 1.0;
constexpr double kDesignMaxQ = 5.0;
constexpr double kDesignMinQ = 0.1;
constexpr double kDbGuard = 1e-40;
constexpr double kParallelEps = 1e-12;
constexpr double kTouchEps = 1e-16;

enum class FilterShape { Peaking, Disable, LowPass, HighPass, LowShelf, HighShelf };

FilterShape shapeOf(const QString &type)
{
    if (type == QLatin1String("Peaking"))
        return FilterShape::Peaking;
    if (type == QLatin1String("Disable"))
        return FilterShape::Disable;
    if (type == QLatin1String("Low Pass"))
        return FilterShape::LowPass;
    if (type == QLatin1String("High Pass"))
        return FilterShape::HighPass;
    if (type == QLatin1String("Low Shelf"))
        return FilterShape::LowShelf;
    if (type == QLatin1String("High Shelf"))
        return FilterShape::HighShelf;
    return FilterShape::Peaking;
}

// The unit-circle terms of one grid frequency, shared by every section of a redraw.
struct GridPoint
{
    double x;
    double cw;
    double sw;
    double c2w;
    double s2w;
};

const std::array<GridPoint, EQCurveEditor::kCurvePointCount> &grid()
{
    static const auto table = [] {
        std::array<GridPoint, EQCurveEditor::kCurvePointCount> g{};
        const double x0 = std::log10(EQCurveEditor::kMinHz);
        const double x1 = std::log10(EQCurveEditor::kMaxHz);
        for (int k = 0; k < EQCurveEditor::kCurvePointCount; ++k) {
            const double x = k / double(EQCurveEditor::kCurvePointCount - 1) * (x1 - x0) + x0;
            const double f = std::pow(10.0, x);
            const double w = f * kTwoPi / EQCurveEditor::kSampleRate;
            g[k] = {x, std::cos(w), std::sin(w), std::cos(2.0 * w), std::sin(2.0 * w)};
        }
        return g;
    }();
    return table;
}

// |H|^2 of one section on the unit circle, with the guard terms of the dB formula.
double powerRatio(const EQCurveEditor::Biquad &s, double cw, double sw, double c2w, double s2w)
{
    const double nRe = s.b0 + s.b1 * cw + s.b2 * c2w;
    const double nIm = -s.b1 * sw - s.b2 * s2w;
    const double dRe = 1.0 + s.a1 * cw + s.a2 * c2w;
    const double dIm = -s.a1 * sw - s.a2 * s2w;
    return (nRe * nRe + nIm * nIm) / (dRe * dRe + dIm * dIm + kDbGuard) + kDbGuard;
}

double magnitudeDb(const EQCurveEditor::Biquad &s, double cw, double sw, double c2w, double s2w)
{
    return 10.0 * std::log10(powerRatio(s, cw, sw, c2w, s2w));
}

// A sum of dB values is the dB value of the product: one logarithm per sample
// instead of one per band. Ratios beyond +-300 dB take the per-band path so the
// product can neither overflow nor lose precision.
constexpr double kTenOverLn10 = 4.342944819032518;
constexpr double kProductRatioMin = 1e-30;
constexpr double kProductRatioMax = 1e30;

double squaredDistance(const QPointF &a, const QPointF &b)
{
    const double dx = a.x() - b.x();
    const double dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

bool finitePoint(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

bool EQCurveEditor::computeBiquad(const QString &type, double frequency, double q, double gainDb, Biquad &out)
{
    out = Biquad{};
    const FilterShape shape = shapeOf(type);
    if (shape == FilterShape::Disable)
        return true;
    // A NaN would poison every sample of the summed curve; such a band draws flat.
    const bool usesGain = shape != FilterShape::LowPass && shape != FilterShape::HighPass;
    if (std::isnan(frequency) || std::isnan(q) || (usesGain && !std::isfinite(gainDb)))
        return true;

    double qd = q > kDesignMaxQ ? kDesignMaxQ : q;
    if (qd < kDesignMinQ)
        qd = kDesignMinQ;
    double fd = frequency > kDesignMaxHz ? kDesignMaxHz : frequency;
    if (fd < kDesignMinHz)
        fd = kDesignMinHz;
    const double w0 = fd * kTwoPi / kSampleRate;
    const double c = std::cos(w0);
    const double s = std::sin(w0);

    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
    switch (shape) {
    case FilterShape::Peaking: {
        const double A = std::pow(10.0, gainDb / 40.0);
        const double alpha = s / (2.0 * qd);
        b0 = 1.0 + alpha * A;
        b1 = -2.0 * c;
        b2 = 1.0 - alpha * A;
        a0 = 1.0 + alpha / A;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha / A;
        break;
    }
    case FilterShape::LowPass: {
        const double alpha = s / (2.0 * qd);
        b0 = (1.0 - c) / 2.0;
        b1 = 1.0 - c;
        b2 = (1.0 - c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    }
    case FilterShape::HighPass: {
        const double alpha = s / (2.0 * qd);
        b0 = (1.0 + c) / 2.0;
        b1 = -(1.0 + c);
        b2 = (1.0 + c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    }
    case FilterShape::LowShelf:
    case FilterShape::HighShelf: {
        const double A = std::pow(10.0, gainDb / 40.0);
        const double S = qd;
        const double alpha = (s / 2.0) * std::sqrt(std::max(0.0, (A + 1.0 / A) * (1.0 / S - 1.0) + 2.0));
        const double k = 2.0 * std::sqrt(A) * alpha;
        if (shape == FilterShape::LowShelf) {
            b0 = A * ((A + 1.0) - (A - 1.0) * c + k);
            b1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * c);
            b2 = A * ((A + 1.0) - (A - 1.0) * c - k);
            a0 = (A + 1.0) + (A - 1.0) * c + k;
            a1 = -2.0 * ((A - 1.0) + (A + 1.0) * c);
            a2 = (A + 1.0) + (A - 1.0) * c - k;
        } else {
            b0 = A * ((A + 1.0) + (A - 1.0) * c + k);
            b1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * c);
            b2 = A * ((A + 1.0) + (A - 1.0) * c - k);
            a0 = (A + 1.0) - (A - 1.0) * c + k;
            a1 = 2.0 * ((A - 1.0) - (A + 1.0) * c);
            a2 = (A + 1.0) - (A - 1.0) * c - k;
        }
        break;
    }
    case FilterShape::Disable:
        break;
    }
    out = Biquad{b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
    return true;
}

double EQCurveEditor::biquadMagnitudeDb(const Biquad &section, double frequency, double sampleRate)
{
    const double w = frequency * kTwoPi / sampleRate;
    return magnitudeDb(section, std::cos(w), std::sin(w), std::cos(2.0 * w), std::sin(2.0 * w));
}

QList<QPointF> EQCurveEditor::sampleResponse(const QList<Biquad> &sections)
{
    const auto &g = grid();
    QList<QPointF> curve;
    curve.reserve(kCurvePointCount);
    const bool fewEnough = sections.size() <= 10;
    for (const GridPoint &p : g) {
        double y = 0.0;
        bool summed = false;
        if (fewEnough) {
            double product = 1.0;
            bool inRange = true;
            for (const Biquad &s : sections) {
                const double r = powerRatio(s, p.cw, p.sw, p.c2w, p.s2w);
                inRange = inRange && r >= kProductRatioMin && r <= kProductRatioMax;
                product *= r;
            }
            if (inRange) {
                y = kTenOverLn10 * std::log(product);
                summed = true;
            }
        }
        if (!summed) {
            for (const Biquad &s : sections)
                y += magnitudeDb(s, p.cw, p.sw, p.c2w, p.s2w);
        }
        curve.append(QPointF(p.x, y));
    }
    return curve;
}

void EQCurveEditor::clipPolyline(const QList<QPointF> &curve, double xMin, double xMax, double yMin, double yMax,
                                 QList<QList<QPointF>> &runs)
{
    runs.clear();
    if (curve.size() < 2)
        return;
    QList<QPointF> run;
    for (qsizetype i = 0; i + 1 < curve.size(); ++i) {
        const QPointF p0 = curve.at(i);
        const QPointF p1 = curve.at(i + 1);
        if (!finitePoint(p0) || !finitePoint(p1))
            continue;
        const double dx = p1.x() - p0.x();
        const double dy = p1.y() - p0.y();
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {p0.x() - xMin, xMax - p0.x(), p0.y() - yMin, yMax - p0.y()};
        double t0 = 0.0;
        double t1 = 1.0;
        bool dropped = false;
        for (int k = 0; k < 4 && !dropped; ++k) {
            if (std::fabs(p[k]) <= kParallelEps) {
                dropped = q[k] < 0.0;
                continue;
            }
            const double r = q[k] / p[k];
            if (p[k] < 0.0) {
                if (r > t1)
                    dropped = true;
                else
                    t0 = std::max(t0, r);
            } else {
                if (r < t0)
                    dropped = true;
                else
                    t1 = std::min(t1, r);
            }
        }
        if (dropped || t0 > t1)
            continue;
        const QPointF c0(p0.x() + t0 * dx, p0.y() + t0 * dy);
        const QPointF c1(p0.x() + t1 * dx, p0.y() + t1 * dy);
        if (squaredDistance(c0, c1) < kTouchEps)
            continue;
        if (run.isEmpty()) {
            run = {c0, c1};
        } else if (squaredDistance(run.constLast(), c0) < kTouchEps) {
            run.append(c1);
        } else {
            if (run.size() >= 2)
                runs.append(run);
            run = {c0, c1};
        }
    }
    if (run.size() >= 2)
        runs.append(run);
}
