// A walk over the resources of the Windows network: every record found is
// handed to OnResource, containers other than servers are walked in turn,
// and a failed call goes to OnError, whose answer becomes the walk's.
#pragma once

#include <windows.h>

#include <winnetwk.h>

#include <string>

// The WNet calls of the walk; tests script a network of their own.
class NetworkResourceApi {
public:
    virtual ~NetworkResourceApi() = default;
    virtual DWORD OpenEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* handle) = 0;
    virtual DWORD EnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* bufferSize) = 0;
    virtual DWORD CloseEnum(HANDLE handle) = 0;
    virtual DWORD GetLastError(DWORD* code, char* description, DWORD descriptionSize, char* provider,
                               DWORD providerSize) = 0;
};

// The system's WNet calls.
NetworkResourceApi& SystemNetworkResources();

// Thrown inside a walk to end it at once: OnResource asked to stop
// (CNetworkBreak), or the walk of a container failed (CNetworkError). Each
// carries the walk's result.
class NetworkWalkEnd {
public:
    explicit NetworkWalkEnd(LONG value) : m_value(value) {}
    LONG Value() const { return m_value; }

private:
    LONG m_value;
};

class CNetworkBreak : public NetworkWalkEnd {
public:
    using NetworkWalkEnd::NetworkWalkEnd;
};

class CNetworkError : public NetworkWalkEnd {
public:
    using NetworkWalkEnd::NetworkWalkEnd;
};

class NetworkEnumerator {
public:
    // The walk's flags: where (global network unless connected or
    // remembered) and what (every type unless disks or printers).
    enum : DWORD {
        kGlobalNetwork = 0x1,
        kConnected = 0x2,
        kRemembered = 0x4,
        kAnyType = 0x8,
        kDisksOnly = 0x10,
        kPrintersOnly = 0x20,
    };

    explicit NetworkEnumerator(NetworkResourceApi& api = SystemNetworkResources()) : m_api(api) {}
    virtual ~NetworkEnumerator();
    NetworkEnumerator(const NetworkEnumerator&) = delete;
    NetworkEnumerator& operator=(const NetworkEnumerator&) = delete;

    // False stops the whole walk.
    virtual bool OnResource(const NETRESOURCEA& resource) = 0;
    // A call of the walk failed with code: sets the error text and answers
    // the walk's result, false.
    virtual bool OnError(DWORD code, const char* callName);

    // Walks container (null: the top of the network); an OnResource that
    // stops, or a container below whose walk failed, throws. Run catches.
    bool Enumerate(NETRESOURCEA* container, DWORD flags);
    // The whole walk from the top of the network.
    bool Run(DWORD flags);

    // The text of the last failure ("" before one).
    const std::string& ErrorText() const { return m_errorText; }

private:
    bool EnumerateAt(NETRESOURCEA* container, DWORD flags, int depth);

    NetworkResourceApi& m_api;
    std::string m_errorText;
};
