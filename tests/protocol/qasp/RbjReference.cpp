#include "tests/protocol/qasp/RbjReference.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace RbjReference {

namespace {

constexpr double kLowShelfSlope = 0.8;
constexpr double kHighShelfSlope = 0.7071;

Biquad normalised(double b0, double b1, double b2, double a0, double a1, double a2)
{
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

} // namespace

Biquad design(Shape shape, double sampleRate, double f0, double q, double gainDb)
{
    const double w0 = 2.0 * std::numbers::pi * f0 / sampleRate;
    const double cosw = std::cos(w0);
    const double sinw = std::sin(w0);
    const double alphaQ = sinw / (2.0 * q);

    switch (shape) {
    case Shape::Peaking: {
        const double A = std::pow(10.0, gainDb / 40.0);
        return normalised(1 + alphaQ * A, -2 * cosw, 1 - alphaQ * A, 1 + alphaQ / A, -2 * cosw, 1 - alphaQ / A);
    }
    case Shape::LowShelf:
    case Shape::HighShelf: {
        const double A = std::pow(10.0, gainDb / 40.0);
        const double slope = shape == Shape::LowShelf ? kLowShelfSlope : kHighShelfSlope;
        const double alpha = sinw / 2.0 * std::sqrt((A + 1 / A) * (1 / slope - 1) + 2);
        const double twoSqrtAAlpha = 2 * std::sqrt(A) * alpha;
        if (shape == Shape::LowShelf) {
            return normalised(A * ((A + 1) - (A - 1) * cosw + twoSqrtAAlpha), 2 * A * ((A - 1) - (A + 1) * cosw),
                              A * ((A + 1) - (A - 1) * cosw - twoSqrtAAlpha),
                              (A + 1) + (A - 1) * cosw + twoSqrtAAlpha, -2 * ((A - 1) + (A + 1) * cosw),
                              (A + 1) + (A - 1) * cosw - twoSqrtAAlpha);
        }
        return normalised(A * ((A + 1) + (A - 1) * cosw + twoSqrtAAlpha), -2 * A * ((A - 1) + (A + 1) * cosw),
                          A * ((A + 1) + (A - 1) * cosw - twoSqrtAAlpha), (A + 1) - (A - 1) * cosw + twoSqrtAAlpha,
                          2 * ((A - 1) - (A + 1) * cosw), (A + 1) - (A - 1) * cosw - twoSqrtAAlpha);
    }
    case Shape::LowPass:
        return normalised((1 - cosw) / 2, 1 - cosw, (1 - cosw) / 2, 1 + alphaQ, -2 * cosw, 1 - alphaQ);
    case Shape::HighPass:
        return normalised((1 + cosw) / 2, -(1 + cosw), (1 + cosw) / 2, 1 + alphaQ, -2 * cosw, 1 - alphaQ);
    }
    return {};
}

double magnitudeDb(const Biquad &f, double frequencyHz, double sampleRate)
{
    const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / sampleRate);
    const std::complex<double> num = f.b0 + z * (f.b1 + z * f.b2);
    const std::complex<double> den = 1.0 + z * (f.a1 + z * f.a2);
    return 20.0 * std::log10(std::abs(num) / std::abs(den));
}

double quantisationBoundDb(const Biquad &f, double frequencyHz, double sampleRate, double coefficientError)
{
    const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / sampleRate);
    const double num = std::abs(f.b0 + z * (f.b1 + z * f.b2));
    const double den = std::abs(1.0 + z * (f.a1 + z * f.a2));
    // Three numerator and two denominator terms, each of unit modulus times the error.
    const double relative = 3.0 * coefficientError / num + 2.0 * coefficientError / den;
    return 20.0 / std::log(10.0) * relative;
}

std::vector<double> octavePoints(int stepsPerOctave)
{
    std::vector<double> points;
    // 20 Hz x 2^(k/n) reaches 20480 Hz at k = 10 n; that last point is the band's top.
    for (int k = 0; k <= 10 * stepsPerOctave; ++k)
        points.push_back(std::min(20.0 * std::exp2(k / double(stepsPerOctave)), 20000.0));
    return points;
}

std::vector<double> thirdOctavePoints()
{
    return octavePoints(3);
}

} // namespace RbjReference
