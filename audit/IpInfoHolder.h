// One IPInfo component for the network-adapter step: created with the
// holder, destroyed with it. Its events change nothing the step records, so
// the holder's handlers ignore them.
#pragma once

#include <string>

class IpInfoHolder {
public:
    // The IPInfo properties the step reads.
    enum Property : int {
        kAdapterCount = 1,
        kAdapterDescription = 2,
        kAdapterDhcpEnabled = 4,
        kAdapterGateway = 6,
        kAdapterIndex = 7,
        kAdapterIpAddress = 8,
        kAdapterPhysicalAddress = 13,
        kAdapterSubnetMask = 16,
        kDomainName = 23,
    };

    // Throws t_exception when the component cannot be created.
    IpInfoHolder();
    virtual ~IpInfoHolder();
    IpInfoHolder(const IpInfoHolder&) = delete;
    IpInfoHolder& operator=(const IpInfoHolder&) = delete;

    std::string GetText(Property property);
    int GetNumber(Property property);
    // Adapters are numbered from 1.
    void SelectAdapter(int number);

    // The component's two events: Error and RequestComplete.
    virtual int OnError(int code, const char* description);
    virtual int OnRequestComplete(int requestId, int statusCode, const char* description);

private:
    void* m_component;
};
