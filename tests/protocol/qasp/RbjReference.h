#pragma once

#include <vector>

// Textbook biquad designs (the audio-EQ cookbook) in double precision, kept
// apart from the production encoder so tests can hold it against them.
namespace RbjReference {

enum class Shape { LowShelf = 1, Peaking = 2, HighShelf = 3, LowPass = 4, HighPass = 5 };

// Normalised (a0 = 1): y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
struct Biquad
{
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// The decoder's shelves have fixed slopes (S = 0.8 low, 0.7071 high); Q is
// then unused.
Biquad design(Shape shape, double sampleRate, double f0, double q, double gainDb);
double magnitudeDb(const Biquad &filter, double frequencyHz, double sampleRate);

// First-order bound, in dB, of how far |H| at `frequencyHz` can move when each
// coefficient is off by at most `coefficientError` (half a fixed-point step).
double quantisationBoundDb(const Biquad &filter, double frequencyHz, double sampleRate, double coefficientError);

// 1/n-octave points from 20 Hz to 20 kHz, both ends included.
std::vector<double> octavePoints(int stepsPerOctave);
std::vector<double> thirdOctavePoints();

} // namespace RbjReference
