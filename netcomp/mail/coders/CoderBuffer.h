#pragma once
// Output staging of the coders: bytes gather in a small array and reach the
// stream in blocks, so a coder pays one virtual call per block, not per byte.
#include <cstring>

#include "netcomp/mail/coders/CoderStream.h"

class CoderBuffer {
public:
    static constexpr size_t kSize = 16 * 1024;
    // Room a coder may use after one Reserve without checking again.
    static constexpr size_t kSlack = 256;

    explicit CoderBuffer(CoderStream& out) : m_out(out) {}

    char* Reserve()
    {
        if (m_used > kSize - kSlack)
            (void)Flush();
        return m_data + m_used;
    }
    void Commit(char* end) { m_used = size_t(end - m_data); }
    void Put(char c)
    {
        if (m_used == kSize)
            (void)Flush();
        m_data[m_used++] = c;
    }
    void Put(const char* p, size_t n)
    {
        while (n) {
            if (m_used == kSize)
                (void)Flush();
            size_t take = kSize - m_used < n ? kSize - m_used : n;
            std::memcpy(m_data + m_used, p, take);
            m_used += take;
            p += take;
            n -= take;
        }
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }
    // Bytes written to the stream plus the pending ones.
    uint64_t Written() const { return m_out.Written() + m_used; }
    uint64_t WrittenInFile() const { return m_out.WrittenInFile() + m_used; }
    [[nodiscard]] int Flush()
    {
        if (m_used) {
            const size_t n = m_used;
            m_used = 0;
            return m_out.Write(m_data, n);
        }
        return m_out.Error();
    }
    // Ends the current split file when the next line of up to lineMax bytes
    // would pass the split size.
    [[nodiscard]] int SplitIfDue(size_t lineMax)
    {
        const uint64_t split = m_out.SplitSize();
        if (split == 0 || WrittenInFile() == 0 || WrittenInFile() + lineMax <= split)
            return 0;
        if (int rc = Flush())
            return rc;
        return m_out.NextSplit();
    }
    // Bytes of a format without lines, which may be cut anywhere: each split
    // file is filled up to the split size.
    void PutAnywhere(const char* p, size_t n)
    {
        const uint64_t split = m_out.SplitSize();
        while (split && n && !m_out.Error()) {
            if (WrittenInFile() >= split) {
                // A failure stays on the stream and ends the loop.
                if (Flush() == 0)
                    (void)m_out.NextSplit();
                continue;
            }
            const uint64_t room = split - WrittenInFile();
            const size_t take = n < room ? n : size_t(room);
            Put(p, take);
            p += take;
            n -= take;
        }
        Put(p, n);
    }
    int Error() const { return m_out.Error(); }

private:
    CoderStream& m_out;
    size_t m_used = 0;
    char m_data[kSize];
};
