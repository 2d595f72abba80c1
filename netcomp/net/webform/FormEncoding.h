#pragma once
// The bytes of HTML form submissions: url-encoded pairs for a form body or a
// query, and the parts of a multipart/form-data body that the MIME engine
// writes (one per form variable, one per file).
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"

class MimeEngine;

[[nodiscard]] int AppendUrlEncoded(NetStringBase& out, const char* data, uint32_t n);
// name=value for each pair, joined by "&".
[[nodiscard]] int AppendUrlEncodedPairs(NetStringBase& out, const StringList& names, const StringList& values);
// A parameter value of a Content-Disposition line, inside its double quotes.
[[nodiscard]] int AppendDispositionValue(NetStringBase& out, const char* text);

// Part `index` of the MIME engine becomes the form variable: its value as it
// is (no transfer encoding) under a Content-Disposition line naming it.
[[nodiscard]] int SetFormFieldPart(MimeEngine& mime, int index, const char* name, const char* value, uint32_t n);
// Part `index` becomes the file at `path` for the form variable `variable`:
// sent as it is, typed application/octet-stream, under its base name. The
// MIME engine's code when the file cannot be read.
[[nodiscard]] int SetFormFilePart(MimeEngine& mime, int index, const char* variable, const char* path);

// The percent of an upload while it goes: 0 to 99 (100 is its end).
int UploadPercent(int64_t sent, int64_t total);
