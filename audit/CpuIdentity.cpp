// Processor identification from CPUID answers.
//
// Each sub-step stands alone: when one of its CPUID queries fails, the fields
// it fills keep their defaults and the next sub-step still runs.
//
// The name is the processor's own brand string (leaves 0x80000002-4)
// whenever the processor offers one, and a table lookup by family and model
// only for processors that predate brand strings. Older code gave Intel
// processors the brand string only in family 15, so every later Intel part
// (family 6 again) was named from the Pentium II/III rows. What guards old
// processors now is the answer of leaf 0x80000000 itself: one that does not
// implement extended leaves answers with data of its highest basic leaf, which
// does not lie in the extended range.
#include "audit/CpuIdentity.h"

#include <cstring>

namespace {

const std::uint32_t kExtendedBase = 0x80000000u;

void CopyRegister(char* to, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        to[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

CpuIdentity::CpuIdentity(CpuidSource& cpuid) : m_cpuid(cpuid)
{
    CpuidRegisters regs;
    if (!m_cpuid.Query(0, regs)) {
        return;
    }
    m_cpuidSupported = true;
    ReadVendor();
    ReadFeatures();
    ReadExtendedFeatures();
    if (!ReadBrandString()) {
        m_name = LookUpCpuName(m_vendor, m_family, m_model, m_extendedFamily, m_multiprocessorCapable);
    }
}

bool CpuIdentity::ReadVendor()
{
    CpuidRegisters leaf0;
    CpuidRegisters leaf1;
    if (!m_cpuid.Query(0, leaf0) || !m_cpuid.Query(1, leaf1)) {
        return false;
    }
    CopyRegister(m_vendorString, leaf0.ebx);
    CopyRegister(m_vendorString + 4, leaf0.edx);
    CopyRegister(m_vendorString + 8, leaf0.ecx);
    m_vendorString[12] = '\0';
    m_vendor = VendorFromString(m_vendorString);

    m_stepping = static_cast<int>(leaf1.eax & 0xF);
    m_model = static_cast<int>((leaf1.eax >> 4) & 0xF);
    m_family = static_cast<int>((leaf1.eax >> 8) & 0xF);
    m_extendedFamily = static_cast<int>((leaf1.eax >> 20) & 0xFF);
    return true;
}

bool CpuIdentity::ReadFeatures()
{
    CpuidRegisters leaf1;
    if (!m_cpuid.Query(1, leaf1)) {
        return false;
    }
    m_hasTimeStampCounter = (leaf1.edx & (1u << 4)) != 0;
    if (m_vendor == kVendorIntel) {
        m_hyperThreading = (leaf1.edx & (1u << 28)) != 0;
        if (m_hyperThreading) {
            m_logicalPerPackage = static_cast<int>((leaf1.ebx >> 16) & 0xFF);
        }
    }
    return true;
}

bool CpuIdentity::ReadExtendedFeatures()
{
    if (m_vendor == kVendorIntel || !IsExtendedLeafSupported(kExtendedBase + 1)) {
        return false;
    }
    CpuidRegisters regs;
    if (!m_cpuid.Query(kExtendedBase + 1, regs)) {
        return false;
    }
    m_multiprocessorCapable = (regs.edx & (1u << 19)) != 0;
    return true;
}

// False when there is no brand string to use; the caller then names the
// processor from the table.
bool CpuIdentity::ReadBrandString()
{
    char brand[49] = {};
    for (std::uint32_t i = 0; i < 3; ++i) {
        if (!IsExtendedLeafSupported(kExtendedBase + 2 + i)) {
            return false;
        }
    }
    for (std::uint32_t i = 0; i < 3; ++i) {
        CpuidRegisters regs;
        if (!m_cpuid.Query(kExtendedBase + 2 + i, regs)) {
            return false;
        }
        CopyRegister(brand + 16 * i, regs.eax);
        CopyRegister(brand + 16 * i + 4, regs.ebx);
        CopyRegister(brand + 16 * i + 8, regs.ecx);
        CopyRegister(brand + 16 * i + 12, regs.edx);
    }
    const char* start = brand;
    if (m_vendor == kVendorIntel) {
        // Intel right-justifies the brand string of some processors.
        const char* end = brand + 48;
        while (start < end && (*start == ' ' || *start == '\0')) {
            ++start;
        }
    }
    if (*start == '\0') {
        return false;
    }
    m_name = start;
    return true;
}

bool CpuIdentity::IsExtendedLeafSupported(std::uint32_t leaf)
{
    // Processors of these makers that answer leaf 0x80000000 without
    // implementing the extended leaves.
    switch (m_vendor) {
    case kVendorAmd:
        if (m_family < 5 || (m_family == 5 && m_model < 6)) {
            return false;
        }
        break;
    case kVendorCyrix:
        if (m_family < 5 || (m_family == 5 && m_model < 4) || (m_family == 6 && m_model < 5)) {
            return false;
        }
        break;
    case kVendorIdtCentaur:
        if (m_family < 5 || (m_family == 5 && m_model < 8)) {
            return false;
        }
        break;
    case kVendorTransmeta:
        if (m_family < 5) {
            return false;
        }
        break;
    default:
        break;
    }
    CpuidRegisters regs;
    if (!m_cpuid.Query(kExtendedBase, regs)) {
        return false;
    }
    if ((regs.eax & kExtendedBase) == 0) {
        return false;
    }
    return (leaf & 0x7FFFFFFFu) <= (regs.eax & 0x7FFFFFFFu);
}
