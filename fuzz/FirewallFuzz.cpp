// Plays a firewall: the input chooses the kind and credentials, then gives the
// replies in pieces. Whatever arrives, the negotiation must stay in bounds and
// end at most once.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/core/tcp/FirewallNegotiation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    FirewallTarget target;
    target.kind = FirewallKind(1 + data[0] % 3);
    target.remoteHost = (data[1] & 1) ? "*name.test" : "name.test";
    target.user = (data[1] & 2) ? "user" : "";
    target.password = (data[1] & 4) ? "secret" : "";
    target.remotePort = 80;
    target.remoteAddress = 0x0100007F;
    FirewallNegotiation negotiation;
    NetString out;
    if (negotiation.Start(target, out) != 0)
        return 0;
    size_t pos = 3;
    const size_t step = size_t(data[2] % 16) + 1;
    bool ended = false;
    while (pos < size) {
        const size_t n = step < size - pos ? step : size - pos;
        const auto outcome = negotiation.Feed(reinterpret_cast<const char*>(data + pos), uint32_t(n), out);
        pos += n;
        if (outcome == FirewallNegotiation::Outcome::Open || outcome == FirewallNegotiation::Outcome::Failed) {
            if (ended || negotiation.Pending())
                std::abort();
            ended = true;
        }
        if (outcome == FirewallNegotiation::Outcome::Open && negotiation.LeftoverLength() > size)
            std::abort();
    }
    return 0;
}
