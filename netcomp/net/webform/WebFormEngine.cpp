#include "netcomp/net/webform/WebFormEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_webform.h"
#include "netcomp/net/webform/FormEncoding.h"

namespace {

constexpr EventTable kWebFormEvents = {
    {SharedEvent::Connected, kWebFormEventConnected},
    {SharedEvent::ConnectionStatus, kWebFormEventConnectionStatus},
    {SharedEvent::Disconnected, kWebFormEventDisconnected},
    {SharedEvent::EndTransfer, kWebFormEventEndTransfer},
    {SharedEvent::Error, kWebFormEventError},
    {SharedEvent::Header, kWebFormEventHeader},
    {SharedEvent::Redirect, kWebFormEventRedirect},
    {SharedEvent::SetCookie, kWebFormEventSetCookie},
    {SharedEvent::StartTransfer, kWebFormEventStartTransfer},
    {SharedEvent::Status, kWebFormEventStatus},
    {SharedEvent::Transfer, kWebFormEventTransfer},
};

const char kUrlEncodedType[] = "application/x-www-form-urlencoded";

} // namespace

WebFormEngine::WebFormEngine()
{
    SetEventTable(kWebFormEvents);
    (void)SetEncoding(kWebFormUrlEncoded);
}

int WebFormEngine::SetEncoding(int encoding)
{
    m_encoding = uint8_t(encoding);
    switch (encoding) {
    case kWebFormUrlEncoded:
        return SetContentType(kUrlEncodedType);
    case kWebFormMultipart:
        return SetContentType("multipart/form-data");
    case kWebFormQueryString:
        return SetContentType("");
    default:
        return kResultOk;
    }
}

int WebFormEngine::ResetSettings()
{
    int rc = DoAction(kHttpReset);
    if (rc == kResultOk) {
        m_names.Clear();
        m_values.Clear();
        rc = SetEncoding(kWebFormUrlEncoded);
    }
    return rc;
}

int WebFormEngine::BuildAndSend()
{
    switch (m_encoding) {
    case kWebFormUrlEncoded:
        return PostUrlEncoded();
    case kWebFormMultipart:
        return PostMultipart();
    case kWebFormQueryString:
        return GetWithQuery();
    default:
        return kResultOk;
    }
}

int WebFormEngine::PostUrlEncoded()
{
    NetString body;
    int rc = AppendUrlEncodedPairs(body, m_names, m_values);
    if (rc == kResultOk)
        rc = SetPostData(body.Data(), body.Length());
    if (rc == kResultOk)
        rc = DoAction(kHttpPost);
    (void)SetPostData(nullptr, 0);
    return rc;
}

int WebFormEngine::PostMultipart()
{
    // Fewer than two parts would be written without the multipart framing:
    // an empty part makes up the second.
    int rc = MimeFailure(m_mime.Run(kMimeRunReset));
    if (rc == kResultOk)
        rc = SetVariableParts(FormVarCount() < 2 ? 2 - FormVarCount() : 0);
    if (rc == kResultOk)
        rc = MimeFailure(m_mime.Run(kMimeRunEncodeText));
    NetString type;
    if (rc == kResultOk)
        rc = AppendAll(type, {"multipart/form-data; boundary=\"", m_mime.Boundary().CStr(), "\""});
    if (rc == kResultOk)
        rc = SetContentType(type.CStr());
    if (rc == kResultOk)
        rc = SetPostData(m_mime.Message().Data(), m_mime.Message().Length());
    m_mime.Message().Clear();
    if (rc == kResultOk)
        rc = DoAction(kHttpPost);
    (void)SetPostData(nullptr, 0);
    return rc;
}

// The pairs go after the URL as its query for this request only: the URL
// property keeps what the caller set, so a second Submit does not send the
// pairs twice. A URL with a query of its own gets them after an "&".
int WebFormEngine::GetWithQuery()
{
    if (URL()[0] == '\0')
        return DoAction(kHttpGet); // fails for want of a server
    NetString url;
    NetString original;
    int rc = original.AssignText(URL());
    if (rc == kResultOk)
        rc = url.AssignText(URL());
    if (rc == kResultOk) {
        const char* query = std::strchr(url.CStr(), '?');
        const bool ends = url.Length() > 0 && (url[url.Length() - 1] == '?' || url[url.Length() - 1] == '&');
        if (!query)
            rc = url.AppendChar('?');
        else if (!ends && FormVarCount() > 0)
            rc = url.AppendChar('&');
    }
    if (rc == kResultOk)
        rc = AppendUrlEncodedPairs(url, m_names, m_values);
    if (rc == kResultOk)
        rc = SetURL(url.CStr());
    if (rc == kResultOk)
        rc = DoAction(kHttpGet);
    // SetURL also takes the user and password from the URL; the caller's
    // URL sets them back as they were.
    const int restored = SetURL(original.CStr());
    return rc != kResultOk ? rc : restored;
}
