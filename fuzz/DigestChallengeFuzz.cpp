// Reads the input as a WWW-Authenticate value and, when it is a Digest
// challenge, builds the Authorization header from it.
#include <cstdint>
#include <string>

#include "netcomp/core/web/HttpAuth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string value(reinterpret_cast<const char*>(data), size);
    DigestState state;
    ResetDigest(state);
    bool digest = false;
    if (ReadDigestChallenge(value.c_str(), 0x12345678u, state, &digest) != 0 || !digest)
        return 0;
    DigestRequest request;
    request.user = "user";
    request.password = "pw";
    request.body = value.data();
    request.bodyLength = uint32_t(value.size());
    NetString out;
    const char* error = nullptr;
    (void)BuildDigestAuthorization(state, request, out, &error);
    return 0;
}
