// The POP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_pop.h"
#include "netcomp/mail/pop/PopEngine.h"

namespace {

using E = PopEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kPopProperties[] = {
    P::ReadWrite<&E::GetAuthMechanism, &E::SetAuthMechanism>(kPopAuthMechanism),
    P::Write<&E::SetCommand>(kPopCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kPopConnected),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kPopFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kPopFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kPopFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kPopFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kPopFirewallUser),
    P::Read<&E::IsIdle>(kPopIdle),
    P::Read<&E::LastReply>(kPopLastReply),
    P::ReadWrite<&E::GetLocalFile, &E::SetLocalFile>(kPopLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kPopLocalHost),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kPopRemotePort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kPopRemoteHost),
    P::ReadWrite<&E::GetMaxLines, &E::SetMaxLines>(kPopMaxLines),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageCc),
    P::Read<&E::MessageCount>(kPopMessageCount),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageDate),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageFrom),
    P::Read<&E::Headers>(kPopMessageHeaders),
    P::ReadWrite<&E::GetMessageNumber, &E::SetMessageNumber>(kPopMessageNumber),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageReplyTo),
    P::Read<&E::MessageSize>(kPopMessageSize),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageSubject),
    P::Read<&E::Text>(kPopMessageText),
    P::ReadByNumber<&E::HeaderValue>(kPopMessageTo),
    P::Read<&E::MessageUid>(kPopMessageUid),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kPopPassword),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kPopTimeout),
    P::Read<&E::MailboxSize>(kPopMailboxSize),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kPopUser),
};

constexpr MethodDescriptor<E> kPopMethods[] = {
    M::Call<&E::Connect>(kPopConnect),
    M::Call<&E::DeleteMessage>(kPopDeleteMessage),
    M::Call<&E::Disconnect>(kPopDisconnect),
    M::Call<&E::DoEvents>(kPopDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kPopInterrupt).AnyTime(),
    M::Call<&E::ListMessageSizes>(kPopListMessageSizes),
    M::Call<&E::ListMessageUids>(kPopListMessageUids),
    M::Call<&E::LocalizeDate>(kPopLocalizeDate),
    M::Call<&E::ResetMailbox>(kPopReset),
    M::Call<&E::RetrieveMessage>(kPopRetrieveMessage),
    M::Call<&E::RetrieveWholeMessage>(kPopRetrieveWholeMessage),
};

struct PopComponent : ComponentDefaults {
    static constexpr int kBusyCode = kPopBusy;
    using Engine = E;
    static constexpr auto& kProperties = kPopProperties;
    static constexpr auto& kMethods = kPopMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(POP, PopComponent)
