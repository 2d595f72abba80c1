#include "common/AppHelpers.h"
#include "common/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <comdef.h>

#include <vector>

namespace {

TEST(AppHelpers, Windows9xDetectionAndOverride)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS, IsWindows9x());
    SetWindows9xOverride(1);
    EXPECT_TRUE(IsWindows9x());
    SetWindows9xOverride(0);
    EXPECT_FALSE(IsWindows9x());
    SetWindows9xOverride(-1);
    EXPECT_EQ(info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS, IsWindows9x());
}

TEST(AppHelpers, TextsGuidsAndDates)
{
    EXPECT_EQ("", BstrToString(_bstr_t()));
    EXPECT_EQ("VM01", BstrToString(_bstr_t("VM01")));

    CoInitialize(nullptr);
    std::string guid = CreateGuidText();
    EXPECT_EQ(38u, guid.size());
    EXPECT_NE(guid, CreateGuidText());
    CoUninitialize();

    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ("", FormatVariantDate(empty, false));
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    EXPECT_EQ("", FormatVariantDate(null, false));
    VARIANT noDate;
    VariantInit(&noDate);
    noDate.vt = VT_DATE;
    noDate.date = 1e300; // no day of any calendar
    EXPECT_EQ("", FormatVariantDate(noDate, false));

    // Compare with the platform's own formatting of the same date.
    VARIANT date;
    VariantInit(&date);
    date.vt = VT_DATE;
    SYSTEMTIME st = {2004, 3, 0, 15, 0, 0, 0, 0};
    SystemTimeToVariantTime(&st, &date.date);
    BSTR expected = nullptr;
    ASSERT_HRESULT_SUCCEEDED(VarFormatDateTime(&date, 2, 0, &expected));
    EXPECT_EQ(std::string(_bstr_t(expected)), FormatVariantDate(date, false));
    SysFreeString(expected);
}

TEST(MessageBoxHook, RecordsInsteadOfShowing)
{
    struct Shown {
        std::string text, caption;
        UINT type;
    };
    std::vector<Shown> shown;
    MessageBoxHook previous =
        SetMessageBoxHook([&](HWND, const std::string& text, const std::string& caption, UINT type) {
            shown.push_back({text, caption, type});
            return IDOK;
        });
    EXPECT_EQ(IDOK, ShowMessageBox(nullptr, "Upload successful.", "Kestrova", MB_ICONINFORMATION));
    SetMessageBoxHook(previous);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Upload successful.", shown[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), shown[0].type);
}

} // namespace
