// The processor makers and the names of processors that do not report a
// brand string of their own.
#pragma once

#include <string>

enum CpuVendor : int {
    kVendorAmd = 0,
    kVendorIntel = 1,
    kVendorNationalSemiconductor = 2,
    kVendorUmc = 3,
    kVendorCyrix = 4,
    kVendorNexGen = 5,
    kVendorIdtCentaur = 6,
    kVendorRise = 7,
    kVendorTransmeta = 8,
    kVendorUnknown = 9,
};

// vendorString: the 12 characters of CPUID leaf 0 (EBX, EDX, ECX), NUL-terminated.
CpuVendor VendorFromString(const char* vendorString);
const char* ManufacturerName(int vendor);
std::string LookUpCpuName(int vendor, int family, int model, int extendedFamily, bool multiprocessorCapable);
