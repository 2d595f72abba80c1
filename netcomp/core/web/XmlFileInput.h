#pragma once
// Reading an XML document from a file into an XmlParser, through a small file
// interface so that tests and the Windows build supply their own files.
#include <cstdint>
#include <cstdio>

class XmlParser;

constexpr int kFileNotOpen = 5;
constexpr int kFileReadFailed = 6;
constexpr int kFileShortRead = 10;
constexpr int kCantOpenFile = 302;

class XmlFileSource {
public:
    virtual ~XmlFileSource() = default;
    virtual bool Open(const char* name) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Size(uint64_t* size) = 0;
    // False when the read itself failed; *got may be less than n.
    virtual bool Read(char* buffer, uint32_t n, uint32_t* got) = 0;
    virtual void Close() = 0;
};

// Files through the C library; shared for reading and writing with others.
class StdioFileSource final : public XmlFileSource {
public:
    ~StdioFileSource() override { Close(); }
    bool Open(const char* name) override;
    bool IsOpen() const override { return m_file != nullptr; }
    bool Size(uint64_t* size) override;
    bool Read(char* buffer, uint32_t n, uint32_t* got) override;
    void Close() override;

private:
    std::FILE* m_file = nullptr;
};

// Feeds the named file to the parser (which the caller has reset) in blocks of
// at most 2048 bytes and ends the input. Result: 0, 302 when the file cannot
// be opened, 5/6/10 for a failed read, or the parser's code; *errorText gets
// the text of a failure (null on success).
[[nodiscard]] int ParseXmlFile(XmlParser& parser, XmlFileSource& file, const char* name, const char** errorText);
