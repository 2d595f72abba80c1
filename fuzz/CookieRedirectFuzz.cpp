// Two header values an HTTP server chooses: Set-Cookie and the Location of a
// redirect. The first input byte picks which one the rest is.
//
// Set-Cookie: the name runs to the first "=" (or ";"), no field but the
// name and value can hold a ";", and every field is a piece of the input.
// Location: parsed as a redirect is (from the scheme and port of the current
// URL); an accepted one has a path that starts with "/", a port in range or
// none, and no part holds a line break; a refused one says why.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpCookie.h"
#include "netcomp/core/web/HttpUrl.h"

namespace {

void CheckPiece(const NetString& field, const std::string& text, bool mayHoldSemicolon)
{
    const std::string piece(field.Data() ? field.Data() : "", field.Length());
    if (!piece.empty() && text.find(piece) == std::string::npos) {
        std::abort();
    }
    if (!mayHoldSemicolon && piece.find(';') != std::string::npos) {
        std::abort();
    }
}

void SetCookie(const std::string& text)
{
    SetCookieFields cookie;
    if (ParseSetCookieValue(text.c_str(), cookie) != 0) {
        std::abort();
    }
    CheckPiece(cookie.name, text, false);
    CheckPiece(cookie.value, text, false);
    CheckPiece(cookie.expires, text, false);
    CheckPiece(cookie.domain, text, false);
    CheckPiece(cookie.path, text, false);
    if (std::memchr(cookie.name.CStr(), '=', cookie.name.Length()) != nullptr) {
        std::abort();
    }
}

void Redirect(const std::string& text, bool https)
{
    HttpUrlParts parts;
    if (parts.scheme.AssignText(https ? "https" : "http") != 0) {
        std::abort();
    }
    parts.port = https ? 443 : 8080;
    const char* error = nullptr;
    const int rc = ParseHttpUrl(text.c_str(), parts, &error);
    if (rc != 0) {
        if (error == nullptr && rc == 151) {
            std::abort();
        }
        return;
    }
    if (parts.path.Length() == 0 || parts.path.CStr()[0] != '/' || parts.port < 0 || parts.port > 65535) {
        std::abort();
    }
    for (const NetString* part : {&parts.scheme, &parts.server, &parts.path, &parts.user, &parts.password}) {
        if (HasLineBreak(part->CStr(), part->Length())) {
            std::abort();
        }
    }
    if (std::memchr(parts.server.CStr(), '/', parts.server.Length()) != nullptr) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // Header values are C texts: they end at the first zero byte.
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text = text.c_str();
    switch (data[0] % 3) {
    case 0:
        SetCookie(text);
        break;
    default:
        Redirect(text, data[0] % 3 == 2);
    }
    return 0;
}
