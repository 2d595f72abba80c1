// The start-up WMI probe against scripted scripting objects: the trimmed
// tag, no enclosure at all, Wine's missing property (bridged: WMI usable, no
// tag) and every other failure (not bridged: no WMI); then Wine's own WMI.
#include "audit/WmiStartupProbe.h"

#include "audit/WmiAccess.h"
#include "audit/tests/FakeWmi.h"

#include <gtest/gtest.h>

namespace {

const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);
const HRESULT kWbemAccessDenied = static_cast<HRESULT>(0x80041003);
const HRESULT kWbemInvalidQuery = static_cast<HRESULT>(0x80041017);

struct Probe {
    bool usable;
    std::string tag;
};

Probe ProbeWith(const std::shared_ptr<FakeWmiData>& data)
{
    Probe probe{false, "kept"};
    probe.usable = ProbeWmiServices(MakeFakeServices(data), probe.tag);
    return probe;
}

std::shared_ptr<FakeWmiData> Enclosure(const FakeProperty& tag)
{
    auto data = std::make_shared<FakeWmiData>();
    FakeInstance& enclosure = data->Add(L"Win32_SystemEnclosure");
    enclosure.push_back({L"Manufacturer", kCimString, _variant_t(L"Maker")});
    enclosure.push_back(tag);
    return data;
}

TEST(WmiStartupProbe, ReadsTheTrimmedTagOrNone)
{
    Probe probe = ProbeWith(Enclosure({L"SMBIOSAssetTag", kCimString, _variant_t(L" \tTAG-100 \t")}));
    EXPECT_TRUE(probe.usable);
    EXPECT_EQ("TAG-100", probe.tag);

    probe = ProbeWith(Enclosure({L"SMBIOSAssetTag", kCimString, NullValue()}));
    EXPECT_TRUE(probe.usable);
    EXPECT_EQ("", probe.tag);

    // No enclosure at all still answers; the tag stays as it was.
    probe = ProbeWith(std::make_shared<FakeWmiData>());
    EXPECT_TRUE(probe.usable);
    EXPECT_EQ("kept", probe.tag);
}

TEST(WmiStartupProbe, OnlyWinesMissingPropertyIsBridged)
{
    // Wine's class has no such property: its Item call raises an exception
    // carrying WBEM_E_NOT_FOUND, or fails with that code directly.
    Probe probe = ProbeWith(Enclosure({L"Other", kCimString, _variant_t(L"x")}));
    EXPECT_TRUE(probe.usable);
    EXPECT_EQ("kept", probe.tag);
    FakeProperty wine{L"SMBIOSAssetTag", kCimString, _variant_t(L"x"), S_OK, L"Not found"};
    wine.itemError = kWbemNotFound;
    probe = ProbeWith(Enclosure(wine));
    EXPECT_TRUE(probe.usable);
    EXPECT_EQ("kept", probe.tag);

    // Every other failure of the same read, and the same code from another
    // call, leave WMI unusable.
    for (HRESULT other : {kWbemAccessDenied, E_NOTIMPL, E_FAIL, kWbemInvalidQuery, DISP_E_MEMBERNOTFOUND}) {
        FakeProperty failing{L"SMBIOSAssetTag", kCimString, _variant_t(L"x"), S_OK, L"failed"};
        failing.itemError = other;
        probe = ProbeWith(Enclosure(failing));
        EXPECT_FALSE(probe.usable) << std::hex << other;
        EXPECT_EQ("kept", probe.tag);
    }
    probe = ProbeWith(Enclosure({L"SMBIOSAssetTag", kCimString, _variant_t(L"x"), kWbemNotFound, L"value"}));
    EXPECT_FALSE(probe.usable);
    auto data = Enclosure({L"SMBIOSAssetTag", kCimString, _variant_t(L"x")});
    data->failures[L"Win32_SystemEnclosure"] = kWbemNotFound;
    EXPECT_FALSE(ProbeWith(data).usable);

    EXPECT_TRUE(IsWineMissingAssetTag(kWbemNotFound));
    EXPECT_FALSE(IsWineMissingAssetTag(DISP_E_EXCEPTION));
    EXPECT_FALSE(IsWineMissingAssetTag(S_OK));
}

TEST(WmiStartupProbe, WinesOwnWmiIsUsable)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        std::string tag = "kept";
        IDispatchPtr services = ConnectWmiServer(CreateWmiLocator(), _bstr_t(L""), 0);
        EXPECT_TRUE(ProbeWmiServices(services, tag));
        EXPECT_EQ("kept", tag);
    }
    CoUninitialize();
}

} // namespace
