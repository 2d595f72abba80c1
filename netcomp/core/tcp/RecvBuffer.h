#pragma once
// The receive buffer of a TCP socket: bytes read from the socket land in its
// free tail, and complete records (lines, or whatever the terminator marks)
// are taken from the front. A record is at most the buffer's record limit
// long (the line size); reads may take more at once: the storage behind it
// grows while reads keep filling it, up to kReadBlock bytes.
#include <cstdint>

struct RecvRecord {
    const char* data = nullptr;
    uint32_t length = 0;
    bool eolFound = false;
};

class RecvBuffer {
public:
    static constexpr uint32_t kMaxCapacity = 4u << 20;
    static constexpr uint32_t kReadBlock = 64u << 10;

    RecvBuffer() = default;
    ~RecvBuffer();
    RecvBuffer(const RecvBuffer&) = delete;
    RecvBuffer& operator=(const RecvBuffer&) = delete;

    // Sets the record limit (1 to kMaxCapacity); unread bytes are dropped.
    [[nodiscard]] int Allocate(uint32_t capacity);
    void Free();
    void Clear();
    // The record limit.
    uint32_t Capacity() const { return m_limit; }
    // The storage: from the record limit up to kReadBlock (or the limit,
    // where that is more).
    uint32_t StorageSize() const { return m_size; }
    uint32_t Pending() const { return m_count; }

    // Where the next read goes, and how much it may take.
    char* GetWriteSpace(uint32_t* freeBytes);
    void CommitWrite(uint32_t n);

    // The terminator is copied; an empty one means each read is delivered as it comes.
    [[nodiscard]] int SetTerminator(const char* bytes, uint32_t n);
    void SetLineMode(bool on);
    // The next record is exactly n bytes (0 returns to terminator records).
    void SetRecordLength(uint32_t n) { m_recordLength = n; }

    // Takes the next deliverable record; the data stays valid until the next write.
    bool NextRecord(RecvRecord& record);
    // All unread bytes at once.
    bool Take(RecvRecord& record);
    // Unread bytes, up to the record limit.
    bool TakePart(RecvRecord& record);
    // Returns bytes to the front of the unread data (bytes that were taken
    // raw but belong to the records that follow; they must not lie in this buffer);
    // false when they do not fit.
    bool PutBack(const char* bytes, uint32_t n);

private:
    bool NextLine(RecvRecord& record);
    void Consume(uint32_t n);
    void Grow();

    char* m_data = nullptr;
    uint32_t m_limit = 0;
    uint32_t m_size = 0;
    uint32_t m_readOffset = 0;
    uint32_t m_count = 0;
    // The last read took all the room it was given.
    bool m_filled = false;
    char m_terminator[16] = {};
    uint32_t m_terminatorLength = 0;
    bool m_lineMode = false;
    char m_pendingEol = 0; // a CR or LF that ended the last read; its partner is skipped
    uint32_t m_recordLength = 0;
};
