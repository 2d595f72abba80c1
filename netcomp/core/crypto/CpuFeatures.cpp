// CPUID through the compiler's own header, which both the mingw-w64 and the
// clang builds carry; other processors simply report nothing.
#include "netcomp/core/crypto/CpuFeatures.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define KES_HAVE_CPUID 1
#endif

namespace {

CpuFeatures Detect()
{
    CpuFeatures f;
#ifdef KES_HAVE_CPUID
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        f.ssse3 = (ecx & (1u << 9)) != 0;
        f.sse41 = (ecx & (1u << 19)) != 0;
    }
    if (__get_cpuid_max(0, nullptr) >= 7 && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        f.sha = (ebx & (1u << 29)) != 0;
#endif
    return f;
}

std::atomic<bool> g_shaAllowed{true};

} // namespace

const CpuFeatures& DetectedCpuFeatures()
{
    static const CpuFeatures features = Detect();
    return features;
}

bool ShaExtensionsUsable()
{
    const CpuFeatures& f = DetectedCpuFeatures();
    return g_shaAllowed.load(std::memory_order_relaxed) && f.sha && f.ssse3 && f.sse41;
}

void AllowShaExtensions(bool allowed)
{
    g_shaAllowed.store(allowed, std::memory_order_relaxed);
}
