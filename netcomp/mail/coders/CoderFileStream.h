#pragma once
// A coder stream over a file, read or written through a buffer of its own.
// An output name holding "?" is a pattern for split files: the run of "?"
// becomes a zero-padded counter and the extension is the format's own
// (".UUE", ".B64", ".Q_P"); NextSplit closes one file and starts the next.
// An input pattern reads the numbered files in turn until one is missing.
#include <cstdio>
#include <memory>

#include "netcomp/core/text/NetString.h"
#include "netcomp/mail/coders/CoderStream.h"

class CoderFileStream final : public CoderStream {
public:
    static constexpr size_t kMaxName = 1023;
    static constexpr int kMaxSplitFiles = 100;

    explicit CoderFileStream(bool overwrite = true);
    ~CoderFileStream() override;

    // Opens for reading from offset, at most limit bytes.
    [[nodiscard]] int OpenRead(const char* name, uint64_t offset = 0, uint64_t limit = UINT64_MAX);
    // Opens for writing; with splitSize > 0 and a pattern name, output is split.
    [[nodiscard]] int OpenWrite(const char* name, uint64_t splitSize = 0, const char* extension = nullptr);
    // Opens a pattern (or a plain name) for reading its numbered files in turn.
    [[nodiscard]] int OpenReadSplit(const char* name, const char* extension);
    // Before a stream opens for writing: a file that the input reads (any of
    // the numbered files of a pattern) is refused with 3, never truncated.
    void ProtectInput(const CoderFileStream* input) { m_input = input; }
    // Whether the file of that name is one this stream reads.
    bool Reads(const char* name) const;
    [[nodiscard]] int Close();

    [[nodiscard]] int Flush() override;
    [[nodiscard]] int NextSplit() override;
    // The split size while splitting is on, else 0.
    uint64_t SplitSize() const override { return m_pattern ? m_splitSize : 0; }
    uint64_t WrittenInFile() const override { return m_fileWritten; }
    int FileCount() const { return m_fileCount; }
    const char* CurrentName() const { return m_name.CStr(); }
    // The size of the file opened for reading, as it was at the open.
    uint64_t FileSize() const { return m_fileSize; }

private:
    bool Refill() override;
    int WriteBytes(const char* data, size_t n) override;
    [[nodiscard]] int OpenNumbered(bool forWrite);
    [[nodiscard]] int FlushBuffer();
    bool ReadsNumbered(int number, const char* name) const;

    bool m_overwrite;
    std::FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
    uint64_t m_left = UINT64_MAX;
    uint64_t m_fileSize = 0;
    uint64_t m_splitSize = 0;
    uint64_t m_fileWritten = 0;
    bool m_pattern = false;
    NetString m_prefix;
    NetString20 m_extension;
    int m_width = 0;
    int m_fileCount = 0;
    NetString m_name;
    const CoderFileStream* m_input = nullptr;
};

// Whether a file of that name can be opened for reading.
bool CoderFileExists(const char* name);
// Whether two names reach the same file: the same file on POSIX systems, the
// same full path (case, "..", trailing dots and blanks aside) on Windows.
bool CoderSameFile(const char* a, const char* b);
// Creates a new empty file with the given prefix in the temporary folder and
// gives its name; false when none could be made.
bool CoderMakeTempFile(const char* prefix, NetStringBase& name);
// The last path component of a name taken from encoded data ("..\x", "C:\a\b",
// "/etc/p"): what follows the last slash, backslash or drive colon; empty when
// nothing usable is left ("", ".", "..").
const char* CoderBaseName(const char* name);
