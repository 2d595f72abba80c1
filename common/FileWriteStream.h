// A template output stream onto a file, written as bytes (no line-end
// translation) and truncated when opened.
#pragma once

#include "common/TemplateOutputStream.h"

#include <fstream>
#include <string>

class FileWriteStream : public TemplateOutputStream {
public:
    explicit FileWriteStream(const std::string& fileName) : m_fileName(fileName) {}
    ~FileWriteStream() override;

    bool Open();
    bool IsOpen() const { return m_open; }
    int32_t WriteText(const char* text, size_t length, size_t* written) override;
    int32_t Flush() override { return kStreamOk; }

private:
    std::string m_fileName;
    std::ofstream m_file;
    bool m_open = false;
};
