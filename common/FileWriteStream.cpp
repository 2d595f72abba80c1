#include "common/FileWriteStream.h"

#include <cstring>

FileWriteStream::~FileWriteStream()
{
    if (m_open) {
        m_file.close();
    }
}

bool FileWriteStream::Open()
{
    m_file.open(m_fileName, std::ios::out | std::ios::trunc | std::ios::binary);
    m_open = m_file.is_open();
    return m_open;
}

// The text ends at an embedded NUL, as a C string copy of it would.
int32_t FileWriteStream::WriteText(const char* text, size_t length, size_t* written)
{
    if (!m_open) {
        return kStreamFail;
    }
    const void* nul = std::memchr(text, '\0', length);
    size_t bytes = nul != nullptr ? static_cast<const char*>(nul) - text : length;
    m_file.write(text, static_cast<std::streamsize>(bytes));
    if (!m_file) {
        return kStreamFail;
    }
    if (written != nullptr) {
        *written = length;
    }
    return kStreamOk;
}
