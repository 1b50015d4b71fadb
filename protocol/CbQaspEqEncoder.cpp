#include "protocol/CbQaspEqEncoder.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Filter design and coefficient coding. Reports live in CbQaspEqEncoderReports.cpp,
// the chain in CbQaspEqEncoderChain.cpp.

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kQ30Scale = 1073741824.0; // 2^30
constexpr double kMinQ = 0.000001;
// Shelf slopes of the decoder's filters enter as (1/S - 1).
constexpr double kLowShelfSlopeTerm = 0.25;                 // S = 0.8
constexpr double kHighShelfSlopeTerm = 0.41422712487625524; // S = 0.7071

constexpr double kQ30Min = static_cast<double>(std::numeric_limits<qint32>::min());
constexpr double kQ30Max = static_cast<double>(std::numeric_limits<qint32>::max());

qint32 saturateToInt32(double value)
{
    // Clamp in double first: llround of an out-of-range value is unspecified.
    if (value <= kQ30Min)
        return std::numeric_limits<qint32>::min();
    if (value >= kQ30Max)
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(std::clamp<long long>(std::llround(value), std::numeric_limits<qint32>::min(),
                                                     std::numeric_limits<qint32>::max()));
}

// One second-order section before the division by a0.
struct Section
{
    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
};

// The cookbook low shelf; the slope enters as (1/S - 1).
Section lowShelf(double c, double s, double gainDb, double slopeTerm)
{
    const double A = std::pow(10.0, gainDb / 40.0);
    const double alpha = s / 2.0 * std::sqrt((A + 1.0 / A) * slopeTerm + 2.0);
    const double k = 2.0 * std::sqrt(A) * alpha;
    return {A * ((A + 1) - (A - 1) * c + k),
            2 * A * ((A - 1) - (A + 1) * c),
            A * ((A + 1) - (A - 1) * c - k),
            (A + 1) + (A - 1) * c + k,
            -2 * ((A - 1) + (A + 1) * c),
            (A + 1) + (A - 1) * c - k};
}

bool normalise(const Section &section, double out[5])
{
    const double normalised[5] = {section.b0 / section.a0, section.b1 / section.a0, section.b2 / section.a0,
                                  section.a1 / section.a0, section.a2 / section.a0};
    for (double v : normalised) {
        if (!std::isfinite(v))
            return false;
    }
    std::copy(normalised, normalised + 5, out);
    return true;
}

qint32 negateSaturated(qint32 word)
{
    return static_cast<qint32>(std::min<qint64>(-static_cast<qint64>(word), std::numeric_limits<qint32>::max()));
}

} // namespace

quint16 CbQaspEqEncoder::snapFrequency(double fcHz)
{
    if (!(fcHz >= kMinFcHz)) // also catches NaN
        return kMinFcHz;
    if (fcHz >= kMaxFcHz)
        return kMaxFcHz;
    return static_cast<quint16>(std::clamp<long>(std::lround(fcHz), kMinFcHz, kMaxFcHz));
}

void CbQaspEqEncoder::snapWireValues(quint16 &fc, double &q, double &gainDb)
{
    fc = snapFrequency(fc);
    q = std::round(q * 100.0) / 100.0;
    gainDb = std::round(gainDb * 10.0) / 10.0;
}

bool CbQaspEqEncoder::designCoefficients(QaspFilterKind kind, double fc, double q, double gainDb, double out[5])
{
    if (out == nullptr || !(fc > 0.0))
        return false;

    const double w0 = fc * kTwoPi / kSampleRate;
    const double c = std::cos(w0);
    const double s = std::sin(w0);

    Section section;
    switch (kind) {
    case QaspFilterKind::Disabled:
        break;
    case QaspFilterKind::LowShelf:
        section = lowShelf(c, s, gainDb, kLowShelfSlopeTerm);
        break;
    case QaspFilterKind::Peaking: {
        const double A = std::sqrt(std::pow(10.0, gainDb / 20.0));
        const double alpha = s / (2.0 * std::max(q, kMinQ));
        section = {1 + alpha * A, -2 * c, 1 - alpha * A, 1 + alpha / A, -2 * c, 1 - alpha / A};
        break;
    }
    case QaspFilterKind::HighShelf: {
        const double A = std::pow(10.0, gainDb / 40.0);
        const double alpha = s / 2.0 * std::sqrt((A + 1.0 / A) * kHighShelfSlopeTerm + 2.0);
        const double k = 2.0 * std::sqrt(A) * alpha;
        section = {A * ((A + 1) + (A - 1) * c + k),
                   -2 * A * ((A - 1) + (A + 1) * c),
                   A * ((A + 1) + (A - 1) * c - k),
                   (A + 1) - (A - 1) * c + k,
                   2 * ((A - 1) - (A + 1) * c),
                   (A + 1) - (A - 1) * c - k};
        break;
    }
    case QaspFilterKind::LowPass: {
        const double alpha = s / (2.0 * std::max(q, kMinQ));
        section = {(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha};
        break;
    }
    case QaspFilterKind::HighPass: {
        const double alpha = s / (2.0 * std::max(q, kMinQ));
        section = {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha};
        break;
    }
    default:
        return false;
    }
    return normalise(section, out);
}

bool CbQaspEqEncoder::designHighShelfBoostAsCut(double fc, double boostDb, double out[5])
{
    if (out == nullptr || !(fc > 0.0))
        return false;
    const double w0 = fc * kTwoPi / kSampleRate;
    // A low shelf of -g with the high shelf's slope, times a flat +g, is the
    // high shelf of +g: the two differ only by rounding.
    return normalise(lowShelf(std::cos(w0), std::sin(w0), -boostDb, kHighShelfSlopeTerm), out);
}

bool CbQaspEqEncoder::designBiquad(double sampleRate, QaspFilterKind kind, double fc, double q, double gainDb,
                                   qint32 out[5], bool *saturated)
{
    // The decoder runs at one rate only; the parameter documents the call site.
    Q_UNUSED(sampleRate);
    if (saturated)
        *saturated = false;
    if (out == nullptr || !(fc > 0.0))
        return false;
    if (kind == QaspFilterKind::Disabled) {
        std::fill(out, out + 5, 0);
        return true;
    }
    double c[5];
    if (!designCoefficients(kind, fc, q, gainDb, c))
        return false;
    return packCoefficients(c[0], c[1], c[2], c[3], c[4], out, saturated);
}

bool CbQaspEqEncoder::packCoefficients(double b0, double b1, double b2, double a1, double a2, qint32 out[5],
                                       bool *saturated)
{
    if (out == nullptr)
        return false;
    const double values[5] = {b0, b1, b2, a1, a2};
    for (double v : values) {
        if (!std::isfinite(v))
            return false;
    }
    qint32 words[5];
    bool fits = toQ30Words(values, words);
    fits = fits && words[3] != std::numeric_limits<qint32>::min() && words[4] != std::numeric_limits<qint32>::min();
    if (saturated)
        *saturated = !fits;
    out[0] = words[0];
    out[1] = words[1];
    out[2] = words[2];
    // The decoder adds its feedback terms, so a1 and a2 travel negated.
    out[3] = negateSaturated(words[3]);
    out[4] = negateSaturated(words[4]);
    return true;
}

bool CbQaspEqEncoder::toQ30Words(const double values[5], qint32 out[5])
{
    bool fits = true;
    for (int i = 0; i < 5; ++i) {
        const double scaled = values[i] * kQ30Scale;
        fits = fits && scaled > kQ30Min - 0.5 && scaled < kQ30Max + 0.5;
        out[i] = saturateToInt32(scaled);
    }
    return fits;
}

quint16 CbQaspEqEncoder::toQWord(double q)
{
    const double v = (q > 0.0) ? q : 0.01;
    if (!(v * 256.0 < 65535.0)) // huge or infinite Q: the widest the word holds
        return 65535;
    return static_cast<quint16>(std::clamp<long>(std::lround(v * 256.0), 1, 65535));
}

qint16 CbQaspEqEncoder::toGainWord(double gainDb)
{
    const double v = gainDb * 256.0;
    if (std::isnan(v))
        return 0;
    if (v <= -32768.0)
        return -32768;
    if (v >= 32767.0)
        return 32767;
    return static_cast<qint16>(std::clamp<long>(std::lround(v), -32768, 32767));
}
