#include "audit/EdidSerial.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Block = std::vector<unsigned char>;

// A 128-byte EDID block with the given version and revision, identification
// bytes 10-17 and, optionally, a text in one descriptor block (0-3). Texts
// are padded the way monitors pad them: a line feed, then blanks.
Block MakeEdid(int version, int revision, int descriptor = -1, const char* text = "")
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

Block Cut(Block b, size_t size)
{
    b.resize(size);
    return b;
}

TEST(EdidSerial, Blocks)
{
    const struct {
        const char* label;
        Block block;
        EdidOutcome outcome;
        const char* serial;
    } cases[] = {
        {"revision 3, second descriptor", MakeEdid(1, 3, 1, "ABC1234567"), EdidOutcome::Decided, "ABC1234567"},
        {"revision 3 takes 12 of 13 characters", MakeEdid(1, 3, 1, "ABCDEFGHIJKLM"), EdidOutcome::Decided,
         "ABCDEFGHIJKL"},
        {"revision 1, fourth descriptor, 9 characters", MakeEdid(1, 1, 3, "XY98765432"), EdidOutcome::Decided,
         "XY9876543"},
        {"revision 0, identification bytes", MakeEdid(1, 0), EdidOutcome::Decided, "ZKP"},
        {"characters outside ! to z dropped", MakeEdid(1, 3, 1, "a b{c~d!z"), EdidOutcome::Decided, "abcd!z"},
        {"angle brackets kept for the sanitizer", MakeEdid(1, 3, 1, "SN<1>"), EdidOutcome::Decided, "SN<1>"},
        {"revision 2 decides nothing", MakeEdid(1, 2, 1, "ABC1234567"), EdidOutcome::Decided, ""},
        {"revision 4 decides nothing", MakeEdid(1, 4, 1, "ABC1234567"), EdidOutcome::Decided, ""},
        {"version 2 passed over", MakeEdid(2, 0, 1, "ABC1234567"), EdidOutcome::NotVersion1, ""},
        {"version 0 passed over", MakeEdid(0, 3), EdidOutcome::NotVersion1, ""},
        {"empty", Block(), EdidOutcome::TooShort, ""},
        {"no version byte", Cut(MakeEdid(1, 3), 18), EdidOutcome::TooShort, ""},
        {"version without revision", Cut(MakeEdid(1, 3), 19), EdidOutcome::TooShort, ""},
        {"wrong version decided on 19 bytes", Cut(MakeEdid(2, 3), 19), EdidOutcome::NotVersion1, ""},
        {"revision 0 needs 18 bytes", Cut(MakeEdid(1, 0), 20), EdidOutcome::Decided, "ZKP"},
        {"revision 2 needs only 20 bytes", Cut(MakeEdid(1, 2), 20), EdidOutcome::Decided, ""},
        {"revision 3 one byte short", Cut(MakeEdid(1, 3, 1, "ABC1234567"), 88), EdidOutcome::TooShort, ""},
        {"revision 3 just long enough", Cut(MakeEdid(1, 3, 1, "ABC1234567"), 89), EdidOutcome::Decided, "ABC1234567"},
        {"revision 1 one byte short", Cut(MakeEdid(1, 1, 3, "XY98765432"), 121), EdidOutcome::TooShort, ""},
        {"revision 1 just long enough", Cut(MakeEdid(1, 1, 3, "XY98765432"), 122), EdidOutcome::Decided, "XY9876543"},
    };
    for (const auto& c : cases) {
        // A copy of exactly the block's size, so a read past it is caught.
        std::vector<unsigned char> exact(c.block);
        exact.shrink_to_fit();
        const EdidSerial result = ReadEdidSerial(exact.empty() ? nullptr : exact.data(), exact.size());
        EXPECT_EQ(result.outcome, c.outcome) << c.label;
        EXPECT_EQ(result.serial, c.serial) << c.label;
    }
}

} // namespace
