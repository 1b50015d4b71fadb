#!/usr/bin/env python3
"""Expected wire words of single-band Qor EQ writes, for tst_qaspwirewords.

Computed from the decoder's filter formulas on their own, not from the
encoder: each band is snapped (fc whole Hz in 20..20000, Q two decimals, gain
one decimal, halves away from zero), designed at 96 kHz in double precision,
normalised by a0 and quantised to Q2.30 with llround; a1 and a2 travel
negated. Q and gain pass through single precision before their Q8.8 words.
A high-shelf boost of +g dB goes out as the low-shelf cut of -g dB with the
high shelf's slope (kind 1, gain -g), the overall gain raised by g rounded up
to whole dB and the remainder taken off the b coefficients.

Run it and paste the printed rows into the test's table:

    python3 tools/qasp_wire_words.py
"""
import math
import struct

FS = 96000.0
TWO_PI = 6.283185307179586
Q30 = 1073741824.0
# The decoder's fixed shelf slopes enter as (1/S - 1): S = 0.8 low, 0.7071 high.
LOW_SHELF_SLOPE_TERM = 0.25
HIGH_SHELF_SLOPE_TERM = 0.41422712487625524

# name, kind (0 off, 1 low shelf, 2 peaking, 3 high shelf, 4 low-pass, 5 high-pass),
# fc Hz, gain in 0.01 dB, Q x 100, total gain in 0.1 dB
BANDS = [
    ("peaking +6 dB at 1 kHz", 2, 1000, 600, 141, 0),
    ("peaking -2.25 dB rounds to -2.3", 2, 250, -225, 200, 0),
    ("peaking +0.05 dB rounds to +0.1", 2, 4000, 5, 71, 0),
    ("peaking -0.05 dB rounds to -0.1", 2, 63, -5, 1000, 0),
    ("peaking Q 0.10", 2, 500, -1200, 10, 25),
    ("peaking Q 10.00", 2, 19999, 1200, 1000, -25),
    ("low shelf +4.5 dB", 1, 100, 450, 71, 0),
    ("low shelf -12 dB", 1, 20, -1200, 500, 120),
    ("high shelf -6 dB", 3, 8000, -600, 71, 0),
    ("high shelf +0.15 dB rounds to +0.2, carried", 3, 12000, 15, 30, -120),
    ("high shelf +6 dB at 1 kHz, carried", 3, 1000, 600, 71, 25),
    ("low-pass Q 0.71", 4, 12000, 0, 71, 0),
    ("low-pass Q 1.99", 4, 150, 300, 199, 0),
    ("high-pass Q 0.50", 5, 80, 0, 50, 0),
]


def round_half_away(x):
    return math.floor(x + 0.5) if x >= 0 else -math.floor(-x + 0.5)


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def design(kind, fc, q, gain, low_shelf_slope_term=LOW_SHELF_SLOPE_TERM, b_scale=1.0):
    w0 = fc * TWO_PI / FS
    c, s = math.cos(w0), math.sin(w0)
    if kind == 1:
        a = 10 ** (gain / 40.0)
        alpha = s / 2.0 * math.sqrt((a + 1.0 / a) * low_shelf_slope_term + 2.0)
        k = 2.0 * math.sqrt(a) * alpha
        b = (a * ((a + 1) - (a - 1) * c + k), 2 * a * ((a - 1) - (a + 1) * c), a * ((a + 1) - (a - 1) * c - k))
        den = ((a + 1) + (a - 1) * c + k, -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - k)
    elif kind == 2:
        a = math.sqrt(10 ** (gain / 20.0))
        alpha = s / (2.0 * max(q, 0.000001))
        b = (1 + alpha * a, -2 * c, 1 - alpha * a)
        den = (1 + alpha / a, -2 * c, 1 - alpha / a)
    elif kind == 3:
        a = 10 ** (gain / 40.0)
        alpha = s / 2.0 * math.sqrt((a + 1.0 / a) * HIGH_SHELF_SLOPE_TERM + 2.0)
        k = 2.0 * math.sqrt(a) * alpha
        b = (a * ((a + 1) + (a - 1) * c + k), -2 * a * ((a - 1) + (a + 1) * c), a * ((a + 1) + (a - 1) * c - k))
        den = ((a + 1) - (a - 1) * c + k, 2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - k)
    else:
        alpha = s / (2.0 * max(q, 0.000001))
        if kind == 4:
            b = ((1 - c) / 2, 1 - c, (1 - c) / 2)
        else:
            b = ((1 + c) / 2, -(1 + c), (1 + c) / 2)
        den = (1 + alpha, -2 * c, 1 - alpha)
    a0 = den[0]
    values = (b[0] / a0 * b_scale, b[1] / a0 * b_scale, b[2] / a0 * b_scale, den[1] / a0, den[2] / a0)
    words = [int(round_half_away(v * Q30)) for v in values]
    for w in words:
        assert -2**31 <= w < 2**31, "coefficient outside Q2.30"
    return words[0], words[1], words[2], -words[3], -words[4]


def main():
    for name, kind, fc_raw, gain_raw, q_raw, total in BANDS:
        fc = min(max(int(round_half_away(fc_raw)), 20), 20000)
        q = round_half_away(q_raw / 100.0 * 100.0) / 100.0
        gain = round_half_away(gain_raw / 100.0 * 10.0) / 10.0
        offset = int(round_half_away(total / 10.0))
        wire_kind = kind
        if kind == 3 and gain > 0:
            carried = math.ceil(round(gain * 10) / 10.0)
            wire_kind, offset = 1, offset + carried
            words = design(1, fc, q, -gain, HIGH_SHELF_SLOPE_TERM, 10 ** (-(carried - gain) / 20.0))
            gain = -gain
        else:
            words = design(kind, fc, q, gain)
        q_word = int(round_half_away(round_half_away(f32(q) * 100.0) / 100.0 * 256.0))
        gain_word = int(round_half_away(round_half_away(f32(gain) * 10.0) / 10.0 * 256.0))
        print('        row("%s", %d, %d, %d, %d, %d, {%s}, %d, %d, %d, %d);'
              % (name, kind, fc_raw, gain_raw, q_raw, total, ", ".join(str(w) for w in words), q_word,
                 gain_word, offset, wire_kind))


if __name__ == "__main__":
    main()
