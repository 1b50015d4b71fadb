#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace VirtualDevices {

// Normalised biquad (a0 = 1) in the textbook sign convention:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2].
struct QorBiquad
{
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    // Magnitude in dB at `frequencyHz` for the given sample rate.
    double magnitudeDb(double frequencyHz, double sampleRate) const;
};

// One hardware filter slot as the decoder holds it.
struct QorFilterSlot
{
    bool written = false;
    std::uint8_t kind = 0; // 0 bypass, 1 low shelf, 2 peaking, 3 high shelf, 4 low-pass, 5 high-pass
    std::uint16_t fcHz = 0;
    std::uint16_t qWord = 0;     // Q x 256
    std::int16_t gainWord = 0;   // dB x 256
    std::int8_t gainOffsetDb = 0;
    std::uint8_t eqNumber = 0;
    std::array<std::int32_t, 5> words{}; // as received: b0, b1, b2, -a1, -a2 in Q2.30
    QorBiquad biquad;                    // decoded from `words`

    double q() const { return qWord / 256.0; }
    double gainDb() const { return gainWord / 256.0; }
};

// The Qor USB decoder's EQ input, written from the report layout alone (it
// shares no code with the production encoder). It takes the eleven 64-byte
// reports of an EQ write (8 x 0x09 filter, 0x03 gain, 0x0A, 0x01), checks each
// report's layout and the order of the write, decodes the coefficient words
// back to biquads and keeps them per slot. A report with a layout fault is
// recorded in errors() and not applied; a filter report is applied as soon as
// it arrives, as on the device, so a write cut short leaves its first slots.
// It never answers: the decoder sends nothing back on this path.
class VirtualQorDevice : public IReportResponder
{
public:
    static constexpr double kSampleRate = 96000.0;
    static constexpr std::size_t kReportSize = 64;
    static constexpr int kSlots = 8;

    VirtualQorDevice() = default;

    void onHostReport(const Report &report, Clock::time_point now) override;
    std::optional<Report> takeDeviceReport(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDueTime() const override;
    void setReportReadyCallback(std::function<void()> callback) override;

    std::array<QorFilterSlot, kSlots> filterSlots() const;
    // Overall gain from the last 0x03 report, in dB (0 before any).
    double overallGainDb() const;
    std::int16_t overallGainWord() const;
    // Writes that arrived complete and in order with no fault.
    int completedWrites() const;
    // Packet ids of every report taken in, in arrival order (faulty ones included).
    std::vector<std::uint8_t> packetLog() const;
    std::vector<std::string> errors() const;

    // Response of the eight slots in dB, with or without the overall gain.
    double filterResponseDb(double frequencyHz) const;
    double responseDb(double frequencyHz) const;

    void reset();

private:
    enum class Step { Filter, Gain, Control0A, Control01 };

    void fault(const std::string &text);
    bool checkFraming(const Report &report);
    void takeFilter(const Report &report);
    void takeGain(const Report &report);
    void takeControl0A(const Report &report);
    void takeControl01();
    void expectStep(Step step, int slot = 0);
    void breakWrite();

    mutable std::mutex m_mutex;
    std::array<QorFilterSlot, kSlots> m_slots{};
    std::int16_t m_gainWord = 0;
    int m_completedWrites = 0;
    std::vector<std::uint8_t> m_packetLog;
    std::vector<std::string> m_errors;
    std::size_t m_reportNumber = 0;

    // Progress of the write in flight: the step expected next.
    Step m_nextStep = Step::Filter;
    int m_nextSlot = 0;
    bool m_writeIntact = false;
    std::int8_t m_writeGainOffset = 0;
    std::uint8_t m_writeEqNumber = 0;

    std::function<void()> m_reportReady;
};

} // namespace VirtualDevices
