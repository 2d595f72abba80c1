// BER as an SNMP or LDAP engine receives it: element sizes at every offset,
// every reader on the first elements, nested unwrapping, and object
// identifiers read back after encoding what was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ber/BerCodec.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ReadAll(const BerCodec& codec)
{
    for (int index = 0; index < 6; ++index) {
        int32_t i = 0;
        uint32_t u = 0;
        uint64_t w = 0;
        NetString text;
        (void)codec.ReadInteger(index, i);
        (void)codec.ReadUnsigned(index, u);
        (void)codec.ReadInteger64(index, w);
        (void)codec.ReadOctetString(index, text);
        unsigned char tag = 0;
        if (codec.ReadOid(index, text, &tag) != kResultOk)
            continue;
        // What was read must encode and read back the same.
        BerCodec again;
        if (again.AppendOid(text.CStr(), tag) == kResultOk) {
            NetString back;
            Check(again.ReadOid(0, back) == kResultOk);
            Check(back.Length() == text.Length() && std::memcmp(back.Data(), text.Data(), text.Length()) == 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    for (size_t at = 0; at < size; ++at)
        Check(BerCodec::ElementSize(data + at, uint32_t(size - at)) <= size - at);
    BerCodec codec;
    if (codec.Buffer().Assign(uint32_t(size), reinterpret_cast<const char*>(data)) != kResultOk)
        return 0;
    ReadAll(codec);
    for (int depth = 0; depth < 4; ++depth) {
        const uint32_t before = codec.Buffer().Length();
        if (codec.UnwrapSequence() != kResultOk)
            break;
        Check(codec.Buffer().Length() < before);
        ReadAll(codec);
    }
    return 0;
}
