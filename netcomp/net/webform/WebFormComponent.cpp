// The WebForm component's flat interface over the web form engine: its
// property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_webform.h"
#include "netcomp/net/webform/FormComponentEngine.h"
#include "netcomp/net/webform/WebFormEngine.h"

namespace {

using E = FormComponentEngine<WebFormEngine>;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kWebFormProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kWebFormAccept),
    P::ReadWrite<&E::Authorization, &E::SetAuthorization>(kWebFormAuthorization),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthScheme>(kWebFormAuthScheme),
    P::ReadWrite<&E::IsConnected, &E::SetConnected>(kWebFormConnected),
    P::ReadWrite<&E::ContentType, &E::SetContentType>(kWebFormContentType),
    P::ReadWrite<&E::CookieCount, &E::SetCookieCount>(kWebFormCookieCount),
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CheckCookieIndex>(kWebFormCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CheckCookieIndex>(kWebFormCookieValue),
    P::ReadWrite<&E::Encoding, &E::SetEncoding>(kWebFormEncoding),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kWebFormFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kWebFormFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kWebFormFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kWebFormFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kWebFormFirewallUser),
    P::ReadWrite<&E::FollowRedirects, &E::SetFollowRedirects>(kWebFormFollowRedirects),
    P::ReadWrite<&E::FormVarCount, &E::SetFormVarCount>(kWebFormFormVarCount),
    P::ReadWriteIndexed<&E::FormVarName, &E::SetFormVarName, &E::CheckFormVarIndex>(kWebFormFormVarNames),
    P::ReadWriteIndexed<&E::FormVarValue, &E::SetFormVarValue, &E::CheckFormVarIndex>(kWebFormFormVarValues),
    P::ReadWrite<&E::From, &E::SetFrom>(kWebFormFrom),
    P::Read<&E::FormIdle>(kWebFormIdle),
    P::ReadWrite<&E::LocalFile, &E::SetLocalFile>(kWebFormLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kWebFormLocalHost),
    P::ReadWrite<&E::OtherHeaders, &E::SetOtherHeaders>(kWebFormOtherHeaders),
    P::ReadWrite<&E::Password, &E::SetPassword>(kWebFormPassword),
    P::ReadWrite<&E::ProxyAuthorization, &E::SetProxyAuthorization>(kWebFormProxyAuthorization),
    P::ReadWrite<&E::ProxyPassword, &E::SetProxyPassword>(kWebFormProxyPassword),
    P::ReadWrite<&E::ProxyPort, &E::SetProxyPort>(kWebFormProxyPort),
    P::ReadWrite<&E::ProxyServer, &E::SetProxyServer>(kWebFormProxyServer),
    P::ReadWrite<&E::ProxyUser, &E::SetProxyUser>(kWebFormProxyUser),
    P::ReadWrite<&E::Referer, &E::SetReferer>(kWebFormReferer),
    P::Read<&E::StatusLine>(kWebFormStatusLine),
    P::ReadWrite<&E::HttpTimeout, &E::SetWaitingTimeout>(kWebFormTimeout),
    P::Read<&E::TransferredBytes>(kWebFormTransferredData),
    P::Read<&E::TransferredHeaders>(kWebFormTransferredHeaders),
    P::ReadWrite<&E::URL, &E::SetUrlText>(kWebFormURL),
    P::ReadWrite<&E::User, &E::SetUser>(kWebFormUser),
};

constexpr MethodDescriptor<E> kWebFormMethods[] = {
    M::Call<&E::AddCookie>(kWebFormMethodAddCookie),
    M::Call<&E::AddFormVar>(kWebFormMethodAddFormVar),
    M::Call<&E::DoEvents>(kWebFormMethodDoEvents).AnyTime(),
    M::Call<&E::InterruptForm>(kWebFormMethodInterrupt).AnyTime(),
    M::Call<&E::ResetForm>(kWebFormMethodReset),
    M::Call<&E::Send>(kWebFormMethodSubmit),
    M::Call<&E::SendTo>(kWebFormMethodSubmitTo),
};

struct WebFormComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kWebFormProperties;
    static constexpr auto& kMethods = kWebFormMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(WebForm, WebFormComponent)
