// winsock2.h, which the holder brings, must come before windows.h.
#include "netcomp/core/framework/ComponentHolder.h"

#include "app/PingHolder.h"

#include "asset/Exceptions.h"
#include "netcomp/include/netcomp_ping.h"

#include <string>

namespace {

int WINAPI OnEvent(INT_PTR user, int event, int, INT_PTR*, int*)
{
    PingHolder* holder = reinterpret_cast<PingHolder*>(user);
    switch (event) {
    case kPingEventError:
        return holder->OnError();
    case kPingEventResponse:
        return holder->OnResponse();
    default:
        return 0;
    }
}

// Once for the whole process, never undone here: other users of the library
// may hold components of their own.
void InitialisePingOnce()
{
    static const int initialised = Ping_StaticInit(GetModuleHandleA(nullptr));
    (void)initialised;
}

} // namespace

PingHolder::PingHolder(int timeoutSeconds)
{
    InitialisePingOnce();
    m_component = std::make_unique<ComponentHandle>(PingFunctions::kApi, OnEvent, reinterpret_cast<INT_PTR>(this));
    if (m_component->Handle() == nullptr) {
        throw t_exception(E_OUTOFMEMORY, "The Ping component could not be created.");
    }
    (void)m_component->Config("AbsoluteTimeout=TRUE");
    (void)m_component->Set(kPingTimeout, timeoutSeconds);
}

PingHolder::~PingHolder() = default;

int PingHolder::Ping(const std::string& host)
{
    return m_component->Do(kPingPingHost, {host.c_str()});
}
