#include "audit/IpInfoHolder.h"

// winsock2.h, which netcomp.h brings, must come before windows.h.
#include "netcomp/include/netcomp.h"

#include "asset/Exceptions.h"

namespace {

const int kErrorEvent = 1;
const int kRequestCompleteEvent = 2;

const char* TextParam(int count, INT_PTR* params, int index)
{
    if (index >= count || params[index] == 0) {
        return "";
    }
    return reinterpret_cast<const char*>(params[index]);
}

int IntParam(int count, INT_PTR* params, int index)
{
    return index < count ? static_cast<int>(params[index]) : 0;
}

int WINAPI OnEvent(INT_PTR user, int event, int count, INT_PTR* params, int*)
{
    IpInfoHolder* holder = reinterpret_cast<IpInfoHolder*>(user);
    switch (event) {
    case kErrorEvent:
        return holder->OnError(IntParam(count, params, 0), TextParam(count, params, 1));
    case kRequestCompleteEvent:
        return holder->OnRequestComplete(IntParam(count, params, 0), IntParam(count, params, 1),
                                         TextParam(count, params, 2));
    default:
        return 0;
    }
}

// The step must not depend on whether the program initialised the component:
// the first holder does it, once for the whole process. It is never undone
// here, as the component's shut-down would unload the IP helper and the
// notification window class under every other user of the library; the
// program's own shut-down, or its end, does that.
void* CreateInitialisedIpInfo(IpInfoHolder* holder)
{
    static const int initialised = IPInfo_StaticInit(GetModuleHandleA(nullptr));
    (void)initialised;
    return IPInfo_Create(OnEvent, reinterpret_cast<INT_PTR>(holder), nullptr);
}

} // namespace

IpInfoHolder::IpInfoHolder() : m_component(CreateInitialisedIpInfo(this))
{
    if (m_component == nullptr) {
        throw t_exception(E_OUTOFMEMORY, "The IPInfo component could not be created.");
    }
}

IpInfoHolder::~IpInfoHolder()
{
    IPInfo_Destroy(m_component);
}

std::string IpInfoHolder::GetText(Property property)
{
    int length = 0;
    const char* text = reinterpret_cast<const char*>(IPInfo_Get(m_component, property, 0, &length));
    return text != nullptr ? std::string(text) : std::string();
}

int IpInfoHolder::GetNumber(Property property)
{
    int length = 0;
    return static_cast<int>(IPInfo_Get(m_component, property, 0, &length));
}

void IpInfoHolder::SelectAdapter(int number)
{
    IPInfo_Set(m_component, kAdapterIndex, 0, number, 0);
}

int IpInfoHolder::OnError(int, const char*)
{
    return 0;
}

int IpInfoHolder::OnRequestComplete(int, int, const char*)
{
    return 0;
}
