#pragma once
// The byte-level half of a SOAP 1.1 call: the method description and its
// parameters, the request envelope built from them, and the evaluation of a
// reply into return values or a fault. The engine that sends it over HTTP
// holds one of these.
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"
#include "netcomp/core/web/XmlParser.h"

constexpr int kSoapBadParamIndex = 169;
constexpr int kSoapNoMethod = 171;
constexpr int kSoapNoMethodUri = 172;
constexpr int kSoapFault = 173;
constexpr int kSoapNoSuchParam = 174;

extern const char kSoapEnvelopeUri[];
extern const char kSoapEncodingUri[];

class SoapMessage {
public:
    SoapMessage();

    // Defaults for a new call: raw values off, the envelope prefix and URI as
    // namespace 0, the standard encoding style, a bare return slot, method
    // prefix "m", and the reply parser reset.
    [[nodiscard]] int Reset();

    [[nodiscard]] int SetActionURI(const char* text);
    [[nodiscard]] int SetMethod(const char* text);
    [[nodiscard]] int SetMethodURI(const char* text);
    const char* ActionURI() const { return m_actionUri.CStr(); }
    const char* Method() const { return m_method.CStr(); }
    const char* MethodURI() const { return m_methodUri.CStr(); }
    // "SOAPAction: " and the action, the request header line of the call.
    [[nodiscard]] int ActionHeader(NetStringBase& out) const;

    NetString& EncodingStyle() { return m_encodingStyle; }
    NetString& Header() { return m_header; }
    NetString20& MethodNamespacePrefix() { return m_methodPrefix; }
    bool RawValues() const { return m_rawValues; }
    void SetRawValues(bool on) { m_rawValues = on; }

    // Parameters: item 0 is the return slot, 1..n the parameters.
    int ParamCount() const { return int(m_names.Count()) - 1; }
    [[nodiscard]] int SetParamCount(int n);
    [[nodiscard]] int AddParameter(const char* name, const char* value);
    [[nodiscard]] int SetParamValue(int index, const char* value);
    StringList& ParamNames() { return m_names; }
    StringList& ParamValues() { return m_values; }
    StringList& ParamAttributes() { return m_attributes; }
    // The value of the first parameter 1..n named so (ASCII case ignored); 174 and "" when none.
    [[nodiscard]] int ParamValueByName(const char* name, const char** value) const;

    // Envelope namespaces: item 0 is the envelope's own prefix and URI.
    [[nodiscard]] int AddNamespace(const char* prefix, const char* uri);
    [[nodiscard]] int SetNamespaceCount(int n);
    StringList& NamespacePrefixes() { return m_prefixes; }
    StringList& NamespaceUris() { return m_uris; }

    // The request envelope, one line, into packet; 171 or 172 when the method
    // is not described.
    [[nodiscard]] int BuildEnvelope(NetStringBase& packet) const;

    // Parses a reply and fills the parameter lists from the first element of
    // its Body; 173 for a Fault. *errorText gets the failure's text.
    [[nodiscard]] int EvaluatePacket(const char* data, uint32_t length, const char** errorText);

    // The text of faultcode, faultstring or faultactor of the parsed reply;
    // *code gets the path error (the text is then "").
    const char* FaultPart(const char* part, int* code);
    // Moves the reply cursor; the path is kept for XPath.
    [[nodiscard]] int SetXPath(const char* path);
    const char* XPath() const { return m_xpath.CStr(); }

    XmlParser& Parser() { return m_parser; }
    const XmlParser& Parser() const { return m_parser; }

private:
    [[nodiscard]] int StoreValue(uint32_t index, const char* value);
    [[nodiscard]] int AddReturnElement();

    bool m_rawValues = false;
    NetString20 m_methodPrefix;
    XmlParser m_parser;
    NetString m_actionUri;
    NetString m_method;
    NetString m_methodUri;
    NetString m_encodingStyle;
    NetString m_header;
    StringList m_uris;
    StringList m_prefixes;
    NetString m_xpath;
    StringList m_names;
    StringList m_values;
    StringList m_attributes;
    NetString m_scratch;
};
