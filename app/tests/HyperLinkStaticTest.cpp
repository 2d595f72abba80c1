// The web link's fallback command and the texts of its failures.
#include "app/HyperLinkStatic.h"

#include <gtest/gtest.h>

namespace {

TEST(HyperLinkStatic, PutsTheAddressInPlaceOfTheCommandsPlaceholder)
{
    const struct {
        const char* command;
        const char* expected;
    } kCases[] = {
        {"\"C:\\Web\\browse.exe\" -nohome \"%1\"", "\"C:\\Web\\browse.exe\" -nohome  http://k.test/"},
        {"C:\\Web\\browse.exe %1 -x", "C:\\Web\\browse.exe  http://k.test/"},
        {"C:\\Web\\browse.exe \"%1\" %1", "C:\\Web\\browse.exe  http://k.test/"},
        {"C:\\Web\\browse.exe %1 \"%1\"", "C:\\Web\\browse.exe %1  http://k.test/"},
        {"C:\\Web\\browse.exe", "C:\\Web\\browse.exe http://k.test/"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(HyperLinkStatic::CommandWithAddress(c.command, "http://k.test/"), c.expected) << c.command;
    }
}

TEST(HyperLinkStatic, NamesEachShellFailure)
{
    const struct {
        int code;
        const char* text;
    } kCases[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {4, "Unknown Error (4) occurred."},
        {-7, "Unknown Error (-7) occurred."},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(HyperLinkStatic::ErrorText(c.code), std::string("Unable to open hyperlink:\n\n") + c.text) << c.code;
    }
}

TEST(HyperLinkStatic, TakesOverAStaticText)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND text = CreateWindowExA(0, "STATIC", "http://k.test/", WS_CHILD | WS_VISIBLE | SS_RIGHT, 10, 10, 300, 40,
                                parent, reinterpret_cast<HMENU>(1060), nullptr, nullptr);
    ASSERT_NE(text, nullptr);
    {
        HyperLinkStatic link;
        ASSERT_TRUE(link.Attach(parent, 1060));
        EXPECT_EQ(link.GetURL(), "http://k.test/");
        EXPECT_NE(GetWindowLongPtrA(text, GWL_STYLE) & SS_NOTIFY, 0);

        // Fitted to its text and still flush right.
        RECT rect = {};
        GetWindowRect(text, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_LT(rect.right - rect.left, 300);
        EXPECT_GT(rect.right - rect.left, 0);
        EXPECT_EQ(rect.right, 310);

        EXPECT_EQ(link.TextColor(), RGB(0, 0, 238));
        SendMessageA(text, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_TRUE(link.IsHovering());
        EXPECT_EQ(link.TextColor(), RGB(255, 0, 0));
        EXPECT_FALSE(link.IsVisited());
    }
    DestroyWindow(parent);
}

} // namespace
