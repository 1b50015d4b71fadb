#include "tests/fuzz/ReceivePathInput.h"

#include "protocol/Commands.h"
#include "protocol/EQData.h"
#include "protocol/ProtocolHandler.h"

#include <algorithm>
#include <iterator>

namespace ReceivePathInput {

namespace {

constexpr std::size_t MaxReportSize = 65;

quint8 timeStep(qint64 ms)
{
    const auto *at = std::find(std::begin(TimeSteps), std::end(TimeSteps), ms);
    if (at == std::end(TimeSteps))
        qFatal("%lld ms is no time step of a receive-path input", static_cast<long long>(ms));
    return quint8(at - std::begin(TimeSteps));
}

HeadsetProtocol::EQData sampleEq()
{
    HeadsetProtocol::EQData eq;
    eq.index = 101;
    eq.bandCount = 10;
    eq.frequencies = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    eq.gains = {300, 200, 100, 0, -100, -200, 0, 150, 250, 400};
    eq.qValues = {70, 70, 100, 100, 141, 141, 100, 100, 70, 70};
    eq.filterTypes = {4, 1, 1, 1, 1, 1, 1, 1, 1, 5};
    eq.totalGain = -30;
    return eq;
}

} // namespace

Head readHead(const std::uint8_t *data)
{
    Head head;
    head.reportSize = 1 + data[0] % MaxReportSize;
    head.stripReportId = (data[1] & 0x01) != 0;
    head.requests = data[1] & 0xFE;
    head.basicInfoType = data[2];
    return head;
}

QByteArray headBytes(const Head &head)
{
    QByteArray out(int(HeadSize), '\0');
    out[0] = char((head.reportSize - 1) % MaxReportSize);
    out[1] = char(head.requests | (head.stripReportId ? 0x01 : 0x00));
    out[2] = char(head.basicInfoType);
    return out;
}

std::vector<Report> readReports(const std::uint8_t *data, std::size_t size, const Head &head)
{
    std::vector<Report> reports;
    for (std::size_t at = 0; at + ReportHeadSize < size;) {
        Report report;
        report.message = data[at];
        report.readGapMs = TimeSteps[data[at + 1] & 0x0F];
        report.processingDelayMs = TimeSteps[data[at + 1] >> 4];
        at += ReportHeadSize;
        const std::size_t n = std::min(head.reportSize, size - at);
        report.bytes = QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
        reports.push_back(std::move(report));
    }
    return reports;
}

QByteArray reportBytes(const Report &report)
{
    QByteArray out;
    out.append(char(report.message));
    out.append(char(timeStep(report.readGapMs) | (timeStep(report.processingDelayMs) << 4)));
    return out + report.bytes;
}

void sendRequests(HeadsetProtocol::ProtocolHandler &handler, const Head &head)
{
    using namespace HeadsetProtocol;
    if (head.requests & BasicInfo)
        handler.sendGetBasicInfo(head.basicInfoType);
    if (head.requests & Eq)
        handler.sendEqSettings(sampleEq());
    if (head.requests & Name)
        handler.sendSetBluetoothName(QStringLiteral("Nova"));
    if (head.requests & ToneVolume)
        handler.sendSetToneVolume(5);
    if (head.requests & FactoryReset)
        handler.sendFactoryReset();
    if (head.requests & Unbind)
        handler.sendReceiverUnbind();
    if (head.requests & StatusOnly)
        handler.sendRequest(Command::StatusOnly, CommandType::Request, QByteArray(1, '\x01'));
}

} // namespace ReceivePathInput
