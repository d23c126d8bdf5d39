#include "model/counter.h"

#include "btree/btree.h"

#include <cstring>
#include <time.h>

namespace velk {

void incrementCounter(char *c)
{
    for (int i = 7; i >= 0; i--) {
        if ((unsigned char)c[i] < '~') {
            c[i]++;
            return;
        }
        c[i] = '0';
    }
}

int engineCause()
{
    LioErr trace[LIO_TRACE_MAX];
    int n = lioTrace(trace, LIO_TRACE_MAX);
    for (int i = 0; i < n; i++)
        if (trace[i].code != 0) return trace[i].code;
    return 0;
}

bool lockCurrentWithRetry(Bt3File *fd)
{
    // Another process holds the counter only for its own increment, a few
    // milliseconds; wait for it, but not for a process that died with it.
    long waitedUs = 0, stepUs = 200;
    for (int attempt = 0;; attempt++) {
        if (bt3Lock(fd) == 0) return true;
        if (engineCause() != LIO_E_RECLOCK || waitedUs >= 2000000) return false;
        if (attempt < 10) continue;
        struct timespec ts = {0, stepUs * 1000};
        nanosleep(&ts, nullptr);
        waitedUs += stepUs;
        if (stepUs < 50000) stepUs *= 2;
    }
}

namespace {

const char kCounterId[] = "########";

int store(const tCounterPlace &c, bool add)
{
    if (c.variable) c.buf[c.counterOffset + 8] = 0;
    if (c.variable) return add ? bt3VlAdd(c.fd, c.buf, c.size) : bt3VlWrite(c.fd, c.buf, c.size);
    return add ? bt3Add(c.fd, c.buf) : bt3Write(c.fd, c.buf);
}

} // namespace

bool takeCounterId(const tCounterPlace &c, char *out)
{
    char *id = c.buf + c.idOffset;
    char *counter = c.buf + c.counterOffset;
    for (int round = 0; round < 3; round++) {
        std::memset(c.buf, ' ', c.size);
        std::memcpy(id, kCounterId, 8);
        int found = bt3Find(c.fd, c.buf, 5);
        if (found < 0) return false;
        if (found == 0) {
            // The first ID.  Another process may store the counter at the
            // same moment; its record is then used in the next round.
            std::memcpy(counter, "00000000", 8);
            int added = store(c, true);
            if (added > 0) {
                std::memcpy(out, "00000000", 9);
                return true;
            }
            if (added < 0) return false;
            continue;
        }
        if (!lockCurrentWithRetry(c.fd)) return false;
        // Read again under the lock: the copy found before may be stale.
        bool ok =
            bt3DataRead(c.fd, bt3GetCur(c.fd), c.buf) > 0 && std::memcmp(id, kCounterId, 8) == 0;
        char next[9];
        if (ok) {
            std::memcpy(next, counter, 8);
            next[8] = 0;
            incrementCounter(next);
            std::memcpy(counter, next, 8);
            ok = store(c, false) > 0;
        }
        bt3UnLock(c.fd);
        if (!ok) return false;
        std::memcpy(out, next, 9);
        return true;
    }
    return false;
}

} // namespace velk
