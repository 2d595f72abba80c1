#include "audit/EdidSerial.h"
#include "audit/tests/EdidBlock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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
