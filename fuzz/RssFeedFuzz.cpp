// Reads the input as a feed; what reads is written for each version, and a
// written text must read back and write the same text again. The bytes after
// the input's first NUL, if any, are a path to get and set (the value set
// begins and ends with white space, which the XML reader trims from element
// text unless it comes in CDATA).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/net/rss/RssFeedReader.h"

namespace {

std::string Write(RssFeed& feed, int* rc)
{
    NetString out;
    *rc = feed.Write(out);
    return *rc == 0 ? std::string(out.Data(), out.Length()) : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const char* nul = static_cast<const char*>(std::memchr(text, 0, size));
    const size_t feedSize = nul ? size_t(nul - text) : size;
    const std::string path = nul ? std::string(nul + 1, size - feedSize - 1) : std::string("item[1]/category[2]@x");

    RssFeed feed;
    const char* error = nullptr;
    if (ParseRssFeed(text, uint32_t(feedSize), feed, &error) != 0)
        return 0;
    const char* value = nullptr;
    (void)feed.GetProperty(path.c_str(), &value);
    (void)feed.SetProperty(path.c_str(), " \tv&<\"\r\nw\r\n");
    for (int version = 0; version <= 3; ++version) {
        if (feed.SetVersion(version) != 0)
            std::abort();
        int rc = 0;
        const std::string first = Write(feed, &rc);
        if (rc != 0)
            continue;
        RssFeed again;
        if (ParseRssFeed(first.data(), uint32_t(first.size()), again, &error) != 0)
            std::abort();
        if (again.SetVersion(version) != 0 || Write(again, &rc) != first)
            std::abort();
    }
    return 0;
}
