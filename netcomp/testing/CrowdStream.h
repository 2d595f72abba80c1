#pragma once
// The crowds of the flood peer (netcomp/net/tests/flood_peer.c, SendCrowd
// there): client i sends the line "<i>\n", then CrowdByte(i, j) for j from 0,
// and closes. CrowdWhole checks what one connection delivered.
#include <cstddef>
#include <cstdlib>
#include <string>

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
