// A received Telnet stream, parsed whole and again in pieces whose sizes
// come from the input: both must report the same (data runs joined), and a
// sub-negotiation never holds more than the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/net/telnet/TelnetParser.h"

namespace {

struct Log final : TelnetSink {
    std::string text;
    bool inData = false;

    void Mark(char kind)
    {
        text += kind;
        inData = false;
    }
    void OnTelnetData(const char* data, uint32_t n) override
    {
        if (n == 0)
            std::abort();
        if (!inData)
            text += 'D';
        inData = true;
        text.append(data, n);
    }
    void OnTelnetCommand(unsigned char command) override
    {
        Mark('C');
        text += char(command);
    }
    void OnTelnetOption(unsigned char verb, unsigned char option) override
    {
        Mark('O');
        text += char(verb);
        text += char(option);
    }
    void OnTelnetSubOption(const char* data, uint32_t n) override
    {
        if (n == 0 || n > TelnetParser::kSubOptionSize)
            std::abort();
        Mark('S');
        text += std::to_string(n) + ":";
        text.append(data, n);
    }
    void OnTelnetSubOptionTruncated() override { Mark('T'); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0x10000)
        return 0;
    const auto* text = reinterpret_cast<const char*>(data);
    const size_t piece = size_t(data[0] % 17) + 1;
    TelnetParser whole;
    Log one;
    whole.Feed(text, uint32_t(size), one);
    TelnetParser cut;
    Log many;
    for (size_t at = 0; at < size; at += piece) {
        const size_t n = size - at < piece ? size - at : piece;
        cut.Feed(text + at, uint32_t(n), many);
    }
    if (one.text != many.text)
        std::abort();
    return 0;
}
