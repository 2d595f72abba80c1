// The networked base through the probe: hidden window, waiting with time-out
// and interruption, the tick-count wrap, local host and Config keys.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tests/ProbeComponent.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_http.h"

namespace {

struct ConfigCase {
    const char* text;
    int result;
    const char* answer; // null: the answer slot stays as it was
};

void RunConfig(void* probe, const ConfigCase& c)
{
    INT_PTR args[2] = {reinterpret_cast<INT_PTR>(c.text), reinterpret_cast<INT_PTR>("before")};
    int lengths[2] = {};
    EXPECT_EQ(Probe_Do(probe, kProbeConfig, 2, args, lengths), c.result) << c.text;
    EXPECT_STREQ(reinterpret_cast<const char*>(args[1]), c.answer ? c.answer : "before") << c.text;
    if (c.result == -1) {
        EXPECT_STREQ(Probe_GetLastError(probe), "Unknown config setting.") << c.text;
    }
}

TEST(NetComponent, ConfigKeysOfTheBaseClasses)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    ASSERT_NE(probe, nullptr);
    const ConfigCase cases[] = {
        {"AbsoluteTimeout", 0, "False"},   {"AbsoluteTimeout=YES", 0, nullptr}, {"absolutetimeout", 0, "True"},
        {"AbsoluteTimeout=2", 0, nullptr}, {"AbsoluteTimeout", 0, "False"},     {"WinsockLoaded", 0, "True"},
        {"WinsockLoaded=true", -1, ""},    {"WinsockStatus=Up", -1, ""},        {"Timeout", -1, ""},
    };
    for (const auto& c : cases)
        RunConfig(probe, c);
    EXPECT_EQ(Probe_GetLastErrorCode(probe), -1);
    Probe_Destroy(probe);
}

TEST(NetComponent, HiddenWindowLivesWithItsObject)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    HWND window = reinterpret_cast<HWND>(Probe_Get(probe, kProbeWindow, 0, nullptr));
    ASSERT_TRUE(IsWindow(window));
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "__tsn_socket_wnd__");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
    EXPECT_NE(GetWindowLongPtrA(window, 0), 0);
    // A message the engine does not handle gets the default treatment.
    EXPECT_EQ(SendMessageA(window, WM_USER + 300, 0, 0), 0);

    void* other = Probe_Create(nullptr, 0, nullptr);
    HWND otherWindow = reinterpret_cast<HWND>(Probe_Get(other, kProbeWindow, 0, nullptr));
    EXPECT_NE(otherWindow, window);
    Probe_Destroy(probe);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindow(otherWindow));
    Probe_Destroy(other);
    EXPECT_FALSE(IsWindow(otherWindow));

    // With no window left the class goes at StaticDestroy, and comes back with the next window.
    EXPECT_EQ(Probe_StaticDestroy(), 0);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(LibraryInstance(), kNotifyWindowClass, &wc));
    EXPECT_EQ(Probe_StaticInit(GetModuleHandleA(nullptr)), 0);
    void* again = Probe_Create(nullptr, 0, nullptr);
    EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(Probe_Get(again, kProbeWindow, 0, nullptr))));
    Probe_Destroy(again);
}

// Where no notification window can be made, a component still loads
// Winsock and keeps its defaults; what needs the window says so.
TEST(NetComponent, WithoutItsWindowAComponentKeepsItsSettingsAndNamesTheCause)
{
    SetNotifyWindowCreator([]() -> HWND { return nullptr; });
    void* http = HTTP_Create(nullptr, 0, nullptr);
    SetNotifyWindowCreator(nullptr);
    ASSERT_NE(http, nullptr);
    EXPECT_EQ(HTTP_Get(http, kHttpFirewallPort, 0, nullptr), 80);
    EXPECT_EQ(HTTP_Get(http, kHttpTimeout, 0, nullptr), 60);
    EXPECT_STRNE(reinterpret_cast<const char*>(HTTP_Get(http, kHttpLocalHost, 0, nullptr)), "");
    const char url[] = "http://127.0.0.1:9/";
    INT_PTR args[1] = {reinterpret_cast<INT_PTR>(url)};
    int lengths[1] = {};
    EXPECT_EQ(HTTP_Do(http, kHttpMethodGet, 1, args, lengths), kNoNotifyWindow);
    EXPECT_STREQ(HTTP_GetLastError(http), "The component's notification window could not be created.");
    HTTP_Destroy(http);
}

struct InterruptOnTick {
    void* probe = nullptr;
    int ticks = 0;
};

int WINAPI InterruptFromEvent(INT_PTR user, int event, int count, INT_PTR* params, int*)
{
    auto* state = reinterpret_cast<InterruptOnTick*>(user);
    if (event == kProbeEventTick && count == 1) {
        state->ticks = int(params[0]);
        Probe_Do(state->probe, kProbeInterrupt, 0, nullptr, nullptr);
    }
    return 0;
}

TEST(NetComponent, WaitEndsOnItsConditionOrAnInterruptFromAnEvent)
{
    InterruptOnTick state;
    void* probe = Probe_Create(InterruptFromEvent, reinterpret_cast<INT_PTR>(&state), nullptr);
    state.probe = probe;

    EXPECT_EQ(Probe_Do(probe, kProbePostDone, 0, nullptr, nullptr), 0);
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), 0);

    EXPECT_EQ(Probe_Do(probe, kProbePostTick, 0, nullptr, nullptr), 0);
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), kInterrupted);
    EXPECT_STREQ(Probe_GetLastError(probe), "Interrupted.");
    EXPECT_EQ(Probe_GetLastErrorCode(probe), kInterrupted);
    EXPECT_EQ(state.ticks, 1);

    // A request made before the wait is taken by the wait's first step.
    EXPECT_EQ(Probe_Do(probe, kProbeInterrupt, 0, nullptr, nullptr), 0);
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), kInterrupted);
    Probe_Destroy(probe);
}

TEST(NetComponent, WaitTimesOut)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    EXPECT_EQ(Probe_Set(probe, kProbeTimeout, 0, 1, 0), 0);
    EXPECT_EQ(Probe_Get(probe, kProbeTimeout, 0, nullptr), 1);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), kInterrupted);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 10000u);
    // The stopped operation reports 301, whose text is "Interrupted.".
    EXPECT_STREQ(Probe_GetLastError(probe), "Interrupted.");
    Probe_Destroy(probe);
}

DWORD g_fakeTicks = 0;

DWORD FakeTicks()
{
    g_fakeTicks += 50;
    return g_fakeTicks;
}

TEST(NetComponent, DeadlineSurvivesTheTickCountWrap)
{
    ProbeEngine engine;
    ASSERT_EQ(engine.SetTimeout(2), 0);
    for (DWORD start : {0xFFFFFF00u, 0xFFFFFFFFu - 1999u, 0x7FFFFF00u, 100u}) {
        g_fakeTicks = start;
        NetComponent::SetTickSource(FakeTicks);
        EXPECT_EQ(engine.Wait(), kInterrupted);
        NetComponent::SetTickSource(nullptr);
        EXPECT_STREQ(engine.LastErrorText(), "Timeout.");
        // 2000 ms of fake time at 50 ms per reading: the wait ran its full length.
        const DWORD waited = g_fakeTicks - start;
        EXPECT_GE(waited, 2000u) << std::hex << start;
        EXPECT_LE(waited, 2150u) << std::hex << start;
    }
    // Without a time-out there is no deadline at all.
    ASSERT_EQ(engine.SetTimeout(0), 0);
    engine.StartTimeout();
    EXPECT_FALSE(engine.HasDeadline());
    EXPECT_FALSE(engine.DeadlinePassed());
}

// Fake milliseconds that a wait of the probe lasts, with its deadline
// started `before` milliseconds earlier by a wait of the same call (or of
// none, outside a call).
DWORD WaitAfter(ProbeEngine& engine, bool inCall, DWORD before)
{
    std::optional<ComponentAction> call;
    if (inCall)
        call.emplace(engine);
    g_fakeTicks = 1000;
    NetComponent::SetTickSource(FakeTicks);
    engine.StartTimeout();
    g_fakeTicks += before;
    const DWORD start = g_fakeTicks;
    EXPECT_EQ(engine.Wait(), kInterrupted);
    NetComponent::SetTickSource(nullptr);
    return g_fakeTicks - start;
}

// Without AbsoluteTimeout each wait has the whole Timeout; with it, the waits
// of one call share the deadline the first of them started, and the next
// call starts its own.
TEST(NetComponent, AbsoluteTimeoutHoldsForTheWholeCall)
{
    ProbeEngine engine;
    ASSERT_EQ(engine.SetTimeout(2), 0);
    EXPECT_GE(WaitAfter(engine, true, 1500), 2000u);
    const char* answer = nullptr;
    ASSERT_EQ(engine.DoConfig("AbsoluteTimeout=True", &answer), 0);
    EXPECT_LE(WaitAfter(engine, true, 1500), 600u);
    EXPECT_GE(WaitAfter(engine, true, 0), 2000u);
    EXPECT_GE(WaitAfter(engine, false, 1500), 2000u);
}

TEST(NetComponent, QuitMessageEndsTheWaitAndStaysForTheMessageLoop)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    PostQuitMessage(7);
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), kInterrupted);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    Probe_Destroy(probe);
}

LRESULT CALLBACK IgnoreClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(NetComponent, CloseMessageEndsTheWait)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = IgnoreClose;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ProbeOwnerWindow";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "ProbeOwnerWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    void* probe = Probe_Create(nullptr, 0, nullptr);
    PostMessageA(owner, WM_CLOSE, 0, 0);
    EXPECT_EQ(Probe_Do(probe, kProbeWait, 0, nullptr, nullptr), kInterrupted);
    EXPECT_TRUE(IsWindow(owner));
    Probe_Destroy(probe);
    DestroyWindow(owner);
}

TEST(NetComponent, LocalHost)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    char name[256] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    const std::string host = reinterpret_cast<const char*>(Probe_Get(probe, kProbeLocalHost, 0, nullptr));
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, host.c_str(), -1, name, -1), CSTR_EQUAL)
        << host << " / " << name;
    EXPECT_EQ(Probe_Set(probe, kProbeLocalHost, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(Probe_Get(probe, kProbeLocalHost, 0, nullptr)), "127.0.0.1");
    EXPECT_EQ(Probe_Set(probe, kProbeLocalHost, 0, reinterpret_cast<INT_PTR>("localhost"), 0), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(Probe_Get(probe, kProbeLocalHost, 0, nullptr)), "127.0.0.1");
    EXPECT_EQ(Probe_Set(probe, kProbeLocalHost, 0, 0, 0), 0);
    EXPECT_FALSE(std::string(reinterpret_cast<const char*>(Probe_Get(probe, kProbeLocalHost, 0, nullptr))).empty());
    Probe_Destroy(probe);

    // Without Winsock a name cannot be looked up, which counts as success.
    ProbeEngine engine;
    engine.SetWinsockLoaded(false);
    EXPECT_EQ(engine.SetLocalHost("127.0.0.1"), 0);
}

} // namespace
