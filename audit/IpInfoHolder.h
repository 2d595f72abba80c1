// One IPInfo component for the network-adapter step: created with the
// holder, destroyed with it. Its events change nothing the step records, so
// the holder's handlers ignore them.
#pragma once

#include <memory>
#include <string>

#include "netcomp/include/netcomp_ipinfo.h"

// netcomp/core/framework/ComponentHolder.h; it brings winsock2.h, which must
// come before windows.h, so the files that include this one do not see it.
class ComponentHandle;

class IpInfoHolder {
public:
    // Throws t_exception when the component cannot be created.
    IpInfoHolder();
    virtual ~IpInfoHolder();
    IpInfoHolder(const IpInfoHolder&) = delete;
    IpInfoHolder& operator=(const IpInfoHolder&) = delete;

    std::string GetText(IpInfoProp property);
    int GetNumber(IpInfoProp property);
    // Adapters are numbered from 1.
    void SelectAdapter(int number);

    // The component's two events: Error and RequestComplete.
    virtual int OnError(int code, const char* description);
    virtual int OnRequestComplete(int requestId, int statusCode, const char* description);

private:
    std::unique_ptr<ComponentHandle> m_component;
};
