// The processor of the computer the program runs on: maker, signature, name,
// logical processors per package and clock speed. Everything is worked out
// when the object is made.
#pragma once

#include "audit/CpuIdentity.h"

#include <cstdint>
#include <string>

class CpuInfo {
public:
    CpuInfo();
    // Identifies the processor from the given CPUID answers; the speed is
    // still measured on this machine's time-stamp counter when they claim one.
    explicit CpuInfo(CpuidSource& cpuid);

    bool IsCpuidSupported() const { return m_identity.IsCpuidSupported(); }
    std::string GetManufacturerName() const;
    std::string GetVendorString() const { return m_identity.GetVendorString(); }
    std::string GetFamilyText() const;
    std::string GetModelText() const;
    std::string GetSteppingText() const;
    std::string GetName() const { return m_identity.GetName(); }
    int GetLogicalPerPackage() const { return m_identity.GetLogicalPerPackage(); }
    int GetSpeedMHz() const { return m_speedMHz; }

    // Time-stamp counter ticks spent in routine(milliseconds).
    static std::int64_t CountCycles(void (*routine)(int), int milliseconds);

private:
    void MeasureSpeed();

    CpuIdentity m_identity;
    int m_speedMHz = -1;
};
