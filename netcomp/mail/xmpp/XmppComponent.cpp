// The XMPP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_xmpp.h"
#include "netcomp/mail/xmpp/XmppEngine.h"

namespace {

using E = XmppEngine;
using P = Properties<E>;
using M = Methods<E>;

// The message fields may be set from inside an event while an action runs
// (an answer prepared in MessageIn): a message is built whole before it goes.
constexpr PropertyDescriptor<E> kXmppProperties[] = {
    P::Read<&E::BuddyCount>(kXmppBuddyCount),
    P::ReadWriteIndexed<&E::BuddyGroup, &E::SetBuddyGroup, &E::CheckBuddyIndex>(kXmppBuddyGroup),
    P::ReadIndexed<&E::BuddyId, &E::CheckBuddyIndex>(kXmppBuddyId),
    P::ReadIndexed<&E::BuddySubscription, &E::CheckBuddyRead>(kXmppBuddySubscription),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kXmppConnected),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kXmppFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kXmppFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kXmppFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kXmppFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kXmppFirewallUser),
    P::ReadWrite<&E::GetServerPort, &E::SetServerPort>(kXmppServerPort),
    P::ReadWrite<&E::GetServer, &E::SetServer>(kXmppServer),
    P::ReadWrite<&E::GetMessageHtml, &E::SetMessageHtml>(kXmppMessageHTML).AnyTime(),
    P::ReadWrite<&E::GetMessageSubject, &E::SetMessageSubject>(kXmppMessageSubject).AnyTime(),
    P::ReadWrite<&E::GetMessageText, &E::SetMessageText>(kXmppMessageText).AnyTime(),
    P::ReadWrite<&E::GetMessageThread, &E::SetMessageThread>(kXmppMessageThread).AnyTime(),
    P::ReadWrite<&E::GetMessageType, &E::SetMessageType>(kXmppMessageType).AnyTime(),
    P::ReadWrite<&E::GetMessageOtherData, &E::SetMessageOtherData>(kXmppMessageOtherData).AnyTime(),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kXmppPassword),
    P::ReadWrite<&E::GetPresence, &E::SetPresence>(kXmppPresence),
    P::ReadWrite<&E::GetResource, &E::SetResource>(kXmppResource),
    P::ReadWrite<&E::GetStatusText, &E::SetStatusText>(kXmppStatusText),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kXmppTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kXmppUser),
    P::ReadWrite<&E::UserInfoCount, &E::SetUserInfoCount>(kXmppUserInfoCount),
    P::ReadWriteIndexed<&E::UserInfoField, &E::SetUserInfoFieldAt, &E::CheckUserInfoIndex>(kXmppUserInfoField),
    P::ReadWriteIndexed<&E::UserInfoValue, &E::SetUserInfoValueAt, &E::CheckUserInfoIndex>(kXmppUserInfoValue),
};

constexpr MethodDescriptor<E> kXmppMethods[] = {
    M::Call<&E::Add>(kXmppAdd),
    M::Call<&E::Cancel>(kXmppCancel),
    M::Call<&E::ChangePresence>(kXmppChangePresence),
    M::Call<&E::Connect>(kXmppConnect),
    M::Call<&E::Disconnect>(kXmppDisconnect),
    M::Call<&E::DoEvents>(kXmppDoEvents).AnyTime(),
    M::Call<&E::ProbePresence>(kXmppProbePresence),
    M::Call<&E::QueryRegister>(kXmppQueryRegister),
    M::Call<&E::Register>(kXmppRegister),
    M::Call<&E::Remove>(kXmppRemove),
    M::Call<&E::RetrieveRoster>(kXmppRetrieveRoster),
    M::Call<&E::SendCommand>(kXmppSendCommand),
    M::Call<&E::SendMessage>(kXmppSendMessage),
    M::Call<&E::SetUserInfoField>(kXmppSetUserInfoField),
    M::Call<&E::SubscribeTo>(kXmppSubscribeTo),
    M::Call<&E::Unregister>(kXmppUnregister),
    M::Call<&E::UnsubscribeTo>(kXmppUnsubscribeTo),
};

struct XmppComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kXmppProperties;
    static constexpr auto& kMethods = kXmppMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(XMPP, XmppComponent)
