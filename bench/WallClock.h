#pragma once
// Wall-clock seconds for the Windows benchmark programs, from the
// performance counter.
#include <windows.h>

inline double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}
