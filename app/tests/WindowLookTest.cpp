// The windows as the operator sees them, on a real display at the dpi of the
// prefix the test runs in (96 and 144): the minimal progress window, the
// form's groups, the grey of a disabled picture button, and message boxes
// that hold the window they belong to, read as a driver reads them.
#include "app/AppOptions.h"
#include "app/AuditCompleteDlg.h"
#include "app/AuditProgressDlg.h"
#include "app/HyperLinkStatic.h"
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/KestrovaView.h"
#include "app/WaitDlg.h"
#include "app/tests/WindowDriver.h"
#include "audit/AuditEngineFactory.h"
#include "common/AppState.h"
#include "resources/resource.h"
#include "winui/DialogTemplate.h"

#include <comdef.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace {

RECT RectIn(HWND parent, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Calls look(x, y, colour) for every pixel of the window as drawn now.
void ForEachPixel(HWND hwnd, const std::function<void(int, int, COLORREF)>& look)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            look(x, y, GetPixel(dc, x, y));
        }
    }
    ReleaseDC(hwnd, dc);
}

// Pixels whose channels differ by more than a trace: none on a grey picture.
int ColouredPixels(HWND hwnd)
{
    int coloured = 0;
    ForEachPixel(hwnd, [&](int, int, COLORREF c) {
        int high = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
        int low = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
        coloured += high - low > 24 ? 1 : 0;
    });
    return coloured;
}

class WindowLook : public ::testing::Test {
protected:
    void SetUp() override
    {
        WaitDlg::s_readingPauseMs = 0;
        GetAppState().m_runMode = kRunInteractive;
    }
    void TearDown() override { GetAppState().m_runMode = kRunInteractive; }
};

} // namespace

// The minimal progress window is the interactive one cut off below the bar:
// the same place and width, the height of the picture's and the bar's client
// areas and 10 pixels. The whole picture and bar show, Cancel does not.
TEST_F(WindowLook, MinimalProgressWindowShowsThePictureAndTheWholeBar)
{
    struct Seen {
        RECT window = {};
        RECT client = {};
        RECT bar = {};
        RECT barClient = {};
        RECT picture = {};
        RECT pictureClient = {};
        RECT cancel = {};
    };
    const auto measure = [](int runMode) {
        GetAppState().m_runMode = runMode;
        CKestrovaDoc doc;
        AuditProgressDlg progress(doc, nullptr);
        HANDLE measured = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        // The audit holds the window open until the driver has measured it;
        // the driver sets the event whether or not it found the window, so
        // its own bounded search is what bounds this wait.
        progress.m_runAudit = [&](AuditProgressSink* sink) {
            sink->SetRange(2);
            sink->Step();
            WaitForSingleObject(measured, INFINITE);
            sink->Step();
        };
        Seen seen;
        std::thread driver([&] {
            HWND dialog = WaitFor([&] {
                HWND found = progress.GetHandle();
                return found != nullptr && IsWindowVisible(found) ? found : nullptr;
            });
            if (dialog != nullptr) {
                GetWindowRect(dialog, &seen.window);
                GetClientRect(dialog, &seen.client);
                seen.bar = RectIn(dialog, GetDlgItem(dialog, IDC_AUDIT_PROGRESS));
                GetClientRect(GetDlgItem(dialog, IDC_AUDIT_PROGRESS), &seen.barClient);
                seen.picture = RectIn(dialog, GetDlgItem(dialog, IDC_AUDIT_PICTURE));
                GetClientRect(GetDlgItem(dialog, IDC_AUDIT_PICTURE), &seen.pictureClient);
                seen.cancel = RectIn(dialog, GetDlgItem(dialog, IDC_CANCEL_AUDIT));
            }
            SetEvent(measured);
        });
        EXPECT_EQ(IDOK, progress.DoModal());
        driver.join();
        CloseHandle(measured);
        return seen;
    };
    const Seen interactive = measure(kRunInteractive);
    const Seen minimal = measure(kRunMinimal);
    ASSERT_GT(minimal.bar.bottom, 0) << "the progress window did not show";
    ASSERT_GT(interactive.bar.bottom, 0) << "the progress window did not show";

    EXPECT_EQ(interactive.window.left, minimal.window.left);
    EXPECT_EQ(interactive.window.top, minimal.window.top);
    EXPECT_EQ(interactive.window.right, minimal.window.right);
    EXPECT_EQ(minimal.pictureClient.bottom + minimal.barClient.bottom + 10, minimal.window.bottom - minimal.window.top);
    EXPECT_GE(minimal.cancel.top, minimal.client.bottom);
    EXPECT_TRUE(Inside(interactive.cancel, interactive.client));
    EXPECT_TRUE(Inside(minimal.bar, minimal.client))
        << "bar ends at " << minimal.bar.bottom << ", window at " << minimal.client.bottom;
    EXPECT_TRUE(Inside(minimal.picture, minimal.client));
}

TEST_F(WindowLook, FormFieldsStandInTheirGroupsAndTheFrameShowsTheWholeForm)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    HWND form = app.GetView()->GetHandle();
    std::vector<RECT> groups;
    std::vector<std::string> groupNames;
    for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[32] = {};
        GetClassNameA(child, kind, sizeof(kind));
        if (lstrcmpiA(kind, "Button") == 0 && (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
            groups.push_back(RectIn(form, child));
            groupNames.push_back(WindowText(child));
        }
    }
    ASSERT_EQ(2u, groups.size());
    EXPECT_EQ("Asset Assignment", groupNames[0]);
    EXPECT_EQ(" Misc. Serial Numbers", groupNames[1]);
    for (int id : {IDC_USER_NAME, IDC_SERVER_LOOKUP, IDC_DIRECTORY_LOOKUP, IDC_FIRST_NAME, IDC_MIDDLE_INITIAL,
                   IDC_LAST_NAME, IDC_LOCATION, IDC_DEPARTMENT, IDC_OFFICE, IDC_ASSET_TAG, IDC_OEM_ID}) {
        EXPECT_TRUE(Inside(RectIn(form, GetDlgItem(form, id)), groups[0])) << id;
    }
    for (int id : {IDC_KEYBOARD_SN, IDC_MOUSE_SN}) {
        EXPECT_TRUE(Inside(RectIn(form, GetDlgItem(form, id)), groups[1])) << id;
    }
    RECT frameClient;
    GetClientRect(app.GetMainWindow(), &frameClient);
    for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectIn(app.GetMainWindow(), child);
        rect.bottom = std::min(rect.bottom, rect.top + 30); // a combo box's list drops below
        EXPECT_TRUE(Inside(rect, frameClient)) << WindowText(child) << " " << GetDlgCtrlID(child);
    }
    app.CloseDocument();
}

TEST_F(WindowLook, DisabledIconButtonsAreDrawnGrey)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    ASSERT_FALSE(GetAppState().m_config.m_loaded); // no configuration here: no lookups
    HWND form = app.GetView()->GetHandle();
    HWND server = GetDlgItem(form, IDC_SERVER_LOOKUP);
    HWND directory = GetDlgItem(form, IDC_DIRECTORY_LOOKUP);
    ASSERT_FALSE(IsWindowEnabled(server));
    EXPECT_EQ(0, ColouredPixels(server));
    EXPECT_EQ(0, ColouredPixels(directory));
    EXPECT_GT(ColouredPixels(GetDlgItem(form, ID_LOCAL_AUDIT)), 100);
    auto* view = dynamic_cast<CKestrovaView*>(app.GetView());
    view->EnableLookupButtons(true);
    EXPECT_GT(ColouredPixels(server), 100);
    EXPECT_GT(ColouredPixels(directory), 100);
    app.CloseDocument();
}

TEST_F(WindowLook, SavedNoticeHoldsTheAuditCompleteDialog)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    CKestrovaDoc& doc = *app.GetKestrovaDoc();
    doc.Audit().m_engine = MakeAuditEngine(AuditEngineKind::Api);
    doc.Audit().m_completed = true;
    AuditCompleteDlg complete(doc, app.GetMainWindow());
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "\\noticed.kes";
    complete.m_askSavePath = [&](HWND, std::string& chosen) {
        chosen = path;
        return true;
    };
    HWND owner = nullptr;
    HWND dialog = nullptr;
    bool dialogEnabled = true;
    bool boxSeen = false;
    std::thread driver([&] {
        dialog = WaitFor([] {
            HWND found = FindWindowA("#32770", "Audit Complete!");
            return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        });
        if (dialog == nullptr) {
            return;
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SAVE_RESULTS, BN_CLICKED), 0);
        if (HWND box = WaitFor([] { return FindMessageBox("saved successfully"); })) {
            boxSeen = true;
            owner = GetWindow(box, GW_OWNER);
            dialogEnabled = IsWindowEnabled(dialog) != FALSE;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            WaitFor([box] { return IsWindow(box) ? nullptr : box; });
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(IDCANCEL, complete.DoModal());
    driver.join();
    ASSERT_TRUE(boxSeen);
    EXPECT_EQ(dialog, owner);
    EXPECT_FALSE(dialogEnabled); // no click reaches the dialog behind the box
    app.CloseDocument();
}

namespace {
COLORREF PixelAt(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return colour;
}

// The child of parent of the class whose text is text.
HWND ChildWithText(HWND parent, const char* className, const std::string& text)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[32] = {};
        GetClassNameA(child, kind, sizeof(kind));
        if (lstrcmpiA(kind, className) == 0 && WindowText(child) == text) {
            return child;
        }
    }
    return nullptr;
}

// What the driver saw of a picture button on a page: the page beside it and
// the button's own corner, where no icon is drawn.
struct PageAndCorner {
    COLORREF page = CLR_INVALID;
    COLORREF corner = CLR_INVALID;
};

PageAndCorner LookBeside(HWND page, int buttonId)
{
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
    const RECT button = RectIn(page, GetDlgItem(page, buttonId));
    return {PixelAt(page, button.left - 3, button.top + 2), PixelAt(page, button.left + 2, button.top + 2)};
}
} // namespace

// On the option pages the "Test" label stays inside its group's frame, and
// the picture buttons show the tab page under them, not squares of the
// button face's grey.
TEST_F(WindowLook, OptionPagesKeepTheGroupFrameAndShowThePageUnderTheirButtons)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    bool opened = false;
    RECT label = {};
    RECT group = {};
    COLORREF frameBesideLabel = CLR_INVALID;
    COLORREF frameAbove = CLR_INVALID;
    PageAndCorner test;
    PageAndCorner browse;
    std::thread driver([&] {
        HWND sheet = WaitFor([] { return VisibleDialog("Kestrova Options"); });
        if (sheet == nullptr) {
            return;
        }
        opened = true;
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        test = LookBeside(page, IDC_OPT_TEST_LOGIN);
        label = RectIn(page, ChildWithText(page, "Static", "Test"));
        group = RectIn(page, ChildWithText(page, "Button", "Ondelmark Credentials"));
        // The frame's right line, beside the label and higher up where nothing
        // lies over it.
        for (int x = group.right - 1; x > group.right - 5; --x) {
            const COLORREF above = PixelAt(page, x, (group.top + label.top) / 2);
            if (above != test.page) {
                frameAbove = above;
                frameBesideLabel = PixelAt(page, x, (label.top + label.bottom) / 2);
                break;
            }
        }
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        browse = LookBeside(page, IDC_LOG_BROWSE);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        PostMessageA(sheet, WM_NULL, 0, 0);
    });
    AppOptions sheet;
    sheet.DoModal(app.GetMainWindow());
    driver.join();
    ASSERT_TRUE(opened);
    EXPECT_LT(label.right, group.right - 1) << "label ends at " << label.right << ", frame at " << group.right;
    EXPECT_NE(CLR_INVALID, frameAbove);
    EXPECT_EQ(frameAbove, frameBesideLabel);
    EXPECT_EQ(test.page, test.corner);
    EXPECT_EQ(browse.page, browse.corner);
    app.CloseDocument();
}

namespace {
class UnreachableDirectory : public DirectorySource {
public:
    std::string GetDefaultNamingContext() override { throw _com_error(static_cast<HRESULT>(0x8004ABCDL)); }
    bool FindFirst(const std::string&, const std::string&, const std::vector<std::string>&, DirectoryEntry&) override
    {
        return false;
    }
};
} // namespace

TEST_F(WindowLook, DirectoryFailureWithoutSystemTextShowsTheCodeInItsOwnedBox)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    auto* view = dynamic_cast<CKestrovaView*>(app.GetView());
    view->m_makeDirectory = [] { return std::make_unique<UnreachableDirectory>(); };
    std::string text;
    HWND owner = nullptr;
    std::thread driver([&] {
        if (HWND box = WaitFor([] { return FindMessageBox("Active Directory Domain Controller"); })) {
            text = WindowText(GetDlgItem(box, 0xFFFF));
            owner = GetWindow(box, GW_OWNER);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    });
    SendMessageA(view->GetHandle(), WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LOOKUP, BN_CLICKED), 0);
    driver.join();
    EXPECT_NE(std::string::npos,
              text.find("The specific error message is:\r\n\r\nThe system has no description of error 0x8004ABCD."))
        << text;
    EXPECT_EQ(app.GetMainWindow(), owner);
    app.CloseDocument();
}

namespace {
// The About box's way of showing a web link, on a dialog of its own.
class LinkProbe : public Dialog {
public:
    LinkProbe(const std::vector<WORD>& words, std::string address)
        : Dialog(reinterpret_cast<const DLGTEMPLATE*>(words.data())), m_address(std::move(address))
    {
    }
    HyperLinkStatic m_link;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        m_link.Attach(m_hwnd, 1060);
        m_link.SetURL(m_address);
        return true;
    }

private:
    std::string m_address;
};

// Pixels of the control's text in colour (exact, as the link draws it).
int PixelsOf(HWND hwnd, COLORREF colour)
{
    int count = 0;
    ForEachPixel(hwnd, [&](int, int, COLORREF c) { count += c == colour ? 1 : 0; });
    return count;
}

// An underline is a long unbroken run of the text's colour; letters have
// short ones.
bool Underlined(HWND hwnd, COLORREF colour)
{
    RECT client;
    GetClientRect(hwnd, &client);
    int longest = 0;
    int run = 0;
    ForEachPixel(hwnd, [&](int x, int, COLORREF c) {
        run = c == colour && x > 0 ? run + 1 : (c == colour ? 1 : 0);
        longest = std::max(longest, run);
    });
    return longest > client.right / 2;
}

// Waits until done() holds with the cursor at (x, y). Under Wine the window's
// own thread may read a motion event of an earlier move late, on a busy
// machine, and put the system's cursor position (the one messages carry) back
// there while the display's pointer stays: the move is made again at every
// step, as a real mouse keeps telling where it is. Such a late motion may
// also light the link up again for a moment after it went out, so done()
// looks at the link's state and its pixels together.
bool HoldCursorUntil(int x, int y, const std::function<bool()>& done)
{
    return WaitFor([&]() -> HWND {
               SetCursorPos(x, y);
               return done() ? GetDesktopWindow() : nullptr;
           }) != nullptr;
}
} // namespace

TEST_F(WindowLook, WebLinkLightsUpUnderTheMouseAndTurnsPurpleOnceOpened)
{
    // An address the shell opens without a window: a program that ends at
    // once when it is given nothing to do.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 20, 20, 160, 40, "Link probe");
    t.AddItem("STATIC", 1060, SS_LEFT, 10, 10, 140, 10, "Kestrova on the web");
    std::vector<WORD> words = t.Build();
    LinkProbe dialog(words, std::string(system) + "\\rundll32.exe");
    int blueBefore = 0;
    int redHovering = 0;
    bool underlinedHovering = false;
    bool hoverEnded = false;
    bool underlinedAfter = true;
    int purpleAfterClick = 0;
    std::thread driver([&] {
        HWND probe = WaitFor([&] {
            HWND found = dialog.GetHandle();
            return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        });
        if (probe == nullptr) {
            return;
        }
        HWND link = GetDlgItem(probe, 1060);
        RECT rect;
        GetWindowRect(link, &rect);
        const int insideX = (rect.left + rect.right) / 2;
        const int insideY = (rect.top + rect.bottom) / 2;
        const int outsideX = rect.right + 200;
        const int outsideY = rect.bottom + 200;
        // A dialog that has just become visible may not have drawn its text
        // yet on a busy machine: the link is looked at until it has.
        HoldCursorUntil(outsideX, outsideY, [&] {
            blueBefore = PixelsOf(link, RGB(0, 0, 238));
            return !dialog.m_link.IsHovering() && blueBefore > 10;
        });
        SetCursorPos(insideX, insideY);
        PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        HoldCursorUntil(insideX, insideY, [&] {
            redHovering = PixelsOf(link, RGB(255, 0, 0));
            underlinedHovering = Underlined(link, RGB(255, 0, 0));
            return dialog.m_link.IsHovering() && redHovering > 10 && underlinedHovering;
        });

        hoverEnded = HoldCursorUntil(outsideX, outsideY, [&] {
            underlinedAfter = Underlined(link, RGB(0, 0, 238));
            return !dialog.m_link.IsHovering() && !underlinedAfter;
        });

        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        WaitFor([&] { return dialog.m_link.IsVisited() ? link : nullptr; });
        HoldCursorUntil(outsideX, outsideY, [&] {
            purpleAfterClick = PixelsOf(link, RGB(85, 26, 139));
            return !dialog.m_link.IsHovering() && purpleAfterClick > 10;
        });
        PostMessageA(probe, WM_COMMAND, IDCANCEL, 0);
    });
    dialog.DoModal(nullptr);
    driver.join();
    EXPECT_GT(blueBefore, 10);
    EXPECT_GT(redHovering, 10);
    EXPECT_TRUE(underlinedHovering);
    EXPECT_TRUE(hoverEnded);
    EXPECT_FALSE(underlinedAfter);
    EXPECT_TRUE(dialog.m_link.IsVisited());
    EXPECT_GT(purpleAfterClick, 10);
}
