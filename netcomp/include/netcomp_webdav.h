/* Property, method and event numbers of the WebDAV component (WebDAV_Get,
 * WebDAV_Set, WebDAV_Do and the event callback). Indexed properties count
 * from 1. */
#ifndef NETCOMP_WEBDAV_H
#define NETCOMP_WEBDAV_H

/* A multistatus reply of any length is read as it arrives; what it holds at
 * once (one response element with its properties, or the text between two tags
 * outside one) and a LOCK reply are at most Config MaxReplySize bytes (default
 * 16777216, 16 MB). Past it the method ends with 154 and "WebDAV reply too
 * large.", the connection closed and the property list empty. A response's
 * header lines take at most 1 MB together (154, "Response headers too
 * large."), as in netcomp_http.h. A reply's XML is read with the bounds of
 * netcomp_xmlp.h: 128 attributes on one element, 128 elements open at once,
 * 128 namespace declarations in scope; the 129th is refused with 200 ("Out of
 * memory."). */

enum WebDavProp {
    kWebDavAccept = 1,
    kWebDavAuthScheme = 2,
    kWebDavCookieCount = 3,
    kWebDavCookieName = 4,
    kWebDavCookieValue = 5,
    kWebDavDepth = 6,
    kWebDavFirewallHost = 7,
    kWebDavFirewallPassword = 8,
    kWebDavFirewallPort = 9,
    kWebDavFirewallType = 10,
    kWebDavFirewallUser = 11,
    kWebDavFollowRedirects = 12,
    kWebDavIdle = 13,
    kWebDavLocalFile = 14,
    kWebDavLockOwner = 15,
    kWebDavLockScope = 16,
    kWebDavLockTimeout = 17,
    kWebDavLockTokens = 18,
    kWebDavLockType = 19,
    kWebDavNamespaceCount = 20,
    kWebDavNamespacePrefixes = 21,
    kWebDavNamespaceURIs = 22,
    kWebDavOtherHeaders = 23,
    kWebDavPassword = 24,
    kWebDavPropertyCount = 25,
    kWebDavPropertyName = 26,
    kWebDavPropertyOperation = 27,
    kWebDavPropertyStatus = 28,
    kWebDavPropertyValue = 29,
    kWebDavStatusLine = 30,
    kWebDavTimeout = 31,
    kWebDavTransferredData = 32, /* binary, read only: the response body */
    kWebDavTransferredHeaders = 33,
    kWebDavUser = 34
};

/* Depth: 0 no Depth header, 1 "Depth: 0", 2 "Depth: 1", 3 "Depth: infinity".
 * LockTimeout: seconds, -1 infinite, 0 no Timeout header. PropertyOperation:
 * 0 or 1 set, 2 remove. GetProperty: name, value out (second argument slot).
 * PostToResource: URL, data (with its length). */
enum WebDavMethod {
    kWebDavMethodConfig = 1,
    kWebDavMethodAddCookie = 2,
    kWebDavMethodAddNamespace = 3,
    kWebDavMethodCopyResource = 4,
    kWebDavMethodDeleteResource = 5,
    kWebDavMethodDoEvents = 6,
    kWebDavMethodFindProperties = 7,
    kWebDavMethodFindPropertyNames = 8,
    kWebDavMethodGetProperty = 9,
    kWebDavMethodGetResource = 10,
    kWebDavMethodInterrupt = 11,
    kWebDavMethodListDirectory = 12,
    kWebDavMethodLockResource = 13,
    kWebDavMethodMakeDirectory = 14,
    kWebDavMethodMoveResource = 15,
    kWebDavMethodPatchProperties = 16,
    kWebDavMethodPostToResource = 17,
    kWebDavMethodPutResource = 18,
    kWebDavMethodReset = 19,
    kWebDavMethodSetProperty = 20,
    kWebDavMethodUnLockResource = 21,
    kWebDavMethodCount = 21
};

/* Connected and Disconnected: code, description. ConnectionStatus: status
 * text, code, description. DirList: resource URI, display name, content
 * language, content length, content type, last modified. Error: code,
 * description. Header: field, value. Redirect: location, accept (answerable:
 * set it to 0 to refuse). ResourceProperties: resource URI, the response's
 * XML text. SetCookie: name, value, expires, domain, path, secure. Status:
 * HTTP version, code, description. Transfer: bytes so far (pointer-sized
 * int), data (with its length). StartTransfer and EndTransfer: none (response
 * bodies only). */
enum WebDavEvent {
    kWebDavEventConnected = 1,
    kWebDavEventConnectionStatus = 2,
    kWebDavEventDirList = 3,
    kWebDavEventDisconnected = 4,
    kWebDavEventEndTransfer = 5,
    kWebDavEventError = 6,
    kWebDavEventHeader = 7,
    kWebDavEventRedirect = 8,
    kWebDavEventResourceProperties = 9,
    kWebDavEventSetCookie = 10,
    kWebDavEventStartTransfer = 11,
    kWebDavEventStatus = 12,
    kWebDavEventTransfer = 13
};

/* Codes of the component besides those of the HTTP client. */
enum WebDavCode {
    kWebDavNegativeCount = 231,
    kWebDavBadNamespaceIndex = 232,
    kWebDavStatusFailed = 471,
    kWebDavNoSuchProperty = 472,
    kWebDavBadPropertyIndex = 473,
    kWebDavPropertyFailed = 474,
    kWebDavBadOperation = 475,
    kWebDavNoLockToken = 476
};

#endif /* NETCOMP_WEBDAV_H */
