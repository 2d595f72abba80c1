// The second computer source of the network audit: the servers found by
// browsing the Windows network.
#pragma once

#include "app/ComputerSource.h"
#include "app/NetworkEnumerator.h"

// Keeps the servers of a walk, by name; domains and workgroups are walked
// but not kept, shares of servers are not walked.
class ComputerListCollector : public NetworkEnumerator {
public:
    explicit ComputerListCollector(std::vector<std::string>& names, NetworkResourceApi& api = SystemNetworkResources())
        : NetworkEnumerator(api), m_names(names)
    {
    }

    bool OnResource(const NETRESOURCEA& resource) override;
    // A server that cannot be reached, or no network at all, is no failure.
    bool OnError(DWORD code, const char* callName) override;

private:
    std::vector<std::string>& m_names;
};

class NetworkBrowsingSource : public ComputerSource {
public:
    explicit NetworkBrowsingSource(NetworkResourceApi& api = SystemNetworkResources()) : m_api(api) {}
    bool Scan(HWND owner, const std::function<void()>& beforeOperator, std::vector<std::string>& names) override;

private:
    NetworkResourceApi& m_api;
};
