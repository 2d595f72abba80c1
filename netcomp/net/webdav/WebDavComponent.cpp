// The WebDAV component's flat interface over the WebDAV engine: its property
// and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_webdav.h"
#include "netcomp/net/webdav/WebDavEngine.h"

namespace {

// The engine with the accessors its tables name.
class WebDavComponentEngine final : public WebDavEngine {
public:
    // The index checks of the flat interface: the engine's own text tells
    // the reason, the interface answers the range error.
    int CookieIndex(int i) { return CheckCookieIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int NamespaceIndex(int i) { return CheckNamespaceIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int PropertyIndex(int i) { return CheckPropertyIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }

    [[nodiscard]] int SetAuthSchemeValue(int scheme)
    {
        SetAuthScheme(scheme);
        return kResultOk;
    }
    [[nodiscard]] int SetFollowRedirectsValue(int mode)
    {
        SetFollowRedirects(mode);
        return kResultOk;
    }
    int TimeoutSeconds() const { return HttpTimeout(); }
    ByteView TransferredBytes() const { return {TransferredData().CStr(), int(TransferredData().Length())}; }
    const char* TransferredHeaders() const { return ReceivedHeaders().CStr(); }
};

using E = WebDavComponentEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kWebDavProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kWebDavAccept),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthSchemeValue>(kWebDavAuthScheme),
    P::ReadWrite<&E::CookieCount, &E::SetCookieCount>(kWebDavCookieCount),
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CookieIndex>(kWebDavCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CookieIndex>(kWebDavCookieValue),
    P::ReadWrite<&E::Depth, &E::SetDepth>(kWebDavDepth),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kWebDavFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kWebDavFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kWebDavFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kWebDavFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kWebDavFirewallUser),
    P::ReadWrite<&E::FollowRedirects, &E::SetFollowRedirectsValue>(kWebDavFollowRedirects),
    P::Read<&E::Idle>(kWebDavIdle),
    P::ReadWrite<&E::DavLocalFile, &E::SetDavLocalFile>(kWebDavLocalFile),
    P::ReadWrite<&E::LockOwner, &E::SetLockOwner>(kWebDavLockOwner),
    P::ReadWrite<&E::LockScope, &E::SetLockScope>(kWebDavLockScope),
    P::ReadWrite<&E::LockTimeout, &E::SetLockTimeout>(kWebDavLockTimeout),
    P::ReadWrite<&E::LockTokens, &E::SetLockTokens>(kWebDavLockTokens),
    P::ReadWrite<&E::LockType, &E::SetLockType>(kWebDavLockType),
    P::ReadWrite<&E::NamespaceCount, &E::SetNamespaceCount>(kWebDavNamespaceCount),
    P::ReadWriteIndexed<&E::NamespacePrefix, &E::SetNamespacePrefix, &E::NamespaceIndex>(kWebDavNamespacePrefixes),
    P::ReadWriteIndexed<&E::NamespaceUri, &E::SetNamespaceUri, &E::NamespaceIndex>(kWebDavNamespaceURIs),
    P::ReadWrite<&E::DavOtherHeaders, &E::SetDavOtherHeaders>(kWebDavOtherHeaders),
    P::ReadWrite<&E::Password, &E::SetPassword>(kWebDavPassword),
    P::ReadWrite<&E::PropertyCount, &E::SetPropertyCount>(kWebDavPropertyCount),
    P::ReadWriteIndexed<&E::PropertyName, &E::SetPropertyName, &E::PropertyIndex>(kWebDavPropertyName),
    P::ReadWriteIndexed<&E::PropertyOperation, &E::SetPropertyOperation, &E::PropertyIndex>(kWebDavPropertyOperation),
    P::ReadIndexed<&E::PropertyStatus, &E::PropertyIndex>(kWebDavPropertyStatus),
    P::ReadWriteIndexed<&E::PropertyValue, &E::SetPropertyValue, &E::PropertyIndex>(kWebDavPropertyValue),
    P::Read<&E::StatusLine>(kWebDavStatusLine),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetWaitingTimeout>(kWebDavTimeout),
    P::Read<&E::TransferredBytes>(kWebDavTransferredData),
    P::Read<&E::TransferredHeaders>(kWebDavTransferredHeaders),
    P::ReadWrite<&E::User, &E::SetUser>(kWebDavUser),
};

constexpr MethodDescriptor<E> kWebDavMethods[] = {
    M::Call<&E::AddCookie>(kWebDavMethodAddCookie),
    M::Call<&E::AddNamespace>(kWebDavMethodAddNamespace),
    M::Call<&E::CopyResource>(kWebDavMethodCopyResource),
    M::Call<&E::DeleteResource>(kWebDavMethodDeleteResource),
    M::Call<&E::DoEvents>(kWebDavMethodDoEvents).AnyTime(),
    M::Call<&E::FindProperties>(kWebDavMethodFindProperties),
    M::Call<&E::FindPropertyNames>(kWebDavMethodFindPropertyNames),
    M::Call<&E::GetProperty>(kWebDavMethodGetProperty).AnyTime(),
    M::Call<&E::GetResource>(kWebDavMethodGetResource),
    M::Call<&E::Interrupt>(kWebDavMethodInterrupt).AnyTime(),
    M::Call<&E::ListDirectory>(kWebDavMethodListDirectory),
    M::Call<&E::LockResource>(kWebDavMethodLockResource),
    M::Call<&E::MakeDirectory>(kWebDavMethodMakeDirectory),
    M::Call<&E::MoveResource>(kWebDavMethodMoveResource),
    M::Call<&E::PatchProperties>(kWebDavMethodPatchProperties),
    M::CallBytes<&E::PostToResource>(kWebDavMethodPostToResource),
    M::Call<&E::PutResource>(kWebDavMethodPutResource),
    M::Call<&E::ResetAll>(kWebDavMethodReset),
    M::Call<&E::SetProperty>(kWebDavMethodSetProperty),
    M::Call<&E::UnLockResource>(kWebDavMethodUnLockResource),
};

struct WebDavComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kWebDavProperties;
    static constexpr auto& kMethods = kWebDavMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(WebDAV, WebDavComponent)
