// The single-document frame: the template makes document, frame and view;
// commands go view, document, frame, application; items without a handler
// are disabled before their menu opens; the loop runs idle handling.
#include "resources/resource.h"
#include "winui/Document.h"
#include "winui/FrameWindow.h"
#include "winui/View.h"
#include "winui/WinApp.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace {

std::string g_trail;

class TestDoc : public Document {
public:
    TestDoc()
    {
        m_map.OnCommand(ID_LOCAL_AUDIT, [] { g_trail += "doc-audit "; });
        m_map.OnCommand(ID_UPLOAD_SAVED_AUDITS, [] { g_trail += "doc-upload "; });
    }
    void OnCloseDocument() override { g_trail += "closed "; }
};

class TestView : public View {
public:
    TestView()
    {
        m_map.OnCommand(ID_LOCAL_AUDIT, [] { g_trail += "view-audit "; });
    }
    void OnInitialUpdate() override { g_trail += "initial-update "; }
};

class TestFrame : public FrameWindow {
protected:
    void PreCreateWindow(CREATESTRUCTA& cs) override { cs.style = WS_CAPTION | WS_SYSMENU; }
};

class TestApp : public WinApp {
public:
    TestApp()
    {
        m_map.OnCommand(ID_COMMAND_ARGUMENTS, [] { g_trail += "app-arguments "; });
        m_map.OnUpdate(ID_OPTIONS, [this](CmdUI& ui) {
            ui.Enable(m_optionsEnabled);
            ui.SetCheck(true);
        });
        SetDocTemplate({IDR_MAINFRAME, [] { return std::make_unique<TestDoc>(); },
                        [] { return std::make_unique<TestFrame>(); }, [] { return std::make_unique<TestView>(); }});
        m_showCommand = SW_HIDE;
    }
    bool OnIdle(long count) override
    {
        m_idleCalls++;
        if (count == 2) {
            PostQuitMessage(7);
        }
        return count < 2;
    }
    bool m_optionsEnabled = false;
    int m_idleCalls = 0;
};

UINT MenuState(HMENU bar, int popup, UINT id)
{
    return GetMenuState(GetSubMenu(bar, popup), id, MF_BYCOMMAND);
}

} // namespace

TEST(FrameRouting, CommandsTakeTheViewDocumentFrameApplicationRoad)
{
    g_trail.clear();
    TestApp app;
    ASSERT_TRUE(app.OpenNewDocument());
    HWND frame = app.GetMainWindow();
    ASSERT_NE(nullptr, frame);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU, GetWindowLongPtrA(frame, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
    char title[64] = {};
    GetWindowTextA(frame, title, sizeof(title));
    EXPECT_STREQ("Kestrova", title); // the document string's first part

    SendMessageA(frame, WM_COMMAND, ID_LOCAL_AUDIT, 0);
    SendMessageA(frame, WM_COMMAND, ID_UPLOAD_SAVED_AUDITS, 0);
    SendMessageA(frame, WM_COMMAND, ID_COMMAND_ARGUMENTS, 0);
    EXPECT_EQ("initial-update view-audit doc-upload app-arguments ", g_trail);

    HMENU bar = GetMenu(frame);
    FrameWindow* frameObject = app.GetMainFrame();
    frameObject->UpdateMenuItems(GetSubMenu(bar, 0));
    frameObject->UpdateMenuItems(GetSubMenu(bar, 2));
    EXPECT_FALSE(MenuState(bar, 0, ID_UPLOAD_SAVED_AUDITS) & MF_GRAYED);
    EXPECT_TRUE(MenuState(bar, 0, ID_OPTIONS) & MF_GRAYED); // its update handler says so
    EXPECT_TRUE(MenuState(bar, 0, ID_OPTIONS) & MF_CHECKED);
    EXPECT_FALSE(MenuState(bar, 0, ID_APP_EXIT) & MF_GRAYED); // the framework's Exit
    EXPECT_TRUE(MenuState(bar, 2, ID_APP_ABOUT) & MF_GRAYED); // nobody handles it
    app.m_optionsEnabled = true;
    frameObject->UpdateMenuItems(GetSubMenu(bar, 0));
    EXPECT_FALSE(MenuState(bar, 0, ID_OPTIONS) & MF_GRAYED);

    // Exit closes the frame, which ends the loop after the idle calls.
    PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0, app.Run());
    EXPECT_FALSE(IsWindow(frame));
    app.CloseDocument();
    EXPECT_NE(std::string::npos, g_trail.find("closed"));
}

TEST(FrameRouting, IdleHandlingRunsWhileTheQueueIsEmpty)
{
    TestApp app;
    EXPECT_EQ(7, app.Run());
    EXPECT_EQ(3, app.m_idleCalls);
}

namespace {

// A command whose call keeps the thread's messages flowing while it waits,
// as a component's wait does: its loop stops on any WM_CLOSE it dispatches.
// Meanwhile another thread's operator asks for more.
class CallingApp : public TestApp {
public:
    CallingApp()
    {
        m_map.OnCommand(ID_OPTIONS, [this] { Call(); });
    }

    // What the other side does while the call waits, on another thread.
    std::function<void(HWND frame)> m_meanwhile;
    bool m_callCutShort = false;
    bool m_frameEnabledDuringCall = true;
    bool m_frameAfterCall = false; // the frame still there when the command ended

private:
    void Call()
    {
        g_trail += "call ";
        BeginCallWait(nullptr);
        m_frameEnabledDuringCall = IsWindowEnabled(GetMainWindow()) != FALSE;
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HWND frame = GetMainWindow();
        std::thread other([this, frame, done] {
            m_meanwhile(frame);
            SetEvent(done);
        });
        // Waits for the other side, dispatching as the components do.
        while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
                m_callCutShort = m_callCutShort || msg.message == WM_CLOSE;
            }
        }
        other.join();
        CloseHandle(done);
        EndCallWait();
        g_trail += "answered ";
        m_frameAfterCall = IsWindow(frame) != FALSE;
    }
};

// Posts to a window of the calling thread, after everything posted before,
// and waits until the thread has got there.
void WaitForQueueToPass(HWND frame)
{
    HANDLE passed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The frame's own map hears the marker: a message no one else sends.
    if (PostMessageA(frame, WM_APP + 321, 0, reinterpret_cast<LPARAM>(passed))) {
        WaitForSingleObject(passed, 30000);
    }
    CloseHandle(passed);
}

} // namespace

TEST(FrameRouting, ACallWaitRefusesCommandsAndKeepsACloseUntilTheCommandEnds)
{
    g_trail.clear();
    CallingApp app;
    ASSERT_TRUE(app.OpenNewDocument());
    HWND frame = app.GetMainWindow();
    app.GetMainFrame()->Map().OnMessage(WM_APP + 321, [](WPARAM, LPARAM passed) -> LRESULT {
        SetEvent(reinterpret_cast<HANDLE>(passed));
        return 0;
    });
    bool pendingDuringCall = false;
    bool frameDuringCall = false;
    app.m_meanwhile = [&](HWND target) {
        // A second command, then each way of closing: the menu's Exit, the
        // system menu's Close and a plain WM_CLOSE.
        PostMessageA(target, WM_COMMAND, ID_UPLOAD_SAVED_AUDITS, 0);
        PostMessageA(target, WM_COMMAND, ID_APP_EXIT, 0);
        PostMessageA(target, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(target, WM_CLOSE, 0, 0);
        WaitForQueueToPass(target);
        pendingDuringCall = app.IsClosePending();
        frameDuringCall = IsWindow(target) != FALSE;
    };
    PostMessageA(frame, WM_COMMAND, ID_OPTIONS, 0);
    EXPECT_EQ(0, app.Run()); // the frame closed once the command had ended
    EXPECT_FALSE(app.m_frameEnabledDuringCall);
    EXPECT_TRUE(pendingDuringCall);
    EXPECT_TRUE(frameDuringCall);
    EXPECT_FALSE(app.m_callCutShort);
    EXPECT_TRUE(app.m_frameAfterCall);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ("initial-update call answered ", g_trail); // no upload, and the call ran to its end
    app.CloseDocument();
}
