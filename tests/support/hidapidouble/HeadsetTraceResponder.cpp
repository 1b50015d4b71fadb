#include "tests/support/hidapidouble/HeadsetTraceResponder.h"

#include "tests/support/virtualheadset/EqRecord.h"

#include <iomanip>
#include <sstream>

namespace VirtualDevices {

namespace {

std::string basicInfoName(std::uint8_t type)
{
    switch (type) {
    case 0x01: return "battery";
    case 0x02: return "name";
    case 0x03: return "EQ";
    case 0x04: return "receiver firmware";
    case 0x05: return "headset firmware";
    case 0x06: return "tone volume";
    case 0x07: return "volume lock";
    case 0x08: return "surround";
    case 0x09: return "link";
    case 0x0B: return "device id";
    case 0xFF: return "identity";
    default: break;
    }
    std::ostringstream text;
    text << "type 0x" << std::hex << std::setw(2) << std::setfill('0') << int(type);
    return text.str();
}

std::string describeEq(const EqRecord &eq)
{
    std::ostringstream text;
    text << "index " << int(eq.index) << ", " << int(eq.bandCount) << " bands";
    text << std::fixed << std::setprecision(1);
    for (std::size_t i = 0; i < eq.frequencies.size() && i < eq.gains.size(); ++i)
        text << (i == 0 ? ": " : " ") << eq.frequencies[i] << "Hz " << std::showpos << eq.gains[i] / 100.0
             << std::noshowpos << "dB";
    if (eq.totalGain != 0)
        text << ", total " << std::showpos << eq.totalGain / 10.0 << std::noshowpos << "dB";
    return text.str();
}

} // namespace

HeadsetTraceResponder::HeadsetTraceResponder(std::shared_ptr<VirtualHeadset> headset, std::FILE *out)
    : m_headset(std::move(headset)), m_out(out)
{
}

std::string HeadsetTraceResponder::describe(const HostRequest &request, const HeadsetState &after)
{
    std::ostringstream line;
    switch (request.command) {
    case 0x10: {
        const std::uint8_t type = request.payload.empty() ? 0 : request.payload[0];
        line << "asked for " << basicInfoName(type);
        if (type == 0x01)
            line << ": " << int(after.batteryLeft & 0x7F) << "%" << ((after.batteryLeft & 0x80) ? " charging" : "");
        else if (type == 0x02)
            line << ": " << after.name;
        else if (type == 0x05)
            line << ": " << after.headsetFirmware;
        else if (type == 0x04)
            line << ": " << after.receiverFirmware;
        break;
    }
    case 0x20: {
        const auto sent = decodeEqRecord(request.payload);
        if (!sent || request.payload != after.eq)
            return "EQ refused (unreadable record)";
        line << "EQ stored: " << describeEq(*sent);
        break;
    }
    case 0x21: line << "factory reset"; break;
    case 0x22: line << "renamed to " << after.name; break;
    case 0x23: line << "tone volume " << int(after.toneVolume); break;
    case 0x24: line << "surround set"; break;
    case 0x25: line << "volume lock set"; break;
    case 0x26: line << "receiver unbound"; break;
    case 0x27: return {};
    case 0x0B: line << "asked for device id"; break;
    case 0x07: line << "asked for identity"; break;
    default:
        line << "command 0x" << std::hex << std::setw(4) << std::setfill('0') << request.command;
        break;
    }
    return line.str();
}

void HeadsetTraceResponder::onHostReport(const Report &report, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    m_headset->onHostReport(report, now);
    const auto requests = m_headset->requests();
    if (requests.empty())
        return;
    // Only this responder reads the log, so it stays short.
    m_headset->clearLog();
    const HeadsetState state = m_headset->state();
    for (const HostRequest &request : requests) {
        const std::string line = describe(request, state);
        if (!line.empty())
            std::fprintf(m_out, "[VirtualHeadset] %s\n", line.c_str());
    }
    std::fflush(m_out);
}

std::optional<Report> HeadsetTraceResponder::takeDeviceReport(Clock::time_point now)
{
    return m_headset->takeDeviceReport(now);
}

std::optional<Clock::time_point> HeadsetTraceResponder::nextDueTime() const
{
    return m_headset->nextDueTime();
}

void HeadsetTraceResponder::setReportReadyCallback(std::function<void()> callback)
{
    m_headset->setReportReadyCallback(std::move(callback));
}

} // namespace VirtualDevices
