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

std::string Text(unsigned id)
{
    return LoadResourceString(id, nullptr);
}

// The fault string, or the fixed line for a server that gave none.
std::string FaultOrFallback(const std::string& fault)
{
    return fault.empty() ? Text(IDS_SERVER_NO_ERROR) : fault;
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

} // namespace

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
                std::string& fault)
{
    returnValue.clear();
    fault.clear();
    if (!component.IsValid()) {
        fault = kNoComponentText;
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
    (void)component.Do(kSoapAddParameter, {"guid", CreateGuidText()});
    (void)component.Do(kSoapAddParameter, {"uid", login.m_user});
    (void)component.Do(kSoapAddParameter, {"pwd", password});
    (void)component.Do(kSoapAddParameter, {"db", login.m_database});
    for (const auto& param : ownParams) {
        (void)component.Do(kSoapAddParameter, {param.first, param.second});
    }
    if (component.Do(kSoapSendRequest, {}) != 0) {
        fault = component.Get(kSoapFaultString);
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
    std::string fault;
    if (!CallServer(component, login, "UploadAuditResults", {{"audit", audit}}, value, fault)) {
        errorText += FaultOrFallback(fault);
        return false;
    }
    if (value == "OK") {
        return true;
    }
    errorText = StripNewlineReferences(value);
    return false;
}

bool TestServerLogin(const ServerLogin& login, std::string& message)
{
    SoapComponent component;
    std::string value;
    std::string fault;
    if (CallServer(component, login, "TestLogin", {}, value, fault)) {
        message = "Success!";
        return true;
    }
    message = Text(IDS_LOGIN_FAILED) + FaultOrFallback(fault);
    return false;
}

bool GetAssetUser(const ServerLogin& login, const std::string& userName, AssetUserNames& names, std::string& errorText)
{
    SoapComponent component;
    std::string value;
    std::string fault;
    if (!CallServer(component, login, "GetAssetUser", {{"username", userName}}, value, fault)) {
        errorText += Text(IDS_ASSET_USER_FAILED) + FaultOrFallback(fault);
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
    std::string fault;
    if (!CallServer(component, login, "GetLookupValues", {}, value, fault)) {
        errorText += Text(IDS_LOOKUP_VALUES_FAILED) + FaultOrFallback(fault);
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
