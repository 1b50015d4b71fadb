#pragma once

#include <QString>

#include <deque>

// Follows Qor EQ chains from the transport's send queue to the device. The
// HID I/O thread writes the queued reports in order and reports each write;
// a chain is delivered only when every one of its reports was written in
// full, and fails at its first report that was not. Chains may overlap: the
// transport writes them one after another, so each write belongs to the
// oldest chain that still waits for reports.
class HidProtocolServiceQorDelivery
{
public:
    enum class Result {
        None,      // nothing to report yet
        Delivered, // the chain's last report was written and none failed
        Failed,    // the chain's first failed report
    };

    struct Outcome
    {
        Result result = Result::None;
        QString deviceId;
    };

    // A chain whose reports are about to be handed to the transport.
    // `refusalHitsOldest`: when the transport's queue is full, it drops its
    // oldest packet instead of refusing the new one.
    void beginChain(const QString &deviceId, bool refusalHitsOldest);
    // A write outcome. While a chain is being handed over it is the transport
    // answering at once (a refused or dropped packet); later it comes from
    // the I/O thread.
    Outcome reportWritten(bool delivered);
    // The chain being handed over is complete: `handed` reports reached the
    // transport. `alreadyReported`: its failure was reported otherwise.
    Outcome endChain(int handed, bool alreadyReported);
    // The device went away: its queue is gone with it. Returns the chains
    // that had not reported an outcome yet, oldest first.
    std::deque<QString> abandonAll();
    // The transport moved to `deviceId`, dropping the queue of the device it
    // left: the chains of every other device are abandoned the same way.
    std::deque<QString> abandonOthers(const QString &deviceId);

    int openChains() const { return static_cast<int>(m_chains.size()); }

private:
    struct Chain
    {
        QString deviceId;
        int expected = -1; // reports handed to the transport; -1 while being handed over
        int settled = 0;   // write outcomes seen
        bool failed = false;
        bool reported = false;
    };

    Outcome settle(Chain &chain, bool delivered);
    Outcome popIfComplete();

    std::deque<Chain> m_chains;
    bool m_handingOver = false;
    bool m_refusalHitsOldest = false;
    Outcome m_handOverOutcome;
};
