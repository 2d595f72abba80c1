#pragma once
// A growable byte buffer for the parsers' hot paths: it keeps its block when
// emptied, so a buffer filled and emptied per token stops allocating once it
// has grown, and a NUL always follows its bytes.
#include <cstdint>

class GrowBuffer {
public:
    GrowBuffer() = default;
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;
    ~GrowBuffer();

    char* Data() { return m_data ? m_data : m_empty; }
    const char* Data() const { return m_data ? m_data : m_empty; }
    uint32_t Length() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    void Clear()
    {
        m_length = 0;
        if (m_data)
            m_data[0] = '\0';
    }
    // Clear, and give the block back.
    void Release();
    void Truncate(uint32_t n);
    void EraseFront(uint32_t n);
    [[nodiscard]] int Append(const char* data, uint32_t n)
    {
        if (n <= m_capacity - m_length && m_data) {
            __builtin_memcpy(m_data + m_length, data, n);
            m_length += n;
            m_data[m_length] = '\0';
            return 0;
        }
        return AppendSlow(data, n);
    }
    [[nodiscard]] int Append(char c)
    {
        if (m_length < m_capacity) {
            m_data[m_length++] = c;
            m_data[m_length] = '\0';
            return 0;
        }
        return AppendSlow(&c, 1);
    }
    [[nodiscard]] int Assign(const char* data, uint32_t n)
    {
        Clear();
        return Append(data, n);
    }
    bool EndsWith(const char* tail, uint32_t n) const;

private:
    [[nodiscard]] int Reserve(uint32_t n);
    [[nodiscard]] int AppendSlow(const char* data, uint32_t n);

    char* m_data = nullptr;
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;
    char m_empty[1] = {0};
};
