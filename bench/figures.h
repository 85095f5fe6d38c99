// What the benchmark programs share: the clock, the waves' names and the figure line that
// tools/bench.sh reads (a 52-column label, the seconds, the copy limit and their ratio).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline std::string WaveName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "w%05d.wav", i);
    return name;
}

inline void Report(const char* what, double seconds, double limit, double megabytes)
{
    std::printf("%-52s %8.3f s   copy limit %7.3f s   ratio %5.2f   (%.0f MB)\n", what, seconds, limit,
                seconds / limit, megabytes);
    std::fflush(stdout);
}
