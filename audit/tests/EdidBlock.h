// EDID blocks as monitors store them, for the serial-number tests.
#pragma once

#include <cstring>
#include <vector>

using Block = std::vector<unsigned char>;

// A 128-byte EDID block with the given version and revision, identification
// bytes 10-17 and, optionally, a text in one descriptor block (0-3). Texts
// are padded the way monitors pad them: a line feed, then blanks.
inline Block MakeEdid(int version, int revision, int descriptor = -1, const char* text = "")
{
    Block b(128, 0);
    const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(b.data(), header, 8);
    const unsigned char id[8] = {0x10, 0xAC, 0x5A, 0xA0, 'K', 'P', 0x0C, 0x12}; // "KP" inside the binary serial
    std::memcpy(b.data() + 10, id, 8);
    b[18] = static_cast<unsigned char>(version);
    b[19] = static_cast<unsigned char>(revision);
    if (descriptor >= 0) {
        const size_t start = 54 + 18 * static_cast<size_t>(descriptor);
        b[start + 3] = 0xFF; // monitor serial number descriptor
        size_t i = 0;
        for (; text[i] != '\0' && i < 13; ++i) {
            b[start + 5 + i] = static_cast<unsigned char>(text[i]);
        }
        if (i < 13) {
            b[start + 5 + i++] = '\n';
        }
        for (; i < 13; ++i) {
            b[start + 5 + i] = ' ';
        }
    }
    return b;
}
