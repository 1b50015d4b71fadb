#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace FakeApi {

// A misbehaviour the server shows on one route instead of a clean answer.
struct Fault
{
    enum class Kind {
        HttpStatus,       // answer with `httpStatus`, body unchanged
        EmptyBody,        // 200 with no body
        NonJson,          // 200 with an HTML body
        JsonArray,        // 200 with a JSON array
        ErrorCodeString,  // the envelope's "errorCode" sent as the text `errorCodeText`
        Delay,            // answer normally after `delayMs`
        Stall,            // read the request, never answer
        Trickle,          // headers at once, then the body `chunkBytes` every `intervalMs`
        CloseMidBody,     // headers and half the body, then the connection is dropped
        Redirect,         // `httpStatus` (302 unless set) to `location`
        RawBody,          // 200 with `rawBody` in place of the envelope
        Overstate,        // `announcedBytes` in Content-Length, then the real body; the connection stays open
        Stream,           // no Content-Length: the body, padded with blanks to `padBodyTo`, in `chunkBytes`
                          // pieces every `intervalMs`; the close ends it
        Flood,            // no Content-Length: the body, then blanks up to `floodBytes` (no end when negative),
                          // as fast as the socket takes them, from a thread of its own; chunked, or the close ends it
    };

    Kind kind = Kind::HttpStatus;
    int httpStatus = 500;
    QString errorCodeText;   // ErrorCodeString: empty sends the real code quoted
    int delayMs = 0;
    int intervalMs = 20;     // Trickle
    int chunkBytes = 1;      // Trickle
    int padBodyTo = 0;       // Trickle, Stream: blanks appended so the body lasts long enough
    QString location;        // Redirect: absolute URL or a path on this server
    QByteArray rawBody;      // RawBody
    qint64 announcedBytes = 0; // Overstate
    qint64 floodBytes = -1;  // Flood
    bool chunked = false;    // Flood
    int times = -1;          // requests it applies to; -1 for every one

    static Fault status(int code) { Fault f; f.kind = Kind::HttpStatus; f.httpStatus = code; return f; }
    static Fault of(Kind kind) { Fault f; f.kind = kind; return f; }
    static Fault raw(const QByteArray &body) { Fault f; f.kind = Kind::RawBody; f.rawBody = body; return f; }
    static Fault delay(int ms) { Fault f; f.kind = Kind::Delay; f.delayMs = ms; return f; }
    static Fault trickle(int intervalMs, int padTo)
    {
        Fault f;
        f.kind = Kind::Trickle;
        f.intervalMs = intervalMs;
        f.padBodyTo = padTo;
        return f;
    }
    static Fault overstate(qint64 announced)
    {
        Fault f;
        f.kind = Kind::Overstate;
        f.announcedBytes = announced;
        return f;
    }
    static Fault stream(int totalBytes, int chunkBytes)
    {
        Fault f;
        f.kind = Kind::Stream;
        f.padBodyTo = totalBytes;
        f.chunkBytes = chunkBytes;
        f.intervalMs = 1;
        return f;
    }
    enum class Framing { UntilClose, Chunked };
    static Fault flood(Framing framing, qint64 totalBytes = -1)
    {
        Fault f;
        f.kind = Kind::Flood;
        f.chunked = framing == Framing::Chunked;
        f.floodBytes = totalBytes;
        return f;
    }
    static Fault errorCodeAsText(const QString &text) { Fault f; f.kind = Kind::ErrorCodeString; f.errorCodeText = text; return f; }
    static Fault redirect(const QString &to, int code = 302)
    {
        Fault f;
        f.kind = Kind::Redirect;
        f.location = to;
        f.httpStatus = code;
        return f;
    }
};

} // namespace FakeApi

Q_DECLARE_METATYPE(FakeApi::Fault)
