// NetDial through its exported functions against what Wine's RAS answers
// (empty lists, entries that read as present, a dial that fails with 1, a
// connection status that is always answered, no error descriptions), and
// through stand-in RAS functions for what Wine cannot give: entries and
// connections to list, dials that connect or do not, dial notifications, the
// dial dialog, a platform that describes RAS errors in words of its own.
// Wine's credentials function aborts the process and is never called.
#include <winsock2.h>
#include <windows.h>

#include <raserror.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_netdial.h"
#include "netcomp/net/dial/NetDialEngine.h"
#include "netcomp/net/dial/RasStatusTexts.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Dial {
    void* obj = nullptr;
    EventRecorder events;

    Dial()
    {
        events.TextsAt(kNetDialEventStatus, {2, 3});
        events.TextsAt(kNetDialEventPhoneBookEntry, {0});
        events.TextsAt(kNetDialEventDevice, {0, 1});
        events.TextsAt(kNetDialEventConnectedEntry, {1, 2, 3, 4});
        obj = NetDial_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Dial() { NetDial_Destroy(obj); }

    NetDialEngine& Engine() { return ComponentObject<NetDialEngine>::FromHandle(obj)->GetEngine(); }
    int Set(int property, INT_PTR value) { return NetDial_Set(obj, property, 0, value, 0); }
    std::string Text(int property) { return reinterpret_cast<const char*>(NetDial_Get(obj, property, 0, nullptr)); }
    int Do(int method)
    {
        int length = 0;
        return NetDial_Do(obj, method, 0, nullptr, &length);
    }
    std::string Error() { return NetDial_GetLastError(obj); }
};

TEST(NetDial, WhatWinesRasAnswers)
{
    Dial dial;
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialRASAvailable, 0, nullptr));
    EXPECT_EQ(0, dial.Do(kNetDialListEntries));
    EXPECT_EQ(0, dial.Do(kNetDialListConnections));
    EXPECT_TRUE(dial.events.events.empty()) << "no entries, no connections";
    EXPECT_EQ(0, dial.Do(kNetDialListDevices));
    const auto devices = dial.events.Of(kNetDialEventDevice);
    ASSERT_EQ(1u, devices.size()) << "Wine's one device";
    EXPECT_EQ("WINE virtmodem", devices[0].texts[0]);

    ASSERT_EQ(0, dial.Set(kNetDialPhoneNumber, T("5551234")));
    EXPECT_EQ(1, dial.Do(kNetDialConnect)) << "Wine's dial fails with 1";
    EXPECT_EQ("[1] (no description available)", dial.Error()) << "not the text of state 1";
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));
    EXPECT_EQ(0, NetDial_Get(dial.obj, kNetDialHandle, 0, nullptr));

    // Wine's dial dialog would abort the process: it counts as missing.
    EXPECT_EQ(300, dial.Do(kNetDialShowDialDialog));
    EXPECT_EQ("Can't load the RasDialDlg function.", dial.Error());
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));

    // Every entry reads as present, so none can be created; deleting succeeds.
    ASSERT_EQ(0, dial.Set(kNetDialPhoneBookEntry, T("kestrova")));
    EXPECT_EQ(302, dial.Do(kNetDialCreateEntry));
    EXPECT_EQ("Entry already exists.", dial.Error());
    EXPECT_EQ(0, dial.Do(kNetDialDeleteEntry));
}

// RAS sends a dial's notifications from a thread of its own, for the dial
// dialog's dial as well: neither library may leave with the last component.
TEST(NetDial, RasLibrariesStayAfterTheLastComponent)
{
    {
        Dial dial;
        EXPECT_EQ(300, dial.Do(kNetDialShowDialDialog));
    }
    EXPECT_NE(nullptr, GetModuleHandleA("RASAPI32.DLL"));
    EXPECT_NE(nullptr, GetModuleHandleA("rasdlg.dll"));
}

// Wine answers the status of any handle: the hang-up's wait for the
// connection to go ends at the Timeout instead of polling for ever.
TEST(NetDial, AHangUpThatNeverEndsIsBoundedByTheTimeout)
{
    Dial dial;
    ASSERT_EQ(0, dial.Set(kNetDialTimeout, 1));
    ASSERT_EQ(0, dial.Set(kNetDialHandle, 0x1234));
    EXPECT_EQ(301, dial.Do(kNetDialDisconnect));
    EXPECT_EQ("Timeout.", dial.Error());
    EXPECT_EQ(0, NetDial_Get(dial.obj, kNetDialHandle, 0, nullptr));
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));
    const auto status = dial.events.Of(kNetDialEventStatus);
    ASSERT_FALSE(status.empty());
    EXPECT_EQ("Open port", status[0].texts[2]);
    EXPECT_EQ("OK", status[0].texts[3]);
}

TEST(NetDial, EntryPropertiesAndLimits)
{
    Dial dial;
    ASSERT_EQ(0, dial.Set(kNetDialEntryIPAddress, T("10.1.2.3")));
    EXPECT_EQ("10.1.2.3", dial.Text(kNetDialEntryIPAddress));
    ASSERT_EQ(0, dial.Set(kNetDialEntryDNSAddress, T("0.0.0.0")));
    EXPECT_EQ("", dial.Text(kNetDialEntryDNSAddress)) << "0 reads empty";
    ASSERT_EQ(0, dial.Set(kNetDialEntryDeviceType, T("modem-of-a-very-long-type")));
    EXPECT_EQ("modem-of-a-very-", dial.Text(kNetDialEntryDeviceType));
    ASSERT_EQ(0, dial.Set(kNetDialDomain, T("a-domain-name-too-long")));
    EXPECT_EQ("a-domain-name-t", dial.Text(kNetDialDomain));
    const std::string longName(400, 'u');
    ASSERT_EQ(0, dial.Set(kNetDialUser, T(longName.c_str())));
    EXPECT_EQ(256u, dial.Text(kNetDialUser).size());

    std::string answer;
    INT_PTR args[2] = {T("PausedStates=true"), 0};
    int lengths[2] = {};
    ASSERT_EQ(0, NetDial_Do(dial.obj, kNetDialConfig, 2, args, lengths));
    args[0] = T("RasDialExtFlags");
    ASSERT_EQ(0, NetDial_Do(dial.obj, kNetDialConfig, 2, args, lengths));
    EXPECT_STREQ("3", reinterpret_cast<const char*>(args[1]));
}

// Stand-ins for the RAS functions Wine only pretends to have. They take
// the records as the platform does: by the platform's own declarations,
// several records laid out the size the caller declares apart, and sizes it
// does not know refused with 632, as the platform refuses them.
constexpr DWORD kInvalidSize = 632;
constexpr bool k64 = sizeof(void*) == 8;
// Handles of the platform are pointer-sized: on 64-bit they may use bits
// above the low 32.
constexpr std::uintptr_t kHighHandleBits = k64 ? std::uintptr_t(0x7FF1) << 32 : 0;

int g_statusCalls = 0;
HRASCONN g_hungUp = nullptr;

DWORD WINAPI TwoEntries(LPCSTR, LPCSTR, RASENTRYNAMEA* names, DWORD* size, DWORD* count)
{
    const DWORD each = names->dwSize;
    if (each != 264 && each != sizeof(RASENTRYNAMEA))
        return kInvalidSize;
    if (*size < 2 * each) {
        *size = 2 * each;
        return ERROR_BUFFER_TOO_SMALL;
    }
    auto* bytes = reinterpret_cast<char*>(names);
    std::strcpy(reinterpret_cast<RASENTRYNAMEA*>(bytes)->szEntryName, "office");
    std::strcpy(reinterpret_cast<RASENTRYNAMEA*>(bytes + each)->szEntryName, "home");
    *count = 2;
    return 0;
}

DWORD WINAPI GoneAfterTwo(HRASCONN, RASCONNSTATUSA* status)
{
    if (++g_statusCalls > 2)
        return ERROR_INVALID_HANDLE;
    status->rasconnstate = RASCS_Authenticated;
    return 0;
}

DWORD WINAPI RecordHangUp(HRASCONN handle)
{
    g_hungUp = handle;
    return 0;
}

TEST(NetDial, ListsHangsUpAndReportsDialProgress)
{
    Dial dial;
    ras::Api api = {};
    api.dial = [](RASDIALEXTENSIONS*, LPCSTR, RASDIALPARAMSA*, DWORD, void*, HRASCONN*) -> DWORD { return 1; };
    api.enumEntries = TwoEntries;
    api.getConnectStatus = GoneAfterTwo;
    api.hangUp = RecordHangUp;
    dial.Engine().ReplaceApi(api);

    EXPECT_EQ(0, dial.Do(kNetDialListEntries));
    const auto entries = dial.events.Of(kNetDialEventPhoneBookEntry);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("office", entries[0].texts[0]);
    EXPECT_EQ("home", entries[1].texts[0]);

    dial.events.Clear();
    ASSERT_EQ(0, dial.Set(kNetDialHandle, 0x77));
    EXPECT_EQ(0, dial.Do(kNetDialDisconnect));
    EXPECT_EQ(reinterpret_cast<HRASCONN>(0x77), g_hungUp);
    const auto status = dial.events.Of(kNetDialEventStatus);
    ASSERT_EQ(3u, status.size());
    EXPECT_EQ("Authenticated", status[0].texts[2]);
    EXPECT_EQ(8193, status[2].values[0]);
    EXPECT_EQ("Disconnected", status[2].texts[2]);

    // Dial notifications, as the platform posts them to the component.
    dial.events.Clear();
    const UINT message = RegisterWindowMessageA("RasDialEvent");
    SendMessageA(dial.Engine().Window(), message, 8192, 0);
    SendMessageA(dial.Engine().Window(), message, 5, 623);
    SendMessageA(dial.Engine().Window(), message, 99, 700);
    const auto progress = dial.events.Of(kNetDialEventStatus);
    ASSERT_EQ(3u, progress.size());
    EXPECT_EQ("Connected", progress[0].texts[2]);
    EXPECT_EQ("OK", progress[0].texts[3]);
    EXPECT_EQ("Authenticate", progress[1].texts[2]);
    EXPECT_EQ("Cannot find the phone book entry.", progress[1].texts[3]);
    EXPECT_EQ("[99] (no description available)", progress[2].texts[2]);
}

// What a dial stand-in saw, and how it answers.
struct DialSeen {
    DWORD extensionsSize = 0, options = 0, paramsSize = 0, notifierType = 0;
    std::string phone, user, domain;
    HWND window = nullptr;
    // Posted to the notifier as the platform's progress: state, error.
    std::vector<std::pair<WPARAM, LPARAM>> progress;
    DWORD answer = 0;
} g_dial;

DWORD WINAPI ScriptedDial(RASDIALEXTENSIONS* extensions, LPCSTR, RASDIALPARAMSA* params, DWORD notifierType,
                          void* notifier, HRASCONN* connection)
{
    // The platform's sizes of the first version of each record.
    if (extensions && extensions->dwSize != (k64 ? 24u : 16u))
        return kInvalidSize;
    if (params->dwSize != 1052)
        return kInvalidSize;
    g_dial.extensionsSize = extensions ? extensions->dwSize : 0;
    g_dial.options = extensions ? extensions->dwfOptions : 0;
    g_dial.paramsSize = params->dwSize;
    g_dial.phone = params->szPhoneNumber;
    g_dial.user = params->szUserName;
    g_dial.domain = params->szDomain;
    g_dial.notifierType = notifierType;
    g_dial.window = static_cast<HWND>(notifier);
    *connection = reinterpret_cast<HRASCONN>(0x99);
    const UINT message = RegisterWindowMessageA("RasDialEvent");
    for (const auto& p : g_dial.progress)
        PostMessageA(g_dial.window, message, p.first, p.second);
    return g_dial.answer;
}

DWORD WINAPI StatusAsDialed(HRASCONN handle, RASCONNSTATUSA* status)
{
    if (status->dwSize != 160)
        return kInvalidSize;
    if (handle == g_hungUp)
        return ERROR_INVALID_HANDLE;
    status->rasconnstate = RASCS_Authenticate;
    return 0;
}

DWORD WINAPI TwoConnections(RASCONNA* connections, DWORD* size, DWORD* count)
{
    const DWORD each = connections->dwSize;
    if (each != (k64 ? 416u : 412u) && each != sizeof(RASCONNA))
        return kInvalidSize;
    if (*size < 2 * each) {
        *size = 2 * each;
        return ERROR_BUFFER_TOO_SMALL;
    }
    const char* const names[] = {"office", "home"};
    for (int i = 0; i < 2; ++i) {
        auto* c = reinterpret_cast<RASCONNA*>(reinterpret_cast<char*>(connections) + i * each);
        c->hrasconn = reinterpret_cast<HRASCONN>(kHighHandleBits | (0x41 + i));
        std::strcpy(c->szEntryName, names[i]);
        std::strcpy(c->szDeviceType, "modem");
        std::strcpy(c->szDeviceName, "Line 1");
    }
    *count = 2;
    return 0;
}

DWORD WINAPI OfficeEntry(LPCSTR, LPCSTR name, RASENTRYA* entry, DWORD* size, LPBYTE, LPDWORD)
{
    if (entry->dwSize != 1768 || *size < 1768)
        return kInvalidSize;
    if (std::strcmp(name, "office") != 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    std::strcpy(entry->szDeviceName, "Line 1");
    std::strcpy(entry->szDeviceType, "modem");
    std::strcpy(entry->szLocalPhoneNumber, "5550100");
    entry->ipaddrDns.a = 10;
    entry->ipaddrDns.d = 53;
    return 0;
}

RASDIALDLG g_dialog = {};

BOOL WINAPI RefusedDialog(LPSTR, LPSTR entry, LPSTR, RASDIALDLG* info)
{
    g_dialog = *info;
    if (info->dwSize != (k64 ? 48u : 36u) || std::strcmp(entry, "office") != 0) {
        info->dwError = kInvalidSize;
        return FALSE;
    }
    info->dwError = 691;
    return FALSE;
}

struct StandIns {
    Dial dial;
    ras::Api api = {};
    StandIns()
    {
        g_dial = DialSeen();
        g_hungUp = nullptr;
        api.dial = ScriptedDial;
        api.getConnectStatus = StatusAsDialed;
        api.hangUp = RecordHangUp;
        api.enumConnections = TwoConnections;
        api.getEntryProperties = OfficeEntry;
        api.dialDialog = RefusedDialog;
        dial.Engine().ReplaceApi(api);
    }
};

// The records NetDial hands over and reads back, through stand-ins that
// take them by the platform's layouts; a field in the wrong place or a size
// the platform does not know would show here.
TEST(NetDial, RecordsAsThePlatformLaysThemOut)
{
    StandIns s;
    Dial& dial = s.dial;
    ASSERT_EQ(0, dial.Set(kNetDialPhoneNumber, T("5551234")));
    ASSERT_EQ(0, dial.Set(kNetDialUser, T("alice")));
    ASSERT_EQ(0, dial.Set(kNetDialDomain, T("KES")));
    INT_PTR args[2] = {T("PausedStates=true"), 0};
    int lengths[2] = {};
    ASSERT_EQ(0, NetDial_Do(dial.obj, kNetDialConfig, 2, args, lengths));
    g_dial.progress = {{RASCS_OpenPort, 0}, {RASCS_Connected, 0}};
    EXPECT_EQ(0, dial.Do(kNetDialConnect)) << dial.Error();
    EXPECT_EQ(DWORD(RDEOPT_UsePrefixSuffix | RDEOPT_PausedStates), g_dial.options);
    EXPECT_EQ("5551234", g_dial.phone);
    EXPECT_EQ("alice", g_dial.user);
    EXPECT_EQ("KES", g_dial.domain);
    EXPECT_EQ(0xFFFFFFFFu, g_dial.notifierType);
    EXPECT_EQ(dial.Engine().Window(), g_dial.window);
    EXPECT_EQ(0x99, NetDial_Get(dial.obj, kNetDialHandle, 0, nullptr));
    auto status = dial.events.Of(kNetDialEventStatus);
    ASSERT_EQ(2u, status.size());
    EXPECT_EQ("Connected", status[1].texts[2]);

    dial.events.Clear();
    EXPECT_EQ(0, dial.Do(kNetDialListConnections)) << dial.Error();
    const auto connections = dial.events.Of(kNetDialEventConnectedEntry);
    ASSERT_EQ(2u, connections.size());
    EXPECT_EQ(INT_PTR(kHighHandleBits | 0x41), connections[0].values[0]) << "the whole handle";
    EXPECT_EQ(INT_PTR(kHighHandleBits | 0x42), connections[1].values[0]);
    EXPECT_EQ("home", connections[1].texts[1]);
    EXPECT_EQ("modem", connections[1].texts[2]);
    EXPECT_EQ("Line 1", connections[1].texts[3]);
    EXPECT_EQ("Authenticate", connections[1].texts[4]);

    ASSERT_EQ(0, dial.Set(kNetDialPhoneBookEntry, T("office")));
    EXPECT_EQ("Line 1", dial.Text(kNetDialEntryDeviceName));
    EXPECT_EQ("modem", dial.Text(kNetDialEntryDeviceType));
    EXPECT_EQ("5550100", dial.Text(kNetDialEntryPhoneNumber));
    EXPECT_EQ("10.0.0.53", dial.Text(kNetDialEntryDNSAddress));
    EXPECT_EQ("", dial.Text(kNetDialEntryIPAddress));

    // The platform's dial dialog dials by itself and says why it did not.
    EXPECT_EQ(691, dial.Do(kNetDialShowDialDialog));
    EXPECT_NE(0u, g_dialog.dwSize);
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));
}

DWORD WINAPI NoSuchConnection(HRASCONN handle)
{
    g_hungUp = handle;
    return ERROR_INVALID_HANDLE;
}

// The platform refuses to hang up a handle that names no connection: that
// refusal is what Disconnect answers, and nothing reads as disconnected.
TEST(NetDial, DisconnectOfAHandleThatNamesNoConnection)
{
    StandIns s;
    Dial& dial = s.dial;
    s.api.hangUp = NoSuchConnection;
    dial.Engine().ReplaceApi(s.api);
    const INT_PTR handle = INT_PTR(kHighHandleBits | 0x5150);
    ASSERT_EQ(0, dial.Set(kNetDialHandle, handle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, dial.Do(kNetDialDisconnect));
    EXPECT_EQ("[6] (no description available)", dial.Error());
    EXPECT_EQ(reinterpret_cast<HRASCONN>(handle), g_hungUp) << "the whole handle";
    EXPECT_TRUE(dial.events.Of(kNetDialEventStatus).empty());
    EXPECT_EQ(0, NetDial_Get(dial.obj, kNetDialHandle, 0, nullptr));
    EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));
}

// A dial that ends without a connection hangs up what it has made, and
// fails: paused for input it will never get (703), at the Timeout, on an
// interrupt, on an error the platform reports.
TEST(NetDial, DialsThatDoNotConnectHangUp)
{
    StandIns s;
    Dial& dial = s.dial;
    ASSERT_EQ(0, dial.Set(kNetDialPhoneNumber, T("5551234")));
    const auto hungUpAndIdle = [&] {
        EXPECT_EQ(reinterpret_cast<HRASCONN>(0x99), g_hungUp);
        EXPECT_EQ(0, NetDial_Get(dial.obj, kNetDialHandle, 0, nullptr));
        EXPECT_EQ(1, NetDial_Get(dial.obj, kNetDialIdle, 0, nullptr));
        g_hungUp = nullptr;
    };

    g_dial.progress = {{RASCS_OpenPort, 0}, {RASCS_RetryAuthentication, 0}};
    EXPECT_EQ(703, dial.Do(kNetDialConnect));
    EXPECT_EQ("ERROR_INTERACTIVE_MODE", dial.Error());
    const auto status = dial.events.Of(kNetDialEventStatus);
    ASSERT_EQ(2u, status.size());
    EXPECT_EQ("Retry authentication", status[1].texts[2]);
    hungUpAndIdle();

    g_dial.progress = {{RASCS_Authenticate, 691}};
    EXPECT_EQ(691, dial.Do(kNetDialConnect));
    hungUpAndIdle();

    g_dial.progress = {};
    ASSERT_EQ(0, dial.Set(kNetDialTimeout, 1));
    EXPECT_EQ(301, dial.Do(kNetDialConnect));
    EXPECT_EQ("Timeout.", dial.Error());
    hungUpAndIdle();

    ASSERT_EQ(0, dial.Set(kNetDialTimeout, 60));
    g_dial.progress = {{RASCS_OpenPort, 0}};
    dial.events.OnEvent(kNetDialEventStatus, [&](const RecordedEvent&) { dial.Do(kNetDialInterrupt); });
    EXPECT_EQ(301, dial.Do(kNetDialConnect));
    EXPECT_EQ("Interrupted.", dial.Error());
    hungUpAndIdle();
}

// The component's texts: the edges of each block of codes it describes, and
// the codes just outside them.
TEST(NetDial, TheTableOfStatesAndErrors)
{
    const std::vector<std::pair<int, std::string>> texts = {
        {0, "Open port"},
        {21, "Logon network"},
        {600, "An operation is pending."},
        {601, "The port handle is invalid."},
        {703, "ERROR_INTERACTIVE_MODE"},
        {752, "A syntax error was encountered while processing a script."},
        {4096, "Interactive"},
        {4099, "Password expired"},
        {8192, "Connected"},
        {8193, "Disconnected"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(t.second, ras::Describe(t.first)) << t.first;
    for (int code : {-1, 22, 599, 753, 4095, 4100, 8191, 8194})
        EXPECT_EQ("[" + std::to_string(code) + "] (no description available)", ras::Describe(code)) << code;
    EXPECT_EQ("[21] (no description available)", ras::DescribeError(21)) << "an error is no state";
}

// Puts a function of the test in place of an export of a loaded system
// library while it lives, by a jump written over the export's first bytes:
// how a test sees whether the component asks the platform where no seam of
// its own reaches.
class ExportPatch {
public:
    ExportPatch(const char* module, const char* name, void* replacement)
    {
        static_assert(sizeof(void*) == 8, "an x86-64 jump");
        const HMODULE library = GetModuleHandleA(module);
        m_target = library ? reinterpret_cast<unsigned char*>(GetProcAddress(library, name)) : nullptr;
        if (!m_target)
            return;
        unsigned char jump[kSize] = {0x48, 0xB8}; // mov rax, replacement; jmp rax
        std::memcpy(jump + 2, &replacement, sizeof replacement);
        jump[10] = 0xFF;
        jump[11] = 0xE0;
        std::memcpy(m_saved, m_target, kSize);
        Write(jump);
    }
    ~ExportPatch()
    {
        if (m_target)
            Write(m_saved);
    }
    ExportPatch(const ExportPatch&) = delete;
    ExportPatch& operator=(const ExportPatch&) = delete;

    bool Applied() const { return m_target != nullptr; }

private:
    static constexpr std::size_t kSize = 12;
    void Write(const unsigned char* bytes)
    {
        DWORD protection = 0;
        VirtualProtect(m_target, kSize, PAGE_EXECUTE_READWRITE, &protection);
        std::memcpy(m_target, bytes, kSize);
        VirtualProtect(m_target, kSize, protection, &protection);
        FlushInstructionCache(GetCurrentProcess(), m_target, kSize);
    }
    unsigned char* m_target = nullptr;
    unsigned char m_saved[kSize] = {};
};

int g_platformTexts = 0;

// A platform that describes every RAS error in words of its own, as one in
// another language does (Wine's describes none).
DWORD WINAPI TranslatedText(UINT code, LPSTR text, DWORD size)
{
    ++g_platformTexts;
    std::snprintf(text, size, "Platform text %u.\r\n", code);
    return 0;
}

// States and errors read as the component's table has them even where the
// platform describes them otherwise: the platform is never asked.
TEST(NetDial, ErrorTextsAlwaysFromTheTable)
{
    StandIns s;
    Dial& dial = s.dial;
    ExportPatch translated("RASAPI32.DLL", "RasGetErrorStringA", reinterpret_cast<void*>(&TranslatedText));
    ASSERT_TRUE(translated.Applied());
    const auto platform = reinterpret_cast<decltype(&::RasGetErrorStringA)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("RASAPI32.DLL"), "RasGetErrorStringA")));
    char text[64] = {};
    ASSERT_EQ(0u, platform(691, text, sizeof text));
    ASSERT_STREQ("Platform text 691.\r\n", text) << "the platform's answer is the test's";
    g_platformTexts = 0;

    Dial wine;
    const UINT message = RegisterWindowMessageA("RasDialEvent");
    for (const auto& p : std::vector<std::pair<int, int>>{{RASCS_Authenticate, 691},
                                                          {RASCS_Authenticate, 638},
                                                          {RASCS_Disconnected, 752},
                                                          {RASCS_Authenticated, 999},
                                                          {691, 1}})
        SendMessageA(wine.Engine().Window(), message, WPARAM(p.first), LPARAM(p.second));
    const auto status = wine.events.Of(kNetDialEventStatus);
    ASSERT_EQ(5u, status.size());
    EXPECT_EQ("Authenticate", status[0].texts[2]);
    EXPECT_EQ("Access denied because username and/or password is invalid on the domain.", status[0].texts[3]);
    EXPECT_EQ("The request has timed out.", status[1].texts[3]);
    EXPECT_EQ("Disconnected", status[2].texts[2]);
    EXPECT_EQ("A syntax error was encountered while processing a script.", status[2].texts[3]);
    EXPECT_EQ("Authenticated", status[3].texts[2]);
    EXPECT_EQ("[999] (no description available)", status[3].texts[3]) << "no RAS error of the table";
    EXPECT_EQ("Access denied because username and/or password is invalid on the domain.", status[4].texts[2])
        << "an error code as a state";
    EXPECT_EQ("[1] (no description available)", status[4].texts[3]) << "a system error is no RAS error";

    g_dial.answer = 691;
    ASSERT_EQ(0, dial.Set(kNetDialPhoneNumber, T("5551234")));
    EXPECT_EQ(691, dial.Do(kNetDialConnect));
    EXPECT_EQ("Access denied because username and/or password is invalid on the domain.", dial.Error());
    g_dial.answer = 0;
    g_dial.progress = {{RASCS_Authenticate, 720}};
    EXPECT_EQ(720, dial.Do(kNetDialConnect));
    EXPECT_EQ("No PPP control protocols configured.", dial.Error());
    EXPECT_EQ("No PPP control protocols configured.", dial.events.Of(kNetDialEventStatus).back().texts[3]);
    EXPECT_EQ(0, g_platformTexts) << "the platform's descriptions are not asked for";
}

} // namespace
