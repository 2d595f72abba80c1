// Each method is one request in sequence: its header lines (the caller's
// OtherHeaders first) and body are built, handed to the HTTP client with the
// verb in place of its GET or POST, the action runs, and the reply is judged.
//
// Response bodies arrive through the transfer hooks: a 207 reply to PROPFIND
// or PROPPATCH goes block by block to the multistatus reader, a LOCK reply is
// kept for its lock, and any other body is only passed on to the owner.
#include "netcomp/net/webdav/WebDavEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/CodePageText.h"
#include "netcomp/include/netcomp_webdav.h"
#include "netcomp/net/webdav/DavLockReply.h"
#include "netcomp/net/webdav/DavRequestBodies.h"

namespace {

constexpr EventTable kWebDavEvents = {
    {SharedEvent::Connected, kWebDavEventConnected},
    {SharedEvent::ConnectionStatus, kWebDavEventConnectionStatus},
    {SharedEvent::Disconnected, kWebDavEventDisconnected},
    {SharedEvent::EndTransfer, kWebDavEventEndTransfer},
    {SharedEvent::Error, kWebDavEventError},
    {SharedEvent::Header, kWebDavEventHeader},
    {SharedEvent::Redirect, kWebDavEventRedirect},
    {SharedEvent::SetCookie, kWebDavEventSetCookie},
    {SharedEvent::StartTransfer, kWebDavEventStartTransfer},
    {SharedEvent::Status, kWebDavEventStatus},
    {SharedEvent::Transfer, kWebDavEventTransfer},
};

const char kXmlContentType[] = "text/xml; charset=\"utf-8\"";
// Lists longer than this are refused in one Set, as a count gone wrong.
constexpr int kMaxListCount = 100000;
const char kReplyTooLarge[] = "WebDAV reply too large.";

} // namespace

WebDavEngine::WebDavEngine() : m_reader(m_properties, *this)
{
    SetEventTable(kWebDavEvents);
    SetMaxReplyBody(kDefaultMaxHeld);
    (void)SetHttpVersion("1.1");
    (void)SetTimeout(60);
    (void)SetFirewallPort(80);
}

int WebDavEngine::AppendHeader(NetString& lines, const char* name, const char* before, const char* value,
                               const char* after)
{
    // A value that holds a line break would end the header line early.
    if (HasLineBreak(value)) {
        SetLastErrorText("Invalid character (CR or LF) in a request header value.");
        return kHttpError;
    }
    int rc = lines.AppendCStr(name);
    if (rc == kResultOk)
        rc = lines.AppendCStr(before);
    if (rc == kResultOk)
        rc = lines.AppendCStr(value);
    if (rc == kResultOk)
        rc = lines.AppendCStr(after);
    return rc == kResultOk ? lines.AppendCStr("\r\n") : rc;
}

int WebDavEngine::AppendDepth(NetString& lines) const
{
    static const char* const kDepths[] = {"Depth: 0\r\n", "Depth: 1\r\n", "Depth: infinity\r\n"};
    return m_depth >= 1 && m_depth <= 3 ? lines.AppendCStr(kDepths[m_depth - 1]) : kResultOk;
}

// The request: the caller's header lines, "Cache-Control: no-cache" through
// a proxy, then the method's own lines; the verb, the URL and the body; the
// action; then the verb, the body and the files are back to none.
int WebDavEngine::Send(const char* verb, int action, const char* url, const NetString& lines, const NetString* body,
                       Reply reply)
{
    // Nothing of a running request may change under it.
    if (!Idle())
        return RefuseBusy();
    NetString headers;
    int rc = headers.AssignText(m_otherHeaders.CStr());
    // The caller's lines end with one CR LF before the next line follows.
    while (!headers.IsEmpty() && (headers[headers.Length() - 1] == '\r' || headers[headers.Length() - 1] == '\n'))
        headers.Chop();
    if (rc == kResultOk && !headers.IsEmpty())
        rc = headers.AppendCStr("\r\n");
    if (rc == kResultOk && ProxyServer()[0])
        rc = headers.AppendCStr("Cache-Control: no-cache\r\n");
    if (rc == kResultOk)
        rc = headers.Append(lines.Data(), lines.Length());
    if (rc == kResultOk)
        rc = SetOtherHeaders(headers.CStr());
    if (rc == kResultOk)
        rc = SetURL(url);
    if (rc == kResultOk)
        rc = SetVerb(verb);
    if (rc == kResultOk && body)
        rc = SetPostData(body->Data(), body->Length());
    if (rc == kResultOk && body && body->Length() > 0 && reply != Reply::Plain)
        rc = SetContentType(kXmlContentType);
    // LocalFile receives a GET's body and is a PUT's body; no other reply
    // goes into it.
    if (rc == kResultOk)
        rc = SetLocalFile(action == kHttpGet && !verb[0] ? m_localFile.CStr() : "");
    if (rc == kResultOk)
        rc = SetAttachedFile(action == kHttpPut ? m_localFile.CStr() : "");
    if (rc == kResultOk) {
        m_reply = reply;
        m_feeding = false;
        m_readerError = 0;
        rc = DoAction(action);
        // Properties of a reply that broke its bound are not half kept.
        if (rc == kHttpTooLarge)
            m_properties.Clear();
        if (rc == kResultOk && m_readerError != kResultOk) {
            // A multistatus reply that does not read is no success.
            rc = m_readerError;
            SetLastErrorText(m_reader.LastErrorText());
        }
    }
    m_reply = Reply::Plain;
    (void)SetVerb("");
    (void)SetPostData(nullptr, 0);
    (void)SetContentType("");
    (void)SetAttachedFile("");
    (void)SetLocalFile("");
    if (rc != kResultOk)
        return rc;
    if (reply == Reply::FailOn207 && StatusCode() == 207) {
        SetLastErrorText(StatusLine());
        return kWebDavStatusFailed;
    }
    if (reply == Reply::Lock)
        return ReadLockReply();
    return kResultOk;
}

int WebDavEngine::RefuseBusy()
{
    SetLastErrorText("Busy performing current action.");
    return kHttpBusy;
}

// PROPFIND and PROPPATCH: the body is built from the lists, which are then
// emptied for the reply to fill.
int WebDavEngine::SendPropRequest(const char* verb, const char* url, const NetString* body, Reply reply)
{
    if (!Idle())
        return RefuseBusy();
    NetString lines;
    int rc = AppendDepth(lines);
    if (rc != kResultOk)
        return rc;
    m_properties.Clear();
    m_namespaces.Clear();
    return Send(verb, kHttpPost, url, lines, body, reply);
}

int WebDavEngine::MakeDirectory(const char* url)
{
    return Send("MKCOL", kHttpGet, url, NetString(), nullptr, Reply::FailOn207);
}

int WebDavEngine::DeleteResource(const char* url)
{
    return Send("DELETE", kHttpGet, url, NetString(), nullptr, Reply::FailOn207);
}

int WebDavEngine::CopyOrMove(const char* verb, const char* source, const char* destination)
{
    NetString lines;
    int rc = AppendHeader(lines, "Destination: ", "", destination ? destination : "", "");
    if (rc == kResultOk)
        rc = AppendDepth(lines);
    if (rc == kResultOk && !m_lockTokens.IsEmpty())
        rc = AppendHeader(lines, "If: ", "(<", m_lockTokens.CStr(), ">)");
    return rc == kResultOk ? Send(verb, kHttpPost, source, lines, nullptr, Reply::FailOn207) : rc;
}

int WebDavEngine::CopyResource(const char* source, const char* destination)
{
    return CopyOrMove("COPY", source, destination);
}

int WebDavEngine::MoveResource(const char* source, const char* destination)
{
    return CopyOrMove("MOVE", source, destination);
}

int WebDavEngine::FindProperties(const char* url)
{
    NetString body;
    const int rc = BuildPropfindBody(m_properties, m_namespaces, body);
    return rc == kResultOk ? SendPropRequest("PROPFIND", url, &body, Reply::Multistatus) : rc;
}

int WebDavEngine::FindPropertyNames(const char* url)
{
    NetString body;
    const int rc = BuildPropnameBody(body);
    return rc == kResultOk ? SendPropRequest("PROPFIND", url, &body, Reply::Multistatus) : rc;
}

int WebDavEngine::ListDirectory(const char* url)
{
    NetString empty;
    return SendPropRequest("PROPFIND", url, &empty, Reply::Listing);
}

int WebDavEngine::PatchProperties(const char* url)
{
    NetString body;
    const int rc = BuildPropertyUpdateBody(m_properties, m_namespaces, body);
    return rc == kResultOk ? SendPropRequest("PROPPATCH", url, &body, Reply::Multistatus) : rc;
}

// A new lock sends the lockinfo body; with a token the request refreshes
// that lock and has no body.
int WebDavEngine::LockResource(const char* url)
{
    NetString lines;
    int rc = AppendDepth(lines);
    if (rc == kResultOk && !m_lockTimeout.IsEmpty())
        rc = AppendHeader(lines, "Timeout: ", "", m_lockTimeout.CStr(), "");
    if (rc == kResultOk && !m_lockTokens.IsEmpty())
        rc = AppendHeader(lines, "If: ", "(<", m_lockTokens.CStr(), ">)");
    NetString body;
    if (rc == kResultOk && m_lockTokens.IsEmpty())
        rc = BuildLockInfoBody(m_lockScope.CStr(), m_lockType.CStr(), m_lockOwner.CStr(), body);
    return rc == kResultOk ? Send("LOCK", kHttpPost, url, lines, &body, Reply::Lock) : rc;
}

int WebDavEngine::UnLockResource(const char* url)
{
    NetString lines;
    int rc = kResultOk;
    if (!m_lockTokens.IsEmpty())
        rc = AppendHeader(lines, "Lock-Token: ", "<", m_lockTokens.CStr(), ">");
    return rc == kResultOk ? Send("UNLOCK", kHttpGet, url, lines, nullptr, Reply::Plain) : rc;
}

int WebDavEngine::GetResource(const char* url)
{
    return Send("", kHttpGet, url, NetString(), nullptr, Reply::Plain);
}

int WebDavEngine::PutResource(const char* url)
{
    return Send("", kHttpPut, url, NetString(), nullptr, Reply::Plain);
}

int WebDavEngine::PostToResource(const char* url, const char* data, int length)
{
    NetString body;
    const int rc = body.Assign(data && length > 0 ? uint32_t(length) : 0, data);
    return rc == kResultOk ? Send("", kHttpPost, url, NetString(), &body, Reply::Plain) : rc;
}

// A LOCK answered 200 (an existing resource) or 201 (a new one, RFC 4918,
// 9.10.4) holds the lock that was taken.
int WebDavEngine::ReadLockReply()
{
    if (StatusCode() != 200 && StatusCode() != 201) {
        SetLastErrorText(StatusLine());
        return kWebDavStatusFailed;
    }
    DavLockReply reply;
    const char* error = nullptr;
    int rc = ::ReadLockReply(m_lockReply.Data(), m_lockReply.Length(), reply, &error);
    if (rc != kResultOk) {
        SetLastErrorText(error);
        return rc;
    }
    if (reply.hasType)
        rc = m_lockType.AssignText(reply.type.CStr());
    else
        m_lockType.Clear();
    if (rc == kResultOk && reply.hasScope)
        rc = m_lockScope.AssignText(reply.scope.CStr());
    if (rc == kResultOk && reply.hasOwner)
        rc = m_lockOwner.AssignText(reply.owner.CStr());
    if (rc == kResultOk && reply.hasTimeout)
        rc = m_lockTimeout.AssignText(reply.timeout.CStr());
    if (rc != kResultOk)
        return rc;
    if (!reply.hasToken) {
        SetLastErrorText("Server did not return a locktoken value.");
        return kWebDavNoLockToken;
    }
    return m_lockTokens.AssignText(reply.token.CStr());
}

// The WebDAV settings back to their start; the namespaces and the cookies
// stay, the HTTP client is reset.
int WebDavEngine::ResetAll()
{
    if (!Idle())
        return RefuseBusy();
    m_otherHeaders.Clear();
    m_lockTokens.Clear();
    m_lockScope.Clear();
    m_lockType.Clear();
    m_lockOwner.Clear();
    m_lockTimeout.Clear();
    m_depth = 0;
    m_properties.Clear();
    m_localFile.Clear();
    StringList cookies;
    int rc = kResultOk;
    for (int i = 1; rc == kResultOk && i <= CookieCount(); ++i) {
        rc = cookies.Add(CookieName(i));
        if (rc == kResultOk)
            rc = cookies.Add(CookieValue(i));
    }
    if (rc == kResultOk)
        rc = DoAction(kHttpReset);
    for (uint32_t i = 0; rc == kResultOk && i + 1 < cookies.Count(); i += 2)
        rc = AddCookie(cookies.Item(i), cookies.Item(i + 1));
    return rc;
}

int WebDavEngine::LockTimeout()
{
    char* text = const_cast<char*>(m_lockTimeout.CStr());
    for (char* p = text; *p; ++p)
        *p = AsciiLower(*p);
    if (StrNCmp(text, "second-", 7) == 0)
        return StrToInt(text + 7);
    return StrCmp(text, "infinite") == 0 ? -1 : 0;
}

int WebDavEngine::SetLockTimeout(int seconds)
{
    if (seconds == 0) {
        m_lockTimeout.Clear();
        return kResultOk;
    }
    if (seconds == -1)
        return m_lockTimeout.AssignText("Infinite");
    int rc = m_lockTimeout.AssignText("Second-");
    return rc == kResultOk ? m_lockTimeout.AppendInt(seconds) : rc;
}

int WebDavEngine::CheckCount(int n)
{
    if (n >= 0 && n <= kMaxListCount)
        return kResultOk;
    SetLastErrorText("Array size cannot be negative.");
    return kWebDavNegativeCount;
}

int WebDavEngine::SetNamespaceCount(int n)
{
    const int rc = CheckCount(n);
    return rc == kResultOk ? m_namespaces.SetCount(uint32_t(n)) : rc;
}

int WebDavEngine::CheckNamespaceIndex(int i)
{
    if (i >= 1 && i <= NamespaceCount())
        return kResultOk;
    SetLastErrorText("Invalid array index.");
    return kWebDavBadNamespaceIndex;
}

int WebDavEngine::AddNamespace(const char* prefix, const char* uri)
{
    return m_namespaces.Add(prefix, uri);
}

int WebDavEngine::SetPropertyCount(int n)
{
    const int rc = CheckCount(n);
    return rc == kResultOk ? m_properties.SetCount(uint32_t(n)) : rc;
}

int WebDavEngine::CheckPropertyIndex(int i)
{
    if (i >= 1 && i <= PropertyCount())
        return kResultOk;
    SetLastErrorText("Invalid property index.");
    return kWebDavBadPropertyIndex;
}

int WebDavEngine::SetPropertyOperation(int i, int operation)
{
    if (operation < 0 || operation > kDavRemove) {
        SetLastErrorText("Invalid property operation: operation not supported.");
        return kWebDavBadOperation;
    }
    return m_properties.SetOperation(uint32_t(i - 1), operation);
}

const char* WebDavEngine::PropertyValue(int i)
{
    const char* status = m_properties.Status(uint32_t(i - 1));
    if (status[0] && StrCmp(status, "OK") != 0) {
        SetLastErrorText(status);
        SetLastCode(kWebDavPropertyFailed);
        return "";
    }
    return m_properties.Value(uint32_t(i - 1));
}

int WebDavEngine::GetProperty(const char* name, const char** value)
{
    *value = "";
    const int i = m_properties.Find(name);
    if (i < 0) {
        SetLastErrorText("No such property.");
        return kWebDavNoSuchProperty;
    }
    SetLastCode(kResultOk);
    *value = PropertyValue(i + 1);
    return LastCode();
}

// The entry of that name gets the value; else the first entry without name
// and value takes both; else a new entry.
int WebDavEngine::SetProperty(const char* name, const char* value)
{
    int i = m_properties.Find(name);
    if (i < 0) {
        for (uint32_t k = 0; k < m_properties.Count() && i < 0; ++k) {
            if (!m_properties.Name(k)[0] && !m_properties.Value(k)[0])
                i = int(k);
        }
        if (i >= 0) {
            const int rc = m_properties.SetName(uint32_t(i), name);
            if (rc != kResultOk)
                return rc;
        }
    }
    if (i < 0) {
        const char* n = name ? name : "";
        const char* v = value ? value : "";
        return m_properties.Add(n, uint32_t(std::strlen(n)), v, uint32_t(std::strlen(v)));
    }
    return m_properties.SetValue(uint32_t(i), value);
}

// Only response bodies count; the request body fires nothing.
int WebDavEngine::FireStartTransfer(int direction)
{
    if (direction != 1)
        return 0;
    m_feeding = (m_reply == Reply::Multistatus || m_reply == Reply::Listing) && StatusCode() == 207;
    if (m_feeding)
        m_reader.Start(m_reply == Reply::Listing, MaxReplyBody());
    m_lockReply.Clear();
    return Fire(SharedEvent::StartTransfer, {});
}

int WebDavEngine::FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n)
{
    if (direction != 1)
        return 0;
    if (m_feeding && m_readerError == kResultOk) {
        m_readerError = m_reader.InputBytes(data, n);
        // A reply whose parts are larger than the reader holds ends here; one
        // that does not parse is read to its end, as any other reply.
        if (m_readerError == kHttpTooLarge)
            return StopResponse(kHttpTooLarge, kReplyTooLarge);
    }
    if (m_reply == Reply::Lock) {
        const int rc = HoldReplyBytes(m_lockReply, data, n, kReplyTooLarge);
        if (rc != kResultOk)
            return rc;
    }
    std::intptr_t count = std::intptr_t(bytes);
    char* buffer = const_cast<char*>(data);
    return Fire(SharedEvent::Transfer, {EventParam::IntPtr(&count), EventParam::Binary(&buffer, int(n))});
}

int WebDavEngine::FireEndTransfer(int direction)
{
    if (direction != 1)
        return 0;
    if (m_feeding && m_readerError == kResultOk)
        m_readerError = m_reader.FinishParse(true);
    m_feeding = false;
    return Fire(SharedEvent::EndTransfer, {});
}

int WebDavEngine::OnDirList(const char* href, const char* displayName, const char* contentLanguage,
                            const char* contentLength, const char* contentType, const char* lastModified)
{
    // Names come as UTF-8; with CodePage 0 the owner gets them in the
    // system's code page, where they convert.
    std::string ansi;
    if (CodePage() == 0 && IsEightBit(displayName) &&
        RecodeText(displayName, CP_UTF8, MB_ERR_INVALID_CHARS, CP_ACP, ansi))
        displayName = ansi.c_str();
    Fire(kWebDavEventDirList,
         {EventParam::Text(&href), EventParam::Text(&displayName), EventParam::Text(&contentLanguage),
          EventParam::Text(&contentLength), EventParam::Text(&contentType), EventParam::Text(&lastModified)});
    return kResultOk;
}

int WebDavEngine::OnResourceProperties(const char* href, const char* xml, uint32_t)
{
    Fire(kWebDavEventResourceProperties, {EventParam::Text(&href), EventParam::Text(&xml)});
    return kResultOk;
}
