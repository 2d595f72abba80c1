/* Property, method and event numbers of the HTTP component (HTTP_Get,
 * HTTP_Set, HTTP_Do and the event callback). */
#ifndef NETCOMP_HTTP_H
#define NETCOMP_HTTP_H

/* What a server sends is bounded (in every HTTP-based component: HTTP,
 * SOAP, WebDAV, RSS, WebForm, WebUpload): a response's header lines take at
 * most NETCOMP_HTTP_MAX_HEADER_BYTES together (interim replies and trailers
 * included), a single line at most 65536 bytes (151). Past the first the call
 * ends with NETCOMP_HTTP_TOO_LARGE and "Response headers too large.", the
 * connection closed, TransferredHeaders and TransferredData empty.
 * TransferredData keeps the first MaxTransferredData bytes of a body (Config,
 * default 4096; 0: all of it); LocalFile takes a body of any length. */
#define NETCOMP_HTTP_TOO_LARGE 154
#define NETCOMP_HTTP_MAX_HEADER_BYTES 1048576

/* A response whose status is not 2xx ends Get, Head, Post and Put with
 * NETCOMP_HTTP_ERROR and the status line's reason phrase as the last-error
 * text ("Not Found"); StatusLine holds the whole line and the Status event
 * gives version, code and phrase. A redirect is followed only as
 * FollowRedirects allows (a refused one is 151 as well), and a 401 with
 * AuthScheme 1 (Digest) is tried once more with the server's challenge
 * before it is 151. 151 also refuses a URL holding a CR or LF or a port
 * outside 1-65535. */
#define NETCOMP_HTTP_ERROR 151
/* The URL names no server: "No server specified in URL". */
#define NETCOMP_HTTP_NO_SERVER 152
/* Without a ProxyServer, a URL whose scheme is not http (such as https):
 * "Specified URLScheme is invalid.". */
#define NETCOMP_HTTP_BAD_SCHEME 153

enum HttpProp {
    kHttpAccept = 1,
    kHttpAttachedFile = 2,
    kHttpAuthorization = 3,
    kHttpAuthScheme = 4,
    kHttpConnected = 5,
    kHttpContentType = 6,
    kHttpCookieCount = 7,
    kHttpCookieName = 8,
    kHttpCookieValue = 9,
    kHttpFirewallHost = 10,
    kHttpFirewallPassword = 11,
    kHttpFirewallPort = 12,
    kHttpFirewallType = 13,
    kHttpFirewallUser = 14,
    kHttpFollowRedirects = 15,
    kHttpFrom = 16,
    kHttpHTTPMethod = 17,
    kHttpIdle = 18,
    kHttpIfModifiedSince = 19,
    kHttpLocalFile = 20,
    kHttpLocalHost = 21,
    kHttpOtherHeaders = 22,
    kHttpPassword = 23,
    kHttpPostData = 24, /* binary: the request body; set with length 0 it is empty */
    kHttpPragma = 25,
    kHttpProxyAuthorization = 26,
    kHttpProxyPassword = 27,
    kHttpProxyPort = 28,
    kHttpProxyServer = 29,
    kHttpProxyUser = 30,
    kHttpRange = 31,
    kHttpReferer = 32,
    kHttpStatusLine = 33,
    kHttpTimeout = 34,         /* seconds; negative: asynchronous, Get and the rest return at once */
    kHttpTransferredData = 35, /* binary, read only: the response body */
    kHttpTransferredHeaders = 36,
    kHttpURL = 37,
    kHttpURLPath = 38,
    kHttpURLPort = 39,
    kHttpURLScheme = 40,
    kHttpURLServer = 41,
    kHttpUser = 42
};

/* Get, Head, Post and Put take the URL as their argument (args[0]): it is
 * stored as URL, then the request goes out. Setting URL alone is not enough:
 * without the argument, or with an empty text, the call clears URL and fails
 * with NETCOMP_HTTP_NO_SERVER. Post and Put send PostData, then the contents
 * of AttachedFile when set. */
enum HttpMethod {
    kHttpMethodConfig = 1,
    kHttpMethodAddCookie = 2,
    kHttpMethodDoEvents = 3,
    kHttpMethodGet = 4,
    kHttpMethodHead = 5,
    kHttpMethodInterrupt = 6,
    kHttpMethodPost = 7,
    kHttpMethodPut = 8,
    kHttpMethodReset = 9,
    kHttpMethodCount = 9
};

/* Connected and Disconnected: code, description. ConnectionStatus: status
 * text, code, description. EndTransfer and StartTransfer: direction (0 request
 * body, 1 response). Error: code, description. Header: field, value.
 * Redirect: location, accept (answerable: set it to 0 to refuse). SetCookie:
 * name, value, expires, domain, path, secure. Status: HTTP version, code,
 * description. Transfer: direction, bytes so far (pointer-sized int), data
 * (with its length). */
enum HttpEvent {
    kHttpEventConnected = 1,
    kHttpEventConnectionStatus = 2,
    kHttpEventDisconnected = 3,
    kHttpEventEndTransfer = 4,
    kHttpEventError = 5,
    kHttpEventHeader = 6,
    kHttpEventRedirect = 7,
    kHttpEventSetCookie = 8,
    kHttpEventStartTransfer = 9,
    kHttpEventStatus = 10,
    kHttpEventTransfer = 11
};

#endif /* NETCOMP_HTTP_H */
