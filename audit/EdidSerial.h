// The monitor serial-number text of an EDID block as Windows keeps it in the
// registry.
#pragma once

#include <cstddef>
#include <string>

enum class EdidOutcome {
    NotVersion1, // not an EDID 1.x block: look at the next monitor
    TooShort,    // ends before the bytes to be read: look at the next monitor
    Decided,     // this block decides the serial number (which may be empty)
};

struct EdidSerial {
    EdidOutcome outcome = EdidOutcome::NotVersion1;
    std::string serial; // raw bytes "!" to "z"; the caller sanitizes it
};

EdidSerial ReadEdidSerial(const unsigned char* data, std::size_t size);
