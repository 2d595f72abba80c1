#pragma once
// The HTTP/1.x client engine: one request at a time over the TCP client,
// the response parsed as it arrives, the body kept in memory or written to a
// local file, redirects followed on request and one Digest retry after a 401.
//
// For engines built on it (SOAP, the web components): set the URL with
// SetURL, the body with SetPostData and SetContentType, then DoAction
// (kHttpPost). The result is 0 for a 2xx status; the status line, the
// response header lines and the body are then in StatusLine(),
// ReceivedHeaders() and TransferredData(). Override the Fire operations to
// see the transfer as it goes.
#include <cstdint>

#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/web/HttpAuth.h"
#include "netcomp/core/web/HttpResponseParser.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/core/tcp/ProtocolClient.h"
#include "netcomp/core/text/StringList.h"

constexpr int kHttpBusy = 143;
constexpr int kHttpBadCookieIndex = 156;

enum HttpAction : int { kHttpInterrupt = 0, kHttpGet = 1, kHttpPost = 2, kHttpHead = 3, kHttpReset = 4, kHttpPut = 5 };

class HttpClient : public ProtocolClient, private HttpResponseSink {
public:
    static constexpr int kMaxRedirects = 10;
    // The default of MaxReplyBody (Config "MaxReplySize"): the most bytes of
    // a response body that an engine reading it itself holds (a SOAP reply,
    // a feed, a WebDAV reply).
    static constexpr uint32_t kDefaultMaxReplyBody = 64u << 20;
    // Where the Digest client nonce comes from; tests fix it.
    using RandomSource = uint32_t (*)();
    static void SetRandomSource(RandomSource source);

    HttpClient();
    ~HttpClient() override;

    int Reset();
    [[nodiscard]] int DoAction(int action);
    [[nodiscard]] int SetURL(const char* url, bool redirect = false);
    // Seconds; a negative value turns on the asynchronous mode: an action
    // only starts the connection and returns, the request goes out when the
    // connection completes and the owner follows the transfer by its events.
    [[nodiscard]] int SetHttpTimeout(int seconds);
    int HttpTimeout() const { return m_asynchronous ? m_asyncTimeout : int(GetTimeout()); }
    // The time-out of the components whose actions wait for their replies:
    // a negative value, the asynchronous mode, is refused (151).
    [[nodiscard]] int SetWaitingTimeout(int seconds);
    bool Asynchronous() const { return m_asynchronous; }
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    [[nodiscard]] int SetAccept(const char* t) { return m_accept.AssignText(t); }
    [[nodiscard]] int SetAuthorization(const char* t) { return m_authorization.AssignText(t); }
    [[nodiscard]] int SetReferer(const char* t) { return m_referer.AssignText(t); }
    [[nodiscard]] int SetPragma(const char* t) { return m_pragma.AssignText(t); }
    [[nodiscard]] int SetRange(const char* t) { return m_range.AssignText(t); }
    [[nodiscard]] int SetFrom(const char* t) { return m_from.AssignText(t); }
    [[nodiscard]] int SetIfModifiedSince(const char* t) { return m_ifModifiedSince.AssignText(t); }
    [[nodiscard]] int SetContentType(const char* t) { return m_contentType.AssignText(t); }
    [[nodiscard]] int SetOtherHeaders(const char* t) { return m_otherHeaders.AssignText(t); }
    [[nodiscard]] int SetVerb(const char* t) { return m_httpMethod.AssignText(t); }
    [[nodiscard]] int SetHttpVersion(const char* t) { return m_httpVersion.AssignText(t); }
    [[nodiscard]] int SetUserAgent(const char* t) { return m_userAgent.AssignText(t); }
    [[nodiscard]] int SetProxyServer(const char* t) { return m_proxyServer.AssignText(t); }
    void SetProxyPort(int port) { m_proxyPort = port; }
    [[nodiscard]] int SetProxyAuthorization(const char* t) { return m_proxyAuthorization.AssignText(t); }
    [[nodiscard]] int SetPostData(const char* data, uint32_t n) { return m_postData.Assign(data ? n : 0, data); }
    [[nodiscard]] int SetAttachedFile(const char* t) { return m_attachedFile.AssignText(t); }
    [[nodiscard]] int SetLocalFile(const char* t) { return m_localFile.AssignText(t); }
    [[nodiscard]] int SetUser(const char* t);
    [[nodiscard]] int SetPassword(const char* t);
    [[nodiscard]] int SetProxyUser(const char* t);
    [[nodiscard]] int SetProxyPassword(const char* t);
    void SetAuthScheme(int scheme) { m_authScheme = uint8_t(scheme == 1 ? 1 : 0); }
    void SetFollowRedirects(int mode) { m_followRedirects = uint8_t(mode >= 0 && mode <= 2 ? mode : 0); }
    void SetMaxTransferredData(int n) { m_maxTransferredData = n; }
    void SetMaxReplyBody(uint32_t bytes) { m_maxReplyBody = bytes; }
    uint32_t MaxReplyBody() const { return m_maxReplyBody; }
    void SetHttpKeepAlive(bool on) { m_httpKeepAlive = on; }
    [[nodiscard]] int SetURLPath(const char* t) { return m_urlPath.AssignText(t); }
    [[nodiscard]] int SetURLScheme(const char* t) { return m_urlScheme.AssignText(t); }
    [[nodiscard]] int SetURLServer(const char* t) { return m_urlServer.AssignText(t); }
    void SetURLPort(int port) { m_urlPort = port; }

    // Cookies to send, 1-based as the component numbers them.
    [[nodiscard]] int AddCookie(const char* name, const char* value);
    [[nodiscard]] int SetCookieCount(int n);
    int CookieCount() const { return int(m_cookies.Count() / 2); }
    [[nodiscard]] int CheckCookieIndex(int i);
    const char* CookieName(int i) const { return m_cookies.Item(uint32_t(i - 1) * 2); }
    const char* CookieValue(int i) const { return m_cookies.Item(uint32_t(i - 1) * 2 + 1); }
    [[nodiscard]] int SetCookieName(int i, const char* t) { return m_cookies.SetItem(uint32_t(i - 1) * 2, t); }
    [[nodiscard]] int SetCookieValue(int i, const char* t) { return m_cookies.SetItem(uint32_t(i - 1) * 2 + 1, t); }

    const char* Accept() const { return m_accept.CStr(); }
    const char* Authorization() const { return m_authorization.CStr(); }
    const char* Referer() const { return m_referer.CStr(); }
    const char* Pragma() const { return m_pragma.CStr(); }
    const char* Range() const { return m_range.CStr(); }
    const char* From() const { return m_from.CStr(); }
    const char* IfModifiedSince() const { return m_ifModifiedSince.CStr(); }
    const char* ContentType() const { return m_contentType.CStr(); }
    const char* OtherHeaders() const { return m_otherHeaders.CStr(); }
    const char* Verb() const { return m_httpMethod.CStr(); }
    const char* UserAgent() const { return m_userAgent.CStr(); }
    const char* ProxyServer() const { return m_proxyServer.CStr(); }
    int ProxyPort() const { return m_proxyPort; }
    const char* ProxyAuthorization() const { return m_proxyAuthorization.CStr(); }
    const char* ProxyUser() const { return m_proxyUser.CStr(); }
    const char* ProxyPassword() const { return m_proxyPassword.CStr(); }
    const NetStringBase& PostData() const { return m_postData; }
    const char* AttachedFile() const { return m_attachedFile.CStr(); }
    const char* LocalFile() const { return m_localFile.CStr(); }
    const char* User() const { return m_user.CStr(); }
    const char* Password() const { return m_password.CStr(); }
    int AuthScheme() const { return m_authScheme; }
    int FollowRedirects() const { return m_followRedirects; }
    bool Idle() const { return m_busyAction == 0; }
    int BusyAction() const { return m_busyAction; }
    const char* URL() const { return m_url.CStr(); }
    const char* URLPath() const { return m_urlPath.CStr(); }
    const char* URLScheme() const { return m_urlScheme.CStr(); }
    const char* URLServer() const { return m_urlServer.CStr(); }
    int URLPort() const { return m_urlPort; }
    const char* StatusLine() const { return m_statusLine.CStr(); }
    int StatusCode() const { return m_statusCode; }
    const NetStringBase& TransferredData() const { return m_transferredData; }
    const NetStringBase& ReceivedHeaders() const { return m_receivedHeaders; }
    const char* Location() const { return m_location.CStr(); }
    // The last response broke off in transfer (a chunk size that is none,
    // a bound passed): the action's code and text are the failure's, and
    // what arrived of the response is no whole reply.
    bool ResponseBroken() const { return m_responseError != 0; }

protected:
    // An asynchronous transfer keeps the component busy until it ends: its
    // events come from the message loop, and a Set in one of them could free
    // the request being sent.
    bool EngineBusy() const override { return m_busyAction != 0; }
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;
    int OnUploadProgress(int64_t sent) override;

    // For the web components whose transfer events tell of the response body
    // alone: StartTransfer and EndTransfer without parameters, Transfer with
    // the bytes so far and the data; the request body fires none of them.
    void ReportResponseTransferOnly() { m_responseTransferOnly = true; }

    // A FireTransfer of the response that answers nonzero ends the response
    // with that code: the request fails with it, the Error event tells the
    // text, the connection is closed. StopResponse keeps the text and gives
    // the code to answer.
    [[nodiscard]] int StopResponse(int code, const char* text);
    // Appends a piece of a response body that the engine keeps whole; past
    // MaxReplyBody bytes `held` is emptied and the answer is 154 with
    // tooLarge as the text (StopResponse).
    [[nodiscard]] int HoldReplyBytes(NetStringBase& held, const char* data, uint32_t n, const char* tooLarge);

    // The HTTP events, under the numbers of the engine's event table; an
    // engine whose events take other parameters overrides them.
    virtual int FireEndTransfer(int direction);
    int FireError(int code, const char* text) override;
    virtual int FireHeader(const char* field, const char* value);
    virtual int FireRedirect(const char* location, bool* accept);
    virtual int FireSetCookie(const char* name, const char* value, const char* expires, const char* domain,
                              const char* path, bool secure);
    virtual int FireStartTransfer(int direction);
    virtual int FireStatus(const char* version, int code, const char* description);
    virtual int FireTransfer(int direction, int64_t bytes, const char* data, uint32_t n);

private:
    int OnStatus(const char* version, int code, const char* description) override;
    int OnHeader(const char* line, uint32_t length, const char* field, const char* value) override;
    int OnHeadersEnd() override;
    int OnBody(const char* data, uint32_t n) override;

    [[nodiscard]] int RunRequest(int action, bool withBody);
    [[nodiscard]] int SendRequest(int action, bool withBody);
    [[nodiscard]] int PrepareRequest(int action, bool withBody, NetString& header);
    [[nodiscard]] int TransmitRequest(NetString& header, bool withBody);
    [[nodiscard]] int StartAsyncRequest(int action, bool withBody);
    void SendAsyncRequest();
    void EndAsyncRequest(int code, const char* text);
    [[nodiscard]] int OpenConnection();
    [[nodiscard]] int SendBody();
    [[nodiscard]] int WaitForResponse();
    // 0 done, 1 run the action again (retry or redirect), else the failure.
    [[nodiscard]] int FinishRequest(int action, int rc);
    void CompleteResponse();
    [[nodiscard]] int BuildAuthorization();
    [[nodiscard]] int BuildProxyAuthorization();
    void ResetSettings();
    int ParseSetCookie(const char* value);
    uint32_t NewCnonceSeed() const;

    static RandomSource s_randomSource;

    uint8_t m_busyAction = 0;
    uint8_t m_authScheme = 0;
    int64_t m_bytesReceived = 0;
    NetString m_receivedHeaders;
    NetString m_transferredData;
    int m_maxTransferredData = 4096;
    uint32_t m_maxReplyBody = kDefaultMaxReplyBody;
    const char* m_stopText = nullptr; // why a Fire operation ended the response
    bool m_httpKeepAlive = false;
    bool m_transferDone = false;
    bool m_responseActive = false;
    int m_closeCode = 0;
    int m_responseError = 0;
    bool m_localFileFailed = false;
    bool m_serverCloses = false;     // the reply said "Connection: close"
    bool m_reusedConnection = false; // the request went out on a kept connection
    int m_defaultPort = 80;
    NetString20 m_defaultScheme;
    uint8_t m_followRedirects = 0;
    BufferString m_location;
    NetString m_url;
    NetString m_urlPath;
    NetString20 m_urlScheme;
    NetString20 m_urlServer;
    NetString m_connectedHost; // the host the open connection went to
    int m_urlPort = 80;
    NetString20 m_proxyServer;
    int m_proxyPort = 80;
    NetString20 m_user;
    NetString20 m_password;
    NetString20 m_authorization;
    NetString20 m_proxyUser;
    NetString20 m_proxyPassword;
    NetString20 m_proxyAuthorization;
    NetString20 m_accept;
    NetString20 m_from;
    NetString20 m_userAgent;
    NetString20 m_ifModifiedSince;
    NetString20 m_referer;
    NetString20 m_pragma;
    NetString20 m_range;
    NetString30 m_statusLine;
    NetString20 m_statusDescription;
    NetString20 m_replyVersion;
    int m_statusCode = 0;
    NetString20 m_httpMethod;
    NetString20 m_currentMethod;
    NetString20 m_httpVersion;
    DigestState m_digest;
    int m_retryCount = 0;
    int m_redirectCount = 0;
    uint32_t m_cnonceSalt;
    StringList m_cookies;
    BufferString m_attachedFile;
    BufferString m_localFile;
    FileHandle m_localFileHandle;
    FileHandle m_attachedFileHandle;
    int64_t m_requestContentLength = 0;
    NetString m_contentType;
    NetString m_postData;
    NetString m_otherHeaders;
    HttpResponseParser m_parser;
    bool m_responseTransferOnly = false;
    bool m_asynchronous = false;
    int m_asyncTimeout = 0;
    bool m_asyncConnecting = false; // the request waits for the connection
    bool m_asyncBody = false;
    bool m_asyncErrorFired = false; // the action's failure was already reported
    NetString m_asyncRequest;       // the header built before the connection was started
};
