#pragma once
// A bounded list of name/value pairs of byte strings, with two numbers per
// entry for the owner's bookkeeping: the XML parser's attributes of a start
// tag, open elements and namespace declarations in scope. It grows as entries
// are added, up to kMaxPairs; entries keep their buffers when the list is
// emptied, so a list that is filled and emptied per start tag does not
// allocate once it has warmed up.
#include <cstdint>
#include <deque>

#include "netcomp/core/text/GrowBuffer.h"

class NameValueList {
public:
    static constexpr uint32_t kMaxPairs = 128;

    uint32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    bool IsFull() const { return m_count >= kMaxPairs; }
    // 200 when memory runs out or the list already holds kMaxPairs entries.
    [[nodiscard]] int Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength);
    void Pop();
    void Clear() { m_count = 0; }
    // Empties the list and gives back the memory of its entries.
    void Release();

    const char* Name(uint32_t i) const { return m_entries[i].name.Data(); }
    uint32_t NameLength(uint32_t i) const { return m_entries[i].name.Length(); }
    const char* Value(uint32_t i) const { return m_entries[i].value.Data(); }
    uint32_t ValueLength(uint32_t i) const { return m_entries[i].value.Length(); }
    GrowBuffer& MutableValue(uint32_t i) { return m_entries[i].value; }
    uint32_t Extra(uint32_t i) const { return m_entries[i].extra; }
    void SetExtra(uint32_t i, uint32_t value) { m_entries[i].extra = value; }
    uint32_t Extra2(uint32_t i) const { return m_entries[i].extra2; }
    void SetExtra2(uint32_t i, uint32_t value) { m_entries[i].extra2 = value; }

private:
    struct Entry {
        GrowBuffer name;
        GrowBuffer value;
        uint32_t extra = 0;
        uint32_t extra2 = 0;
    };

    uint32_t m_count = 0;
    // A deque never moves its entries as it grows (their buffers cannot move).
    std::deque<Entry> m_entries;
};
