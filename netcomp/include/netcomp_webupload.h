/* Property, method and event numbers of the WebUpload component
 * (WebUpload_Get, WebUpload_Set, WebUpload_Do and the event callback).
 * Indexed properties count from 1. */
#ifndef NETCOMP_WEBUPLOAD_H
#define NETCOMP_WEBUPLOAD_H

/* A response's header lines take at most 1 MB together (154, "Response
 * headers too large."), as in netcomp_http.h; TransferredData keeps the first
 * MaxTransferredData bytes of the body (Config, default 4096; 0: all). */

enum WebUploadProp {
    kWebUploadAccept = 1,
    kWebUploadAuthorization = 2,
    kWebUploadAuthScheme = 3,
    kWebUploadConnected = 4,
    kWebUploadCookieCount = 5,
    kWebUploadCookieName = 6,
    kWebUploadCookieValue = 7,
    kWebUploadFileCount = 8,
    kWebUploadFiles = 9,
    kWebUploadFileVariables = 10,
    kWebUploadFirewallHost = 11,
    kWebUploadFirewallPassword = 12,
    kWebUploadFirewallPort = 13,
    kWebUploadFirewallType = 14,
    kWebUploadFirewallUser = 15,
    kWebUploadFollowRedirects = 16,
    kWebUploadFormVarCount = 17,
    kWebUploadFormVarNames = 18,
    kWebUploadFormVarValues = 19,
    kWebUploadFrom = 20,
    kWebUploadIdle = 21,
    kWebUploadLocalHost = 22,
    kWebUploadOtherHeaders = 23,
    kWebUploadPassword = 24,
    kWebUploadProxyAuthorization = 25,
    kWebUploadProxyPassword = 26,
    kWebUploadProxyPort = 27,
    kWebUploadProxyServer = 28,
    kWebUploadProxyUser = 29,
    kWebUploadReferer = 30,
    kWebUploadStatusLine = 31,
    kWebUploadTimeout = 32,
    kWebUploadTransferredData = 33, /* binary, read only: the response body */
    kWebUploadTransferredHeaders = 34,
    kWebUploadURL = 35,
    kWebUploadUser = 36
};

/* AddCookie: name, value. AddFile: form-variable name, local file path.
 * AddFormVar: name, value. UploadTo: URL. */
enum WebUploadMethod {
    kWebUploadMethodConfig = 1,
    kWebUploadMethodAddCookie = 2,
    kWebUploadMethodAddFile = 3,
    kWebUploadMethodAddFormVar = 4,
    kWebUploadMethodDoEvents = 5,
    kWebUploadMethodInterrupt = 6,
    kWebUploadMethodReset = 7,
    kWebUploadMethodUpload = 8,
    kWebUploadMethodUploadTo = 9,
    kWebUploadMethodCount = 9
};

/* As the WebForm events; UploadProgress: the percent of the request body
 * sent (0 when it starts, at most 99 while it goes, 100 when it is out). */
enum WebUploadEvent {
    kWebUploadEventConnected = 1,
    kWebUploadEventConnectionStatus = 2,
    kWebUploadEventDisconnected = 3,
    kWebUploadEventEndTransfer = 4,
    kWebUploadEventError = 5,
    kWebUploadEventHeader = 6,
    kWebUploadEventRedirect = 7,
    kWebUploadEventSetCookie = 8,
    kWebUploadEventStartTransfer = 9,
    kWebUploadEventStatus = 10,
    kWebUploadEventTransfer = 11,
    kWebUploadEventUploadProgress = 12
};

/* Codes of the component besides those of the HTTP client and the MIME
 * engine. */
enum WebUploadCode {
    kWebUploadBusy = 143,
    kWebUploadBadCookieIndex = 156,
    kWebUploadBadFileIndex = 158,
    kWebUploadBadVariableIndex = 159,
    kWebUploadNoTempFile = 160
};

#endif /* NETCOMP_WEBUPLOAD_H */
