// winsock2.h, which the holder brings, must come before windows.h.
#include "netcomp/core/framework/ComponentHolder.h"

#include "audit/IpInfoHolder.h"

#include "asset/Exceptions.h"

namespace {

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
    case kIpInfoEventError:
        return holder->OnError(IntParam(count, params, 0), TextParam(count, params, 1));
    case kIpInfoEventRequestComplete:
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
void InitialiseIpInfoOnce()
{
    static const int initialised = IPInfo_StaticInit(GetModuleHandleA(nullptr));
    (void)initialised;
}

} // namespace

IpInfoHolder::IpInfoHolder()
{
    InitialiseIpInfoOnce();
    m_component = std::make_unique<ComponentHandle>(IPInfoFunctions::kApi, OnEvent, reinterpret_cast<INT_PTR>(this));
    if (m_component->Handle() == nullptr) {
        throw t_exception(E_OUTOFMEMORY, "The IPInfo component could not be created.");
    }
}

IpInfoHolder::~IpInfoHolder() = default;

std::string IpInfoHolder::GetText(IpInfoProp property)
{
    return m_component->GetText(property);
}

int IpInfoHolder::GetNumber(IpInfoProp property)
{
    return m_component->GetInt(property);
}

void IpInfoHolder::SelectAdapter(int number)
{
    (void)m_component->Set(kIpInfoAdapterIndex, number);
}

int IpInfoHolder::OnError(int, const char*)
{
    return 0;
}

int IpInfoHolder::OnRequestComplete(int, int, const char*)
{
    return 0;
}
