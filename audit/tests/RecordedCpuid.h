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
        CpuidRegisters& r = m_leaves[0];
        r.eax = 1;
        r.ebx = Pack(text);
        r.edx = Pack(text + 4);
        r.ecx = Pack(text + 8);
        return *this;
    }
    RecordedCpuid& Signature(std::uint32_t eax, std::uint32_t ebx = 0, std::uint32_t edx = 0)
    {
        m_leaves[1] = CpuidRegisters{eax, ebx, 0, edx};
        return *this;
    }
    RecordedCpuid& ExtendedMax(std::uint32_t eax)
    {
        m_leaves[0x80000000u].eax = eax;
        return *this;
    }
    RecordedCpuid& ExtendedFeatures(std::uint32_t edx)
    {
        m_leaves[0x80000001u].edx = edx;
        return *this;
    }
    // Up to 48 bytes, NUL-padded, over leaves 0x80000002-4.
    RecordedCpuid& Brand(const std::string& text)
    {
        char bytes[48] = {};
        std::memcpy(bytes, text.data(), text.size() < 48 ? text.size() : 48);
        for (std::uint32_t i = 0; i < 3; ++i) {
            const char* p = bytes + 16 * i;
            m_leaves[0x80000002u + i] = CpuidRegisters{Pack(p), Pack(p + 4), Pack(p + 8), Pack(p + 12)};
        }
        return *this;
    }
    RecordedCpuid& Fault(std::uint32_t leaf)
    {
        m_faulting.insert(leaf);
        return *this;
    }
    RecordedCpuid& NoCpuid()
    {
        m_noCpuid = true;
        return *this;
    }

private:
    static std::uint32_t Pack(const char* p)
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = (v << 8) | static_cast<unsigned char>(p[i]);
        }
        return v;
    }

    std::map<std::uint32_t, CpuidRegisters> m_leaves;
    std::set<std::uint32_t> m_faulting;
    bool m_noCpuid = false;
};
