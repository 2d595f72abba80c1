#include "audit/CpuIdentity.h"
#include "audit/tests/RecordedCpuid.h"

#include <gtest/gtest.h>

namespace {

const std::uint32_t kTsc = 1u << 4;
const std::uint32_t kHtt = 1u << 28;
const std::uint32_t kMp = 1u << 19;

std::uint32_t Sig(int family, int model, int stepping, int extFamily = 0, int extModel = 0)
{
    return static_cast<std::uint32_t>(stepping | model << 4 | family << 8 | extModel << 16 | extFamily << 20);
}

// The vendor text must match whole and exactly; the fallback rows of each
// maker's table, and the rows decided by more than family and model.
TEST(CpuNames, VendorsAndTableRows)
{
    EXPECT_EQ(kVendorAmd, VendorFromString("AMD ISBETTER"));
    EXPECT_EQ(kVendorTransmeta, VendorFromString("TransmetaCPU"));
    for (const char* text : {"HygonGenuine", "GenuineIntel ", "genuineintel"}) {
        EXPECT_EQ(kVendorUnknown, VendorFromString(text)) << text;
    }
    EXPECT_STREQ("Unknown Manufacturer", ManufacturerName(-1));

    const struct {
        int vendor, family, model, extFamily;
        bool mp;
        const char* name;
    } cases[] = {
        {kVendorAmd, 4, 2, 0, false, "Unknown 80486 family"},
        {kVendorAmd, 6, 8, 0, true, "Athlon MP (Thoroughbred core)"},
        {kVendorAmd, 6, 8, 0, false, "Athlon XP (Thoroughbred core)"},
        {kVendorAmd, 15, 1, 0, false, "Unknown AMD family"},
        // longer than a brand string; kept whole
        {kVendorIntel, 6, 11, 0, false, "Pentium\xAE III (0.13 \xB5m) With 256 Or 512 KB On-Die L2 Cache "},
        {kVendorIntel, 15, 0, 1, false, "Intel McKinley (IA-64)"},
        {kVendorIntel, 15, 0, 2, false, ""},
        {kVendorIntel, 8, 0, 0, false, "Unknown Intel family"},
        {kVendorCyrix, 6, 1, 0, false, "Unknown 6x86MX\\Cyrix III family"},
        {kVendorIdtCentaur, 6, 7, 0, false, "Unknown IDT\\Centaur family"},
        {kVendorTransmeta, 6, 4, 0, false, "Unknown Transmeta family"},
        {kVendorUnknown, 6, 0, 0, false, "Unknown family"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LookUpCpuName(c.vendor, c.family, c.model, c.extFamily, c.mp), c.name)
            << c.vendor << " " << c.family << " " << c.model << " " << c.extFamily;
    }
}

// Leaves 0 and 1, the extended maximum and, when given, a brand string.
RecordedCpuid Cpu(const char* vendor, std::uint32_t signature, std::uint32_t edx, std::uint32_t extendedMax = 0,
                  const char* brand = nullptr, std::uint32_t ebx = 0)
{
    RecordedCpuid cpu;
    cpu.Vendor(vendor).Signature(signature, ebx, edx).ExtendedMax(extendedMax);
    return brand != nullptr ? cpu.Brand(brand) : cpu;
}

struct RecordedCase {
    const char* label;
    RecordedCpuid cpu;
    int vendor, model, logical;
    bool tsc;
    const char* name;
};

TEST(CpuIdentity, RecordedProcessors)
{
    const char* xeon = "Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz";
    const char* core = "Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz";
    const char* epyc = "AMD EPYC 7B13 64-Core Processor";
    const char* athlon = "  AMD Athlon(tm) Processor";
    RecordedCase cases[] = {
        // A current Xeon reports family 6 again; its brand string names it,
        // not the Pentium II row of model 5.
        {"xeon", Cpu("GenuineIntel", Sig(6, 5, 4, 0, 5), kTsc | kHtt, 0x80000008, xeon, 0x40 << 16), kVendorIntel, 5,
         0x40, true, xeon},
        {"core without HT", Cpu("GenuineIntel", Sig(6, 14, 10, 0, 9), kTsc, 0x80000008, core, 0x08 << 16), kVendorIntel,
         14, 1, true, core},
        {"pentium 4 right-justified",
         Cpu("GenuineIntel", Sig(15, 2, 7), kTsc | kHtt, 0x80000004, nullptr, 0x02 << 16)
             .Brand(std::string("   \0   ", 7) + "Intel(R) Pentium(R) 4 CPU 2.40GHz"),
         kVendorIntel, 2, 2, true, "Intel(R) Pentium(R) 4 CPU 2.40GHz"},
        // A Pentium III answers leaf 0x80000000 with its leaf 2 data.
        {"pentium III", Cpu("GenuineIntel", Sig(6, 8, 3), kTsc, 0x03020101), kVendorIntel, 8, 1, true,
         "Pentium\xAE III (0.18 \xB5m) With 256 KB On-Die L2 Cache "},
        {"pentium 4 model 3 without brand", Cpu("GenuineIntel", Sig(15, 3, 4), kTsc), kVendorIntel, 3, 1, true,
         "Unknown Pentium 4 family"},
        {"empty brand string", Cpu("GenuineIntel", Sig(6, 9, 5), kTsc, 0x80000004, ""), kVendorIntel, 9, 1, true,
         "Unknown P6 family"},
        {"epyc",
         Cpu("AuthenticAMD", Sig(15, 1, 1, 10, 1), kTsc | kHtt, 0x80000020, epyc, 0x10 << 16).ExtendedFeatures(kMp),
         kVendorAmd, 1, 1, true, epyc},
        {"amd keeps leading blanks", Cpu("AuthenticAMD", Sig(6, 4, 2), kTsc, 0x80000004, athlon), kVendorAmd, 4, 1,
         true, athlon},
        {"athlon MP without brand", Cpu("AuthenticAMD", Sig(6, 8, 1), kTsc, 0x80000001).ExtendedFeatures(kMp),
         kVendorAmd, 8, 1, true, "Athlon MP (Thoroughbred core)"},
        {"AMD ISBETTER K5", Cpu("AMD ISBETTER", Sig(5, 1, 0), 0, 0x80000004, "ignored"), kVendorAmd, 1, 1, false,
         "5k86 (PR120, PR133)"},
        {"cyrix too old for extended leaves", Cpu("CyrixInstead", Sig(5, 2, 0), 0, 0x80000004, "bogus"), kVendorCyrix,
         2, 1, false, "Cx6x86"},
        {"transmeta", Cpu("TransmetaCPU", Sig(5, 4, 3), kTsc), kVendorTransmeta, 4, 1, true,
         "Crusoe TM3x00 and TM5x00"},
        {"brand leaves fault", Cpu("GenuineIntel", Sig(6, 7, 3), kTsc, 0x80000004, "x").Fault(0x80000003), kVendorIntel,
         7, 1, true, "Pentium\xAE III (0.25 \xB5m)"},
    };
    for (RecordedCase& c : cases) {
        CpuIdentity id(c.cpu);
        SCOPED_TRACE(c.label);
        EXPECT_EQ(id.GetVendor(), c.vendor);
        EXPECT_EQ(id.GetModel(), c.model);
        EXPECT_EQ(id.GetLogicalPerPackage(), c.logical);
        EXPECT_EQ(id.HasTimeStampCounter(), c.tsc);
        EXPECT_EQ(id.GetName(), c.name);
    }
}

TEST(CpuIdentity, FaultsLeaveDefaults)
{
    RecordedCpuid none;
    none.NoCpuid();
    CpuIdentity noCpuid(none);
    EXPECT_FALSE(noCpuid.IsCpuidSupported());
    EXPECT_EQ(noCpuid.GetVendor(), kVendorAmd);
    EXPECT_EQ(noCpuid.GetLogicalPerPackage(), 1);
    EXPECT_FALSE(noCpuid.HasTimeStampCounter());
    EXPECT_EQ(noCpuid.GetName(), "");

    // Leaf 1 faulting: vendor and signature keep their defaults, and the
    // name comes from the table for them.
    RecordedCpuid noLeaf1;
    noLeaf1.Vendor("GenuineIntel").Signature(Sig(6, 8, 3), 0x02 << 16, kTsc | kHtt).Fault(1);
    CpuIdentity partial(noLeaf1);
    EXPECT_TRUE(partial.IsCpuidSupported());
    EXPECT_EQ(partial.GetVendor(), kVendorAmd);
    EXPECT_STREQ(partial.GetVendorString(), "");
    EXPECT_FALSE(partial.HasTimeStampCounter());
    EXPECT_EQ(partial.GetLogicalPerPackage(), 1);
    EXPECT_EQ(partial.GetName(), "Unknown AMD family");
}

TEST(CpuIdentity, ExtendedLeafRange)
{
    RecordedCpuid amd;
    amd.Vendor("AuthenticAMD").Signature(Sig(6, 2, 0)).ExtendedMax(0x80000004);
    CpuIdentity id(amd);
    EXPECT_TRUE(id.IsExtendedLeafSupported(0x80000004));
    EXPECT_FALSE(id.IsExtendedLeafSupported(0x80000005));

    RecordedCpuid k6;
    k6.Vendor("AuthenticAMD").Signature(Sig(5, 5, 0)).ExtendedMax(0x80000004);
    CpuIdentity old(k6);
    EXPECT_FALSE(old.IsExtendedLeafSupported(0x80000001));
}

} // namespace
