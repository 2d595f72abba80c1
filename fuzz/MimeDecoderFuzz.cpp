// The MIME decoder on arbitrary messages: the structure scan and the decode
// of every part into memory must stay in bounds, and a part's size bound must
// hold its decoded bytes.
#include <cstdint>
#include <cstdlib>

#include "netcomp/mail/mime/MimeEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MimeEngine mime;
    if (mime.Message().Assign(uint32_t(size), reinterpret_cast<const char*>(data)))
        return 0;
    if (mime.Run(kMimeRunDecodeText) != 0)
        return 0;
    for (int i = 0; i < mime.PartCount(); ++i) {
        const int64_t bound = mime.PartSize(i);
        uint32_t n = 0;
        const char* decoded = mime.PartDecodedData(i, &n);
        if (!decoded || int64_t(n) > bound)
            std::abort();
        (void)mime.PartField(i, MimePartField::Name);
    }
    return 0;
}
