// The application's windows on a real display, driven from inside the
// program (menus are per process under Wine): the main frame and its menus,
// the busy dialog, the command-arguments page, the progress dialog of a
// minimal run, and a minimal run of the real program.
#include "app/AuditProgressDlg.h"
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/WaitDlg.h"
#include "app/tests/KestrovaRun.h"
#include "app/tests/WindowDriver.h"
#include "winui/FrameWindow.h"
#include "common/AppState.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::string MenuLabel(HMENU menu, int position)
{
    char text[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    return text;
}

// Waits until find() gives a window, as long as the other window tests do.
HWND WaitForWindow(const std::function<HWND()>& find)
{
    return WaitFor(find);
}

class AppWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        WaitDlg::s_readingPauseMs = 0;
        GetAppState().m_runMode = kRunInteractive;
    }
};

} // namespace

TEST_F(AppWindows, MainFrameStyleTitleAndRunTimeMenus)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe /r");
    ASSERT_TRUE(app.InitInstance());
    HWND frame = app.GetMainWindow();
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_EQ("Kestrova - IT Asset Auditing", WindowText(frame));
    const LONG_PTR styleBits = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(0xC80000, GetWindowLongPtrA(frame, GWL_STYLE) & styleBits);
    EXPECT_EQ(0, GetWindowLongPtrA(frame, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    HMENU bar = GetMenu(frame);
    ASSERT_EQ(4, GetMenuItemCount(bar));
    EXPECT_EQ("&File", MenuLabel(bar, 0));
    EXPECT_EQ("&Help", MenuLabel(bar, 2));
    EXPECT_EQ("&Remote Audit", MenuLabel(bar, 3));
    HMENU remote = GetSubMenu(bar, 3);
    EXPECT_EQ("Network Audit (NQDI)", MenuLabel(remote, 0));
    EXPECT_EQ("Network Audit (WNet*)", MenuLabel(remote, 1));
    EXPECT_EQ("Network Audit (ADSI)", MenuLabel(remote, 2));
    app.GetMainFrame()->UpdateMenuItems(remote);
    EXPECT_FALSE(GetMenuState(remote, ID_NETWORK_AUDIT_ADSI, MF_BYCOMMAND) & MF_GRAYED);
    HMENU file = GetSubMenu(bar, 0);
    app.GetMainFrame()->UpdateMenuItems(file);
    EXPECT_FALSE(GetMenuState(file, ID_APP_EXIT, MF_BYCOMMAND) & MF_GRAYED);
    app.CloseDocument();
}

namespace {
// Wine sees a key only while one of its windows has the X input focus:
// a small window of this process takes it first.
void PressControl(bool down)
{
    static HWND focus = nullptr;
    if (down) {
        focus = CreateWindowExA(0, "STATIC", "focus", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(focus);
        SetFocus(focus);
        MSG msg;
        for (int i = 0; i < 20; ++i) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
    }
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_CONTROL;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
    MSG msg;
    for (int i = 0; i < 10 && (((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) != down); ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    if (!down && focus != nullptr) {
        DestroyWindow(focus);
        focus = nullptr;
    }
}
} // namespace

TEST_F(AppWindows, WithoutCtrlOrSlashRTheMenuBarIsTheFixedOne)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(3, GetMenuItemCount(GetMenu(app.GetMainWindow())));
    EXPECT_FALSE(app.m_debugMenuAdded || app.m_remoteAuditMenuAdded);
    app.CloseDocument();
}

TEST_F(AppWindows, CtrlAtStartAndSlashRGiveDebugThenRemoteAudit)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe /R");
    PressControl(true);
    bool started = app.InitInstance();
    PressControl(false);
    ASSERT_TRUE(started);
    HMENU bar = GetMenu(app.GetMainWindow());
    ASSERT_EQ(5, GetMenuItemCount(bar));
    EXPECT_EQ("&Debug", MenuLabel(bar, 3));
    EXPECT_EQ("Network Options...", MenuLabel(GetSubMenu(bar, 3), 0));
    EXPECT_EQ("&Remote Audit", MenuLabel(bar, 4));
    EXPECT_TRUE(app.m_debugMenuAdded && app.m_remoteAuditMenuAdded);
    app.CloseDocument();
}

TEST_F(AppWindows, BusyDialogShowsItsTextTopmostAndNeverDangles)
{
    CKestrovaApp app;
    app.ShowWaitDlg("Uploading audit results to the Ondelmark server...");
    ASSERT_NE(nullptr, app.GetWaitDlg());
    HWND wait = app.GetWaitDlg()->GetHandle();
    EXPECT_TRUE(IsWindowVisible(wait));
    EXPECT_EQ("Uploading audit results to the Ondelmark server...", WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));
    EXPECT_TRUE(GetWindowLongPtrA(wait, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(WS_CAPTION, GetWindowLongPtrA(wait, GWL_STYLE) & WS_CAPTION); // a thin border, no title bar
    app.HideWaitDlg();
    EXPECT_FALSE(IsWindowVisible(wait));

    // Esc closes the window; the object goes with it and the application
    // forgets it, so the next call makes a new one.
    SendMessageA(wait, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(wait));
    EXPECT_EQ(nullptr, app.GetWaitDlg());
    app.ShowWaitDlg("Verifying Ondelmark account credentials...");
    ASSERT_NE(nullptr, app.GetWaitDlg());
    EXPECT_EQ("Verifying Ondelmark account credentials...", app.GetWaitDlg()->GetText());
}

TEST_F(AppWindows, CommandArgumentsPageFromTheHelpMenu)
{
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(app.InitInstance());
    std::vector<std::string> texts;
    std::thread driver([&] {
        // Visible only once its controls exist and WM_INITDIALOG has run.
        HWND dialog = WaitForWindow([] {
            HWND found = FindWindowA("#32770", "Command Arguments");
            return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        });
        if (dialog == nullptr) {
            return;
        }
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            texts.push_back(WindowText(child));
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendMessageA(app.GetMainWindow(), WM_COMMAND, ID_COMMAND_ARGUMENTS, 0);
    driver.join();
    ASSERT_EQ(8u, texts.size());
    EXPECT_EQ(0u, texts[0].find("The following are the available command arguments"));
    EXPECT_NE(std::string::npos,
              texts[0].find("Kestrova.exe [/H] | [/M]  [/L:\"location\"] [/D:\"department\"] [/S:\"save path\"]"));
    EXPECT_EQ(0u, texts[2].find("/M - Minimal Mode."));
    EXPECT_EQ("The following commands require Hidden or Minimal Mode", texts[3]);
    EXPECT_NE(std::string::npos, texts[5].find("Example:  /L:\"Central Office\""));
    app.CloseDocument();
}

TEST_F(AppWindows, MinimalProgressDialogIgnoresKeysAndCancel)
{
    GetAppState().m_runMode = kRunMinimal;
    CKestrovaDoc doc;
    AuditProgressDlg progress(doc, nullptr);
    HANDLE keysDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool cancelEnabled = true;
    bool cancelInView = true;
    progress.m_runAudit = [&](AuditProgressSink* sink) {
        sink->SetRange(3);
        sink->Step();
        WaitForSingleObject(keysDone, 10000);
        sink->Step();
        sink->Step();
    };
    std::thread driver([&] {
        // Visible only after OnInitDialog has set the window up.
        HWND dialog = WaitForWindow([&] {
            HWND found = progress.GetHandle();
            return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        });
        HWND cancel = GetDlgItem(dialog, IDC_CANCEL_AUDIT);
        cancelEnabled = IsWindowEnabled(cancel) != FALSE;
        RECT window;
        RECT button;
        GetWindowRect(dialog, &window);
        GetWindowRect(cancel, &button);
        cancelInView = button.top < window.bottom;
        for (WPARAM key : {VK_ESCAPE, VK_RETURN, VK_SPACE}) {
            SendMessageA(dialog, WM_KEYDOWN, key, 0);
            SendMessageA(cancel, WM_KEYDOWN, key, 0);
            SendMessageA(cancel, WM_KEYUP, key, 0);
        }
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_AUDIT, BN_CLICKED), 0);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        SetEvent(keysDone);
    });
    EXPECT_EQ(IDOK, progress.DoModal());
    driver.join();
    CloseHandle(keysDone);
    EXPECT_FALSE(progress.IsCanceled());
    EXPECT_FALSE(cancelEnabled);
    EXPECT_FALSE(cancelInView);
    GetAppState().m_runMode = kRunInteractive;
}

TEST_F(AppWindows, InteractiveProgressDialogCancels)
{
    CKestrovaDoc doc;
    AuditProgressDlg progress(doc, nullptr);
    progress.m_runAudit = [&](AuditProgressSink* sink) {
        sink->SetRange(100);
        HWND dialog = progress.GetHandle();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_AUDIT, BN_CLICKED), 0);
        for (int i = 0; i < 500 && !sink->IsCanceled(); ++i) {
            Sleep(10);
        }
    };
    EXPECT_EQ(IDCANCEL, progress.DoModal());
}

TEST_F(AppWindows, MinimalRunOfTheProgramSavesAFullResult)
{
    std::string folder = MakeFolder("minimal");
    WriteConfig(folder, 20699);
    std::string out = MakeFolder("minimal-out");
    ASSERT_EQ(0, RunKestrova("/M /L:Lab /S:\"" + out + "\"", folder));
    std::string result = ReadFileText(out + "\\" + ComputerName() + ".kes");
    EXPECT_NE(std::string::npos, result.find("location=\"Lab\""));
    EXPECT_NE(std::string::npos, result.find("</Kestrova>"));
}

TEST_F(AppWindows, DriverOpensTheCommandArgumentsOfTheRealProgramAndExits)
{
    std::string folder = MakeFolder("interactive");
    HANDLE process = StartKestrova("", folder);
    ASSERT_NE(nullptr, process);
    HWND frame = WaitForWindow([] {
        HWND found = FindWindowA(nullptr, "Kestrova - IT Asset Auditing");
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    });
    ASSERT_NE(nullptr, frame);
    const LONG_PTR styleBits = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(0xC80000, GetWindowLongPtrA(frame, GWL_STYLE) & styleBits);

    PostMessageA(frame, WM_COMMAND, ID_COMMAND_ARGUMENTS, 0);
    HWND dialog = WaitForWindow([] {
        HWND found = FindWindowA("#32770", "Command Arguments");
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    });
    ASSERT_NE(nullptr, dialog);
    HWND first = GetWindow(dialog, GW_CHILD);
    EXPECT_EQ(0u, WindowText(first).find("The following are the available command arguments"));
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_NE(nullptr, WaitForWindow([dialog] { return IsWindow(dialog) ? nullptr : dialog; }));

    PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 30000));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(process);
}

TEST_F(AppWindows, SlowUploadRunsUnderTheBusyDialog)
{
    CKestrovaApp app;
    ConfigFile& config = GetAppState().m_config;
    config.m_server = "127.0.0.1";
    config.m_port = kServerPort;
    Answer("{\"mode\": \"slow\", \"delay\": 2}");
    std::string seenText;
    bool seenTopmost = false;
    std::thread driver([&] {
        HWND wait = WaitForWindow([] {
            HWND found = FindWindowA("#32770", nullptr);
            for (; found != nullptr; found = FindWindowExA(nullptr, found, "#32770", nullptr)) {
                if (GetDlgItem(found, IDC_WAIT_TEXT) != nullptr && IsWindowVisible(found)) {
                    return found;
                }
            }
            return found;
        });
        if (wait != nullptr) {
            seenText = WindowText(GetDlgItem(wait, IDC_WAIT_TEXT));
            seenTopmost = (GetWindowLongPtrA(wait, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        }
    });
    CKestrovaDoc doc;
    std::string error;
    DWORD start = GetTickCount();
    bool uploaded = doc.UploadAuditResults("<Kestrova/>", error);
    DWORD elapsed = GetTickCount() - start;
    driver.join();
    app.HideWaitDlg();
    Answer("{\"mode\": \"ok\"}");
    EXPECT_TRUE(uploaded) << error;
    EXPECT_GE(elapsed, 1500u); // the reply really was late
    EXPECT_EQ("Uploading audit results to the Ondelmark server...", seenText);
    EXPECT_TRUE(seenTopmost);
}
