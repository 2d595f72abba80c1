// The HTTP component's flat interface over the HTTP client engine: its
// property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/web/HttpClient.h"
#include "netcomp/include/netcomp_http.h"

namespace {

// The engine with the component's own defaults on top of the client's.
class HttpComponentEngine final : public HttpClient {
public:
    HttpComponentEngine() { (void)SetTimeout(60); }

    ByteView PostDataBytes() const { return {PostData().CStr(), int(PostData().Length())}; }
    [[nodiscard]] int SetPostDataBytes(const char* data, int length)
    {
        return SetPostData(data, data ? uint32_t(length) : 0);
    }
    ByteView TransferredBytes() const { return {TransferredData().CStr(), int(TransferredData().Length())}; }
    const char* TransferredHeaders() const { return ReceivedHeaders().CStr(); }
    // The URL setter of the interface takes the text alone (not a redirect).
    [[nodiscard]] int SetUrlText(const char* url) { return SetURL(url); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetHttpTimeout(seconds); }
    int TimeoutSeconds() const { return HttpTimeout(); }

    [[nodiscard]] int Interrupt() { return DoAction(kHttpInterrupt); }
    [[nodiscard]] int ResetAll() { return DoAction(kHttpReset); }

    // GET, HEAD, POST and PUT take the URL as their argument.
    [[nodiscard]] int Transfer(int action, const char* url)
    {
        if (!Idle()) {
            SetLastErrorText("Busy performing current action.");
            return kHttpBusy;
        }
        const int rc = SetURL(url);
        return rc != 0 ? rc : DoAction(action);
    }
    [[nodiscard]] int Get(const char* url) { return Transfer(kHttpGet, url); }
    [[nodiscard]] int Head(const char* url) { return Transfer(kHttpHead, url); }
    [[nodiscard]] int Post(const char* url) { return Transfer(kHttpPost, url); }
    [[nodiscard]] int Put(const char* url) { return Transfer(kHttpPut, url); }
};

using E = HttpComponentEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kHttpProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kHttpAccept),
    P::ReadWrite<&E::AttachedFile, &E::SetAttachedFile>(kHttpAttachedFile),
    P::ReadWrite<&E::Authorization, &E::SetAuthorization>(kHttpAuthorization),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthScheme>(kHttpAuthScheme),
    P::ReadWrite<&E::IsConnected, &E::SetConnected>(kHttpConnected),
    P::ReadWrite<&E::ContentType, &E::SetContentType>(kHttpContentType),
    P::ReadWrite<&E::CookieCount, &E::SetCookieCount>(kHttpCookieCount),
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CheckCookieIndex>(kHttpCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CheckCookieIndex>(kHttpCookieValue),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kHttpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kHttpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kHttpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kHttpFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kHttpFirewallUser),
    P::ReadWrite<&E::FollowRedirects, &E::SetFollowRedirects>(kHttpFollowRedirects),
    P::ReadWrite<&E::From, &E::SetFrom>(kHttpFrom),
    P::ReadWrite<&E::Verb, &E::SetVerb>(kHttpHTTPMethod),
    P::Read<&E::Idle>(kHttpIdle),
    P::ReadWrite<&E::IfModifiedSince, &E::SetIfModifiedSince>(kHttpIfModifiedSince),
    P::ReadWrite<&E::LocalFile, &E::SetLocalFile>(kHttpLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kHttpLocalHost),
    P::ReadWrite<&E::OtherHeaders, &E::SetOtherHeaders>(kHttpOtherHeaders),
    P::ReadWrite<&E::Password, &E::SetPassword>(kHttpPassword),
    P::ReadWrite<&E::PostDataBytes, &E::SetPostDataBytes>(kHttpPostData),
    P::ReadWrite<&E::Pragma, &E::SetPragma>(kHttpPragma),
    P::ReadWrite<&E::ProxyAuthorization, &E::SetProxyAuthorization>(kHttpProxyAuthorization),
    P::ReadWrite<&E::ProxyPassword, &E::SetProxyPassword>(kHttpProxyPassword),
    P::ReadWrite<&E::ProxyPort, &E::SetProxyPort>(kHttpProxyPort),
    P::ReadWrite<&E::ProxyServer, &E::SetProxyServer>(kHttpProxyServer),
    P::ReadWrite<&E::ProxyUser, &E::SetProxyUser>(kHttpProxyUser),
    P::ReadWrite<&E::Range, &E::SetRange>(kHttpRange),
    P::ReadWrite<&E::Referer, &E::SetReferer>(kHttpReferer),
    P::Read<&E::StatusLine>(kHttpStatusLine),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kHttpTimeout),
    P::Read<&E::TransferredBytes>(kHttpTransferredData),
    P::Read<&E::TransferredHeaders>(kHttpTransferredHeaders),
    P::ReadWrite<&E::URL, &E::SetUrlText>(kHttpURL),
    P::ReadWrite<&E::URLPath, &E::SetURLPath>(kHttpURLPath),
    P::ReadWrite<&E::URLPort, &E::SetURLPort>(kHttpURLPort),
    P::ReadWrite<&E::URLScheme, &E::SetURLScheme>(kHttpURLScheme),
    P::ReadWrite<&E::URLServer, &E::SetURLServer>(kHttpURLServer),
    P::ReadWrite<&E::User, &E::SetUser>(kHttpUser),
};

constexpr MethodDescriptor<E> kHttpMethods[] = {
    M::Call<&E::AddCookie>(kHttpMethodAddCookie),
    M::Call<&E::DoEvents>(kHttpMethodDoEvents).AnyTime(),
    M::Call<&E::Get>(kHttpMethodGet),
    M::Call<&E::Head>(kHttpMethodHead),
    M::Call<&E::Interrupt>(kHttpMethodInterrupt).AnyTime(),
    M::Call<&E::Post>(kHttpMethodPost),
    M::Call<&E::Put>(kHttpMethodPut),
    M::Call<&E::ResetAll>(kHttpMethodReset),
};

struct HttpComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kHttpProperties;
    static constexpr auto& kMethods = kHttpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(HTTP, HttpComponent)
