// The processor of this computer, through the CPUID and RDTSC instructions.
//
// The clock speed is the number of time-stamp counter ticks in 50 ms of the
// performance counter, less the ticks that the same timing set-up costs
// without waiting. The thread is not pinned; the measurement assumes the
// time-stamp counter runs at the processor clock.
#include "audit/CpuInfo.h"

#include <windows.h>

#include <cpuid.h>
#include <x86intrin.h>

namespace {

// CPUID is part of every x86-64 processor, so the instruction cannot fault
// here; the source still reports success so that recorded sources can fail.
class ProcessorCpuid : public CpuidSource {
public:
    bool Query(std::uint32_t leaf, CpuidRegisters& out) override
    {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        __cpuid_count(leaf, 0, eax, ebx, ecx, edx);
        out.eax = eax;
        out.ebx = ebx;
        out.ecx = ecx;
        out.edx = edx;
        return true;
    }
};

const int kMeasureMilliseconds = 50;

// Spins until the performance counter has advanced by the given time. For
// the overhead measurement it makes the same calls without the wait (looping
// only in the unlikely case that the first read lands exactly on the target).
void Spin(int milliseconds, bool wait)
{
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) {
        return;
    }
    const LONGLONG target = frequency.QuadPart / 1000 * milliseconds;
    LARGE_INTEGER start;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&start);
    do {
        QueryPerformanceCounter(&now);
    } while (wait ? now.QuadPart - start.QuadPart < target : now.QuadPart - start.QuadPart == target);
}

void BusyWait(int milliseconds)
{
    Spin(milliseconds, true);
}

void BusyWaitOverhead(int milliseconds)
{
    Spin(milliseconds, false);
}

CpuidSource& ThisProcessor()
{
    static ProcessorCpuid source;
    return source;
}

} // namespace

CpuInfo::CpuInfo() : CpuInfo(ThisProcessor()) {}

CpuInfo::CpuInfo(CpuidSource& cpuid) : m_identity(cpuid)
{
    // RDTSC is only issued when the processor says it has the counter.
    if (m_identity.HasTimeStampCounter()) {
        MeasureSpeed();
    }
}

std::int64_t CpuInfo::CountCycles(void (*routine)(int), int milliseconds)
{
    const unsigned long long before = __rdtsc();
    routine(milliseconds);
    const unsigned long long after = __rdtsc();
    return static_cast<std::int64_t>(after - before);
}

void CpuInfo::MeasureSpeed()
{
    const std::int64_t cycles =
        CountCycles(BusyWait, kMeasureMilliseconds) - CountCycles(BusyWaitOverhead, kMeasureMilliseconds);
    m_speedMHz = static_cast<int>(cycles / kMeasureMilliseconds / 1000);
}

std::string CpuInfo::GetManufacturerName() const
{
    return ManufacturerName(m_identity.GetVendor());
}

std::string CpuInfo::GetFamilyText() const
{
    return std::to_string(m_identity.GetFamily());
}

std::string CpuInfo::GetModelText() const
{
    return std::to_string(m_identity.GetModel());
}

std::string CpuInfo::GetSteppingText() const
{
    return std::to_string(m_identity.GetStepping());
}
