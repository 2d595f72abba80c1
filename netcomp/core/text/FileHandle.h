#pragma once
// A file opened for the transfers of the protocol engines, closed with its holder.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // 3 when the file cannot be opened, 8 when the offset cannot be reached.
    [[nodiscard]] int OpenRead(const char* path, int64_t offset);
    // Offset 0 creates the file anew; above 0 the existing file is positioned (4 or 8 on failure).
    [[nodiscard]] int OpenWrite(const char* path, int64_t offset);
    // Creates the file only when none of that name exists; 4 otherwise.
    [[nodiscard]] int OpenNew(const char* path);
    // Up to n bytes; *got 0 at the end. 5 when not open, else the system error.
    [[nodiscard]] int Read(void* buffer, uint32_t n, uint32_t* got);
    [[nodiscard]] int Write(const void* data, uint32_t n);
    int64_t Size() const;
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Close();

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
