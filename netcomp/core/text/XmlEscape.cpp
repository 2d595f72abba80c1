#include "netcomp/core/text/XmlEscape.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

int AppendXmlEscaped(NetStringBase& out, const char* text, uint32_t length, const char* asReferences)
{
    uint32_t start = 0;
    for (uint32_t i = 0; i < length; ++i) {
        char reference[8];
        const char* entity = nullptr;
        switch (text[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        case '\'':
            entity = "&apos;";
            break;
        default:
            if (text[i] == '\0' || !std::strchr(asReferences, text[i]))
                continue;
            std::snprintf(reference, sizeof reference, "&#%d;", static_cast<unsigned char>(text[i]));
            entity = reference;
            break;
        }
        int rc = out.Append(text + start, i - start);
        if (rc == kResultOk)
            rc = out.AppendCStr(entity);
        if (rc != kResultOk)
            return rc;
        start = i + 1;
    }
    return out.Append(text + start, length - start);
}
