// The HTML mail scanner on any page: only values that name a file relative
// to the HTML are offered, each mailed file is listed once under a content id
// of letters and digits, and every accepted reference appears in the written
// HTML as "cid:" and its id.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "netcomp/mail/htmlmailer/HtmlScanner.h"

namespace {

bool Accept(void* context, const char* value, bool)
{
    if (!IsLocalReference(value) || std::strstr(value, "://"))
        abort();
    // Take every other value, so that refused ones are seen as well.
    auto* count = static_cast<unsigned*>(context);
    return (++*count & 1) != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HtmlScanner scan;
    unsigned count = 0;
    if (scan.Scan(reinterpret_cast<const char*>(data), uint32_t(size), &Accept, &count) != 0)
        return 0;
    const auto& references = scan.References();
    for (size_t i = 0; i < references.size(); ++i) {
        const NetString& id = references[i].contentId;
        if (id.IsEmpty())
            abort();
        for (uint32_t k = 0; k < id.Length(); ++k) {
            const char ch = id[k];
            if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')))
                abort();
        }
        for (size_t j = 0; j < i; ++j) {
            if (std::strcmp(references[j].contentId.CStr(), id.CStr()) == 0 ||
                std::strcmp(references[j].value.CStr(), references[i].value.CStr()) == 0)
                abort();
        }
        NetString cid;
        (void)cid.AppendCStr("cid:");
        (void)cid.AppendCStr(id.CStr());
        if (scan.Html().Find(cid.CStr(), 0) < 0)
            abort();
    }
    return 0;
}
