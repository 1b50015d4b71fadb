#pragma once

#include <QList>

#include <functional>

// Every delay, period and time limit of HidProtocolService in milliseconds.
// The defaults are what the program runs with; tests shrink them or take
// the scheduling of a reconnect try into their own hands.
struct HidProtocolServiceDurations
{
    int firstProbeDelayMs = 1200;          // construction to the automatic probe
    int autoConnectThrottleMs = 500;       // least spacing of automatic connect attempts
    int duplicatePrimeWindowMs = 2000;     // a second validation start for the same device is skipped
    int validationTimeoutMs = 3000;        // per validation attempt
    int validationAttempts = 3;
    int heartbeatIntervalMs = 1500;
    int dongleLinkQueryDelayMs = 1000;     // passed validation to the link query, unless the receiver reported
    int heartbeatFallbackDelayMs = 2500;   // passed validation to the heartbeat, unless a packet came first
    int basicInfoQuerySpacingMs = 30;      // between the queries of one queryBasicInfo call
    QList<int> factoryResetFallbackDelaysMs{5000, 8000};       // tone-volume queries after a reset
    QList<int> factoryResetLinkUpDelaysMs{500, 2000, 4000};    // and after the link comes back
    // Reconnecting a device that a fatal communication error took down: one
    // try after each delay, then it is left until the device list changes.
    QList<int> commFaultReconnectDelaysMs{500, 2000, 5000};
    // A reconnected device gets every try again once it has kept its link
    // this long after its validation; a fatal error before then means its
    // try failed, so a device that fails at once is not reopened for ever.
    int commFaultHealthyPeriodMs = 10000;
    // Run a reconnect try, or the end of a healthy period, `delayMs` later on
    // the service's thread; empty: a single-shot timer. A test that orders
    // the step against other events keeps it and runs it itself.
    std::function<void(int delayMs, std::function<void()> runTry)> scheduleCommFaultTry;
    std::function<void(int delayMs, std::function<void()> runCheck)> scheduleCommFaultHealthyCheck;
    // Stopping the protocol thread: this many waits, then one last longer one.
    int threadStopWaitMs = 3000;
    int threadStopAttempts = 3;
    int threadFinalWaitMs = 10000;
};
