#pragma once
// CRC-32 of ISO 3309 / ITU-T V.42 (reflected polynomial 0xEDB88320), as
// yEnc and zip use it. Feed Update and read Value at any point.
#include <cstddef>
#include <cstdint>

class Crc32 {
public:
    void Update(const void* data, size_t n);
    uint32_t Value() const { return ~m_state; }
    void Reset() { m_state = 0xFFFFFFFFu; }

private:
    uint32_t m_state = 0xFFFFFFFFu;
};
