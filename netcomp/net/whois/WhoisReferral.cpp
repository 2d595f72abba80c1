#include "netcomp/net/whois/WhoisReferral.h"

#include <cstring>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool IsGap(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool FindWhoisServer(const char* line, uint32_t n, std::string& server)
{
    static const char kKey[] = "whois server:";
    const uint32_t keyLength = uint32_t(std::strlen(kKey));
    for (uint32_t at = 0; at + keyLength <= n; ++at) {
        uint32_t k = 0;
        while (k < keyLength && Lower(line[at + k]) == kKey[k])
            ++k;
        if (k != keyLength)
            continue;
        uint32_t i = at + keyLength;
        while (i < n && IsGap(line[i]))
            ++i;
        std::string host;
        while (i < n && !IsGap(line[i]) && line[i] != '\r' && line[i] != '\n')
            host += Lower(line[i++]);
        if (host.empty())
            continue;
        server = host;
        return true;
    }
    return false;
}
