// Every call: reset the request, set content type, encoding style, method
// namespace, SOAPAction, method and address, add guid, uid, pwd and db and
// then the method's own parameters, send, and judge the reply. Only the
// upload uses the document's long-lived component; the other three make a
// component of their own for one call.
#include "app/ServerExchange.h"

#include "app/ServerPasswordCipher.h"
#include "asset/TextHelpers.h"
#include "common/AppHelpers.h"
#include "common/AppState.h"
#include "common/Base64.h"
#include "common/XmlDocument.h"
#include "resources/resource.h"

namespace {

const char kMethodNamespace[] = "urn:KestrovaUploadService";
const char kEncodingStyle[] = "http://schemas.xmlsoap.org/soap/encoding/";
const char kNoComponentText[] = "The SOAP component is not available.\r\n";
// What one reply may add to an error text (and so to the log or a box).
const size_t kMaxReplyText = 4096;

// Every exchange ends within this many seconds, however the server sends:
// the component's time-out counts from the start of the call, and bytes that
// trickle in do not start it again.
int g_exchangeSeconds = 120;
// The component's codes for a wait that ended before its operation did,
// and for a reply that is a SOAP fault.
const int kComponentStopped = 301;
const int kComponentSoapFault = 173;
// ...and for an answer larger than the component keeps (its headers or body).
const int kComponentTooLarge = 154;
// ...and for an HTTP status other than success, or an answer that broke off
// in transfer (a chunk size that is no size).
const int kComponentHttpError = 151;
// The XML parser's codes for a reply that holds no SOAP envelope (200, out
// of memory, is the library's own).
const int kComponentFirstParserCode = 201;
const int kComponentLastParserCode = 210;
// How much of what a server sent instead of an answer a message quotes.
const size_t kMaxReplyOpening = 80;

std::string Text(unsigned id)
{
    return LoadResourceString(id, nullptr);
}

// Hands a reply document to doc; false with the failure appended.
bool TakeReplyDocument(std::string reply, XmlDocument& doc, unsigned heading, std::string& errorText)
{
    StripNewlineReferences(reply);
    if (!doc.SetDocument(reply.c_str())) {
        errorText += Text(heading) + Text(IDS_XML_EMPTY);
        return false;
    }
    if (!doc.IsWellFormed()) {
        errorText += Text(heading) + Text(IDS_XML_NOT_WELL_FORMED);
        return false;
    }
    return true;
}

// Texts of the children named item under the root's first child named list.
std::vector<std::string> ReadList(XmlDocument& doc, const char* list, const char* item)
{
    std::vector<std::string> values;
    doc.ResetPos();
    if (!doc.FindChildElement(list)) {
        return values;
    }
    doc.IntoElement();
    while (doc.FindChildElement(item)) {
        values.push_back(doc.GetElementTextAt(doc.GetChildPos()));
    }
    doc.OutOfElement();
    return values;
}

// Socket errors name why no answer came; the component's own text for them
// ("[10061] Connection refused") reads as a program's, not a person's.
const char* ConnectFailureReason(int code)
{
    switch (code) {
    case 10061: // WSAECONNREFUSED
        return "the connection was refused";
    case 11001: // WSAHOST_NOT_FOUND
    case 11002: // WSATRY_AGAIN
    case 11003: // WSANO_RECOVERY
    case 11004: // WSANO_DATA
        return "the host name was not found";
    case 10065: // WSAEHOSTUNREACH
        return "there is no route to the host";
    case 10051: // WSAENETUNREACH
        return "the network cannot be reached";
    case 10064: // WSAEHOSTDOWN
        return "the host is down";
    case 10060: // WSAETIMEDOUT
        return "the connection timed out";
    default:
        return nullptr;
    }
}

bool IsParserError(int code)
{
    return code >= kComponentFirstParserCode && code <= kComponentLastParserCode;
}

bool IsSocketError(int code)
{
    return code >= 10000 && code < 12000;
}

// "HTTP/1.1 200 OK": a success status.
bool IsSuccessStatus(const std::string& statusLine)
{
    const size_t blank = statusLine.find(' ');
    return blank != std::string::npos && blank + 1 < statusLine.size() && statusLine[blank + 1] == '2';
}

bool ClosedByPeer(int code)
{
    return code == 10054 || code == 10053; // WSAECONNRESET, WSAECONNABORTED
}

// The component's text without the code it may carry in front.
std::string ComponentDetail(const ServerFailure& failure)
{
    const std::string code = "[" + std::to_string(failure.m_componentCode) + "] ";
    std::string detail = failure.m_componentText;
    if (detail.compare(0, code.size(), code) == 0) {
        detail.erase(0, code.size());
    }
    while (!detail.empty() && (detail.back() == '.' || detail.back() == ' ')) {
        detail.pop_back();
    }
    return BoundedReplyText(detail);
}

std::string WithLineEnd(std::string text)
{
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) {
        text += "\r\n";
    }
    return text;
}

} // namespace

std::string FailureText(const ServerFailure& failure)
{
    if (!failure.m_fault.empty()) {
        // Texts of several calls are joined: each on lines of its own.
        return WithLineEnd(BoundedReplyText(failure.m_fault));
    }
    const int code = failure.m_componentCode;
    if (code == kComponentSoapFault || (code == 0 && failure.m_componentText.empty())) {
        return Text(IDS_SERVER_NO_ERROR);
    }
    // The server as a sentence names it, at its start and further on.
    const std::string serverFirst = "The Ondelmark server at " + failure.m_address;
    const std::string server = "the Ondelmark server at " + failure.m_address;
    // The component stops a wait with 301 whether its time-out passed or it
    // was interrupted; a call that lasted the whole limit ran out of time.
    if (code == kComponentStopped) {
        return failure.m_timedOut
                   ? serverFirst + " did not answer within " + std::to_string(failure.m_limitSeconds) + " seconds.\r\n"
                   : "The call to " + server + " was interrupted.\r\n";
    }
    if (ClosedByPeer(code)) {
        return serverFirst + (failure.m_statusLine.empty()
                                  ? " closed the connection without an answer.\r\n"
                                  : " closed the connection before its whole answer arrived.\r\n");
    }
    if (code == kComponentTooLarge) {
        return serverFirst + " sent more than an answer may hold (" + ComponentDetail(failure) + ").\r\n";
    }
    // After a success status only the transfer can fail: the component's
    // reason says how.
    if (code == kComponentHttpError && IsSuccessStatus(failure.m_statusLine)) {
        return serverFirst + " sent an answer that could not be read (" + ComponentDetail(failure) + ").\r\n";
    }
    if (!failure.m_statusLine.empty()) {
        return serverFirst + " did not answer in SOAP (\"" + BoundedReplyText(failure.m_statusLine) + "\").\r\n";
    }
    // Bytes without a status line: a service that is no web server, which
    // names itself in its first line.
    if (IsParserError(code)) {
        const std::string opening =
            failure.m_replyStart.empty() ? std::string() : " (\"" + failure.m_replyStart + "\")";
        return serverFirst + " did not answer in SOAP" + opening + ".\r\n";
    }
    if (const char* reason = ConnectFailureReason(code)) {
        return "Could not connect to " + server + ": " + reason + ".\r\n";
    }
    const std::string detail = ComponentDetail(failure);
    const std::string said = (detail.empty() ? "" : ": " + detail) + " (error " + std::to_string(code) + ").\r\n";
    return IsSocketError(code) ? "Could not connect to " + server + said : "The call to " + server + " failed" + said;
}

std::string ReplyOpening(const std::string& reply)
{
    std::string opening;
    for (char c : reply) {
        if (c == '\r' || c == '\n') {
            break;
        }
        if (opening.size() == kMaxReplyOpening) {
            return opening + "...";
        }
        opening += c >= ' ' && c <= '~' ? c : '?';
    }
    return opening;
}

int SetServerExchangeLimit(int seconds)
{
    const int previous = g_exchangeSeconds;
    g_exchangeSeconds = seconds;
    return previous;
}

std::string BoundedReplyText(const std::string& text)
{
    if (text.size() <= kMaxReplyText) {
        return text;
    }
    // Cut before a character, not inside one.
    size_t cut = kMaxReplyText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut) + "... (" + std::to_string(text.size() - cut) + " more bytes of the reply left out)";
}

ServerLogin ConfiguredServerLogin()
{
    const ConfigFile& config = GetAppState().m_config;
    ServerLogin login;
    login.m_server = config.GetServer();
    login.m_port = config.m_port;
    login.m_user = config.GetUserName();
    login.m_password = config.GetPassword();
    login.m_database = config.GetDatabase();
    return login;
}

std::string ServiceAddress(const ServerLogin& login)
{
    return "http://" + login.m_server + ":" + std::to_string(login.m_port) + Text(IDS_SERVICE_PATH);
}

bool CallServer(SoapComponent& component, const ServerLogin& login, const std::string& method,
                const std::vector<std::pair<std::string, std::string>>& ownParams, std::string& returnValue,
                ServerFailure& failure)
{
    returnValue.clear();
    failure = ServerFailure();
    if (!component.IsValid()) {
        failure.m_fault = kNoComponentText;
        return false;
    }
    // The password is enciphered first: a provider failure ends the call
    // before anything is sent.
    const std::string password = CipherServerPassword(login.m_password);
    (void)component.Do(kSoapReset, {});
    (void)component.Set(kSoapContentType, "text/xml");
    (void)component.Set(kSoapSOAPEncoding, kEncodingStyle);
    (void)component.Set(kSoapMethodURI, kMethodNamespace);
    (void)component.Set(kSoapActionURI, "#" + method);
    (void)component.Set(kSoapMethod, method);
    (void)component.Set(kSoapURL, ServiceAddress(login));
    (void)component.Do(kSoapConfig, {"AbsoluteTimeout=TRUE"});
    (void)component.SetNumber(kSoapTimeout, g_exchangeSeconds);
    (void)component.Do(kSoapAddParameter, {"guid", CreateGuidText()});
    (void)component.Do(kSoapAddParameter, {"uid", login.m_user});
    (void)component.Do(kSoapAddParameter, {"pwd", password});
    (void)component.Do(kSoapAddParameter, {"db", login.m_database});
    for (const auto& param : ownParams) {
        (void)component.Do(kSoapAddParameter, {param.first, param.second});
    }
    const DWORD start = GetTickCount();
    if (component.Do(kSoapSendRequest, {}) != 0) {
        // Read first: a property read sets the component's error anew.
        failure.m_componentCode = component.LastErrorCode();
        failure.m_componentText = component.LastErrorText();
        failure.m_limitSeconds = g_exchangeSeconds;
        failure.m_timedOut = failure.m_componentCode == kComponentStopped &&
                             GetTickCount() - start >= static_cast<DWORD>(g_exchangeSeconds) * 1000u;
        failure.m_fault = component.Get(kSoapFaultString);
        failure.m_statusLine = component.Get(kSoapStatusLine);
        if (failure.m_statusLine.empty() && IsParserError(failure.m_componentCode)) {
            failure.m_replyStart = ReplyOpening(component.Get(kSoapSOAPPacket));
        }
        failure.m_address = login.m_server + ":" + std::to_string(login.m_port);
        return false;
    }
    returnValue = component.Get(kSoapReturnValue);
    return true;
}

bool UploadResultXml(SoapComponent& component, const ServerLogin& login, const std::string& resultXml,
                     std::string& errorText)
{
    std::string audit;
    if (!EncodeBase64String(resultXml, audit)) {
        errorText += Text(IDS_BASE64_FAILED);
        return false;
    }
    std::string value;
    ServerFailure failure;
    if (!CallServer(component, login, "UploadAuditResults", {{"audit", audit}}, value, failure)) {
        errorText += FailureText(failure);
        return false;
    }
    if (value == "OK") {
        return true;
    }
    errorText = BoundedReplyText(StripNewlineReferences(value));
    return false;
}

bool TestServerLogin(const ServerLogin& login, std::string& message)
{
    SoapComponent component;
    std::string value;
    ServerFailure failure;
    if (CallServer(component, login, "TestLogin", {}, value, failure)) {
        message = "Success!";
        return true;
    }
    message = Text(IDS_LOGIN_FAILED) + FailureText(failure);
    return false;
}

bool GetAssetUser(const ServerLogin& login, const std::string& userName, AssetUserNames& names, std::string& errorText)
{
    SoapComponent component;
    std::string value;
    ServerFailure failure;
    if (!CallServer(component, login, "GetAssetUser", {{"username", userName}}, value, failure)) {
        errorText += Text(IDS_ASSET_USER_FAILED) + FailureText(failure);
        return false;
    }
    XmlDocument doc;
    if (!TakeReplyDocument(value, doc, IDS_ASSET_USER_FAILED, errorText)) {
        return false;
    }
    doc.ResetPos();
    names.m_found = doc.FindChildElement("U");
    if (names.m_found) {
        names.m_first = doc.GetChildAttribute("f");
        names.m_middle = doc.GetChildAttribute("m");
        names.m_last = doc.GetChildAttribute("l");
    }
    return true;
}

bool GetLookupValues(const ServerLogin& login, std::vector<std::string>& locations,
                     std::vector<std::string>& departments, std::string& errorText)
{
    SoapComponent component;
    std::string value;
    ServerFailure failure;
    if (!CallServer(component, login, "GetLookupValues", {}, value, failure)) {
        errorText += Text(IDS_LOOKUP_VALUES_FAILED) + FailureText(failure);
        return false;
    }
    XmlDocument doc;
    if (!TakeReplyDocument(value, doc, IDS_LOOKUP_VALUES_FAILED, errorText)) {
        return false;
    }
    locations = ReadList(doc, "L", "l");
    departments = ReadList(doc, "D", "d");
    return true;
}
