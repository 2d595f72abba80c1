/* Property, method and event numbers of the WebForm component (WebForm_Get,
 * WebForm_Set, WebForm_Do and the event callback). Indexed properties count
 * from 1. */
#ifndef NETCOMP_WEBFORM_H
#define NETCOMP_WEBFORM_H

/* A response's header lines take at most 1 MB together (154, "Response
 * headers too large."), as in netcomp_http.h; TransferredData keeps the first
 * MaxTransferredData bytes of the body (Config, default 4096; 0: all). */

enum WebFormProp {
    kWebFormAccept = 1,
    kWebFormAuthorization = 2,
    kWebFormAuthScheme = 3,
    kWebFormConnected = 4,
    kWebFormContentType = 5,
    kWebFormCookieCount = 6,
    kWebFormCookieName = 7,
    kWebFormCookieValue = 8,
    kWebFormEncoding = 9,
    kWebFormFirewallHost = 10,
    kWebFormFirewallPassword = 11,
    kWebFormFirewallPort = 12,
    kWebFormFirewallType = 13,
    kWebFormFirewallUser = 14,
    kWebFormFollowRedirects = 15,
    kWebFormFormVarCount = 16,
    kWebFormFormVarNames = 17,
    kWebFormFormVarValues = 18,
    kWebFormFrom = 19,
    kWebFormIdle = 20,
    kWebFormLocalFile = 21,
    kWebFormLocalHost = 22,
    kWebFormOtherHeaders = 23,
    kWebFormPassword = 24,
    kWebFormProxyAuthorization = 25,
    kWebFormProxyPassword = 26,
    kWebFormProxyPort = 27,
    kWebFormProxyServer = 28,
    kWebFormProxyUser = 29,
    kWebFormReferer = 30,
    kWebFormStatusLine = 31,
    kWebFormTimeout = 32,
    kWebFormTransferredData = 33, /* binary, read only: the response body */
    kWebFormTransferredHeaders = 34,
    kWebFormURL = 35,
    kWebFormUser = 36
};

/* Encoding: 0 "application/x-www-form-urlencoded" body, 1 "multipart/form-data"
 * body, 2 the pairs as the URL's query of a GET. */
enum WebFormEncoding { kWebFormUrlEncoded = 0, kWebFormMultipart = 1, kWebFormQueryString = 2 };

/* AddCookie: name, value. AddFormVar: name, value. SubmitTo: URL. */
enum WebFormMethod {
    kWebFormMethodConfig = 1,
    kWebFormMethodAddCookie = 2,
    kWebFormMethodAddFormVar = 3,
    kWebFormMethodDoEvents = 4,
    kWebFormMethodInterrupt = 5,
    kWebFormMethodReset = 6,
    kWebFormMethodSubmit = 7,
    kWebFormMethodSubmitTo = 8,
    kWebFormMethodCount = 8
};

/* Connected and Disconnected: code, description. ConnectionStatus: status
 * text, code, description. Error: code, description. Header: field, value.
 * Redirect: location, accept (answerable: set it to 0 to refuse). SetCookie:
 * name, value, expires, domain, path, secure. Status: HTTP version, code,
 * description. Transfer: bytes so far (pointer-sized int), data (with its
 * length). StartTransfer and EndTransfer: none. The transfer events tell of the
 * response body only. */
enum WebFormEvent {
    kWebFormEventConnected = 1,
    kWebFormEventConnectionStatus = 2,
    kWebFormEventDisconnected = 3,
    kWebFormEventEndTransfer = 4,
    kWebFormEventError = 5,
    kWebFormEventHeader = 6,
    kWebFormEventRedirect = 7,
    kWebFormEventSetCookie = 8,
    kWebFormEventStartTransfer = 9,
    kWebFormEventStatus = 10,
    kWebFormEventTransfer = 11
};

/* Codes of the component besides those of the HTTP client and the MIME
 * engine. */
enum WebFormCode { kWebFormBusy = 143, kWebFormBadCookieIndex = 156, kWebFormBadVariableIndex = 159 };

#endif /* NETCOMP_WEBFORM_H */
