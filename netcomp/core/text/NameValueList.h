#pragma once
// A bounded list of name/value pairs of byte strings, with two numbers per
// entry for the owner's bookkeeping. Entries keep their buffers when the list
// is emptied, so a list that is filled and emptied per start tag does not
// allocate once it has warmed up.
#include <cstdint>

#include "netcomp/core/text/GrowBuffer.h"

class NameValueList {
public:
    static constexpr uint32_t kMaxPairs = 128;

    uint32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // 200 when the list already holds kMaxPairs entries.
    [[nodiscard]] int Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength);
    void Pop();
    void Clear() { m_count = 0; }
    // Empties the list and gives back the memory of long entries.
    void Release();

    const char* Name(uint32_t i) const { return m_names[i].Data(); }
    uint32_t NameLength(uint32_t i) const { return m_names[i].Length(); }
    const char* Value(uint32_t i) const { return m_values[i].Data(); }
    uint32_t ValueLength(uint32_t i) const { return m_values[i].Length(); }
    GrowBuffer& MutableValue(uint32_t i) { return m_values[i]; }
    uint32_t Extra(uint32_t i) const { return m_extra[i]; }
    void SetExtra(uint32_t i, uint32_t value) { m_extra[i] = value; }
    uint32_t Extra2(uint32_t i) const { return m_extra2[i]; }
    void SetExtra2(uint32_t i, uint32_t value) { m_extra2[i] = value; }

private:
    uint32_t m_count = 0;
    GrowBuffer m_names[kMaxPairs];
    GrowBuffer m_values[kMaxPairs];
    uint32_t m_extra[kMaxPairs] = {};
    uint32_t m_extra2[kMaxPairs] = {};
};
