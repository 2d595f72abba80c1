// A received LDAP stream: cut into messages the way the engine cuts it, each
// whole message decoded; the cut must never claim more bytes than there are,
// and cutting the stream anywhere first must find the same messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/net/ldap/LdapMessages.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The messages found, each as its operation and decode result, until the
// stream ends or cannot be followed.
std::string Walk(const char* data, size_t size)
{
    std::string log;
    size_t at = 0;
    LdapResponse response;
    while (at < size) {
        uint32_t n = 0;
        const LdapFrame frame = FrameLdapMessage(data + at, uint32_t(size - at), 1u << 20, n);
        if (frame != LdapFrame::Whole)
            break;
        Check(n >= 2 && n <= size - at);
        const int rc = DecodeLdapMessage(data + at, n, response);
        log += std::to_string(response.operation) + ":" + std::to_string(rc) + ":" +
               std::to_string(response.attributes.size()) + ";";
        at += n;
    }
    return log;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const auto* text = reinterpret_cast<const char*>(data);
    const std::string whole = Walk(text, size);
    // A frame found in a prefix is the same frame in the whole.
    uint32_t n = 0;
    for (size_t cut = 0; cut < size && cut < 64; ++cut) {
        if (FrameLdapMessage(text, uint32_t(cut), 1u << 20, n) == LdapFrame::Whole) {
            uint32_t again = 0;
            Check(FrameLdapMessage(text, uint32_t(size), 1u << 20, again) == LdapFrame::Whole && again == n);
        }
    }
    Check(Walk(text, size) == whole);
    return 0;
}
