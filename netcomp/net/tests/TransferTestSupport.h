#pragma once
// What the FTP and remote-command tests share: files in the test's folder
// and in a peer's state folder, a component of the export list with an event
// recorder, and a connection from another loopback address (127.0.0.2), the
// stranger that a data or error channel must turn away.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/TestFiles.h"

namespace transfertest {

using testfiles::FileExists;
using testfiles::PeerFolder;
using testfiles::ReadFile;
using testfiles::WriteFile;

// Bytes of every value, zero bytes and line ends among them.
inline std::string BinaryBytes(std::size_t n)
{
    std::string bytes(n, '\0');
    unsigned x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(i % 7 == 0 ? 0 : (x >> 16) & 0xFF);
    }
    return bytes;
}

// Byte strings compared without printing them whole: the sizes and the
// first difference.
inline ::testing::AssertionResult SameBytes(const std::string& got, const std::string& wanted)
{
    if (got == wanted)
        return ::testing::AssertionSuccess();
    std::size_t i = 0;
    while (i < got.size() && i < wanted.size() && got[i] == wanted[i])
        ++i;
    return ::testing::AssertionFailure() << got.size() << " bytes where " << wanted.size()
                                         << " were wanted, first difference at " << i;
}

// A connection to 127.0.0.1:port made from 127.0.0.2; INVALID_SOCKET when it
// cannot be made.
inline SOCKET ConnectFromStranger(unsigned short port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in from = {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = inet_addr("127.0.0.2");
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(port);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// True when the other side closed (or reset) the connection within a few seconds.
inline bool ClosedByPeer(SOCKET s)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {5, 0};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1)
        return false;
    char byte;
    return recv(s, &byte, 1, 0) <= 0;
}

} // namespace transfertest
