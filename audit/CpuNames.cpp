// Names of processors that predate the brand string, and the makers' names.
// Texts are in the Windows ANSI code page: \xAE is the registered sign and
// \xB5 the micro sign.
#include "audit/CpuNames.h"

#include <cstring>

namespace {

struct VendorEntry {
    const char* text;
    CpuVendor vendor;
};

const VendorEntry kVendors[] = {
    {"GenuineIntel", kVendorIntel},
    {"UMC UMC UMC ", kVendorUmc},
    {"AuthenticAMD", kVendorAmd},
    {"AMD ISBETTER", kVendorAmd},
    {"CyrixInstead", kVendorCyrix},
    {"NexGenDriven", kVendorNexGen},
    {"CentaurHauls", kVendorIdtCentaur},
    {"RiseRiseRise", kVendorRise},
    {"GenuineTMx86", kVendorTransmeta},
    {"TransmetaCPU", kVendorTransmeta},
    {"Geode By NSC", kVendorNationalSemiconductor},
};

// One family's models; a model not listed gets the family's fallback text.
struct ModelName {
    int model;
    const char* name;
};

template <size_t N>
std::string FromModels(const ModelName (&models)[N], int model, const char* other)
{
    for (const ModelName& entry : models) {
        if (entry.model == model) {
            return entry.name;
        }
    }
    return other;
}

std::string AmdName(int family, int model, bool multiprocessorCapable)
{
    static const ModelName k486[] = {{3, "80486DX2"}, {7, "80486DX2 WriteBack"},
                                     {8, "80486DX4"}, {9, "80486DX4 WriteBack"},
                                     {14, "5x86"},    {15, "5x86WB"}};
    static const ModelName k586[] = {{0, "SSA5 (PR75, PR90, PR100)"},
                                     {1, "5k86 (PR120, PR133)"},
                                     {2, "5k86 (PR166)"},
                                     {3, "5k86 (PR200)"},
                                     {6, "K6 (0.30 \xB5m)"},
                                     {7, "K6 (0.25 \xB5m)"},
                                     {8, "K6-2"},
                                     {9, "K6-III"},
                                     {13, "K6-2+ or K6-III+ (0.18 \xB5m)"}};
    static const ModelName kK7[] = {{1, "Athlon (0.25 \xB5m)"},    {2, "Athlon (0.18 \xB5m)"},
                                    {3, "Duron (SF core)"},        {4, "Athlon (Thunderbird core)"},
                                    {6, "Athlon (Palomino core)"}, {7, "Duron (Morgan core)"}};
    switch (family) {
    case 4:
        return FromModels(k486, model, "Unknown 80486 family");
    case 5:
        return FromModels(k586, model, "Unknown 80586 family");
    case 6:
        if (model == 8) {
            return multiprocessorCapable ? "Athlon MP (Thoroughbred core)" : "Athlon XP (Thoroughbred core)";
        }
        return FromModels(kK7, model, "Unknown K7 family");
    default:
        return "Unknown AMD family";
    }
}

std::string IntelName(int family, int model, int extendedFamily)
{
    static const ModelName k486[] = {{0, "i80486DX-25/33"},      {1, "i80486DX-50"}, {2, "i80486SX"},
                                     {3, "i80486DX2"},           {4, "i80486SL"},    {5, "i80486SX2"},
                                     {7, "i80486DX2 WriteBack"}, {8, "i80486DX4"},   {9, "i80486DX4 WriteBack"}};
    static const ModelName kP5[] = {
        {0, "P5 A-Step"},       {1, "P5"}, {2, "P54C"}, {7, "P54C"}, {3, "P24T OverDrive"}, {4, "P55C"},
        {8, "P55C (0.25\xB5m)"}};
    static const ModelName kP6[] = {{0, "P6 A-Step"},
                                    {1, "P6"},
                                    {3, "Pentium\xAE II (0.28 \xB5m)"},
                                    {5, "Pentium\xAE II (0.25 \xB5m)"},
                                    {6, "Pentium\xAE II With On-Die L2 Cache"},
                                    {7, "Pentium\xAE III (0.25 \xB5m)"},
                                    {8, "Pentium\xAE III (0.18 \xB5m) With 256 KB On-Die L2 Cache "},
                                    {10, "Pentium\xAE III (0.18 \xB5m) With 1 Or 2 MB On-Die L2 Cache "},
                                    {11, "Pentium\xAE III (0.13 \xB5m) With 256 Or 512 KB On-Die L2 Cache "}};
    static const ModelName kP4[] = {
        {0, "Pentium\xAE IV (0.18 \xB5m)"}, {1, "Pentium\xAE IV (0.18 \xB5m)"}, {2, "Pentium\xAE IV (0.13 \xB5m)"}};
    switch (family) {
    case 3:
        return "Newer i80386 family";
    case 4:
        return FromModels(k486, model, "Unknown 80486 family");
    case 5:
        return FromModels(kP5, model, "Unknown Pentium\xAE family");
    case 6:
        return FromModels(kP6, model, "Unknown P6 family");
    case 7:
        return "Intel Merced (IA-64)";
    case 15:
        if (extendedFamily == 0) {
            return FromModels(kP4, model, "Unknown Pentium 4 family");
        }
        if (extendedFamily == 1) {
            return "Intel McKinley (IA-64)";
        }
        // Later families always report a brand string; without one there is
        // nothing to call them.
        return "";
    default:
        return "Unknown Intel family";
    }
}

std::string UmcName(int family, int model)
{
    static const ModelName k486[] = {{1, "U5D"}, {2, "U5S"}};
    return family == 4 ? FromModels(k486, model, "Unknown UMC family") : "Unknown UMC family";
}

std::string CyrixName(int family, int model)
{
    static const ModelName k4[] = {{4, "MediaGX GX, GXm"}, {9, "5x86"}};
    static const ModelName k5[] = {{2, "Cx6x86"}, {4, "MediaGX GXm"}};
    static const ModelName k6[] = {{0, "6x86MX"},
                                   {5, "Cyrix M2 Core"},
                                   {6, "WinChip C5A Core"},
                                   {7, "WinChip C5B\\C5C Core"},
                                   {8, "WinChip C5C-T Core"}};
    switch (family) {
    case 4:
        return FromModels(k4, model, "Unknown Cx5x86 family");
    case 5:
        return FromModels(k5, model, "Unknown Cx6x86 family");
    case 6:
        return FromModels(k6, model, "Unknown 6x86MX\\Cyrix III family");
    default:
        return "Unknown Cyrix family";
    }
}

std::string CentaurName(int family, int model)
{
    static const ModelName k5[] = {{4, "C6"}, {8, "C2"}, {9, "C3"}};
    if (family == 5) {
        return FromModels(k5, model, "Unknown IDT\\Centaur family");
    }
    if (family == 6 && model == 6) {
        return "VIA Cyrix III - Samuel";
    }
    return "Unknown IDT\\Centaur family";
}

} // namespace

CpuVendor VendorFromString(const char* vendorString)
{
    for (const VendorEntry& entry : kVendors) {
        if (std::strcmp(entry.text, vendorString) == 0) {
            return entry.vendor;
        }
    }
    return kVendorUnknown;
}

const char* ManufacturerName(int vendor)
{
    switch (vendor) {
    case kVendorAmd:
        return "Advanced Micro Devices";
    case kVendorIntel:
        return "Intel Corporation";
    case kVendorNationalSemiconductor:
        return "National Semiconductor";
    case kVendorUmc:
        return "United Microelectronics Corp.";
    case kVendorCyrix:
        return "Cyrix Corp., VIA Inc.";
    case kVendorNexGen:
        return "NexGen Inc., Advanced Micro Devices";
    case kVendorIdtCentaur:
        return "IDT\\Centaur, Via Inc.";
    case kVendorRise:
        return "Rise";
    case kVendorTransmeta:
        return "Transmeta";
    default:
        return "Unknown Manufacturer";
    }
}

std::string LookUpCpuName(int vendor, int family, int model, int extendedFamily, bool multiprocessorCapable)
{
    switch (vendor) {
    case kVendorAmd:
        return AmdName(family, model, multiprocessorCapable);
    case kVendorIntel:
        return IntelName(family, model, extendedFamily);
    case kVendorNationalSemiconductor:
        return "Cx486SLC \\ DLC \\ Cx486S A-Step";
    case kVendorUmc:
        return UmcName(family, model);
    case kVendorCyrix:
        return CyrixName(family, model);
    case kVendorNexGen:
        return family == 5 && model == 0 ? "Nx586 or Nx586FPU" : "Unknown NexGen family";
    case kVendorIdtCentaur:
        return CentaurName(family, model);
    case kVendorRise:
        if (family == 5) {
            return model == 0 ? "mP6 (0.25 \xB5m)" : model == 2 ? "mP6 (0.18 \xB5m)" : "Unknown Rise family";
        }
        return "Unknown Rise family";
    case kVendorTransmeta:
        if (family == 5) {
            return model == 4 ? "Crusoe TM3x00 and TM5x00" : "Unknown Crusoe family";
        }
        return "Unknown Transmeta family";
    default:
        return "Unknown family";
    }
}
