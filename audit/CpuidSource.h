// Where the processor identification gets its CPUID answers from: the real
// instruction, or recorded register values in tests.
#pragma once

#include <cstdint>

struct CpuidRegisters {
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t ecx = 0;
    std::uint32_t edx = 0;
};

class CpuidSource {
public:
    // False when the instruction faulted (no CPUID on this processor).
    virtual bool Query(std::uint32_t leaf, CpuidRegisters& out) = 0;

protected:
    ~CpuidSource() = default;
};
