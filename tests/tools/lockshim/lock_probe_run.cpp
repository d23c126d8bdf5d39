// lock_probe_run DIR: the engine's lock probe on DIR as a process of its own, so that the tests
// can put the fcntl shim in front of it.  Prints "<answer> <lock requests> <why>" and exits 0.
#include <cstdio>

#include "btree/btree.h"

int main(int argc, char **argv)
{
    if (argc != 2) return 2;
    LioIoCount before, after;
    lioIoCount(&before);
    char why[64];
    int answer = muProbeLocks(argv[1], why, int(sizeof why));
    lioIoCount(&after);
    std::printf("%d %lld %s\n", answer, after.lockCalls - before.lockCalls, why);
    return 0;
}
