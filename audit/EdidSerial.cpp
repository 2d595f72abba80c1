// Where an EDID 1.x block keeps something usable as a serial number depends
// on its revision: revision 0 has only the binary identification (product
// code, serial, week, year, bytes 10-17); revision 1 monitors put the text in
// the fourth descriptor block, revision 3 monitors in the second. Descriptor
// texts start 5 bytes into their 18-byte block and are padded with a line
// feed and blanks, which the "!" to "z" filter drops.
//
// Registry values come in any length, so every offset is checked against the
// block's size; a block too short for what its revision needs is passed over
// like a monitor without EDID.
#include "audit/EdidSerial.h"

namespace {

const std::size_t kVersionOffset = 18;
const std::size_t kRevisionOffset = 19;

struct SerialRange {
    int revision;
    std::size_t first;
    std::size_t last; // inclusive
};

const SerialRange kRanges[] = {
    {0, 10, 17},   // identification bytes
    {1, 113, 121}, // fourth descriptor block (108) + 5, 9 characters
    {3, 77, 88},   // second descriptor block (72) + 5, 12 characters
};

} // namespace

EdidSerial ReadEdidSerial(const unsigned char* data, std::size_t size)
{
    EdidSerial result;
    if (size <= kVersionOffset) {
        result.outcome = EdidOutcome::TooShort;
        return result;
    }
    if (data[kVersionOffset] != 1) {
        result.outcome = EdidOutcome::NotVersion1;
        return result;
    }
    if (size <= kRevisionOffset) {
        result.outcome = EdidOutcome::TooShort;
        return result;
    }
    const int revision = data[kRevisionOffset];
    for (const SerialRange& range : kRanges) {
        if (range.revision != revision) {
            continue;
        }
        if (size <= range.last) {
            result.outcome = EdidOutcome::TooShort;
            return result;
        }
        for (std::size_t i = range.first; i <= range.last; ++i) {
            if (data[i] >= 0x21 && data[i] <= 0x7A) {
                result.serial.push_back(static_cast<char>(data[i]));
            }
        }
        break;
    }
    // Revisions without a known serial place (2, above 3) decide an empty one.
    result.outcome = EdidOutcome::Decided;
    return result;
}
