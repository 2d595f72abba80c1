// Search filter texts: a filter that parses must give exactly one whole BER
// element; one that does not must leave the output as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ber/BerCodec.h"
#include "netcomp/net/ldap/LdapFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x20000)
        return 0;
    NetString out;
    if (out.Assign(1, "x") != kResultOk)
        return 0;
    const int rc = EncodeLdapFilter(reinterpret_cast<const char*>(data), uint32_t(size), out);
    if (rc != kResultOk) {
        if (out.Length() != 1 || out[0] != 'x')
            std::abort();
        return 0;
    }
    const auto* element = reinterpret_cast<const unsigned char*>(out.Data()) + 1;
    if (BerCodec::ElementSize(element, out.Length() - 1) != out.Length() - 1)
        std::abort();
    return 0;
}
