#pragma once
// Reading MIME header blocks: splitting a block into headers (folded lines
// belong to their header), each into name, main value and parameters, and
// taking single parameter values out of the parameters.
#include <cstddef>

#include "netcomp/core/text/NetString.h"

struct MimeHeaderField {
    const char* name = nullptr;
    size_t nameLength = 0;
    const char* value = nullptr; // the first token: up to a blank, a control character or ";"
    size_t valueLength = 0;
    const char* params = nullptr; // the rest after the blanks and ";" that follow the value
    size_t paramsLength = 0;

    bool NameIs(const char* text) const;
};

// Reads the header at *pos in [*pos, end) and moves *pos past it; false when
// no header is left.
bool NextMimeHeader(const char** pos, const char* end, MimeHeaderField* field);

// The value of the parameter key ("boundary", "name") in params, unquoted,
// with folding removed and ISO-2022-JP encoded words decoded. notAfterLetter:
// a match right after a letter ("filename" for "name") does not count. last:
// take the last match instead of the first. False when the key is absent.
[[nodiscard]] bool MimeParamValue(const char* params, size_t n, const char* key, bool notAfterLetter, bool last,
                                  NetStringBase& value);
