#pragma once
// What the tests of the sending mail components share: files in the test's
// folder, the state folders of the SMTP peers (aiosmtpd keeps each message
// with the facts Python's email package read from it), and the MD5 that
// those facts give of each decoded part.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/testing/TestFiles.h"

namespace mailtest {

constexpr int kAiosmtpdPort = 21025;
constexpr int kEximPort = 21026;

using testfiles::FileExists;
using testfiles::PeerFolder;
using testfiles::ReadFile;
using testfiles::WriteFile;

// The number of messages aiosmtpd has stored so far.
inline int AiosmtpdCount()
{
    int n = 0;
    while (FileExists(PeerFolder("smtp_aiosmtpd") + "\\mail\\" + std::to_string(n + 1) + ".txt"))
        ++n;
    return n;
}

// The facts of aiosmtpd's message n, and its bytes.
inline std::string AiosmtpdFacts(int n)
{
    return ReadFile(PeerFolder("smtp_aiosmtpd") + "\\mail\\" + std::to_string(n) + ".txt");
}
inline std::string AiosmtpdMessage(int n)
{
    return ReadFile(PeerFolder("smtp_aiosmtpd") + "\\mail\\" + std::to_string(n) + ".eml");
}

inline std::string Md5Of(const std::string& bytes)
{
    NetString hex;
    return ::Md5Hex(bytes.data(), bytes.size(), hex) == 0 ? std::string(hex.CStr()) : std::string();
}

} // namespace mailtest
