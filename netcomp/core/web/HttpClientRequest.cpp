// One HTTP action, in sequence: connect (or keep the open connection when it
// goes to the same place), send the header and the body, wait until the
// response parser has seen the whole reply or the connection is gone, then
// judge the status: done, fail, or run the action again for the single
// Digest retry or an accepted redirect.
//
// The socket delivers raw blocks (no record terminator); the parser finds the
// lines itself, so a 100 MB body passes through without a per-line round.
#include <cstring>
#include <vector>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/core/web/HttpRequestHeader.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

constexpr int kRunAgain = -2;
// How much of a body in memory shares the header's send.
constexpr uint32_t kCoalescedBody = 64 * 1024;
// The block in which an attached file is read and sent: each send under
// Wine costs a round trip of its own, so large blocks move a large file
// several times faster than the 16 KB of the line protocols' files.
constexpr uint32_t kBodyBlock = 256 * 1024;

} // namespace

int HttpClient::DoAction(int action)
{
    if (action == kHttpInterrupt) {
        Interrupt();
        m_busyAction = 0;
        m_asyncConnecting = false;
        m_responseActive = false;
        (void)SetConnected(false);
        return kResultOk;
    }
    if (m_busyAction) {
        SetLastErrorText("Busy performing current action.");
        return kHttpBusy;
    }
    if (action < kHttpGet || action > kHttpPut)
        return LastCode();
    StartTimeout();
    ClearInterruptRequest();
    ClearInterrupted();
    SetLastCode(0);
    SetLastErrorText("");
    m_statusLine.Clear();
    m_statusCode = 0;
    m_replyVersion.Clear();
    m_statusDescription.Clear();
    m_location.Clear();
    m_requestContentLength = 0;
    m_redirectCount = 0;
    m_busyAction = uint8_t(action);

    int rc = kResultOk;
    if (action == kHttpReset) {
        m_transferredData.Clear();
        ResetSettings();
    } else if (m_asynchronous) {
        // The action stays busy until its transfer ends (EndAsyncRequest).
        rc = StartAsyncRequest(action, action == kHttpPost || action == kHttpPut);
        if (rc != kResultOk)
            m_busyAction = 0;
        return rc;
    } else {
        for (;;) {
            rc = RunRequest(action, action == kHttpPost || action == kHttpPut);
            rc = FinishRequest(action, rc);
            if (rc != kRunAgain)
                break;
            m_busyAction = uint8_t(action);
        }
    }
    // Let what the transfer posted to this thread be handled before
    // returning: at most 100 steps, and none once the queue is empty (each
    // look at the queue is a round trip to the window system).
    for (int i = 0; i < 100; ++i) {
        if (!WaitStep(0, m_window)) {
            if (WasInterrupted())
                rc = kInterrupted;
            break;
        }
        if (!MessagesWaiting())
            break;
    }
    m_busyAction = 0;
    return rc;
}

int HttpClient::SetURL(const char* url, bool redirect)
{
    const char* text = url ? url : "";
    if (!*text) {
        m_url.Clear();
        m_urlPath.Clear();
        m_urlServer.Clear();
        m_user.Clear();
        m_password.Clear();
        (void)m_urlScheme.AssignText(m_defaultScheme.CStr());
        m_urlPort = m_defaultPort;
        return kResultOk;
    }
    if (redirect && StrCmp(text, m_url.CStr()) == 0) {
        (void)SetConnected(false);
        SetLastErrorText("Attempting to redirect to identical URL.  Aborting connection.");
        return kHttpError;
    }
    HttpUrlParts parts;
    int rc = parts.scheme.AssignText(redirect ? m_urlScheme.CStr() : m_defaultScheme.CStr());
    parts.port = redirect ? m_urlPort : m_defaultPort;
    const char* error = nullptr;
    if (rc == kResultOk)
        rc = ParseHttpUrl(text, parts, &error);
    if (rc != kResultOk) {
        if (error)
            SetLastErrorText(error);
        return rc;
    }
    rc = m_url.AssignText(text);
    if (rc != kResultOk)
        return rc;
    if (parts.scheme.IsEmpty())
        rc = parts.scheme.AssignText(m_urlScheme.CStr());
    if (rc == kResultOk && parts.server.IsEmpty())
        rc = parts.server.AssignText(m_urlServer.CStr());
    if (parts.port == 0)
        parts.port = m_urlPort;
    if (rc != kResultOk)
        return rc;
    if (StrICmp(parts.scheme.CStr(), m_urlScheme.CStr()) != 0 ||
        StrICmp(parts.server.CStr(), m_urlServer.CStr()) != 0 || parts.port != m_urlPort)
        (void)SetConnected(false);
    ResetDigest(m_digest);
    rc = m_urlScheme.AssignText(parts.scheme.CStr());
    if (rc == kResultOk)
        rc = m_urlServer.AssignText(parts.server.CStr());
    if (rc == kResultOk)
        rc = m_urlPath.AssignText(parts.path.CStr());
    m_urlPort = parts.port;
    if (rc == kResultOk && (parts.hasUserInfo || (redirect && m_followRedirects == 2))) {
        rc = m_user.AssignText(parts.user.CStr());
        if (rc == kResultOk)
            rc = m_password.AssignText(parts.password.CStr());
    }
    if (rc == kResultOk)
        rc = BuildAuthorization();
    m_retryCount = 0;
    return rc;
}

int HttpClient::OpenConnection()
{
    const bool viaProxy = !m_proxyServer.IsEmpty();
    if (!viaProxy && StrICmp(m_urlScheme.CStr(), m_defaultScheme.CStr()) != 0 &&
        StrICmp(m_urlScheme.CStr(), "http") != 0) {
        SetLastErrorText("Specified URLScheme is invalid.");
        return kHttpBadScheme;
    }
    const char* host = viaProxy ? m_proxyServer.CStr() : m_urlServer.CStr();
    const int port = viaProxy ? m_proxyPort : m_urlPort;
    if (HasSocket() && (!IsConnected() || StrCmp(host, m_connectedHost.CStr()) != 0 || port != GetRemotePort()))
        (void)SetConnected(false);
    m_reusedConnection = IsConnected();
    if (m_reusedConnection)
        return kResultOk;
    int rc = SetRemoteHost(host);
    if (rc == kResultOk)
        rc = SetRemotePort(port);
    if (rc == kResultOk)
        rc = m_connectedHost.AssignText(host);
    if (rc == kResultOk && m_asynchronous) {
        // Only started: the connected handler sends the request.
        ClearInterruptRequest();
        m_connectResult = 0;
        m_connectDone = false;
        return SetConnected(true);
    }
    if (rc == kResultOk)
        rc = Connect();
    return rc;
}

int HttpClient::RunRequest(int action, bool withBody)
{
    int rc = SendRequest(action, withBody);
    // A kept connection that the server closed while idle fails before the
    // first byte of a reply: once more, on a new connection.
    if (m_reusedConnection && rc != kResultOk && rc != kInterrupted && !m_parser.HasStatus() && m_bytesReceived == 0) {
        (void)SetConnected(false);
        SetLastErrorText("");
        rc = SendRequest(action, withBody);
    }
    return rc;
}

int HttpClient::SendRequest(int action, bool withBody)
{
    NetString header;
    int rc = PrepareRequest(action, withBody, header);
    if (rc != kResultOk)
        return rc;
    // A server (or a tunnel) may answer before the request is out.
    m_responseActive = true;
    rc = OpenConnection();
    if (rc != kResultOk) {
        m_responseActive = false;
        m_attachedFileHandle.Close();
        return rc;
    }
    rc = TransmitRequest(header, withBody);
    if (rc == kResultOk)
        rc = WaitForResponse();
    m_responseActive = false;
    m_localFileHandle.Close();
    if (!m_httpKeepAlive || m_serverCloses || rc != kResultOk)
        (void)SetConnected(false);
    return rc;
}

// Resets the response state and builds the header (with the body's
// Content-Type and Content-Length lines); opens the attached file.
int HttpClient::PrepareRequest(int action, bool withBody, NetString& header)
{
    const char* method = !m_httpMethod.IsEmpty() ? m_httpMethod.CStr()
                         : action == kHttpPost   ? "POST"
                         : action == kHttpHead   ? "HEAD"
                         : action == kHttpPut    ? "PUT"
                                                 : "GET";
    int rc = m_currentMethod.AssignText(method);
    if (rc != kResultOk)
        return rc;
    m_parser.Start(StrCmp(method, "HEAD") == 0);
    m_receivedHeaders.Clear();
    m_transferredData.Clear();
    m_bytesReceived = 0;
    m_transferDone = false;
    m_responseActive = false;
    m_responseError = 0;
    m_closeCode = 0;
    m_localFileFailed = false;
    m_serverCloses = false;
    m_reusedConnection = false;
    m_stopText = nullptr;
    m_location.Clear();
    if (m_urlServer.IsEmpty()) {
        SetLastErrorText("No server specified in URL");
        return kHttpNoServer;
    }

    HttpRequestFields fields;
    fields.method = method;
    fields.scheme = m_urlScheme.CStr();
    // "*name" asks a SOCKS 5 firewall to resolve the name; the server itself knows it without the mark.
    fields.server = m_urlServer.CStr();
    if (GetFirewallType() == 3 && fields.server[0] == '*')
        ++fields.server;
    fields.port = m_urlPort;
    fields.defaultPort = m_defaultPort;
    fields.path = m_urlPath.IsEmpty() ? "/" : m_urlPath.CStr();
    fields.version = m_httpVersion.CStr();
    fields.viaProxy = !m_proxyServer.IsEmpty();
    fields.keepAlive = m_httpKeepAlive;
    fields.bodiless = !withBody;
    fields.authorization = m_authorization.CStr();
    fields.proxyAuthorization = m_proxyAuthorization.CStr();
    fields.accept = m_accept.CStr();
    fields.from = m_from.CStr();
    fields.userAgent = m_userAgent.CStr();
    fields.ifModifiedSince = m_ifModifiedSince.CStr();
    fields.referer = m_referer.CStr();
    fields.pragma = m_pragma.CStr();
    fields.range = m_range.CStr();
    fields.otherHeaders = m_otherHeaders.CStr();
    fields.cookies = &m_cookies;
    header.Clear();
    const char* error = nullptr;
    rc = BuildHttpRequestHeader(fields, header, &error);
    if (rc == kResultOk && withBody) {
        m_requestContentLength = m_postData.Length();
        if (!m_attachedFile.IsEmpty()) {
            if (m_attachedFileHandle.OpenRead(m_attachedFile.CStr(), 0) != 0) {
                SetLastErrorText("Can't open attached file for reading.");
                return kFileError;
            }
            m_requestContentLength += m_attachedFileHandle.Size();
        }
        rc = AppendBodyHeaders(m_contentType.CStr(), uint64_t(m_requestContentLength), header);
        if (rc == kHttpError)
            error = "Invalid character (CR or LF) in a request header value.";
    }
    if (rc != kResultOk) {
        m_attachedFileHandle.Close();
        if (error)
            SetLastErrorText(error);
    }
    return rc;
}

// Sends the header and the body on the open connection.
int HttpClient::TransmitRequest(NetString& header, bool withBody)
{
    int rc = kResultOk;
    if (m_transferDone) {
        // Answered before the request went out (a tunnel's first bytes).
    } else if (withBody && m_requestContentLength > 0) {
        // The header goes out with the start of the body held in memory: no
        // small segment left waiting for the peer's delayed acknowledgement.
        // The rest of a large body is sent from where it is, not copied.
        const uint32_t lead = m_postData.Length() < kCoalescedBody ? m_postData.Length() : kCoalescedBody;
        rc = header.Append(m_postData.Data(), lead);
        if (rc == kResultOk) {
            // An Interrupt from inside the event has closed the connection.
            FireStartTransfer(0);
            rc = StopForInterrupt() ? kInterrupted : SendBytes(header.Data(), header.Length(), false);
        }
        if (rc == kResultOk && lead < m_postData.Length())
            rc = SendBytes(m_postData.Data() + lead, m_postData.Length() - lead, false);
        if (rc == kResultOk)
            rc = SendBody();
        if (rc == kResultOk)
            FireEndTransfer(0);
    } else {
        rc = SendBytes(header.Data(), header.Length(), false);
    }
    m_attachedFileHandle.Close();
    // A server that answers early (an error before the whole body) ends the
    // send; its reply decides. So does a connection that ended before the
    // request went out (a server that accepted and reset at once, told with
    // the connect): the close's code, not the send's "not connected".
    if (rc != kResultOk && rc != kInterrupted && (m_transferDone || !HasSocket()))
        rc = kResultOk;
    return rc;
}

// The attached file after PostData, in blocks, with progress after each.
int HttpClient::SendBody()
{
    if (!m_attachedFileHandle.IsOpen())
        return kResultOk;
    std::vector<char> buffer(kBodyBlock);
    char* block = buffer.data();
    int64_t sent = 0;
    for (;;) {
        uint32_t got = 0;
        if (m_attachedFileHandle.Read(block, uint32_t(buffer.size()), &got) != 0) {
            SetLastErrorText("Can't open file for reading.");
            return kFileError;
        }
        if (got == 0)
            return kResultOk;
        int rc = SendBytes(block, got, true);
        if (rc != kResultOk)
            return rc;
        sent += got;
        rc = OnUploadProgress(sent);
        if (rc != kResultOk)
            return rc;
    }
}

int HttpClient::OnUploadProgress(int64_t sent)
{
    FireTransfer(0, sent, "", 0);
    if (StopForInterrupt())
        return kInterrupted;
    // A reply that arrives while the upload runs (an early error) stops it.
    return m_transferDone ? (m_responseError ? m_responseError : kHttpError) : kResultOk;
}

int HttpClient::WaitForResponse()
{
    while (!m_transferDone) {
        if (!HasSocket())
            break;
        if (!WaitStep(10, m_window))
            return kInterrupted;
    }
    if (m_responseError)
        return m_responseError;
    if (m_transferDone)
        return kResultOk;
    // The connection went before the reply was whole.
    if (!m_parser.HasStatus())
        SetLastErrorText("Connection closed by the server before any response.");
    else
        SetLastErrorText("Connection closed before the whole response arrived.");
    return m_closeCode ? m_closeCode : WSAECONNRESET;
}

int HttpClient::FinishRequest(int action, int rc)
{
    // Without a status line (an old-style reply that is all body) there is
    // no status to judge.
    if (rc != kResultOk || m_statusLine.IsEmpty())
        return rc;
    const int code = m_statusCode;
    if (code >= 200 && code <= 299)
        return kResultOk;
    SetLastErrorText(m_statusDescription.CStr());
    if (code == 401 && m_authScheme == 1) {
        if (m_retryCount == 0) {
            m_retryCount = 1;
            rc = BuildAuthorization();
            return rc == kResultOk ? kRunAgain : rc;
        }
        m_retryCount = 0;
        return kHttpError;
    }
    const bool bodyAction = action == kHttpPost || action == kHttpPut;
    if (m_followRedirects == 0 || code < 300 || code > 399 || code == 304 || code == 305 ||
        (bodyAction && m_followRedirects != 1) || m_location.IsEmpty())
        return kHttpError;
    bool accept = true;
    if (m_followRedirects == 2) {
        const char* location = m_location.CStr();
        const char* colon = std::strchr(location, ':');
        if (location[0] != '/' && colon) {
            accept = uint32_t(colon - location) == m_urlScheme.Length() &&
                     StrNICmp(location, m_urlScheme.CStr(), m_urlScheme.Length()) == 0;
        }
    }
    if (++m_redirectCount > kMaxRedirects) {
        SetLastErrorText("Too many redirects.");
        return kHttpError;
    }
    NetString location;
    rc = location.AssignText(m_location.CStr());
    if (rc == kResultOk)
        rc = SetURL(location.CStr(), true);
    if (rc != kResultOk)
        return rc;
    FireRedirect(location.CStr(), &accept);
    if (!accept) {
        SetLastErrorText(m_statusDescription.CStr());
        return kHttpError;
    }
    for (int i = 0; i < 10; ++i)
        (void)WaitStep(0, m_window);
    return kRunAgain;
}

void HttpClient::CompleteResponse()
{
    if (m_transferDone)
        return;
    m_localFileHandle.Close();
    m_transferDone = true;
    if (m_location.IsEmpty())
        FireEndTransfer(1);
    if (m_asynchronous && !m_asyncConnecting)
        EndAsyncRequest(kResultOk, nullptr);
}

void HttpClient::OnConnected(int code)
{
    TcpClient::OnConnected(code);
    if (m_asynchronous && m_asyncConnecting && m_busyAction) {
        if (code == kResultOk)
            SendAsyncRequest();
        else
            EndAsyncRequest(code, nullptr);
    }
}

void HttpClient::OnDisconnected(int code)
{
    if (m_responseActive && !m_transferDone) {
        if (m_parser.Close()) {
            CompleteResponse();
        } else {
            // A server that closed before its whole response ended the
            // request as a reset does, whatever the close said: the
            // Disconnected event and the request's result agree.
            if (code == kResultOk)
                code = WSAECONNRESET;
            m_closeCode = code;
            if (m_asynchronous)
                EndAsyncRequest(code, m_parser.HasStatus() ? "Connection closed before the whole response arrived."
                                                           : "Connection closed by the server before any response.");
        }
    }
    TcpClient::OnDisconnected(code);
}

int HttpClient::ProcessData(const char* data, uint32_t n, bool)
{
    if (!m_responseActive || m_transferDone)
        return kResultOk;
    const int rc = m_parser.Feed(data, n);
    if (rc != kResultOk) {
        const char* text = m_stopText             ? m_stopText
                           : m_parser.ErrorText() ? m_parser.ErrorText()
                                                  : "Error reading the response.";
        if (rc == kHttpTooLarge) {
            // Nothing of a response that broke its bound is kept.
            m_receivedHeaders.Clear();
            m_transferredData.Clear();
        }
        SetLastErrorText(text);
        FireError(rc, text);
        m_responseError = rc;
        m_transferDone = true;
        if (m_asynchronous)
            EndAsyncRequest(kResultOk, nullptr);
        return rc;
    }
    if (m_parser.Complete())
        CompleteResponse();
    return kResultOk;
}

int HttpClient::OnStatus(const char* version, int code, const char* description)
{
    m_bytesReceived = 0;
    m_receivedHeaders.Clear();
    int rc = m_statusLine.AssignText(m_parser.StatusLine());
    if (rc == kResultOk)
        rc = m_replyVersion.AssignText(version);
    if (rc == kResultOk)
        rc = m_statusDescription.AssignText(description);
    m_statusCode = code;
    FireStatus(version, code, description);
    return rc;
}

int HttpClient::OnHeader(const char* line, uint32_t length, const char* field, const char* value)
{
    int rc = m_receivedHeaders.Append(line, length);
    if (rc == kResultOk)
        rc = m_receivedHeaders.Append("\r\n", 2);
    if (rc == kResultOk && m_followRedirects != 0 && StrICmp(field, "Location") == 0)
        rc = m_location.AssignText(value);
    if (rc != kResultOk)
        return rc;
    FireHeader(field, value);
    if (StrICmp(field, "WWW-Authenticate") == 0) {
        m_authorization.Clear();
        bool digest = false;
        rc = ReadDigestChallenge(value, NewCnonceSeed(), m_digest, &digest);
    } else if (StrICmp(field, "Connection") == 0) {
        // The server ends the connection after this reply: never keep it.
        m_serverCloses = StrIStr(value, "close") != nullptr;
    } else if (StrICmp(field, "Set-Cookie") == 0) {
        rc = ParseSetCookie(value);
    }
    return rc;
}

int HttpClient::OnHeadersEnd()
{
    if (m_location.IsEmpty())
        FireStartTransfer(1);
    return kResultOk;
}

int HttpClient::OnBody(const char* data, uint32_t n)
{
    if (!m_location.IsEmpty())
        return kResultOk;
    m_bytesReceived += n;
    if (!m_localFile.IsEmpty()) {
        if (!m_localFileHandle.IsOpen() && !m_localFileFailed) {
            if (m_localFileHandle.OpenWrite(m_localFile.CStr(), 0) != 0) {
                m_localFileFailed = true;
                FireError(kFileError, "Can't open local file for writing.");
            }
        }
        if (m_localFileHandle.IsOpen() && m_localFileHandle.Write(data, n) != 0) {
            m_localFileHandle.Close();
            m_localFileFailed = true;
            FireError(7, "Error writing to LocalFile.");
        }
    } else {
        uint32_t keep = n;
        if (m_maxTransferredData > 0) {
            const uint32_t room = m_transferredData.Length() < uint32_t(m_maxTransferredData)
                                      ? uint32_t(m_maxTransferredData) - m_transferredData.Length()
                                      : 0;
            keep = keep < room ? keep : room;
        }
        if (keep) {
            const int rc = m_transferredData.Append(data, keep);
            if (rc != kResultOk)
                FireError(rc, "Error appending to TransferredData.");
        }
    }
    return FireTransfer(1, m_bytesReceived, data, n);
}

int HttpClient::StopResponse(int code, const char* text)
{
    m_stopText = text;
    return code;
}

int HttpClient::HoldReplyBytes(NetStringBase& held, const char* data, uint32_t n, const char* tooLarge)
{
    if (n > m_maxReplyBody - (held.Length() < m_maxReplyBody ? held.Length() : m_maxReplyBody)) {
        held.Clear();
        return StopResponse(kHttpTooLarge, tooLarge);
    }
    const int rc = held.Append(data, n);
    if (rc != kResultOk)
        held.Clear();
    return rc;
}
