#pragma once

// The waits of the cloud EQ list and page, in milliseconds. The defaults are
// the program's; tests shorten them.
struct EQCloudTimings
{
    int refreshDebounceMs = 420;   // quiet time before a scheduled refresh runs
    int refreshBusyRetryMs = 200;  // re-arm while a list request is in flight
    int refreshBusyRetryLimit = 24; // re-arms before a busy refresh is dropped
    int weakNetRetryMs = 900;      // one retry of a first page lost to the network
    int viewSettleMs = 250;        // no paging signal this long after a resize
    int viewportCheckMs = 80;      // underfilled-view test after rows changed
    int toastRepeatMs = 150;       // the same toast text again within this is dropped
};
