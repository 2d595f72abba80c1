// NetDial through its exported functions against what Wine's RAS answers
// (empty lists, entries that read as present, a dial that fails with 1, a
// connection status that is always answered), and through stand-in RAS
// functions for what Wine cannot give: entries to list, a connection that
// goes away, dial notifications. Wine's credentials function aborts the
// process and is never called.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_netdial.h"
#include "netcomp/net/dial/NetDialEngine.h"
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

// Stand-ins for the RAS functions Wine only pretends to have.
int g_statusCalls = 0;
HANDLE g_hungUp = nullptr;

DWORD WINAPI TwoEntries(LPCSTR, LPCSTR, void* buffer, DWORD* size, DWORD* count)
{
    if (*size < 2 * 264) {
        *size = 2 * 264;
        return 603;
    }
    auto* b = static_cast<char*>(buffer);
    std::strcpy(b + 4, "office");
    std::strcpy(b + 264 + 4, "home");
    *count = 2;
    return 0;
}

DWORD WINAPI GoneAfterTwo(HANDLE, void* status)
{
    if (++g_statusCalls > 2)
        return 6;
    std::memcpy(static_cast<char*>(status) + 4, "\x0e\x00\x00\x00", 4); // Authenticated
    return 0;
}

DWORD WINAPI RecordHangUp(HANDLE handle)
{
    g_hungUp = handle;
    return 0;
}

TEST(NetDial, ListsHangsUpAndReportsDialProgress)
{
    Dial dial;
    ras::Api api = {};
    api.dial = [](void*, LPCSTR, void*, DWORD, void*, HANDLE*) -> DWORD { return 1; };
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
    EXPECT_EQ(reinterpret_cast<HANDLE>(0x77), g_hungUp);
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

} // namespace
