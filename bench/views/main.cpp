// The main program of bench_views: runs the sections the files of this folder register.
//
//   bench_views [-s section] [N ...]       default N: 1000 10000
#include "bench/views/bench_views.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    using namespace velk::bench;
    std::vector<long> sizes;
    const char *only = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "-s") && i + 1 < argc)
            only = argv[++i];
        else
            sizes.push_back(atol(argv[i]));
    }
    if (sizes.empty()) sizes = {1000, 10000};
    printf("%-40s %8s %10s %10s %7s  %-14s\n", "view", "records", "ms", "sqlite ms", "ratio",
           "goal");
    for (const tBenchSection &s : allSections())
        if (!only || !strcmp(only, s.name)) s.run(sizes);
    return 0;
}
