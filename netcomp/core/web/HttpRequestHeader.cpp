#include "netcomp/core/web/HttpRequestHeader.h"

#include <charconv>
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/StringList.h"

namespace {

// Appends pieces in order and keeps the first failure.
class Writer {
public:
    explicit Writer(NetStringBase& out) : m_out(out) {}
    Writer& operator<<(const char* text)
    {
        if (m_rc == kResultOk)
            m_rc = m_out.AppendCStr(text);
        return *this;
    }
    Writer& Bytes(const char* data, uint32_t n)
    {
        if (m_rc == kResultOk)
            m_rc = m_out.Append(data, n);
        return *this;
    }
    Writer& Int(int value)
    {
        if (m_rc == kResultOk)
            m_rc = m_out.AppendInt(value);
        return *this;
    }
    // "\r\n<name><value>" when the value is not empty.
    Writer& Line(const char* name, const char* value)
    {
        if (value && *value)
            *this << "\r\n" << name << value;
        return *this;
    }
    int Result() const { return m_rc; }

private:
    NetStringBase& m_out;
    int m_rc = kResultOk;
};

// Trailing line ends of the caller's extra headers become exactly one CR LF.
uint32_t TrimmedLength(const char* text)
{
    uint32_t n = uint32_t(std::strlen(text));
    while (n && (text[n - 1] == '\r' || text[n - 1] == '\n'))
        --n;
    return n;
}

} // namespace

int BuildHttpRequestHeader(const HttpRequestFields& f, NetStringBase& out, const char** error)
{
    *error = nullptr;
    const char* values[] = {f.method, f.path,  f.version,   f.server,          f.authorization, f.proxyAuthorization,
                            f.accept, f.from,  f.userAgent, f.ifModifiedSince, f.referer,       f.pragma,
                            f.range,  f.scheme};
    for (const char* value : values) {
        if (HasLineBreak(value)) {
            *error = "Invalid character (CR or LF) in a request header value.";
            return kHttpError;
        }
    }
    const uint32_t cookieCount = f.cookies ? f.cookies->Count() : 0;
    for (uint32_t i = 0; i < cookieCount; ++i) {
        if (HasLineBreak(f.cookies->Item(i), f.cookies->ItemLength(i))) {
            *error = "Invalid character (CR or LF) in a cookie.";
            return kHttpError;
        }
    }

    out.Clear();
    Writer w(out);
    w << f.method << " ";
    if (f.viaProxy) {
        w << f.scheme << "://" << f.server;
        if (f.port != f.defaultPort) {
            w << ":";
            w.Int(f.port);
        }
    }
    w << f.path << " HTTP/" << f.version;
    if (std::strncmp(f.otherHeaders, "Host:", 5) != 0) {
        w << "\r\nHost: " << f.server;
        if (f.port != f.defaultPort) {
            w << ":";
            w.Int(f.port);
        }
    }
    w.Line("Authorization: ", f.authorization)
        .Line("Proxy-Authorization: ", f.proxyAuthorization)
        .Line("Accept: ", f.accept)
        .Line("From: ", f.from)
        .Line("User-Agent: ", f.userAgent)
        .Line("If-Modified-Since: ", f.ifModifiedSince)
        .Line("Referer: ", f.referer)
        .Line("Pragma: ", f.pragma)
        .Line("Range: bytes=", f.range);
    if (cookieCount >= 2) {
        w << "\r\nCookie: ";
        for (uint32_t i = 0; i + 1 < cookieCount; i += 2) {
            if (i)
                w << "; ";
            w.Bytes(f.cookies->Item(i), f.cookies->ItemLength(i)) << "=";
            w.Bytes(f.cookies->Item(i + 1), f.cookies->ItemLength(i + 1));
        }
    }
    if (!f.keepAlive)
        w << "\r\nConnection: close";
    w << "\r\n";
    const uint32_t other = TrimmedLength(f.otherHeaders);
    if (other)
        w.Bytes(f.otherHeaders, other) << "\r\n";
    if (f.bodiless)
        w << "\r\n";
    return w.Result();
}

int AppendBodyHeaders(const char* contentType, uint64_t length, NetStringBase& out)
{
    if (HasLineBreak(contentType))
        return kHttpError;
    Writer w(out);
    if (contentType && *contentType)
        w << "Content-Type: " << contentType << "\r\n";
    char number[24] = {};
    (void)std::to_chars(number, number + sizeof number - 1, length);
    w << "Content-Length: " << number << "\r\n\r\n";
    return w.Result();
}
