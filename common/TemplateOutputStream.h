// Where a rendered template goes. The results come as HRESULT values so the
// Windows side can pass them on unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

const int32_t kStreamOk = 0;
const int32_t kStreamFail = static_cast<int32_t>(0x80004005u);

class TemplateOutputStream {
public:
    virtual ~TemplateOutputStream() = default;
    virtual int32_t WriteText(const char* text, size_t length, size_t* written) = 0;
    virtual int32_t Flush() = 0;

    // Writes a whole text; false when the stream refused it.
    bool Write(const char* text, size_t length)
    {
        size_t written = 0;
        return WriteText(text, length, &written) == kStreamOk;
    }
};
