/* Property, method and event numbers of the SOAP component (SOAP_Get,
 * SOAP_Set, SOAP_Do and the event callback). Indexed properties: CookieName,
 * CookieValue, NamespaceURI, NamespacePrefix and XAttr* count from 1;
 * ParamName, ParamValue and ParamAttr from 0 (the return slot). */
#ifndef NETCOMP_SOAP_H
#define NETCOMP_SOAP_H

/* The reply body is kept whole (it becomes the packet) up to Config
 * MaxReplySize bytes (default 67108864, 64 MB); past it SendRequest ends with
 * 154 and "SOAP reply too large.", the connection closed and the packet empty.
 * A response's header lines take at most 1 MB together (154, "Response headers
 * too large."), as in netcomp_http.h. The reply's XML is read with the bounds
 * of netcomp_xmlp.h: 128 attributes on one element, 128 elements open at once,
 * 128 namespace declarations in scope; the 129th is refused with 200 ("Out of
 * memory."). */

enum SoapProp {
    kSoapAccept = 1,
    kSoapActionURI = 2,
    kSoapAuthorization = 3,
    kSoapAuthScheme = 4,
    kSoapConnected = 5,
    kSoapContentType = 6,
    kSoapCookieCount = 7,
    kSoapCookieName = 8,
    kSoapCookieValue = 9,
    kSoapFaultActor = 10,
    kSoapFaultCode = 11,
    kSoapFaultString = 12,
    kSoapFirewallHost = 13,
    kSoapFirewallPassword = 14,
    kSoapFirewallPort = 15,
    kSoapFirewallType = 16,
    kSoapFirewallUser = 17,
    kSoapFollowRedirects = 18,
    kSoapOtherHeaders = 19,
    kSoapIdle = 20,
    kSoapLocalHost = 21,
    kSoapMethod = 22,
    kSoapMethodURI = 23,
    kSoapNamespaceCount = 24,
    kSoapNamespaceURI = 25,
    kSoapParamAttr = 26,
    kSoapParamCount = 27,
    kSoapParamName = 28,
    kSoapParamValue = 29,
    kSoapPassword = 30,
    kSoapPragma = 31,
    kSoapNamespacePrefix = 32,
    kSoapProxyAuthorization = 33,
    kSoapProxyPort = 34,
    kSoapProxyServer = 35,
    kSoapReferer = 36,
    kSoapReturnValue = 37,
    kSoapSOAPEncoding = 38,
    kSoapSOAPHeader = 39,
    kSoapSOAPPacket = 40, /* binary: the envelope sent or received */
    kSoapStatusLine = 41,
    kSoapTimeout = 42,
    kSoapURL = 43,
    kSoapUser = 44,
    kSoapRawValues = 45,
    kSoapXAttrCount = 46,
    kSoapXAttrName = 47,
    kSoapXAttrNamespace = 48,
    kSoapXAttrPrefix = 49,
    kSoapXAttrValue = 50,
    kSoapXChildren = 51,
    kSoapXElement = 52,
    kSoapXNamespace = 53,
    kSoapXParent = 54,
    kSoapXPath = 55,
    kSoapXPrefix = 56,
    kSoapXText = 57
};

/* Value: argument 0 the parameter name, the value comes back in argument 1. */
enum SoapMethod {
    kSoapConfig = 1,
    kSoapAddCookie = 2,
    kSoapAddNamespace = 3,
    kSoapAddParameter = 4,
    kSoapBuildPacket = 5,
    kSoapDoEvents = 6,
    kSoapEvalPacket = 7,
    kSoapNoAction = 8,
    kSoapReset = 9,
    kSoapSendPacket = 10,
    kSoapSendRequest = 11,
    kSoapValue = 12
};

/* Connected, Disconnected, Error: code, description. ConnectionStatus: text,
 * code, description. Header: field, value. Redirect: location, accept (copied
 * back). SetCookie: name, value, expires, domain, path, secure. Status:
 * version, code, description. Transfer: bytes of the reply so far
 * (pointer-sized int).
 * StartTransfer and EndTransfer: none; they concern the reply only. */
enum SoapEvent {
    kSoapEventConnected = 1,
    kSoapEventConnectionStatus = 2,
    kSoapEventDisconnected = 3,
    kSoapEventEndTransfer = 4,
    kSoapEventError = 5,
    kSoapEventHeader = 6,
    kSoapEventRedirect = 7,
    kSoapEventSetCookie = 8,
    kSoapEventStartTransfer = 9,
    kSoapEventStatus = 10,
    kSoapEventTransfer = 11
};

#endif /* NETCOMP_SOAP_H */
