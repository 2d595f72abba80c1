// Processor identification from arbitrary CPUID answers: each query takes the
// next 17 bytes of input (a fault flag and four registers); past the end,
// queries fault.
#include "audit/CpuIdentity.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class FuzzedCpuid : public CpuidSource {
public:
    FuzzedCpuid(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Query(std::uint32_t, CpuidRegisters& out) override
    {
        if (m_size < 17 || (m_data[0] & 1) != 0) {
            return false;
        }
        std::memcpy(&out.eax, m_data + 1, 4);
        std::memcpy(&out.ebx, m_data + 5, 4);
        std::memcpy(&out.ecx, m_data + 9, 4);
        std::memcpy(&out.edx, m_data + 13, 4);
        m_data += 17;
        m_size -= 17;
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedCpuid cpuid(data, size);
    CpuIdentity identity(cpuid);
    if (!identity.IsCpuidSupported() && !identity.GetName().empty()) {
        __builtin_trap();
    }
    (void)ManufacturerName(identity.GetVendor());
    return 0;
}
