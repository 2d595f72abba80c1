// The sanitizer of audited texts: what it gives back holds no control
// character, no double quote and no bare angle bracket, and turning the two
// entities back into brackets gives the input without its controls and
// quotes, every other byte (letters outside ASCII included) in its place.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audit/SanitizeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string out = SanitizeText(text);
    std::string kept;
    for (unsigned char c : text) {
        if (!IsControlCharacter(c) && c != '"') {
            kept += static_cast<char>(c);
        }
    }
    std::string back;
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsControlCharacter(c) || c == '"' || c == '<' || c == '>') {
            std::abort();
        }
        if (out.compare(i, 4, "&lt;") == 0 || out.compare(i, 4, "&gt;") == 0) {
            // Only an entity the sanitizer wrote stands for a bracket; one
            // that was in the input already stays as text.
            const size_t at = back.size();
            if (kept.compare(at, 1, out[i + 1] == 'l' ? "<" : ">") == 0) {
                back += out[i + 1] == 'l' ? '<' : '>';
                i += 3;
                continue;
            }
        }
        back += static_cast<char>(c);
    }
    if (back != kept) {
        std::abort();
    }
    return 0;
}
