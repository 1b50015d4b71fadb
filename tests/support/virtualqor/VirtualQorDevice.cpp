#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>

namespace VirtualDevices {

namespace {

constexpr std::uint8_t kTag = 0x4B;
constexpr std::uint8_t kByte1 = 0x01;
constexpr std::uint8_t kFilterPacket = 0x09;
constexpr std::uint8_t kGainPacket = 0x03;
constexpr std::uint8_t kPacket0A = 0x0A;
constexpr std::uint8_t kPacket01 = 0x01;
constexpr std::size_t kHeader = 4;
constexpr double kQ30 = 1073741824.0;
constexpr double kPi = 3.14159265358979323846;

std::uint16_t u16At(const Report &r, std::size_t at)
{
    return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8));
}

std::int32_t i32At(const Report &r, std::size_t at)
{
    const std::uint32_t v = static_cast<std::uint32_t>(r[at]) | (static_cast<std::uint32_t>(r[at + 1]) << 8)
        | (static_cast<std::uint32_t>(r[at + 2]) << 16) | (static_cast<std::uint32_t>(r[at + 3]) << 24);
    return static_cast<std::int32_t>(v);
}

std::size_t expectedLength(std::uint8_t packetId)
{
    switch (packetId) {
    case kFilterPacket:
        return 33;
    case kGainPacket:
        return 2;
    case kPacket0A:
        return 4;
    case kPacket01:
        return 0;
    default:
        return SIZE_MAX;
    }
}

std::string hexByte(unsigned value)
{
    std::ostringstream s;
    s << "0x" << std::hex << value;
    return s.str();
}

} // namespace

double QorBiquad::magnitudeDb(double frequencyHz, double sampleRate) const
{
    const double w = 2.0 * kPi * frequencyHz / sampleRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = b0 + b1 * z1 + b2 * z2;
    const std::complex<double> den = 1.0 + a1 * z1 + a2 * z2;
    return 20.0 * std::log10(std::abs(num) / std::abs(den));
}

void VirtualQorDevice::onHostReport(const Report &report, Clock::time_point)
{
    std::lock_guard lock(m_mutex);
    ++m_reportNumber;
    m_packetLog.push_back(report.size() > 2 ? report[2] : 0);
    if (!checkFraming(report)) {
        breakWrite();
        return;
    }
    switch (report[2]) {
    case kFilterPacket:
        takeFilter(report);
        break;
    case kGainPacket:
        takeGain(report);
        break;
    case kPacket0A:
        takeControl0A(report);
        break;
    case kPacket01:
        takeControl01();
        break;
    }
}

std::optional<Report> VirtualQorDevice::takeDeviceReport(Clock::time_point)
{
    return std::nullopt;
}

std::optional<Clock::time_point> VirtualQorDevice::nextDueTime() const
{
    return std::nullopt;
}

void VirtualQorDevice::setReportReadyCallback(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_reportReady = std::move(callback); // kept for the seam; this device never reports
}

void VirtualQorDevice::fault(const std::string &text)
{
    m_errors.push_back("report " + std::to_string(m_reportNumber) + ": " + text);
}

bool VirtualQorDevice::checkFraming(const Report &report)
{
    if (report.size() != kReportSize) {
        fault("size " + std::to_string(report.size()) + ", expected 64");
        return false;
    }
    if (report[0] != kTag || report[1] != kByte1) {
        fault("head " + hexByte(report[0]) + " " + hexByte(report[1]) + ", expected 0x4b 0x1");
        return false;
    }
    const std::size_t length = expectedLength(report[2]);
    if (length == SIZE_MAX) {
        fault("unknown packet id " + hexByte(report[2]));
        return false;
    }
    if (report[3] != length) {
        fault("packet " + hexByte(report[2]) + " length " + std::to_string(report[3]) + ", expected "
              + std::to_string(length));
        return false;
    }
    for (std::size_t i = kHeader + length; i < kReportSize; ++i) {
        if (report[i] != 0) {
            fault("non-zero fill byte at " + std::to_string(i));
            return false;
        }
    }
    return true;
}

void VirtualQorDevice::takeFilter(const Report &r)
{
    QorFilterSlot slot;
    slot.written = true;
    const std::uint8_t eqIndex = r[4];
    const std::uint8_t index = r[5];
    for (int i = 0; i < 5; ++i)
        slot.words[i] = i32At(r, 8 + 4 * i);
    slot.fcHz = u16At(r, 28);
    slot.qWord = u16At(r, 30);
    slot.gainWord = static_cast<std::int16_t>(u16At(r, 32));
    slot.kind = r[34];
    slot.gainOffsetDb = static_cast<std::int8_t>(r[35]);
    slot.eqNumber = r[36];

    std::string bad;
    if (eqIndex != 0)
        bad = "EQ_index " + std::to_string(eqIndex);
    else if (index >= kSlots)
        bad = "Filter_index " + std::to_string(index);
    else if (r[6] != 0 || r[7] != 0)
        bad = "reserved bytes not zero";
    else if (slot.kind > 5)
        bad = "Filter_Type " + std::to_string(slot.kind);
    else if (slot.fcHz < 20 || slot.fcHz > 20000)
        bad = "Filter_fc " + std::to_string(slot.fcHz);
    else if (slot.qWord == 0)
        bad = "Filter_Q 0";
    else if (slot.kind == 0 && slot.words != std::array<std::int32_t, 5>{})
        bad = "bypassed filter with coefficients";
    if (!bad.empty()) {
        fault("0x09 " + bad);
        breakWrite();
        return;
    }

    if (slot.kind != 0) {
        slot.biquad = {slot.words[0] / kQ30, slot.words[1] / kQ30, slot.words[2] / kQ30, -slot.words[3] / kQ30,
                       -slot.words[4] / kQ30};
    }

    if (index == 0 && !(m_nextStep == Step::Filter && m_nextSlot == 0)) {
        // A new write replaces one that stopped part way; the device just goes on.
        m_nextStep = Step::Filter;
        m_nextSlot = 0;
    }
    if (index == 0) {
        m_writeIntact = true;
        m_writeGainOffset = slot.gainOffsetDb;
        m_writeEqNumber = slot.eqNumber;
    } else if (m_writeIntact
               && (slot.gainOffsetDb != m_writeGainOffset || slot.eqNumber != m_writeEqNumber)) {
        fault("0x09 slot " + std::to_string(index) + " disagrees with slot 0 on Filter_Gain_Offset or EQ_Number");
        m_writeIntact = false;
    }
    expectStep(Step::Filter, index);
    m_slots[index] = slot;
    m_nextSlot = index + 1;
    m_nextStep = m_nextSlot < kSlots ? Step::Filter : Step::Gain;
}

void VirtualQorDevice::takeGain(const Report &r)
{
    expectStep(Step::Gain);
    m_gainWord = static_cast<std::int16_t>(u16At(r, 4));
    const int expected = std::clamp(m_writeGainOffset * 256, -32767, 32767);
    if (m_writeIntact && m_gainWord != expected) {
        fault("0x03 gain word " + std::to_string(m_gainWord) + " disagrees with Filter_Gain_Offset "
              + std::to_string(m_writeGainOffset));
        m_writeIntact = false;
    }
    m_nextStep = Step::Control0A;
}

void VirtualQorDevice::takeControl0A(const Report &r)
{
    expectStep(Step::Control0A);
    if (r[4] != 0x00 || r[5] != 0x00 || r[6] != 0xFF || r[7] != 0xFF) {
        fault("0x0A payload is not 00 00 FF FF");
        m_writeIntact = false;
    }
    m_nextStep = Step::Control01;
}

void VirtualQorDevice::takeControl01()
{
    expectStep(Step::Control01);
    if (m_writeIntact)
        ++m_completedWrites;
    breakWrite();
}

void VirtualQorDevice::expectStep(Step step, int slot)
{
    if (m_nextStep == step && (step != Step::Filter || m_nextSlot == slot))
        return;
    static const char *const names[] = {"0x09", "0x03", "0x0A", "0x01"};
    std::string expected = names[static_cast<int>(m_nextStep)];
    if (m_nextStep == Step::Filter)
        expected += " slot " + std::to_string(m_nextSlot);
    std::string got = names[static_cast<int>(step)];
    if (step == Step::Filter)
        got += " slot " + std::to_string(slot);
    fault("out of order: " + got + ", expected " + expected);
    m_writeIntact = false;
}

void VirtualQorDevice::breakWrite()
{
    m_nextStep = Step::Filter;
    m_nextSlot = 0;
    m_writeIntact = false;
}

std::array<QorFilterSlot, VirtualQorDevice::kSlots> VirtualQorDevice::filterSlots() const
{
    std::lock_guard lock(m_mutex);
    return m_slots;
}

double VirtualQorDevice::overallGainDb() const
{
    std::lock_guard lock(m_mutex);
    return m_gainWord / 256.0;
}

std::int16_t VirtualQorDevice::overallGainWord() const
{
    std::lock_guard lock(m_mutex);
    return m_gainWord;
}

int VirtualQorDevice::completedWrites() const
{
    std::lock_guard lock(m_mutex);
    return m_completedWrites;
}

std::vector<std::uint8_t> VirtualQorDevice::packetLog() const
{
    std::lock_guard lock(m_mutex);
    return m_packetLog;
}

std::vector<std::string> VirtualQorDevice::errors() const
{
    std::lock_guard lock(m_mutex);
    return m_errors;
}

double VirtualQorDevice::filterResponseDb(double frequencyHz) const
{
    std::lock_guard lock(m_mutex);
    double db = 0.0;
    for (const QorFilterSlot &slot : m_slots) {
        if (slot.written && slot.kind != 0)
            db += slot.biquad.magnitudeDb(frequencyHz, kSampleRate);
    }
    return db;
}

double VirtualQorDevice::responseDb(double frequencyHz) const
{
    return filterResponseDb(frequencyHz) + overallGainDb();
}

void VirtualQorDevice::reset()
{
    std::lock_guard lock(m_mutex);
    m_slots = {};
    m_gainWord = 0;
    m_completedWrites = 0;
    m_packetLog.clear();
    m_errors.clear();
    m_reportNumber = 0;
    breakWrite();
}

} // namespace VirtualDevices
