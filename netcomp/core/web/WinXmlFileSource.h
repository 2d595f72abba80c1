#pragma once
// The XML reader's files on Windows: opened for reading, shared for reading
// and writing with others, existing files only.
#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/web/XmlFileInput.h"

class WinXmlFileSource final : public XmlFileSource {
public:
    bool Open(const char* name) override { return name && *name && m_file.OpenRead(name, 0) == 0; }
    bool IsOpen() const override { return m_file.IsOpen(); }
    bool Size(uint64_t* size) override;
    bool Read(char* buffer, uint32_t n, uint32_t* got) override { return m_file.Read(buffer, n, got) == 0; }
    void Close() override { m_file.Close(); }

private:
    FileHandle m_file;
};
