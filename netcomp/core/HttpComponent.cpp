// The HTTP component's flat interface: its property and method tables over
// the HTTP client engine, with the few operations the component adds.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/HttpClient.h"
#include "netcomp/core/netcomp_http.h"

namespace {

// The engine with the component's defaults and the operations its tables call.
class HttpComponentEngine final : public HttpClient {
public:
    HttpComponentEngine()
    {
        (void)SetTimeout(60);
        SetFirewallPort(80);
    }

    // Choosing a firewall kind also chooses its usual port.
    [[nodiscard]] int SetFirewallKind(int kind)
    {
        SetFirewallPort(kind == 2 || kind == 3 ? 1080 : 80);
        return SetFirewallType(kind);
    }

    [[nodiscard]] int SetUrlText(const char* url) { return SetURL(url); }
    ByteView PostDataBytes() const { return {PostData().Data(), int(PostData().Length())}; }
    ByteView TransferredBytes() const { return {TransferredData().Data(), int(TransferredData().Length())}; }
    const char* TransferredHeaders() const { return ReceivedHeaders().CStr(); }

    // The range check of the component's interface: 280 with the cookie text.
    [[nodiscard]] int CookieIndexCheck(int index) { return CheckCookieIndex(index) ? kIndexOutOfRange : 0; }

    [[nodiscard]] int RunGet(const char* url) { return Run(url, kHttpGet); }
    [[nodiscard]] int RunHead(const char* url) { return Run(url, kHttpHead); }
    [[nodiscard]] int RunPost(const char* url) { return Run(url, kHttpPost); }
    [[nodiscard]] int RunPut(const char* url) { return Run(url, kHttpPut); }
    [[nodiscard]] int RunInterrupt() { return DoAction(kHttpInterrupt); }
    [[nodiscard]] int RunReset() { return DoAction(kHttpReset); }

private:
    // The URL is set first; a URL that fails to parse is the result.
    [[nodiscard]] int Run(const char* url, int action)
    {
        if (!Idle()) {
            SetLastErrorText("Busy performing current action.");
            return kHttpBusy;
        }
        const int rc = SetURL(url);
        return rc != 0 ? rc : DoAction(action);
    }
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
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CookieIndexCheck>(kHttpCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CookieIndexCheck>(kHttpCookieValue),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kHttpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kHttpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kHttpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallKind>(kHttpFirewallType),
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
    P::ReadWrite<&E::PostDataBytes, &E::SetPostData>(kHttpPostData),
    P::ReadWrite<&E::Pragma, &E::SetPragma>(kHttpPragma),
    P::ReadWrite<&E::ProxyAuthorization, &E::SetProxyAuthorization>(kHttpProxyAuthorization),
    P::ReadWrite<&E::ProxyPassword, &E::SetProxyPassword>(kHttpProxyPassword),
    P::ReadWrite<&E::ProxyPort, &E::SetProxyPort>(kHttpProxyPort),
    P::ReadWrite<&E::ProxyServer, &E::SetProxyServer>(kHttpProxyServer),
    P::ReadWrite<&E::ProxyUser, &E::SetProxyUser>(kHttpProxyUser),
    P::ReadWrite<&E::Range, &E::SetRange>(kHttpRange),
    P::ReadWrite<&E::Referer, &E::SetReferer>(kHttpReferer),
    P::Read<&E::StatusLine>(kHttpStatusLine),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kHttpTimeout),
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
    M::Call<&E::DoEvents>(kHttpMethodDoEvents),
    M::Call<&E::RunGet>(kHttpMethodGet),
    M::Call<&E::RunHead>(kHttpMethodHead),
    M::Call<&E::RunInterrupt>(kHttpMethodInterrupt),
    M::Call<&E::RunPost>(kHttpMethodPost),
    M::Call<&E::RunPut>(kHttpMethodPut),
    M::Call<&E::RunReset>(kHttpMethodReset),
};

struct HttpComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kHttpProperties;
    static constexpr auto& kMethods = kHttpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(HTTP, HttpComponent)
