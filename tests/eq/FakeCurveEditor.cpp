#include "tests/eq/FakeCurveEditor.h"

#include <algorithm>
#include <cmath>

namespace {
const double standardFreqs[] = {2900, 5328, 40, 100, 9000, 20, 200, 250, 140, 270};
const double standardGains[] = {3.0, -4.0, -2.0, -3.5, -3.0, -6.0, 3.0, 3.5, 1.0, 0.0};
const double standardQs[] = {2.5, 1.5, 1.0, 2.0, 4.0, 0.8, 2.0, 1.0, 1.0, 3.5};
const double qorFreqs[] = {20, 60, 200, 600, 2000, 6000, 12000, 20000};
} // namespace

FakeCurveEditor::FakeCurveEditor()
{
    fillDefaults(m_max);
}

const FakeCurveEditor::Band *FakeCurveEditor::slotBand(int slot) const
{
    if (slot < 0 || slot >= m_max || !m_bands[static_cast<size_t>(slot)])
        return nullptr;
    return &*m_bands[static_cast<size_t>(slot)];
}

QPointF FakeCurveEditor::bandPoint(int slot) const
{
    const Band *b = slotBand(slot);
    return b ? QPointF(b->freq, b->gain) : QPointF(0, 0);
}

double FakeCurveEditor::bandQ(int slot) const
{
    const Band *b = slotBand(slot);
    return b ? b->q : 0.7;
}

QString FakeCurveEditor::bandType(int slot) const
{
    const Band *b = slotBand(slot);
    return b ? b->type : QStringLiteral("Peaking");
}

double FakeCurveEditor::clampGain(double gain) const
{
    const double limit = m_custom ? 10.0 : 8.0;
    return std::clamp(gain, -limit, limit);
}

void FakeCurveEditor::fillDefaults(int count)
{
    m_bands.fill(std::nullopt);
    for (int i = 0; i < count; ++i) {
        Band b;
        if (m_custom) {
            b.freq = i < 8 ? qorFreqs[i] : 1000.0;
        } else {
            b.freq = i < 10 ? standardFreqs[i] : 1000.0;
            b.gain = clampGain(i < 10 ? standardGains[i] : 0.0);
            b.q = i < 10 ? standardQs[i] : 0.7;
        }
        m_bands[static_cast<size_t>(i)] = b;
    }
}

void FakeCurveEditor::setBandCount(int count)
{
    ++setBandCountCalls;
    m_max = m_custom ? std::clamp(count, 1, 8) : 10;
    fillDefaults(m_max);
}

void FakeCurveEditor::setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                               const QList<QString> &types)
{
    ++setBandsCalls;
    if (m_custom && (freqs.size() != m_max || qs.size() != m_max || gains.size() != m_max || types.size() != m_max))
        return;
    m_bands.fill(std::nullopt);
    for (int i = 0; i < m_max; ++i) {
        Band b;
        b.freq = i < freqs.size() ? freqs[i] : 20.0;
        b.q = std::clamp(i < qs.size() ? qs[i] : 0.7, 0.1, 5.0);
        b.gain = clampGain(i < gains.size() ? gains[i] : 0.0);
        if (i < types.size() && !types[i].isEmpty())
            b.type = types[i];
        if (std::abs(b.freq) < 1e-12 && std::abs(b.gain) < 1e-12)
            continue;
        if (b.freq <= 0)
            b.freq = 20.0;
        m_bands[static_cast<size_t>(i)] = b;
    }
}

void FakeCurveEditor::resetToDefault()
{
    ++resetCalls;
    fillDefaults(std::min(m_max, m_custom ? 8 : 10));
}
