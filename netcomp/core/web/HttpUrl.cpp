#include "netcomp/core/web/HttpUrl.h"

#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

int AssignRange(NetStringBase& out, const char* begin, const char* end)
{
    return out.Assign(uint32_t(end - begin), begin);
}

} // namespace

int ParseHttpUrl(const char* url, HttpUrlParts& parts, const char** error)
{
    *error = nullptr;
    const uint32_t length = uint32_t(std::strlen(url));
    if (HasLineBreak(url, length)) {
        *error = "Invalid character (CR or LF) in URL.";
        return kHttpError;
    }
    parts.server.Clear();
    parts.path.Clear();
    parts.user.Clear();
    parts.password.Clear();
    parts.hasUserInfo = false;

    const char* rest = url;
    const char* colon = std::strchr(url, ':');
    int rc = kResultOk;
    if (url[0] != '/' && colon) {
        rc = AssignRange(parts.scheme, url, colon);
        if (rc != kResultOk)
            return rc;
        if (StrICmp(parts.scheme.CStr(), "http") == 0)
            parts.port = 80;
        else if (StrICmp(parts.scheme.CStr(), "https") == 0)
            parts.port = 443;
        rest = colon + 1;
    }

    if (rest[0] != '/') {
        rc = parts.path.AssignText("/");
        if (rc == kResultOk)
            rc = parts.path.AppendCStr(rest);
        return rc;
    }
    if (rest[1] != '/')
        return parts.path.AssignText(rest);

    const char* authority = rest + 2;
    const char* end = std::strchr(authority, '/');
    if (!end)
        end = std::strchr(authority, '?');
    if (!end)
        end = authority + std::strlen(authority);
    // A query right behind the authority still needs the "/" of an empty path.
    rc = parts.path.AssignText(*end == '/' ? "" : "/");
    if (rc == kResultOk)
        rc = parts.path.AppendCStr(end);

    const char* host = authority;
    const char* at = static_cast<const char*>(std::memchr(authority, '@', size_t(end - authority)));
    if (at) {
        parts.hasUserInfo = true;
        host = at + 1;
        const char* split = static_cast<const char*>(std::memchr(authority, ':', size_t(at - authority)));
        if (rc == kResultOk)
            rc = AssignRange(parts.user, authority, split ? split : at);
        if (rc == kResultOk && split)
            rc = AssignRange(parts.password, split + 1, at);
    }
    const char* portColon = static_cast<const char*>(std::memchr(host, ':', size_t(end - host)));
    if (rc == kResultOk)
        rc = AssignRange(parts.server, host, portColon ? portColon : end);
    if (rc == kResultOk && portColon && portColon + 1 < end) {
        long port = 0;
        for (const char* p = portColon + 1; p < end && *p >= '0' && *p <= '9'; ++p) {
            port = port * 10 + (*p - '0');
            if (port > 65535)
                break;
        }
        if (port < 1 || port > 65535) {
            *error = "Invalid port in URL.";
            return kHttpError;
        }
        parts.port = int(port);
    }
    return rc;
}
