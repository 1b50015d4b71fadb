#pragma once

#include "eq/ICustomEqBandEditor.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

// The curve editor as the slot store sees it: band slots with the editor's
// limits (gain +-8 dB, +-10 dB in custom mode; Q 0.1..5; loaded frequencies
// kept as given), its default curves, and counters of the calls made.
class FakeCurveEditor : public ICustomEqBandEditor
{
public:
    struct Band
    {
        double freq = 0.0;
        double gain = 0.0;
        double q = 0.7;
        QString type = QStringLiteral("Peaking");
    };

    FakeCurveEditor();

    // The Qor custom mode; the store never switches it, the page does.
    void setCustomMode(bool on) { m_custom = on; }
    // Puts a band (or an empty slot) straight into slot k.
    void setBand(int k, std::optional<Band> band) { m_bands[static_cast<size_t>(k)] = band; }
    std::optional<Band> band(int k) const { return m_bands[static_cast<size_t>(k)]; }

    int maximumBandCount() const override { return m_max; }
    QPointF bandPoint(int slot) const override;
    double bandQ(int slot) const override;
    QString bandType(int slot) const override;
    void setBandCount(int count) override;
    void setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                  const QList<QString> &types) override;
    void resetToDefault() override;

    int resetCalls = 0;
    int setBandsCalls = 0;
    int setBandCountCalls = 0;

private:
    const Band *slotBand(int slot) const;
    double clampGain(double gain) const;
    void fillDefaults(int count);

    int m_max = 10;
    bool m_custom = false;
    std::array<std::optional<Band>, 10> m_bands;
};
