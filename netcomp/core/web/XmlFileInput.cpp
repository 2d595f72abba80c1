#include "netcomp/core/web/XmlFileInput.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlParser.h"

bool StdioFileSource::Open(const char* name)
{
    Close();
    if (!name || !*name)
        return false;
    m_file = std::fopen(name, "rb");
    return m_file != nullptr;
}

bool StdioFileSource::Size(uint64_t* size)
{
    if (!m_file || std::fseek(m_file, 0, SEEK_END) != 0)
        return false;
    const long end = std::ftell(m_file);
    if (end < 0 || std::fseek(m_file, 0, SEEK_SET) != 0)
        return false;
    *size = uint64_t(end);
    return true;
}

bool StdioFileSource::Read(char* buffer, uint32_t n, uint32_t* got)
{
    *got = 0;
    if (!m_file)
        return false;
    *got = uint32_t(std::fread(buffer, 1, n, m_file));
    return !std::ferror(m_file);
}

void StdioFileSource::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

int ParseXmlFile(XmlParser& parser, XmlFileSource& file, const char* name, const char** errorText)
{
    *errorText = nullptr;
    if (!file.Open(name)) {
        *errorText = "Can't open file for reading.";
        return kCantOpenFile;
    }
    uint64_t remaining = 0;
    int rc = file.Size(&remaining) ? kResultOk : kFileReadFailed;
    char block[2048];
    while (rc == kResultOk && remaining > 0) {
        const uint32_t want = remaining < sizeof block ? uint32_t(remaining) : uint32_t(sizeof block);
        uint32_t got = 0;
        if (!file.IsOpen()) {
            rc = kFileNotOpen;
        } else if (!file.Read(block, want, &got)) {
            rc = kFileReadFailed;
        } else if (got < want) {
            rc = kFileShortRead;
        } else {
            remaining -= got;
            // InputBytes skips NUL bytes but counts them in the column.
            rc = parser.InputBytes(block, got);
            if (rc != kResultOk)
                *errorText = XmlParser::ErrorText(rc);
        }
    }
    file.Close();
    if (rc == kFileReadFailed || rc == kFileShortRead || rc == kFileNotOpen)
        *errorText = "Can't read file.";
    if (rc != kResultOk)
        return rc;
    rc = parser.EndOfInput();
    if (rc != kResultOk)
        *errorText = XmlParser::ErrorText(rc);
    return rc;
}
