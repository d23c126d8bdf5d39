#include "model/counter.h"

#include "btree/btree.h"

#include <time.h>

void IncrementCounter(char *c)
{
    for (int i = 7; i >= 0; i--) {
        if ((unsigned char)c[i] < '~') {
            c[i]++;
            return;
        }
        c[i] = '0';
    }
}

int EngineCause()
{
    LioErr trace[LIO_TRACE_MAX];
    int n = lioTrace(trace, LIO_TRACE_MAX);
    for (int i = 0; i < n; i++)
        if (trace[i].code != 0) return trace[i].code;
    return 0;
}

bool LockCurrentWithRetry(Bt3File *fd)
{
    /* Another process holds the counter only for its own increment, a few
     * milliseconds; wait for it, but not for a process that died with it. */
    long waitedUs = 0, stepUs = 200;
    for (int attempt = 0;; attempt++) {
        if (bt3Lock(fd) == 0) return true;
        if (EngineCause() != LIO_E_RECLOCK || waitedUs >= 2000000) return false;
        if (attempt < 10) continue;
        struct timespec ts = {0, stepUs * 1000};
        nanosleep(&ts, nullptr);
        waitedUs += stepUs;
        if (stepUs < 50000) stepUs *= 2;
    }
}
