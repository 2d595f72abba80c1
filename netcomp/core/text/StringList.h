#pragma once
// A list of byte strings packed into one buffer: each item is a 3-byte
// big-endian length, its bytes and a NUL.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

class StringList {
public:
    static constexpr uint32_t kMaxItemLength = 0xFFFFFF;

    uint32_t Count() const { return m_count; }
    [[nodiscard]] int SetCount(uint32_t n);
    void Clear();
    [[nodiscard]] int Add(const char* text);
    [[nodiscard]] int AddBytes(const char* data, uint32_t n);
    [[nodiscard]] int AppendToLast(const char* text);
    const char* Item(uint32_t i) const;
    uint32_t ItemLength(uint32_t i) const;
    long ItemAsInt(uint32_t i) const;
    [[nodiscard]] int SetItem(uint32_t i, const char* text);
    [[nodiscard]] int SetItemBytes(uint32_t i, const char* data, uint32_t n);
    [[nodiscard]] int SetItemInt(uint32_t i, int value);
    int IndexOf(const char* text, uint32_t start) const;

private:
    uint32_t ItemOffset(uint32_t i) const;
    uint32_t LengthAt(uint32_t offset) const;
    [[nodiscard]] int Replace(uint32_t from, uint32_t to, const char* data, uint32_t n);
    void ForgetCursor() const { m_cursorIndex = m_cursorOffset = 0; }

    uint32_t m_count = 0;
    NetString m_data;
    // The last item reached by position and its offset: walking the list in
    // order goes on from there instead of from the first item.
    mutable uint32_t m_cursorIndex = 0;
    mutable uint32_t m_cursorOffset = 0;
};
