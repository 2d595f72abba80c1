#pragma once
// The byte streams every coder reads from and writes to: a caller's memory
// buffer or a file (CoderFileStream.h). Reading goes through a window of
// buffered bytes, so line and block readers can look at the input in place.
#include <cstddef>
#include <cstdint>

using CoderProgressFn = void (*)(void* arg, int percent);

class CoderStream {
public:
    CoderStream() = default;
    virtual ~CoderStream() = default;
    CoderStream(const CoderStream&) = delete;
    CoderStream& operator=(const CoderStream&) = delete;

    // Reading. Read copies up to n bytes and gives 0 at the end.
    size_t Read(void* buffer, size_t n);
    // Copies the bytes up to and including the first LF or NUL, at most
    // max - 1, and ends them with a NUL; in text mode CR LF comes back as LF.
    size_t ReadLine(char* buffer, size_t max);
    // The next line (through its LF, at most max bytes) in place; false at the end.
    bool NextLine(const char** line, size_t* length, size_t max);
    // All buffered bytes in place (refilled first when empty); false at the end.
    bool NextBlock(const char** block, size_t* length);
    // Bytes consumed from the start of the input.
    uint64_t Position() const { return m_done; }

    // Writing. In text mode an LF is written as CR LF.
    [[nodiscard]] int Write(const void* buffer, size_t n);
    [[nodiscard]] int PutChar(char c);
    [[nodiscard]] int WriteText(const char* text);
    [[nodiscard]] virtual int Flush() { return m_error; }
    // Continues the output in the next split file; streams without splitting ignore it.
    [[nodiscard]] virtual int NextSplit() { return 0; }
    uint64_t Written() const { return m_written; }
    // Splitting: the largest output per file (0 = no splitting) and the bytes
    // in the current file; coders call NextSplit at line ends to keep below it.
    virtual uint64_t SplitSize() const { return 0; }
    virtual uint64_t WrittenInFile() const { return m_written; }

    // The first failure, a coder code (CoderErrors.h); 0 while all went well.
    int Error() const { return m_error; }
    void SetTextMode(bool on) { m_textMode = on; }

    // Progress: every step percent of total the callback gets the percent.
    void SetProgress(uint64_t total, int step, CoderProgressFn fn, void* arg);
    // Reports the steps still missing up to 100; later calls do nothing.
    void FinishProgress();

protected:
    // Moves unread bytes to the front of the buffer and reads more; false
    // when nothing more comes (the end, or a failure recorded in m_error).
    virtual bool Refill() { return false; }
    virtual int WriteBytes(const char* data, size_t n) = 0;
    void Consume(size_t n);
    int Fail(int code);

    const char* m_readPos = nullptr;
    const char* m_readEnd = nullptr;

private:
    int m_error = 0;
    bool m_textMode = false;
    uint64_t m_done = 0;
    uint64_t m_written = 0;
    uint64_t m_total = 0;
    int m_step = 0;
    int m_nextPercent = 0;
    bool m_progressDone = false;
    CoderProgressFn m_progress = nullptr;
    void* m_progressArg = nullptr;
};

// Marks the constructor of a memory stream that writes.
struct CoderOutputTag {};
inline constexpr CoderOutputTag kCoderOutput{};

// A stream over a caller's memory: reads from given bytes, or writes into a
// buffer of fixed capacity (writing past it fails with 9).
class CoderMemoryStream final : public CoderStream {
public:
    CoderMemoryStream(const char* data, size_t n);
    CoderMemoryStream(CoderOutputTag, char* buffer, size_t capacity);

private:
    int WriteBytes(const char* data, size_t n) override;

    char* m_out = nullptr;
    size_t m_capacity = 0;
    size_t m_used = 0;
};
