// EDID values as the registry hands them over: any length, any bytes. The
// input is copied to a buffer of exactly its size so a read past it is seen.
#include "audit/EdidSerial.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<unsigned char> block(data, data + size);
    EdidSerial result = ReadEdidSerial(block.data(), block.size());
    if (result.outcome != EdidOutcome::Decided && !result.serial.empty()) {
        __builtin_trap();
    }
    for (char c : result.serial) {
        if (c < 0x21 || c > 0x7A) {
            __builtin_trap();
        }
    }
    return 0;
}
