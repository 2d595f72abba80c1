#pragma once
// One party of the XMPP tests: an XMPP component with its recorded events,
// and a way to let the thread's messages run until something has arrived.
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_xmpp.h"
#include "netcomp/testing/EventRecorder.h"

namespace xmpptest {

constexpr int kProsodyPort = 21222;
constexpr int kEjabberdPort = 21223;

class Party {
public:
    Party() : xmpp(XMPPFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kXmppEventProtocolTrace, {1});
        events.TextsAt(kXmppEventMessageIn, {0, 1, 2, 3, 4});
        events.TextsAt(kXmppEventPresence, {0, 1, 2, 4});
        events.TextsAt(kXmppEventSubscriptionRequest, {0, 1});
        events.TextsAt(kXmppEventIq, {0});
        events.TextsAt(kXmppEventConnected, {1});
        events.TextsAt(kXmppEventError, {1});
    }

    // Server, port, resource and time-out for a login.
    void Use(const char* server, int port, const char* resource)
    {
        (void)xmpp.SetText(kXmppServer, server);
        (void)xmpp.Set(kXmppServerPort, port);
        (void)xmpp.SetText(kXmppResource, resource);
        (void)xmpp.Set(kXmppTimeout, 10);
    }

    // The texts the trace shows in one direction (0 sent, 1 received, 2 progress).
    std::vector<std::string> Trace(int direction) const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kXmppEventProtocolTrace))
            if (int(e.values[0]) == direction)
                out.push_back(e.texts[1]);
        return out;
    }
    // Every traced text in order, marked by direction, for a failure's message.
    std::string Transcript() const
    {
        std::string all;
        for (const RecordedEvent& e : events.Of(kXmppEventProtocolTrace))
            all += (e.values[0] == 0 ? "\nC: " : e.values[0] == 1 ? "\nS: " : "\n-- ") + e.texts[1];
        return all;
    }
    std::string Sent() const
    {
        std::string all;
        for (const std::string& text : Trace(0))
            all += text;
        return all;
    }

    EventRecorder events;
    ComponentHandle xmpp;
};

// Lets the messages of the thread run (every party's sockets) until done()
// holds or the time is up; whether it held.
inline bool PumpUntil(ComponentHandle& any, const std::function<bool()>& done, DWORD milliseconds = 10000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        (void)any.Do(kXmppDoEvents);
    }
    return true;
}

} // namespace xmpptest
