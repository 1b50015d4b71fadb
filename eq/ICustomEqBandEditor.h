#pragma once

#include <QList>
#include <QPointF>
#include <QString>

// What the custom slot store needs of the curve editor: its band slots, read
// back for saving, and the three calls that put a curve into it. The custom EQ
// page hands the store an adapter over its `EQCurveEditor`.
class ICustomEqBandEditor
{
public:
    virtual ~ICustomEqBandEditor() = default;

    // Number of band slots: 10 in standard mode, 1..8 in the Qor custom mode.
    virtual int maximumBandCount() const = 0;
    // (frequency in Hz, gain in dB); (0, 0) for a slot without a point.
    virtual QPointF bandPoint(int slot) const = 0;
    // 0.7 for a slot without a point.
    virtual double bandQ(int slot) const = 0;
    // A display name ("Peaking", "Low Pass", ...); "Peaking" for a slot without a point.
    virtual QString bandType(int slot) const = 0;

    virtual void setBandCount(int count) = 0;
    virtual void setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                          const QList<QString> &types) = 0;
    virtual void resetToDefault() = 0;
};
