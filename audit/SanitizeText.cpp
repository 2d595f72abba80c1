#include "audit/SanitizeText.h"

// Keeps printable ASCII only, writes the two markup characters as entities
// and drops double quotes. The '&' is left alone: the XML writer escapes it
// again, so a "<" read from the machine reaches the result file as "&amp;lt;"
// and the server reads it back as "&lt;", which it has always done.
std::string SanitizeText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        signed char value = static_cast<signed char>(c);
        if (value < 0x20 || value > 0x7E) {
            continue;
        }
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            break;
        default:
            out += c;
        }
    }
    return out;
}
