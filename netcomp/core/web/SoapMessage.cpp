// Envelopes are written as one line without indentation, as servers that
// compare requests byte for byte expect; the reply is parsed strictly into a
// tree and read through paths that ignore prefixes, so any envelope prefix
// the server chooses works.
#include "netcomp/core/web/SoapMessage.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/framework/ResultCodes.h"

const char kSoapEnvelopeUri[] = "http://schemas.xmlsoap.org/soap/envelope/";
const char kSoapEncodingUri[] = "http://schemas.xmlsoap.org/soap/encoding/";

namespace {

const char kFaultText[] = "SOAP Fault. See the FaultCode or FaultString property for details.";

} // namespace

SoapMessage::SoapMessage()
{
    (void)Reset();
}

int SoapMessage::Reset()
{
    m_rawValues = false;
    int rc = m_encodingStyle.AssignText(kSoapEncodingUri);
    if (rc == kResultOk)
        rc = m_methodPrefix.AssignText("m");
    if (rc == kResultOk && m_prefixes.Count() == 0)
        rc = m_prefixes.Add("SOAP-ENV");
    else if (rc == kResultOk)
        rc = m_prefixes.SetItem(0, "SOAP-ENV");
    if (rc == kResultOk && m_uris.Count() == 0)
        rc = m_uris.Add(kSoapEnvelopeUri);
    else if (rc == kResultOk)
        rc = m_uris.SetItem(0, kSoapEnvelopeUri);
    m_parser.SetStrict(true);
    m_parser.SetBuildDom(true);
    m_parser.SetCallback(nullptr);
    m_parser.Reset();
    if (rc == kResultOk)
        rc = SetParamCount(0);
    return rc;
}

int SoapMessage::SetActionURI(const char* text)
{
    return m_actionUri.AssignText(text);
}

int SoapMessage::ActionHeader(NetStringBase& out) const
{
    int rc = out.AssignText("SOAPAction: ");
    return rc == kResultOk ? out.Append(m_actionUri.Data(), m_actionUri.Length()) : rc;
}

int SoapMessage::SetMethod(const char* text)
{
    NetString action(m_methodUri);
    int rc = AppendAll(action, {"#", text});
    if (rc == kResultOk)
        rc = m_actionUri.Assign(action.Length(), action.Data());
    return rc == kResultOk ? m_method.AssignText(text) : rc;
}

int SoapMessage::SetMethodURI(const char* text)
{
    NetString action;
    int rc = AppendAll(action, {text, "#", m_method.CStr()});
    if (rc == kResultOk)
        rc = SetActionURI(action.CStr());
    return rc == kResultOk ? m_methodUri.AssignText(text) : rc;
}

int SoapMessage::SetParamCount(int n)
{
    if (n < 0)
        n = 0;
    if (n == 0) {
        m_names.Clear();
        m_values.Clear();
        m_attributes.Clear();
    }
    const uint32_t count = uint32_t(n) + 1;
    int rc = m_names.SetCount(count);
    if (rc == kResultOk)
        rc = m_values.SetCount(count);
    if (rc == kResultOk)
        rc = m_attributes.SetCount(count);
    return rc;
}

int SoapMessage::AddParameter(const char* name, const char* value)
{
    int rc = kResultOk;
    if (m_names.Count() <= 1)
        rc = SetParamCount(0);
    if (rc == kResultOk)
        rc = m_names.Add(name);
    if (rc == kResultOk)
        rc = m_values.Add("");
    if (rc == kResultOk)
        rc = m_attributes.Add("");
    if (rc != kResultOk) {
        // Keep the three lists the same length.
        (void)SetParamCount(ParamCount() < 0 ? 0 : int(m_values.Count()) - 1);
        return rc;
    }
    return SetParamValue(ParamCount(), value);
}

int SoapMessage::StoreValue(uint32_t index, const char* value)
{
    if (!value)
        value = "";
    if (m_rawValues)
        return m_values.SetItem(index, value);
    NetString escaped;
    for (const char* p = value; *p; ++p) {
        const char* entity = nullptr;
        switch (*p) {
        case '"':
            entity = "&quot;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        default:
            break;
        }
        int rc = entity ? escaped.AppendCStr(entity) : escaped.AppendChar(*p);
        if (rc != kResultOk)
            return rc;
    }
    return m_values.SetItemBytes(index, escaped.Data(), escaped.Length());
}

int SoapMessage::SetParamValue(int index, const char* value)
{
    if (index < 0 || uint32_t(index) >= m_values.Count())
        return kSoapBadParamIndex;
    return StoreValue(uint32_t(index), value);
}

int SoapMessage::ParamValueByName(const char* name, const char** value) const
{
    *value = "";
    if (!name)
        name = "";
    for (uint32_t i = 1; i < m_names.Count(); ++i) {
        if (StrICmp(m_names.Item(i), name) == 0) {
            *value = m_values.Item(i);
            return kResultOk;
        }
    }
    return kSoapNoSuchParam;
}

int SoapMessage::AddNamespace(const char* prefix, const char* uri)
{
    int rc = m_prefixes.Add(prefix);
    if (rc != kResultOk)
        return rc;
    rc = m_uris.Add(uri);
    if (rc != kResultOk)
        (void)m_prefixes.SetCount(m_prefixes.Count() - 1);
    return rc;
}

int SoapMessage::SetNamespaceCount(int n)
{
    const uint32_t count = n < 0 ? 0 : uint32_t(n);
    int rc = m_prefixes.SetCount(count);
    return rc == kResultOk ? m_uris.SetCount(count) : rc;
}

int SoapMessage::BuildEnvelope(NetStringBase& packet) const
{
    if (m_method.IsEmpty())
        return kSoapNoMethod;
    if (m_methodUri.IsEmpty())
        return kSoapNoMethodUri;
    const char* env = *m_prefixes.Item(0) ? m_prefixes.Item(0) : "SOAP-ENV";
    const char* m = m_methodPrefix.CStr();
    const bool hasPrefix = *m != '\0';
    packet.Clear();
    int rc = AppendAll(packet, {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<", env, ":Envelope xmlns:", env, "=\"",
                                m_uris.Item(0), "\""});
    if (rc == kResultOk && !m_encodingStyle.IsEmpty())
        rc = AppendAll(packet, {" ", env, ":encodingStyle=\"", m_encodingStyle.CStr(), "\""});
    for (uint32_t i = 1; rc == kResultOk && i < m_prefixes.Count(); ++i)
        rc = AppendAll(packet, {" xmlns:", m_prefixes.Item(i), "=\"", m_uris.Item(i), "\""});
    if (rc == kResultOk)
        rc = packet.AppendChar('>');
    if (rc == kResultOk && !m_header.IsEmpty())
        rc = AppendAll(packet, {"<", env, ":Header>", m_header.CStr(), "</", env, ":Header>"});
    if (rc == kResultOk)
        rc = AppendAll(packet, {"<", env, ":Body><", m, hasPrefix ? ":" : "", m_method.CStr(), " xmlns",
                                hasPrefix ? ":" : "", m, "=\"", m_methodUri.CStr(), "\">"});
    for (uint32_t i = 1; rc == kResultOk && i < m_names.Count(); ++i) {
        const char* name = m_names.Item(i);
        const char* attributes = m_attributes.Item(i);
        rc = AppendAll(packet, {"<", name, *attributes ? " " : "", attributes, ">"});
        if (rc == kResultOk)
            rc = packet.Append(m_values.Item(i), m_values.ItemLength(i));
        if (rc == kResultOk)
            rc = AppendAll(packet, {"</", name, ">"});
    }
    if (rc == kResultOk)
        rc = AppendAll(packet,
                       {"</", m, hasPrefix ? ":" : "", m_method.CStr(), "></", env, ":Body></", env, ":Envelope>"});
    return rc;
}

// The current cursor element as one more return element: its qualified name,
// its text and its attributes written as name="value" pairs.
int SoapMessage::AddReturnElement()
{
    const XmlDom& dom = m_parser.Dom();
    m_scratch.Clear();
    int rc = kResultOk;
    for (int a = 0; rc == kResultOk && a < dom.AttrCount(); ++a) {
        rc = AppendAll(m_scratch, {a ? " " : "", dom.AttrName(a), "=\"", dom.AttrValue(a), "\""});
    }
    if (rc == kResultOk)
        rc = m_names.Add(dom.ElementQName());
    if (rc == kResultOk)
        rc = m_values.Add(dom.ElementText());
    if (rc == kResultOk)
        rc = m_attributes.Add(m_scratch.CStr());
    return rc;
}

int SoapMessage::EvaluatePacket(const char* data, uint32_t length, const char** errorText)
{
    *errorText = nullptr;
    m_parser.Reset();
    int rc = m_parser.InputBytes(data, length);
    if (rc == kResultOk)
        rc = m_parser.EndOfInput();
    if (rc == kResultOk) {
        rc = m_parser.SetXPath("/Envelope/Body/Fault");
        if (rc == kResultOk) {
            *errorText = kFaultText;
            return kSoapFault;
        }
        if (rc == kXmlNoSuchChild)
            rc = m_parser.SetXPath("/Envelope/Body/[1]");
    }
    if (rc == kResultOk) {
        m_names.Clear();
        m_values.Clear();
        m_attributes.Clear();
        // The children of the response element in order; the same elements
        // as the paths "/Envelope/Body/[1]/[i]", reached without a walk from
        // the root for each.
        XmlDom& dom = m_parser.MutableDom();
        for (bool more = dom.MoveToFirstChild(); rc == kResultOk && more; more = dom.MoveToNextSibling())
            rc = AddReturnElement();
        if (rc == kResultOk && m_names.Count() == 0)
            rc = SetParamCount(0);
        if (rc != kResultOk)
            (void)SetParamCount(0);
    }
    if (rc != kResultOk)
        *errorText = XmlParser::ErrorText(rc);
    return rc;
}

const char* SoapMessage::FaultPart(const char* part, int* code)
{
    NetString path("/Envelope/Body/Fault/");
    *code = path.AppendCStr(part);
    if (*code == kResultOk)
        *code = m_parser.SetXPath(path.CStr());
    return *code == kResultOk ? m_parser.Dom().ElementText() : "";
}

int SoapMessage::SetXPath(const char* path)
{
    int rc = m_xpath.AssignText(path);
    return rc == kResultOk ? m_parser.SetXPath(path) : rc;
}
