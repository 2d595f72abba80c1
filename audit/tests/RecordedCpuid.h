// A processor made of recorded CPUID answers.
#pragma once

#include "audit/CpuidSource.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>

class RecordedCpuid : public CpuidSource {
public:
    // Leaves not recorded answer zeros, as a processor answers a leaf beyond
    // its range with data that is no valid extended maximum.
    bool Query(std::uint32_t leaf, CpuidRegisters& out) override
    {
        if (m_noCpuid || m_faulting.count(leaf) != 0) {
            return false;
        }
        auto it = m_leaves.find(leaf);
        out = it == m_leaves.end() ? CpuidRegisters() : it->second;
        return true;
    }

    RecordedCpuid& Vendor(const char* text)
    {
        m_leaves[0] = CpuidRegisters{1, Pack(text), Pack(text + 8), Pack(text + 4)};
        return *this;
    }
    RecordedCpuid& Signature(std::uint32_t eax, std::uint32_t ebx = 0, std::uint32_t edx = 0)
    {
        return Leaf(1, {eax, ebx, 0, edx});
    }
    RecordedCpuid& ExtendedMax(std::uint32_t eax) { return Leaf(0x80000000u, {eax, 0, 0, 0}); }
    RecordedCpuid& ExtendedFeatures(std::uint32_t edx) { return Leaf(0x80000001u, {0, 0, 0, edx}); }
    // Up to 48 bytes, NUL-padded, over leaves 0x80000002-4.
    RecordedCpuid& Brand(const std::string& text)
    {
        char b[48] = {};
        std::memcpy(b, text.data(), text.size() < 48 ? text.size() : 48);
        for (std::uint32_t i = 0; i < 3; ++i) {
            Leaf(0x80000002u + i,
                 {Pack(b + 16 * i), Pack(b + 16 * i + 4), Pack(b + 16 * i + 8), Pack(b + 16 * i + 12)});
        }
        return *this;
    }
    RecordedCpuid& Fault(std::uint32_t leaf) { return m_faulting.insert(leaf), *this; }
    RecordedCpuid& NoCpuid() { return m_noCpuid = true, *this; }

private:
    RecordedCpuid& Leaf(std::uint32_t leaf, const CpuidRegisters& registers)
    {
        m_leaves[leaf] = registers;
        return *this;
    }
    static std::uint32_t Pack(const char* p)
    {
        std::uint32_t v = 0;
        std::memcpy(&v, p, 4); // x86 is little-endian
        return v;
    }

    std::map<std::uint32_t, CpuidRegisters> m_leaves;
    std::set<std::uint32_t> m_faulting;
    bool m_noCpuid = false;
};
