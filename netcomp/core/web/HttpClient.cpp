// Settings, Config, cookies, authorization values and the events of the HTTP
// client engine. The request and response flow is in HttpClientRequest.cpp.
#include "netcomp/core/web/HttpClient.h"

#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/HttpCookie.h"
#include "netcomp/include/netcomp_http.h"

namespace {

constexpr EventTable kHttpEvents = {
    {SharedEvent::Connected, kHttpEventConnected},
    {SharedEvent::ConnectionStatus, kHttpEventConnectionStatus},
    {SharedEvent::Disconnected, kHttpEventDisconnected},
    {SharedEvent::EndTransfer, kHttpEventEndTransfer},
    {SharedEvent::Error, kHttpEventError},
    {SharedEvent::Header, kHttpEventHeader},
    {SharedEvent::Redirect, kHttpEventRedirect},
    {SharedEvent::SetCookie, kHttpEventSetCookie},
    {SharedEvent::StartTransfer, kHttpEventStartTransfer},
    {SharedEvent::Status, kHttpEventStatus},
    {SharedEvent::Transfer, kHttpEventTransfer},
};

// The public header tells the bounds and codes of every HTTP-based component.
static_assert(kHttpTooLarge == NETCOMP_HTTP_TOO_LARGE);
static_assert(HttpResponseParser::kMaxHeaderBytes == NETCOMP_HTTP_MAX_HEADER_BYTES);

const char kDefaultUserAgent[] = "Tessarine HTTP/S Control";
const char kBadCookieIndexText[] = "Invalid cookie index (out of range).";
// A read takes what the system holds, up to this much: each read costs a
// round of notification, read and wineserver requests, so a bulk download
// moves faster the more one read takes (a 100 MB download took a third less
// time with 4 MB reads than with 1 MB ones). The system gives the buffer's
// pages memory only as reads first write them: short exchanges touch few.
constexpr uint32_t kReadBuffer = RecvBuffer::kMaxCapacity;

uint32_t NextSalt()
{
    static uint32_t counter = 0x9e3779b9u;
    counter = counter * 1664525u + 1013904223u;
    return counter;
}

} // namespace

HttpClient::RandomSource HttpClient::s_randomSource = nullptr;

HttpClient::HttpClient() : m_cnonceSalt(NextSalt()), m_parser(*this)
{
    SetEventTable(kHttpEvents);
    Reset();
}

HttpClient::~HttpClient() = default;

void HttpClient::SetRandomSource(RandomSource source)
{
    s_randomSource = source;
}

int HttpClient::Reset()
{
    if (!TcpClient::Init())
        return 0;
    m_busyAction = 0;
    m_authScheme = 0;
    // The time-out is cleared with the TCP part, and with it the asynchronous mode.
    m_asynchronous = false;
    m_asyncTimeout = 0;
    m_asyncConnecting = false;
    (void)m_userAgent.AssignText(kDefaultUserAgent);
    m_defaultPort = 80;
    m_urlPort = 80;
    m_proxyPort = 80;
    (void)m_defaultScheme.AssignText("http");
    (void)m_urlScheme.AssignText("http");
    (void)m_httpVersion.AssignText("1.1");
    m_parser.Start(false);
    m_bytesReceived = 0;
    m_requestContentLength = 0;
    m_followRedirects = 0;
    m_maxTransferredData = 4096;
    SetInBufferSize(64000);
    // Raw delivery: the parser finds the lines itself, so reads can be large.
    (void)SetReadBufferSize(kReadBuffer);
    m_httpKeepAlive = false;
    ResetDigest(m_digest);
    m_retryCount = 0;
    return 1;
}

void HttpClient::ResetSettings()
{
    m_url.Clear();
    m_urlPath.Clear();
    m_urlServer.Clear();
    m_localFile.Clear();
    m_attachedFile.Clear();
    (void)m_urlScheme.AssignText(m_defaultScheme.CStr());
    m_urlPort = m_defaultPort;
    m_postData.Clear();
    m_contentType.Clear();
    m_user.Clear();
    m_password.Clear();
    m_authorization.Clear();
    m_proxyUser.Clear();
    m_proxyPassword.Clear();
    m_proxyAuthorization.Clear();
    m_accept.Clear();
    m_from.Clear();
    m_ifModifiedSince.Clear();
    m_referer.Clear();
    m_pragma.Clear();
    m_otherHeaders.Clear();
    m_statusLine.Clear();
    m_cookies.Clear();
    ResetDigest(m_digest);
}

int HttpClient::SetUser(const char* t)
{
    const int rc = m_user.AssignText(t);
    return rc == kResultOk ? BuildAuthorization() : rc;
}

int HttpClient::SetPassword(const char* t)
{
    const int rc = m_password.AssignText(t);
    return rc == kResultOk ? BuildAuthorization() : rc;
}

int HttpClient::SetProxyUser(const char* t)
{
    int rc = m_proxyUser.AssignText(t);
    if (rc == kResultOk)
        rc = SetFirewallUser(t);
    return rc == kResultOk ? BuildProxyAuthorization() : rc;
}

int HttpClient::SetProxyPassword(const char* t)
{
    int rc = m_proxyPassword.AssignText(t);
    if (rc == kResultOk)
        rc = SetFirewallPassword(t);
    return rc == kResultOk ? BuildProxyAuthorization() : rc;
}

int HttpClient::BuildAuthorization()
{
    m_authorization.Clear();
    if (m_user.IsEmpty() && m_password.IsEmpty())
        return kResultOk;
    if (m_authScheme == 0)
        return BuildBasicAuthorization(m_user.CStr(), m_password.CStr(), m_authorization);
    DigestRequest request;
    request.user = m_user.CStr();
    request.password = m_password.CStr();
    request.method = m_currentMethod.IsEmpty() ? "GET" : m_currentMethod.CStr();
    request.uri = m_urlPath.CStr();
    request.body = m_postData.Data();
    request.bodyLength = m_postData.Length();
    const char* error = nullptr;
    const int rc = BuildDigestAuthorization(m_digest, request, m_authorization, &error);
    if (error)
        SetLastErrorText(error);
    return rc;
}

int HttpClient::BuildProxyAuthorization()
{
    return BuildBasicAuthorization(m_proxyUser.CStr(), m_proxyPassword.CStr(), m_proxyAuthorization);
}

uint32_t HttpClient::NewCnonceSeed() const
{
    return s_randomSource ? s_randomSource() : uint32_t(GetTickCount()) + m_cnonceSalt;
}

int HttpClient::AddCookie(const char* name, const char* value)
{
    int rc = m_cookies.Add(name ? name : "");
    if (rc == kResultOk)
        rc = m_cookies.Add(value ? value : "");
    return rc;
}

int HttpClient::SetCookieCount(int n)
{
    if (int rc = CheckCount(n, CookieCount(), kHttpBadCookieIndex, kBadCookieIndexText))
        return rc;
    return m_cookies.SetCount(uint32_t(n) * 2);
}

int HttpClient::CheckCookieIndex(int i)
{
    if (i >= 1 && i <= CookieCount())
        return kResultOk;
    SetLastErrorText(kBadCookieIndexText);
    return kHttpBadCookieIndex;
}

int HttpClient::Config(const ConfigArg& arg, const char** answer)
{
    const char* key = arg.key.CStr();
    const char* value = arg.value.CStr();
    auto text = [&](NetStringBase& field) {
        return arg.query ? AnswerText(field.CStr(), answer) : field.AssignText(value);
    };
    if (StrICmp(key, "HTTPVersion") == 0)
        return text(m_httpVersion);
    if (StrICmp(key, "UserAgent") == 0)
        return text(m_userAgent);
    if (StrICmp(key, "ProxyServer") == 0)
        return text(m_proxyServer);
    if (StrICmp(key, "ProxyAuthorization") == 0)
        return text(m_proxyAuthorization);
    if (StrICmp(key, "MaxTransferredData") == 0) {
        if (arg.query)
            return AnswerInt(m_maxTransferredData, answer);
        m_maxTransferredData = StrToInt(value);
        return kResultOk;
    }
    if (StrICmp(key, "MaxReplySize") == 0)
        return ConfigSize(arg, m_maxReplyBody, 1, answer);
    if (StrICmp(key, "ProxyPort") == 0) {
        if (arg.query)
            return AnswerInt(m_proxyPort, answer);
        m_proxyPort = StrToInt(value);
        return kResultOk;
    }
    if (StrICmp(key, "KeepAlive") == 0) {
        if (arg.query) {
            *answer = m_httpKeepAlive ? "True" : "False";
            return kResultOk;
        }
        m_httpKeepAlive = ParseConfigBool(value);
        return kResultOk;
    }
    if (StrICmp(key, "ProxyUser") == 0)
        return arg.query ? AnswerText(m_proxyUser.CStr(), answer) : SetProxyUser(value);
    if (StrICmp(key, "ProxyPassword") == 0)
        return arg.query ? AnswerText(m_proxyPassword.CStr(), answer) : SetProxyPassword(value);
    return TcpClient::Config(arg, answer);
}

int HttpClient::FireEndTransfer(int direction)
{
    if (m_responseTransferOnly)
        return direction == 1 ? Fire(SharedEvent::EndTransfer, {}) : 0;
    return Fire(SharedEvent::EndTransfer, {EventParam::Int(&direction)});
}

int HttpClient::FireError(int code, const char* text)
{
    m_asyncErrorFired = true;
    return ProtocolClient::FireError(code, text);
}

int HttpClient::FireHeader(const char* field, const char* value)
{
    return Fire(SharedEvent::Header, {EventParam::Text(&field), EventParam::Text(&value)});
}

int HttpClient::FireRedirect(const char* location, bool* accept)
{
    return Fire(SharedEvent::Redirect, {EventParam::Text(&location), EventParam::Bool(accept, true)});
}

int HttpClient::FireSetCookie(const char* name, const char* value, const char* expires, const char* domain,
                              const char* path, bool secure)
{
    return Fire(SharedEvent::SetCookie,
                {EventParam::Text(&name), EventParam::Text(&value), EventParam::Text(&expires),
                 EventParam::Text(&domain), EventParam::Text(&path), EventParam::Bool(&secure)});
}

int HttpClient::FireStartTransfer(int direction)
{
    if (m_responseTransferOnly)
        return direction == 1 ? Fire(SharedEvent::StartTransfer, {}) : 0;
    return Fire(SharedEvent::StartTransfer, {EventParam::Int(&direction)});
}

int HttpClient::FireStatus(const char* version, int code, const char* description)
{
    return Fire(SharedEvent::Status,
                {EventParam::Text(&version), EventParam::Int(&code), EventParam::Text(&description)});
}

int HttpClient::FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n)
{
    std::intptr_t count = std::intptr_t(bytes);
    char* buffer = const_cast<char*>(data);
    if (m_responseTransferOnly) {
        if (direction != 1)
            return 0;
        return Fire(SharedEvent::Transfer, {EventParam::IntPtr(&count), EventParam::Binary(&buffer, int(n))});
    }
    return Fire(SharedEvent::Transfer,
                {EventParam::Int(&direction), EventParam::IntPtr(&count), EventParam::Binary(&buffer, int(n))});
}

// Set-Cookie: name=value, then attributes separated by ";".
int HttpClient::ParseSetCookie(const char* text)
{
    SetCookieFields cookie;
    const int rc = ParseSetCookieValue(text, cookie);
    if (rc != kResultOk)
        return rc;
    return FireSetCookie(cookie.name.CStr(), cookie.value.CStr(), cookie.expires.CStr(), cookie.domain.CStr(),
                         cookie.path.CStr(), cookie.secure);
}
