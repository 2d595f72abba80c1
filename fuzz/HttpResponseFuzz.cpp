// Feeds one reply to the response parser twice, whole and in splits chosen by
// the input's first bytes, and checks that both runs see the same status, body
// and end: the parser must not depend on how the bytes arrive.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/core/web/HttpResponseParser.h"

namespace {

struct Collect final : HttpResponseSink {
    std::string out;
    int OnStatus(const char* version, int code, const char* description) override
    {
        out += std::string("S") + version + std::to_string(code) + description;
        return 0;
    }
    int OnHeader(const char* line, uint32_t length, const char* field, const char* value) override
    {
        out += "H" + std::string(line, length) + field + value;
        return 0;
    }
    int OnHeadersEnd() override
    {
        out += "E";
        return 0;
    }
    int OnBody(const char* data, uint32_t n) override
    {
        out += "B" + std::string(data, n);
        return 0;
    }
};

std::string Run(const uint8_t* splits, size_t nSplits, const char* data, size_t size, bool bodiless)
{
    Collect sink;
    HttpResponseParser parser(sink);
    parser.Start(bodiless);
    size_t pos = 0;
    int rc = 0;
    for (size_t i = 0; pos < size && rc == 0; ++i) {
        size_t n = nSplits ? size_t(splits[i % nSplits]) + 1 : size;
        if (n > size - pos)
            n = size - pos;
        rc = parser.Feed(data + pos, uint32_t(n));
        pos += n;
    }
    const bool closed = parser.Close();
    // Body pieces may be split differently; compare the concatenation.
    std::string flat;
    for (size_t i = 0; i < sink.out.size(); ++i)
        if (sink.out[i] != 'B')
            flat += sink.out[i];
    return flat + (rc ? "!" : "") + (closed ? "C" : "c") + std::to_string(parser.StatusCode());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t nSplits = data[0] % 8;
    const bool bodiless = data[1] & 1;
    if (size < 2 + nSplits)
        return 0;
    const uint8_t* splits = data + 2;
    const char* reply = reinterpret_cast<const char*>(data + 2 + nSplits);
    const size_t n = size - 2 - nSplits;
    if (Run(splits, nSplits, reply, n, bodiless) != Run(nullptr, 0, reply, n, bodiless))
        std::abort();
    return 0;
}
