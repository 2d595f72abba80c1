// Reads the input as a multistatus reply, twice (in listing mode and not,
// once whole and once in pieces whose sizes come from the input, holding at
// most 4 KB at once) and as a LOCK reply; the two multistatus reads must
// agree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/core/web/XmlParser.h"
#include "netcomp/net/webdav/DavLockReply.h"
#include "netcomp/net/webdav/MultistatusReader.h"

namespace {

struct Sink : MultistatusSink {
    std::string log;
    int OnDirList(const char* href, const char* name, const char* lang, const char* length, const char* type,
                  const char* modified) override
    {
        log += std::string("D") + href + "|" + name + "|" + lang + "|" + length + "|" + type + "|" + modified + "\n";
        return 0;
    }
    int OnResourceProperties(const char* href, const char* xml, uint32_t length) override
    {
        log += std::string("R") + href + "|" + std::string(xml, length) + "\n";
        return 0;
    }
};

std::string Read(const uint8_t* data, size_t size, bool listing, size_t piece)
{
    XmlParser parser;
    DavPropertyList properties;
    Sink sink;
    MultistatusReader reader(parser, properties, sink);
    parser.SetCallback(&reader);
    reader.Start(listing, 4096);
    int rc = 0;
    for (size_t at = 0; at < size && rc == 0; at += piece) {
        const size_t n = size - at < piece ? size - at : piece;
        rc = parser.InputBytes(reinterpret_cast<const char*>(data) + at, n);
    }
    if (rc == 0)
        rc = parser.EndOfInput();
    std::string out = std::to_string(rc) + "\n" + sink.log;
    for (uint32_t i = 0; i < properties.Count(); ++i)
        out += std::string(properties.Name(i)) + "=" + properties.Value(i) + "[" + properties.Status(i) + "]\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t piece = size > 0 ? 1 + data[0] % 16 : 1;
    for (bool listing : {false, true}) {
        if (Read(data, size, listing, size + 1) != Read(data, size, listing, piece))
            std::abort();
    }
    DavLockReply reply;
    const char* error = nullptr;
    (void)ReadLockReply(reinterpret_cast<const char*>(data), uint32_t(size), reply, &error);
    return 0;
}
