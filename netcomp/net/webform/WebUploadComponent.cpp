// The WebUpload component's flat interface over the web upload engine: its
// property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_webupload.h"
#include "netcomp/net/webform/FormComponentEngine.h"
#include "netcomp/net/webform/WebUploadEngine.h"

namespace {

using E = FormComponentEngine<WebUploadEngine>;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kWebUploadProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kWebUploadAccept),
    P::ReadWrite<&E::Authorization, &E::SetAuthorization>(kWebUploadAuthorization),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthScheme>(kWebUploadAuthScheme),
    P::ReadWrite<&E::IsConnected, &E::SetConnected>(kWebUploadConnected),
    P::ReadWrite<&E::CookieCount, &E::SetCookieCount>(kWebUploadCookieCount),
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CheckCookieIndex>(kWebUploadCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CheckCookieIndex>(kWebUploadCookieValue),
    P::ReadWrite<&E::FileCount, &E::SetFileCount>(kWebUploadFileCount),
    P::ReadWriteIndexed<&E::FilePath, &E::SetFilePath, &E::CheckFileIndex>(kWebUploadFiles),
    P::ReadWriteIndexed<&E::FileVariable, &E::SetFileVariable, &E::CheckFileIndex>(kWebUploadFileVariables),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kWebUploadFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kWebUploadFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kWebUploadFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kWebUploadFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kWebUploadFirewallUser),
    P::ReadWrite<&E::FollowRedirects, &E::SetFollowRedirects>(kWebUploadFollowRedirects),
    P::ReadWrite<&E::FormVarCount, &E::SetFormVarCount>(kWebUploadFormVarCount),
    P::ReadWriteIndexed<&E::FormVarName, &E::SetFormVarName, &E::CheckFormVarIndex>(kWebUploadFormVarNames),
    P::ReadWriteIndexed<&E::FormVarValue, &E::SetFormVarValue, &E::CheckFormVarIndex>(kWebUploadFormVarValues),
    P::ReadWrite<&E::From, &E::SetFrom>(kWebUploadFrom),
    P::Read<&E::FormIdle>(kWebUploadIdle),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kWebUploadLocalHost),
    P::ReadWrite<&E::OtherHeaders, &E::SetOtherHeaders>(kWebUploadOtherHeaders),
    P::ReadWrite<&E::Password, &E::SetPassword>(kWebUploadPassword),
    P::ReadWrite<&E::ProxyAuthorization, &E::SetProxyAuthorization>(kWebUploadProxyAuthorization),
    P::ReadWrite<&E::ProxyPassword, &E::SetProxyPassword>(kWebUploadProxyPassword),
    P::ReadWrite<&E::ProxyPort, &E::SetProxyPort>(kWebUploadProxyPort),
    P::ReadWrite<&E::ProxyServer, &E::SetProxyServer>(kWebUploadProxyServer),
    P::ReadWrite<&E::ProxyUser, &E::SetProxyUser>(kWebUploadProxyUser),
    P::ReadWrite<&E::Referer, &E::SetReferer>(kWebUploadReferer),
    P::Read<&E::StatusLine>(kWebUploadStatusLine),
    P::ReadWrite<&E::HttpTimeout, &E::SetWaitingTimeout>(kWebUploadTimeout),
    P::Read<&E::TransferredBytes>(kWebUploadTransferredData),
    P::Read<&E::TransferredHeaders>(kWebUploadTransferredHeaders),
    P::ReadWrite<&E::URL, &E::SetUrlText>(kWebUploadURL),
    P::ReadWrite<&E::User, &E::SetUser>(kWebUploadUser),
};

constexpr MethodDescriptor<E> kWebUploadMethods[] = {
    M::Call<&E::AddCookie>(kWebUploadMethodAddCookie),
    M::Call<&E::AddFile>(kWebUploadMethodAddFile),
    M::Call<&E::AddFormVar>(kWebUploadMethodAddFormVar),
    M::Call<&E::DoEvents>(kWebUploadMethodDoEvents).AnyTime(),
    M::Call<&E::InterruptForm>(kWebUploadMethodInterrupt).AnyTime(),
    M::Call<&E::ResetForm>(kWebUploadMethodReset),
    M::Call<&E::Send>(kWebUploadMethodUpload),
    M::Call<&E::SendTo>(kWebUploadMethodUploadTo),
};

struct WebUploadComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kWebUploadProperties;
    static constexpr auto& kMethods = kWebUploadMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(WebUpload, WebUploadComponent)
