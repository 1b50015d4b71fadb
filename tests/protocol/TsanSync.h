#pragma once

// ThreadSanitizer cannot see the synchronisation inside an uninstrumented Qt
// (its event queue and QThread::wait), so a queued call looks like a race
// between the thread that posts it and the thread that runs it. The test
// plumbing marks those hand-overs explicitly: release before posting, acquire
// where the posted work begins. No-ops in other builds.
namespace TsanSync {

void release();
void acquire();

} // namespace TsanSync
