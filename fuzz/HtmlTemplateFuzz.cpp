// Report templates: parsing any bytes either fails with a reason or gives a
// template that renders without running away.
#include "common/HtmlTemplate.h"

#include <cstdint>
#include <string>

namespace {

class NullStream : public TemplateOutputStream {
public:
    int32_t WriteText(const char*, size_t length, size_t* written) override
    {
        *written = length;
        return kStreamOk;
    }
    int32_t Flush() override { return kStreamOk; }
};

// "Has" is true three times per "Next" cycle; "Value" writes a text.
class CountingReplacer : public TagReplacer {
public:
    int FindHandler(const std::string& name) const override
    {
        if (name == "Value") {
            return 0;
        }
        if (name == "Has") {
            return 1;
        }
        if (name == "Next") {
            return 2;
        }
        return name == "True" ? 3 : -1;
    }
    bool CallHandler(int handler, TemplateOutputStream& out) override
    {
        switch (handler) {
        case 0:
            return out.Write("v", 1);
        case 1:
            return m_index < 3;
        case 2:
            ++m_index;
            return true;
        default:
            return true;
        }
    }
    int m_index = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    CountingReplacer replacer;
    HtmlTemplate stencil;
    stencil.SetMaxPasses(1000);
    if (stencil.Parse(text, replacer)) {
        NullStream out;
        stencil.Render(replacer, out);
    }
    return 0;
}
