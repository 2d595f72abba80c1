// The clean-up of the asset server's replies: the one-pass removal of the
// line-end references must give what the literal rule gives (find the first
// reference, erase it, search again from the start; carriage returns first,
// then line feeds). Inputs are small, so the literal rule stays cheap here.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Base64.h"

namespace {

std::string LiteralRule(std::string text)
{
    for (const char* reference : {"&#x000D;", "&#x000A;"}) {
        size_t at;
        while ((at = text.find(reference)) != std::string::npos) {
            text.erase(at, 8);
        }
    }
    return text;
}

// Bytes 0-3 stand for pieces of the references, so that the fuzzer meets
// whole and nested references often; other bytes stay as they are.
std::string Expand(const uint8_t* data, size_t size)
{
    static const char* const kPieces[] = {"&#x000D;", "&#x000A;", "&#x", "000"};
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] < 4) {
            text += kPieces[data[i]];
        } else {
            text += static_cast<char>(data[i]);
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = Expand(data, size);
    std::string cleaned = text;
    if (&StripNewlineReferences(cleaned) != &cleaned || cleaned != LiteralRule(text)) {
        std::abort();
    }
    return 0;
}
