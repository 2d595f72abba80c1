#include "audit/SanitizeText.h"

bool IsControlCharacter(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// Drops control characters, writes the two markup characters as entities and
// drops double quotes. Letters outside ASCII stay: the texts are in the
// system's ANSI code page, and the result writer turns them into UTF-8. In
// the double-byte code pages no trail byte is a control character, a quote
// or an angle bracket, so working byte by byte never splits a character.
// The '&' is left alone: the XML writer escapes it again, so a "<" read from
// the machine reaches the result file as "&amp;lt;" and the server reads it
// back as "&lt;", which it has always done.
std::string SanitizeText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (IsControlCharacter(static_cast<unsigned char>(c))) {
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
