#include "common/AppHelpers.h"
#include "common/TextHelpers.h"
#include "common/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <comdef.h>

#include <memory>
#include <thread>
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

TEST(TextHelpers, TrimCaseDigitsConversionsAndResources)
{
    struct Trim {
        const char* input;
        const char* left;
        const char* right;
    } cases[] = {
        {"  a b\t", "a b\t", "  a b"},
        {" \t \t", "", ""},
        {"\r\nx\n", "\r\nx\n", "\r\nx\n"},
    };
    for (const Trim& c : cases) {
        std::string left = c.input;
        std::string right = c.input;
        EXPECT_EQ(c.left, TrimLeft(left));
        EXPECT_EQ(c.right, TrimRight(right));
    }
    std::string mixed = "abC-1";
    EXPECT_EQ("ABC-1", ToUpperCase(static_cast<const std::string&>(mixed)));
    EXPECT_EQ("abC-1", mixed);
    EXPECT_TRUE(IsAllDigits("0123456789"));
    EXPECT_FALSE(IsAllDigits("-1"));

    BSTR bstr = ToBstr("Kestrova");
    EXPECT_EQ(8u, SysStringLen(bstr));
    EXPECT_EQ("Kestrova", BstrToStdString(bstr));
    SysFreeString(bstr);
    EXPECT_EQ("", BstrToStdString(nullptr));
    EXPECT_EQ("", BstrToString(_bstr_t()));
    EXPECT_EQ("VM01", BstrToString(_bstr_t("VM01")));
    _bstr_t through("round trip");
    EXPECT_STREQ("round trip", static_cast<const char*>(through));

    EXPECT_EQ("1.2", LoadResourceString(144, nullptr));
    EXPECT_EQ("", LoadResourceString(1003, nullptr));
}

TEST(AppHelpers, GuidsAndDates)
{
    CoInitialize(nullptr);
    std::string guid = CreateGuidText();
    ASSERT_EQ(38u, guid.size());
    EXPECT_EQ('{', guid.front());
    EXPECT_EQ('-', guid[9]);
    EXPECT_EQ(ToUpperCase(static_cast<const std::string&>(guid)), guid);
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

// The probe of a network audit shows its box on its own thread, and a test
// may put another hook in place while it is open: the open box keeps its
// hook to the end, and boxes shown meanwhile go to the new one at once.
TEST(MessageBoxHook, AnOpenBoxKeepsItsHookWhileAnotherTakesOver)
{
    auto token = std::make_shared<int>(IDRETRY);
    const std::weak_ptr<int> alive = token;
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE answer = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const MessageBoxHook previous =
        SetMessageBoxHook([token, entered, answer](HWND, const std::string&, const std::string&, UINT) {
            SetEvent(entered);
            WaitForSingleObject(answer, 60000);
            return *token;
        });
    token.reset();
    int answered = 0;
    std::thread prober([&] { answered = ShowUnownedMessageBox("The RPC server is unavailable.", "Kestrova", MB_OK); });
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(entered, 60000));
    std::vector<std::string> later;
    SetMessageBoxHook([&later](HWND, const std::string& text, const std::string&, UINT) {
        later.push_back(text);
        return IDCANCEL;
    });
    const bool keptWhileOpen = !alive.expired();
    EXPECT_EQ(IDCANCEL, ShowMessageBox(nullptr, "Are you sure?", "Kestrova", MB_OKCANCEL));
    SetEvent(answer);
    prober.join();
    SetMessageBoxHook(previous);
    CloseHandle(entered);
    CloseHandle(answer);
    EXPECT_TRUE(keptWhileOpen);
    EXPECT_EQ(IDRETRY, answered);
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(std::vector<std::string>{"Are you sure?"}, later);
}

} // namespace
