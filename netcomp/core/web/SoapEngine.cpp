// A call runs in sequence: the envelope is built into the packet (the HTTP
// client's PostData), posted with the SOAPAction line in OtherHeaders, and
// the reply, collected apart while it arrives, replaces the packet once the
// request is over and is evaluated. Keeping the reply apart until then keeps
// the envelope intact for the request the HTTP client repeats by itself (the
// Digest answer to a 401, an accepted redirect).
#include "netcomp/core/web/SoapEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_soap.h"

namespace {

const char kBadNamespaceIndexText[] = "Invalid namespace index (out of range).";

const char* SoapErrorText(int code)
{
    switch (code) {
    case kSoapBadParamIndex:
        return "Invalid param index (out of range).";
    case kSoapNoMethod:
        return "No method name. Please specify a valid Method.";
    case kSoapNoMethodUri:
        return "No method URI. Please specify a valid MethodURI.";
    case kSoapNoSuchParam:
        return "Parameter does not exist.";
    default:
        return nullptr;
    }
}

// The HTTP events with SOAP's numbers; its transfer events take other
// parameters (see the Fire overrides below).
constexpr EventTable kSoapEvents = {
    {SharedEvent::Connected, kSoapEventConnected},
    {SharedEvent::ConnectionStatus, kSoapEventConnectionStatus},
    {SharedEvent::Disconnected, kSoapEventDisconnected},
    {SharedEvent::EndTransfer, kSoapEventEndTransfer},
    {SharedEvent::Error, kSoapEventError},
    {SharedEvent::Header, kSoapEventHeader},
    {SharedEvent::Redirect, kSoapEventRedirect},
    {SharedEvent::SetCookie, kSoapEventSetCookie},
    {SharedEvent::StartTransfer, kSoapEventStartTransfer},
    {SharedEvent::Status, kSoapEventStatus},
    {SharedEvent::Transfer, kSoapEventTransfer},
};

} // namespace

SoapEngine::SoapEngine()
{
    SetEventTable(kSoapEvents);
    (void)Reset();
    // The component's starting values on top of the reset.
    (void)SetAccept("");
    (void)SetFirewallHost("");
    (void)SetFirewallPassword("");
    (void)SetFirewallUser("");
    SetAuthScheme(0);
    (void)SetFirewallType(0);
    SetFollowRedirects(0);
    (void)SetMethodURI("");
    (void)SetMethod("");
    (void)SetPassword("");
    SetProxyPort(80);
    (void)SetProxyServer("");
    (void)SetTimeout(60);
    (void)SetURL("");
    (void)SetUser("");
    (void)m_message.SetXPath("");
}

int SoapEngine::Reset()
{
    m_sendMode = 0;
    int rc = m_message.Reset();
    if (rc == kResultOk)
        rc = SetContentType("text/xml");
    (void)HttpClient::Reset();
    return rc;
}

int SoapEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("MethodNamespacePrefix")) {
        if (arg.query)
            return AnswerText(m_message.MethodNamespacePrefix().CStr(), answer);
        return m_message.MethodNamespacePrefix().AssignText(arg.value.CStr());
    }
    return HttpClient::Config(arg, answer);
}

int SoapEngine::SetActionURI(const char* text)
{
    int rc = m_message.SetActionURI(text);
    NetString header;
    if (rc == kResultOk)
        rc = ActionHeader(header);
    return rc == kResultOk ? SetOtherHeaders(header.CStr()) : rc;
}

// The action is one request header line: a CR or LF in it (from the action,
// the method or its URI) would end the line early and start another.
int SoapEngine::ActionHeader(NetString& header)
{
    if (HasLineBreak(ActionURI())) {
        SetLastErrorText("Invalid character (CR or LF) in a request header value.");
        return kHttpError;
    }
    return m_message.ActionHeader(header);
}

int SoapEngine::SetMethodURI(const char* text)
{
    int rc = m_message.SetMethodURI(text);
    NetString header;
    if (rc == kResultOk)
        rc = ActionHeader(header);
    return rc == kResultOk ? SetOtherHeaders(header.CStr()) : rc;
}

int SoapEngine::SetPacket(const char* data, int length)
{
    return SetPostData(data, data && length > 0 ? uint32_t(length) : 0);
}

int SoapEngine::AddParameter(const char* name, const char* value)
{
    const int rc = m_message.AddParameter(name, value);
    if (const char* text = SoapErrorText(rc))
        SetLastErrorText(text);
    return rc;
}

int SoapEngine::SetParamValue(int index, const char* value)
{
    const int rc = m_message.SetParamValue(index, value);
    if (const char* text = SoapErrorText(rc))
        SetLastErrorText(text);
    return rc;
}

int SoapEngine::SetParamCount(int n)
{
    if (int rc = CheckCount(n, ParamCount(), kSoapBadParamIndex, SoapErrorText(kSoapBadParamIndex)))
        return rc;
    return m_message.SetParamCount(n);
}

int SoapEngine::SetNamespaceCount(int n)
{
    if (int rc = CheckCount(n, NamespaceCount(), kSoapBadNamespaceIndex, kBadNamespaceIndexText))
        return rc;
    return m_message.SetNamespaceCount(n);
}

int SoapEngine::CheckParamIndex(int index)
{
    if (index >= 0 && index <= m_message.ParamCount())
        return kResultOk;
    SetLastErrorText(SoapErrorText(kSoapBadParamIndex));
    return kSoapBadParamIndex;
}

int SoapEngine::CheckNamespaceIndex(int index)
{
    if (index >= 1 && index <= NamespaceCount())
        return kResultOk;
    SetLastErrorText(kBadNamespaceIndexText);
    return kSoapBadNamespaceIndex;
}

int SoapEngine::CheckAttrIndex(int index)
{
    const int count = XAttrCount();
    if (count > 0 && index >= 1 && index <= count)
        return kResultOk;
    SetLastErrorText(count == 0 ? "No attributes available." : "Invalid attribute index.");
    return count == 0 ? kSoapNoAttributes : kSoapBadAttrIndex;
}

int SoapEngine::ParamValueByName(const char* name, const char** value)
{
    const int rc = m_message.ParamValueByName(name, value);
    if (rc != kResultOk)
        SetLastErrorText(SoapErrorText(rc));
    return rc;
}

const char* SoapEngine::FaultPart(const char* part)
{
    SetLastCode(0);
    SetLastErrorText("");
    int code = 0;
    const char* text = m_message.FaultPart(part, &code);
    if (code != kResultOk) {
        SetLastCode(code);
        SetLastErrorText(XmlParser::ErrorText(code));
    }
    return text;
}

int SoapEngine::SetXPath(const char* path)
{
    const int rc = m_message.SetXPath(path);
    if (rc != kResultOk)
        SetLastErrorText(XmlParser::ErrorText(rc));
    return rc;
}

int SoapEngine::EvaluatePacket()
{
    SetLastCode(0);
    SetLastErrorText("");
    const char* text = nullptr;
    const int rc = m_message.EvaluatePacket(PostData().Data(), PostData().Length(), &text);
    if (rc != kResultOk && text)
        SetLastErrorText(text);
    return rc;
}

int SoapEngine::BuildPacket()
{
    NetString packet;
    int rc = m_message.BuildEnvelope(packet);
    if (rc == kResultOk)
        rc = SetPostData(packet.Data(), packet.Length());
    if (const char* text = SoapErrorText(rc))
        SetLastErrorText(text);
    return rc;
}

// Posts the packet as it stands. Whatever the server sent, even nothing but
// a status line, replaces it: the request must never be read as its own
// reply. When nothing came back (no connection, a refused header) the
// packet keeps the request, and *answered tells the caller.
int SoapEngine::Post(bool* answered)
{
    *answered = false;
    if (*OtherHeaders() == '\0') {
        NetString header;
        int rc = ActionHeader(header);
        if (rc == kResultOk)
            rc = SetOtherHeaders(header.CStr());
        if (rc != kResultOk)
            return rc;
    }
    m_reply.Clear();
    m_replyStarted = false;
    m_answered = false;
    int rc = DoAction(kHttpPost);
    if (m_answered || rc == kResultOk) {
        *answered = true;
        const int moved = SetPostData(m_reply.Data(), m_reply.Length());
        m_reply.Clear();
        if (moved != kResultOk)
            return moved;
    }
    return rc;
}

int SoapEngine::Send(int mode)
{
    m_sendMode = uint8_t(mode);
    switch (mode) {
    case kSoapModeRequest: {
        int rc = BuildPacket();
        if (rc != kResultOk)
            return rc;
        bool answered = false;
        rc = Post(&answered);
        // A 151 of our own (a header refused before anything was sent) has
        // no reply to evaluate, nor has one whose transfer broke off: what
        // came of it is no SOAP, and the transport's code and text say why.
        if ((rc != kResultOk && rc != 151) || !answered || ResponseBroken())
            return rc;
        if (rc == kResultOk)
            return EvaluatePacket();
        // A status other than 2xx: a fault or an unreadable reply says more
        // than the status line; otherwise the status stands.
        NetString status;
        (void)status.AssignText(LastErrorText());
        const int evaluated = EvaluatePacket();
        if (evaluated != kResultOk)
            return evaluated;
        SetLastErrorText(status.CStr());
        return 151;
    }
    case kSoapModeReset: {
        (void)SetPostData("", 0);
        (void)SetOtherHeaders("");
        m_message.Parser().Reset();
        (void)m_message.SetParamCount(0);
        const int rc = DoAction(kHttpReset);
        (void)SetContentType("text/xml");
        return rc;
    }
    case kSoapModeBuild:
        return BuildPacket();
    case kSoapModePacket: {
        bool answered = false;
        return Post(&answered);
    }
    case kSoapModeEvaluate:
        return EvaluatePacket();
    default:
        return kResultOk;
    }
}

// A request going out (the first, or the one the HTTP client repeats after
// a 401 or a redirect) starts a new wait for its reply: nothing of an
// earlier reply may pass for this one's.
int SoapEngine::FireStartTransfer(int direction)
{
    m_reply.Clear();
    if (direction != 1) {
        m_replyStarted = false;
        m_answered = false;
        return 0;
    }
    m_replyStarted = true;
    m_answered = true;
    return Fire(SharedEvent::StartTransfer, {});
}

int SoapEngine::FireStatus(const char* version, int code, const char* description)
{
    m_answered = true;
    return HttpClient::FireStatus(version, code, description);
}

int SoapEngine::FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n)
{
    if (direction != 1)
        return 0;
    // A reply without a status line or headers (a banner, a reply of the
    // oldest HTTP) is all body: its transfer starts with its first bytes.
    if (!m_replyStarted)
        (void)FireStartTransfer(1);
    m_answered = true;
    const int rc = HoldReplyBytes(m_reply, data, n, "SOAP reply too large.");
    if (rc == kOutOfMemory)
        ComponentBase::FireError(kOutOfMemory, "Out of memory in FireTransfer.");
    if (rc != kResultOk)
        return rc;
    std::intptr_t count = std::intptr_t(bytes);
    return Fire(SharedEvent::Transfer, {EventParam::IntPtr(&count)});
}

int SoapEngine::FireEndTransfer(int direction)
{
    return direction == 1 ? Fire(SharedEvent::EndTransfer, {}) : 0;
}
