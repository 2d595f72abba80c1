#include "netcomp/core/text/FileHandle.h"

int FileHandle::OpenRead(const char* path, int64_t offset)
{
    Close();
    m_handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE)
        return 3;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (offset > 0 && !SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN)) {
        Close();
        return 8;
    }
    return 0;
}

int FileHandle::OpenWrite(const char* path, int64_t offset)
{
    Close();
    m_handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, offset > 0 ? OPEN_EXISTING : CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE)
        return 4;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (offset > 0 && !SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN)) {
        Close();
        return 8;
    }
    return 0;
}

int FileHandle::OpenNew(const char* path)
{
    Close();
    m_handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_handle == INVALID_HANDLE_VALUE ? 4 : 0;
}

int FileHandle::Read(void* buffer, uint32_t n, uint32_t* got)
{
    *got = 0;
    if (!IsOpen())
        return 5;
    DWORD read = 0;
    if (!ReadFile(m_handle, buffer, n, &read, nullptr))
        return int(GetLastError());
    *got = read;
    return 0;
}

// Large blocks go out in slices: measured under Wine, 64 KB writes move a
// large download to disk several times faster than 1 MB writes.
int FileHandle::Write(const void* data, uint32_t n)
{
    if (!IsOpen())
        return 5;
    constexpr uint32_t kSlice = 64 * 1024;
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const DWORD size = n < kSlice ? n : kSlice;
        DWORD written = 0;
        if (!WriteFile(m_handle, p, size, &written, nullptr))
            return int(GetLastError());
        if (written != size)
            return ERROR_DISK_FULL;
        p += size;
        n -= size;
    }
    return 0;
}

int64_t FileHandle::Size() const
{
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(m_handle, &size))
        return -1;
    return size.QuadPart;
}

void FileHandle::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
}
