#include "audit/CpuInfo.h"
#include "audit/tests/RecordedCpuid.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// What the system itself recorded about processor 0.
std::string ProcessorValue(const char* name)
{
    char text[256] = {};
    DWORD size = sizeof(text) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", name, RRF_RT_REG_SZ,
                     nullptr, text, &size) != ERROR_SUCCESS) {
        return "";
    }
    return text;
}

std::string Trimmed(std::string text)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

TEST(CpuInfo, ThisProcessor)
{
    CpuInfo info;
    ASSERT_TRUE(info.IsCpuidSupported());
    const std::string vendor = ProcessorValue("VendorIdentifier");
    ASSERT_FALSE(vendor.empty());
    EXPECT_EQ(info.GetVendorString(), vendor);
    EXPECT_NE(info.GetManufacturerName(), "Unknown Manufacturer") << vendor;

    // Every x86-64 processor has a brand string, and it is what names it.
    const std::string brand = ProcessorValue("ProcessorNameString");
    ASSERT_FALSE(brand.empty());
    EXPECT_EQ(Trimmed(info.GetName()), Trimmed(brand));

    EXPECT_GE(info.GetLogicalPerPackage(), 1);
    EXPECT_GT(info.GetSpeedMHz(), 0);
}

TEST(CpuInfo, RecordedProcessor)
{
    RecordedCpuid athlon;
    athlon.Vendor("AuthenticAMD").Signature(0x683, 0, 0);
    CpuInfo info(athlon);
    EXPECT_TRUE(info.IsCpuidSupported());
    EXPECT_EQ("6", info.GetFamilyText());
    EXPECT_EQ("8", info.GetModelText());
    EXPECT_EQ("3", info.GetSteppingText());
    EXPECT_EQ(info.GetManufacturerName(), "Advanced Micro Devices");
    EXPECT_EQ(info.GetName(), "Athlon XP (Thoroughbred core)");
    EXPECT_EQ(info.GetSpeedMHz(), -1); // no time-stamp counter claimed
    EXPECT_EQ(info.GetLogicalPerPackage(), 1);

    // Extended family and model are not added into the texts.
    RecordedCpuid epyc;
    epyc.Vendor("AuthenticAMD").Signature(0x00A00F11, 0, 1u << 4);
    CpuInfo modern(epyc);
    EXPECT_EQ(modern.GetFamilyText(), "15");
    EXPECT_EQ(modern.GetModelText(), "1");
    EXPECT_EQ(modern.GetSteppingText(), "1");
    EXPECT_GT(modern.GetSpeedMHz(), 0);

    RecordedCpuid none;
    none.NoCpuid();
    CpuInfo nothing(none);
    EXPECT_FALSE(nothing.IsCpuidSupported());
    EXPECT_EQ(nothing.GetSpeedMHz(), -1);
    EXPECT_EQ(nothing.GetName(), "");
}

} // namespace
