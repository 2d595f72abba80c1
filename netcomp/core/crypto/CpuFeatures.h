#pragma once
// What the processor offers beyond the x86-64 baseline, read once through
// CPUID. The hashes pick their block functions from it.

struct CpuFeatures {
    bool ssse3 = false;
    bool sse41 = false;
    bool sha = false; // SHA-1/SHA-256 instructions
};

const CpuFeatures& DetectedCpuFeatures();

// The SHA instructions are used when the processor has them and they are not
// switched off; tests and benchmarks switch them off to reach the portable code.
bool ShaExtensionsUsable();
void AllowShaExtensions(bool allowed);
