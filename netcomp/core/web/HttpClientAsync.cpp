// The asynchronous mode of the HTTP client (a negative Timeout): an action
// builds the request and starts the connection, then returns at once. The
// connected handler sends the request; the response arrives through the data
// handler while the owner pumps messages, and its end (or any failure) closes
// the connection and makes the engine idle again. Failures that the caller can
// no longer be given as a result go out through the Error event.
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

// How long the connected handler may take to send the request.
constexpr unsigned kAsyncSendSeconds = 10;

} // namespace

int HttpClient::SetHttpTimeout(int seconds)
{
    m_asynchronous = seconds < 0;
    m_asyncTimeout = m_asynchronous ? seconds : 0;
    // Nothing waits in the asynchronous mode but the send, which sets its own limit.
    return SetTimeout(m_asynchronous ? 0u : unsigned(seconds));
}

int HttpClient::SetWaitingTimeout(int seconds)
{
    if (seconds >= 0)
        return SetHttpTimeout(seconds);
    SetLastErrorText("Timeout cannot be negative.");
    return kHttpError;
}

int HttpClient::StartAsyncRequest(int action, bool withBody)
{
    int rc = PrepareRequest(action, withBody, m_asyncRequest);
    if (rc != kResultOk)
        return rc;
    m_asyncBody = withBody;
    m_asyncErrorFired = false;
    m_responseActive = true;
    m_asyncConnecting = true;
    rc = OpenConnection();
    if (rc != kResultOk) {
        m_asyncConnecting = false;
        m_responseActive = false;
        m_attachedFileHandle.Close();
        (void)SetConnected(false);
        return rc;
    }
    // A connection kept from before: the request goes out now.
    if (m_asyncConnecting && IsConnected())
        SendAsyncRequest();
    return kResultOk;
}

void HttpClient::SendAsyncRequest()
{
    m_asyncConnecting = false;
    const unsigned saved = GetTimeout();
    (void)SetTimeout(kAsyncSendSeconds);
    StartTimeout();
    int rc = TransmitRequest(m_asyncRequest, m_asyncBody);
    (void)SetTimeout(saved);
    m_asyncRequest.Clear();
    if (rc == kResultOk && m_responseError)
        rc = m_responseError;
    if (rc != kResultOk)
        EndAsyncRequest(rc, LastErrorText());
    else if (m_transferDone)
        EndAsyncRequest(0, nullptr);
}

// The end of an asynchronous action: the connection is closed whatever the
// outcome, and a failure not reported yet (a firewall's refusal already was)
// goes out as the Error event.
void HttpClient::EndAsyncRequest(int code, const char* text)
{
    if (!m_busyAction)
        return;
    m_busyAction = 0;
    m_asyncConnecting = false;
    m_responseActive = false;
    m_localFileHandle.Close();
    m_attachedFileHandle.Close();
    if (code != kResultOk && !m_asyncErrorFired) {
        NetString copy;
        (void)copy.AssignText(text && *text ? text : Describe(code));
        SetLastCode(code);
        SetLastErrorText(copy.CStr());
        FireError(code, copy.CStr());
    }
    (void)SetConnected(false);
}
