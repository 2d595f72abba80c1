// What the CPUID instruction tells about a processor: maker, signature,
// features and name. Portable; the instruction itself comes through a
// CpuidSource so that recorded processors can be identified anywhere.
#pragma once

#include "audit/CpuNames.h"
#include "audit/CpuidSource.h"

#include <cstdint>
#include <string>

class CpuIdentity {
public:
    explicit CpuIdentity(CpuidSource& cpuid);

    bool IsCpuidSupported() const { return m_cpuidSupported; }
    int GetVendor() const { return m_vendor; }
    const char* GetVendorString() const { return m_vendorString; }
    int GetFamily() const { return m_family; }
    int GetModel() const { return m_model; }
    int GetStepping() const { return m_stepping; }
    int GetExtendedFamily() const { return m_extendedFamily; }
    bool HasTimeStampCounter() const { return m_hasTimeStampCounter; }
    bool HasHyperThreading() const { return m_hyperThreading; }
    bool IsMultiprocessorCapable() const { return m_multiprocessorCapable; }
    int GetLogicalPerPackage() const { return m_logicalPerPackage; }
    const std::string& GetName() const { return m_name; }

    bool IsExtendedLeafSupported(std::uint32_t leaf);

private:
    bool ReadVendor();
    bool ReadFeatures();
    bool ReadExtendedFeatures();
    bool ReadBrandString();

    CpuidSource& m_cpuid;
    bool m_cpuidSupported = false;
    int m_vendor = kVendorAmd;
    char m_vendorString[13] = {};
    int m_stepping = 0;
    int m_model = 0;
    int m_family = 0;
    int m_extendedFamily = 0;
    bool m_hasTimeStampCounter = false;
    bool m_hyperThreading = false;
    bool m_multiprocessorCapable = false;
    int m_logicalPerPackage = 1;
    std::string m_name;
};
