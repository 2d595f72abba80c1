// File streams use the C library's files, so the coders build and run the
// same on Windows and in the native test build. Each stream keeps one buffer:
// the read window while reading, the pending output while writing.
#include "netcomp/mail/coders/CoderFileStream.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "netcomp/mail/coders/CoderErrors.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

constexpr size_t kBufferSize = 64 * 1024;

int SeekTo(std::FILE* f, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

uint64_t SizeOf(std::FILE* f)
{
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    const long long size = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0)
        return 0;
    const off_t size = ftello(f);
#endif
    return size < 0 ? 0 : uint64_t(size);
}

int WriteFailure()
{
    if (errno == ENOSPC)
        return kCoderMediaFull;
    if (errno == EACCES || errno == EPERM)
        return kCoderPermissionDenied;
    return kCoderCantWrite;
}

} // namespace

bool CoderFileExists(const char* name)
{
    std::FILE* f = std::fopen(name, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

#ifdef _WIN32
namespace {

// The full path as Windows resolves it: "/" as "\\", and trailing dots and
// blanks of the last component dropped, as the file system drops them.
std::string FullPath(const char* name)
{
    char* full = _fullpath(nullptr, name, 0);
    std::string path = full ? full : name;
    std::free(full);
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    while (!path.empty() && (path.back() == '.' || path.back() == ' '))
        path.pop_back();
    return path;
}

} // namespace
#endif

bool CoderSameFile(const char* a, const char* b)
{
#ifdef _WIN32
    return _stricmp(FullPath(a).c_str(), FullPath(b).c_str()) == 0;
#else
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

bool CoderMakeTempFile(const char* prefix, NetStringBase& name)
{
    static std::atomic<unsigned> counter{0};
    const char* folder = std::getenv("TMP");
    if (!folder || !*folder)
        folder = std::getenv("TEMP");
    if (!folder || !*folder)
        folder = std::getenv("TMPDIR");
#ifdef _WIN32
    const char separator = '\\';
    if (!folder || !*folder)
        folder = ".";
#else
    const char separator = '/';
    if (!folder || !*folder)
        folder = "/tmp";
#endif
    const unsigned seed = unsigned(std::time(nullptr)) ^ unsigned(reinterpret_cast<uintptr_t>(&name));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tail[32];
        std::snprintf(tail, sizeof tail, "%x.tmp", (seed + counter.fetch_add(1) * 2654435761u) & 0xFFFFFu);
        if (name.AssignText(folder) ||
            (name.Length() && name[name.Length() - 1] != separator && name.AppendChar(separator)) ||
            name.AppendCStr(prefix) || name.AppendCStr(tail))
            return false;
        if (CoderFileExists(name.CStr()))
            continue;
        std::FILE* f = std::fopen(name.CStr(), "wb");
        if (!f)
            return false;
        std::fclose(f);
        return true;
    }
    return false;
}

const char* CoderBaseName(const char* name)
{
    const char* base = name;
    for (const char* p = name; *p; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':')
            base = p + 1;
    }
    if (std::strcmp(base, ".") == 0 || std::strcmp(base, "..") == 0)
        return "";
    return base;
}

CoderFileStream::CoderFileStream(bool overwrite) : m_overwrite(overwrite) {}

CoderFileStream::~CoderFileStream()
{
    FinishProgress();
    (void)Close();
}

int CoderFileStream::OpenRead(const char* name, uint64_t offset, uint64_t limit)
{
    if (std::strlen(name) > kMaxName)
        return Fail(kCoderBadFileName);
    if (m_name.AssignText(name))
        return Fail(kCoderCantOpen);
    m_file = std::fopen(name, "rb");
    if (!m_file)
        return Fail(kCoderCantOpen);
    m_fileSize = SizeOf(m_file);
    if (SeekTo(m_file, offset) != 0)
        return Fail(kCoderCantRead);
    m_buffer.reset(new (std::nothrow) char[kBufferSize]);
    if (!m_buffer)
        return Fail(kCoderCantRead);
    m_readPos = m_readEnd = m_buffer.get();
    m_left = limit;
    m_fileCount = 1;
    return 0;
}

int CoderFileStream::OpenReadSplit(const char* name, const char* extension)
{
    if (!std::strchr(name, '?'))
        return OpenRead(name);
    if (std::strlen(name) > kMaxName)
        return Fail(kCoderBadFileName);
    const char* mark = std::strchr(name, '?');
    m_width = int(std::strspn(mark, "?"));
    if (m_prefix.Assign(uint32_t(mark - name), name) || m_extension.AssignText(extension))
        return Fail(kCoderCantOpen);
    m_pattern = true;
    m_buffer.reset(new (std::nothrow) char[kBufferSize]);
    if (!m_buffer)
        return Fail(kCoderCantRead);
    m_readPos = m_readEnd = m_buffer.get();
    return OpenNumbered(false);
}

bool CoderFileStream::ReadsNumbered(int number, const char* name) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", m_width, number);
    if (int(std::strlen(digits)) > m_width)
        return false;
    std::string numbered(m_prefix.Data(), m_prefix.Length());
    numbered += digits;
    numbered += m_extension.CStr();
    return CoderSameFile(numbered.c_str(), name);
}

bool CoderFileStream::Reads(const char* name) const
{
    if (!m_pattern)
        return !m_name.IsEmpty() && CoderSameFile(m_name.CStr(), name);
    for (int number = 1; number <= kMaxSplitFiles; ++number) {
        if (ReadsNumbered(number, name))
            return true;
    }
    return false;
}

int CoderFileStream::OpenWrite(const char* name, uint64_t splitSize, const char* extension)
{
    if (std::strlen(name) > kMaxName)
        return Fail(kCoderBadFileName);
    m_buffer.reset(new (std::nothrow) char[kBufferSize]);
    if (!m_buffer)
        return Fail(kCoderCantCreate);
    const char* mark = std::strchr(name, '?');
    if (splitSize > 0 && mark) {
        m_width = int(std::strspn(mark, "?"));
        if (m_prefix.Assign(uint32_t(mark - name), name) || m_extension.AssignText(extension ? extension : ""))
            return Fail(kCoderCantCreate);
        m_pattern = true;
        m_splitSize = splitSize;
        return OpenNumbered(true);
    }
    if (m_name.AssignText(name))
        return Fail(kCoderCantCreate);
    if (m_input && m_input->Reads(name))
        return Fail(kCoderCantCreate);
    if (!m_overwrite && CoderFileExists(name))
        return Fail(kCoderFileExists);
    m_file = std::fopen(name, "wb");
    if (!m_file)
        return Fail(errno == EMFILE ? kCoderTooManyOpenFiles : kCoderCantCreate);
    m_fileCount = 1;
    return 0;
}

// Opens file number m_fileCount + 1 of the pattern. Reading, a missing file
// after the first is the end of the input, not a failure: the numbered files
// run out where the writer stopped.
int CoderFileStream::OpenNumbered(bool forWrite)
{
    const int number = m_fileCount + 1;
    if (forWrite && number > kMaxSplitFiles)
        return Fail(kCoderTooManySplits);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", m_width, number);
    if (int(std::strlen(digits)) > m_width)
        return forWrite ? Fail(kCoderSplitNamesShort) : kCoderNoMoreFiles;
    if (m_name.Assign(m_prefix.Length(), m_prefix.Data()) || m_name.AppendCStr(digits) ||
        m_name.AppendCStr(m_extension.CStr()))
        return Fail(kCoderCantCreate);
    if (forWrite) {
        if (m_input && m_input->Reads(m_name.CStr()))
            return Fail(kCoderCantCreate);
        if (!m_overwrite && CoderFileExists(m_name.CStr()))
            return Fail(kCoderFileExists);
        m_file = std::fopen(m_name.CStr(), "wb");
        if (!m_file)
            return Fail(errno == EMFILE ? kCoderTooManyOpenFiles : kCoderCantCreate);
    } else {
        m_file = std::fopen(m_name.CStr(), "rb");
        if (!m_file)
            return number == 1 ? Fail(kCoderCantOpen) : kCoderNoMoreFiles;
    }
    m_fileWritten = 0;
    m_fileCount = number;
    return 0;
}

int CoderFileStream::NextSplit()
{
    if (!m_pattern || Error())
        return Error();
    if (int rc = FlushBuffer())
        return rc;
    if (std::fclose(m_file) != 0) {
        m_file = nullptr;
        return Fail(WriteFailure());
    }
    m_file = nullptr;
    return OpenNumbered(true);
}

bool CoderFileStream::Refill()
{
    if (!m_file || !m_buffer)
        return false;
    const size_t unread = size_t(m_readEnd - m_readPos);
    char* base = m_buffer.get();
    if (unread && m_readPos != base)
        std::memmove(base, m_readPos, unread);
    m_readPos = base;
    m_readEnd = base + unread;
    for (;;) {
        size_t want = kBufferSize - unread;
        if (m_left < want)
            want = size_t(m_left);
        if (want == 0)
            return false;
        const size_t got = std::fread(base + unread, 1, want, m_file);
        if (got > 0) {
            m_left -= got;
            m_readEnd = base + unread + got;
            return true;
        }
        if (std::ferror(m_file)) {
            Fail(kCoderCantRead);
            return false;
        }
        // The end of this file: a pattern goes on with the next numbered file.
        if (!m_pattern)
            return false;
        std::fclose(m_file);
        m_file = nullptr;
        if (OpenNumbered(false) != 0)
            return false;
    }
}

int CoderFileStream::WriteBytes(const char* data, size_t n)
{
    if (!m_file)
        return kCoderCantWrite;
    m_fileWritten += n;
    if (m_used + n > kBufferSize) {
        if (int rc = FlushBuffer())
            return rc;
        if (n >= kBufferSize) {
            if (std::fwrite(data, 1, n, m_file) != n)
                return WriteFailure();
            return 0;
        }
    }
    std::memcpy(m_buffer.get() + m_used, data, n);
    m_used += n;
    return 0;
}

int CoderFileStream::FlushBuffer()
{
    if (m_used == 0 || !m_file)
        return 0;
    const size_t n = m_used;
    m_used = 0;
    if (std::fwrite(m_buffer.get(), 1, n, m_file) != n)
        return Fail(WriteFailure());
    return 0;
}

int CoderFileStream::Flush()
{
    if (int rc = FlushBuffer())
        return rc;
    if (m_file && std::fflush(m_file) != 0)
        return Fail(WriteFailure());
    return Error();
}

int CoderFileStream::Close()
{
    int rc = 0;
    if (m_file) {
        rc = FlushBuffer();
        if (std::fclose(m_file) != 0 && rc == 0)
            rc = Fail(WriteFailure());
        m_file = nullptr;
    }
    return rc;
}
