#pragma once

#include <QMetaType>
#include <QString>

#include <functional>

namespace HeadsetProtocol {

// Kind of a frame (byte 4 of the header). Received values outside 1-3 are kept
// as they are so the handler can report them.
enum class CommandType : quint8 {
    Request = 1,
    Response = 2,
    Notify = 3,
};

enum class ResponseStatus : quint8 {
    Success = 0,
    Failure = 1,
};

enum class CommandDirection : quint8 {
    HostOnly = 0,      // the host sends it and awaits no response
    DeviceToHost = 1,  // only the device sends it
    Bidirectional = 2, // the host asks, the device answers
};

// Log levels of the protocol layer's callbacks and `logMessage` signal.
enum LogLevel : int {
    LogDebug = 0,
    LogInfo = 1,
    LogWarning = 2,
    LogError = 3,
};

// (message, level 0-3). An empty callback logs nothing.
using LogCallback = std::function<void(const QString &message, int level)>;

inline void emitLog(const LogCallback &log, const QString &message, int level)
{
    if (log)
        log(message, level);
}

// Lower-case hexadecimal without leading zeros, as every protocol log text writes numbers.
inline QString hex(quint64 value)
{
    return QString::number(value, 16);
}

} // namespace HeadsetProtocol

Q_DECLARE_METATYPE(HeadsetProtocol::CommandType)
Q_DECLARE_METATYPE(HeadsetProtocol::ResponseStatus)
