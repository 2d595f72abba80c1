#pragma once
// SOAP 1.1 calls over the HTTP client: the method description and parameters
// of SoapMessage, the envelope posted as the request body with a SOAPAction
// header, and the reply read back into return values or a fault.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/core/web/SoapMessage.h"

constexpr int kSoapBadAttrIndex = 101;
constexpr int kSoapNoAttributes = 102;
constexpr int kSoapBadNamespaceIndex = 170;

enum SoapMode : int {
    kSoapModeNothing = 0,
    kSoapModeRequest = 1,
    kSoapModeReset = 2,
    kSoapModeBuild = 3,
    kSoapModePacket = 4,
    kSoapModeEvaluate = 5,
};

class SoapEngine : public HttpClient {
public:
    SoapEngine();

    int Reset();
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    [[nodiscard]] int Send(int mode);
    [[nodiscard]] int EvaluatePacket();

    [[nodiscard]] int SetActionURI(const char* text);
    const char* ActionURI() const { return m_message.ActionURI(); }
    [[nodiscard]] int SetMethod(const char* text) { return m_message.SetMethod(text); }
    const char* Method() const { return m_message.Method(); }
    [[nodiscard]] int SetMethodURI(const char* text);
    const char* MethodURI() const { return m_message.MethodURI(); }
    [[nodiscard]] int SetEncodingStyle(const char* text) { return m_message.EncodingStyle().AssignText(text); }
    const char* EncodingStyle() { return m_message.EncodingStyle().CStr(); }
    [[nodiscard]] int SetHeader(const char* text) { return m_message.Header().AssignText(text); }
    const char* Header() { return m_message.Header().CStr(); }
    void SetRawValues(bool on) { m_message.SetRawValues(on); }
    bool RawValues() const { return m_message.RawValues(); }
    [[nodiscard]] int SetPacket(const char* data, int length);
    ByteView Packet() const { return {PostData().Data(), int(PostData().Length())}; }
    [[nodiscard]] int SetUrl(const char* text) { return SetURL(text); }

    // Parameters: index 0 is the return slot.
    int ParamCount() const { return m_message.ParamCount(); }
    [[nodiscard]] int SetParamCount(int n);
    [[nodiscard]] int AddParameter(const char* name, const char* value);
    [[nodiscard]] int SetParamValue(int index, const char* value);
    [[nodiscard]] int CheckParamIndex(int index);
    const char* ParamName(int i) { return m_message.ParamNames().Item(uint32_t(i)); }
    const char* ParamValue(int i) { return m_message.ParamValues().Item(uint32_t(i)); }
    const char* ParamAttr(int i) { return m_message.ParamAttributes().Item(uint32_t(i)); }
    [[nodiscard]] int SetParamName(int i, const char* t) { return m_message.ParamNames().SetItem(uint32_t(i), t); }
    [[nodiscard]] int SetParamAttr(int i, const char* t) { return m_message.ParamAttributes().SetItem(uint32_t(i), t); }
    const char* ReturnValue() { return ParamValue(0); }
    [[nodiscard]] int ParamValueByName(const char* name, const char** value);

    // Envelope namespaces, 1-based: namespace 1 is the envelope's own.
    int NamespaceCount() { return int(m_message.NamespaceUris().Count()); }
    [[nodiscard]] int SetNamespaceCount(int n);
    [[nodiscard]] int AddNamespace(const char* prefix, const char* uri) { return m_message.AddNamespace(prefix, uri); }
    [[nodiscard]] int CheckNamespaceIndex(int index);
    const char* NamespaceURI(int i) { return m_message.NamespaceUris().Item(uint32_t(i - 1)); }
    const char* NamespacePrefix(int i) { return m_message.NamespacePrefixes().Item(uint32_t(i - 1)); }
    [[nodiscard]] int SetNamespaceURI(int i, const char* t)
    {
        return m_message.NamespaceUris().SetItem(uint32_t(i - 1), t);
    }
    [[nodiscard]] int SetNamespacePrefix(int i, const char* t)
    {
        return m_message.NamespacePrefixes().SetItem(uint32_t(i - 1), t);
    }

    // The reply: fault parts and the cursor.
    const char* FaultCode() { return FaultPart("faultcode"); }
    const char* FaultString() { return FaultPart("faultstring"); }
    const char* FaultActor() { return FaultPart("faultactor"); }
    [[nodiscard]] int SetXPath(const char* path);
    const char* XPath() const { return m_message.XPath(); }
    const XmlDom& Cursor() const { return m_message.Parser().Dom(); }
    int XAttrCount() const { return m_message.Parser().AttrCount(); }
    [[nodiscard]] int CheckAttrIndex(int index);
    const char* XAttrName(int i) const { return m_message.Parser().AttrName(i - 1); }
    const char* XAttrNamespace(int i) const { return m_message.Parser().AttrNamespaceURI(i - 1); }
    const char* XAttrPrefix(int i) const { return m_message.Parser().AttrPrefix(i - 1); }
    const char* XAttrValue(int i) const { return m_message.Parser().AttrValue(i - 1); }
    int XChildren() const { return Cursor().ChildCount(); }
    const char* XElement() const { return Cursor().ElementQName(); }
    const char* XNamespace() const { return Cursor().ElementNamespaceURI(); }
    const char* XParent() const { return Cursor().ParentName(); }
    const char* XPrefix() const { return Cursor().ElementPrefix(); }
    const char* XText() const { return Cursor().ElementText(); }

    SoapMessage& Message() { return m_message; }

protected:
    // Only the reply counts, and it is collected apart from the request.
    int FireStartTransfer(int direction) override;
    int FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n) override;
    int FireEndTransfer(int direction) override;
    int FireStatus(const char* version, int code, const char* description) override;

private:
    const char* FaultPart(const char* part);
    [[nodiscard]] int BuildPacket();
    [[nodiscard]] int Post(bool* answered);
    [[nodiscard]] int ActionHeader(NetString& header);

    uint8_t m_sendMode = 0;
    SoapMessage m_message;
    // The reply body while it arrives; it replaces the packet once the
    // request is over, so a retry after 401 still posts the envelope.
    NetString m_reply;
    bool m_replyStarted = false;
    // Something of a reply came for the request last sent: a status line or
    // body bytes (a server that is no web server sends only bytes).
    bool m_answered = false;
};
