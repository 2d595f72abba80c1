#pragma once
// The crowds of the flood peer (netcomp/net/tests/flood_peer.c, SendCrowd
// there): client i sends the line "<i>\n", then CrowdByte(i, j) for j from 0,
// and closes. CrowdWhole checks what one connection delivered;
// CrowdConnections gathers an IPDaemon's connections' bytes until each ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "netcomp/include/netcomp_ipdaemon.h"

inline char CrowdByte(int i, int j)
{
    return char('a' + (i * 7 + j) % 26);
}

// Whether a connection's bytes are a crowd client's line and `bytes` of its
// bytes, whole and in order.
inline bool CrowdWhole(const std::string& got, int bytes)
{
    const std::size_t line = got.find('\n');
    const int i = line == std::string::npos ? -1 : std::atoi(got.c_str());
    bool whole = i >= 0 && got.size() == line + 1 + std::size_t(bytes);
    for (int j = 0; whole && j < bytes; ++j)
        whole = got[line + 1 + std::size_t(j)] == CrowdByte(i, j);
    return whole;
}

// The bytes of an IPDaemon's open connections, by connection id, from its
// events. Take returns true, with the connection's bytes in `ended`, when a
// connection has ended.
struct CrowdConnections {
    bool Take(int event, const std::intptr_t* params, const int* lengths, std::string& ended)
    {
        const int id = int(params[0]);
        if (event == kIpDaemonEventDataIn) {
            open[id].append(reinterpret_cast<const char*>(params[1]), std::size_t(lengths[1]));
            received += lengths[1];
        } else if (event == kIpDaemonEventDisconnected) {
            ended = std::move(open[id]);
            open.erase(id);
            return true;
        }
        return false;
    }

    std::map<int, std::string> open;
    long long received = 0;
};
