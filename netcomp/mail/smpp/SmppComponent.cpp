// The SMPP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_smpp.h"
#include "netcomp/mail/smpp/SmppEngine.h"

namespace {

using E = SmppEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSmppProperties[] = {
    P::Read<&E::GetConnected>(kSmppConnected),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kSmppFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kSmppFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kSmppFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kSmppFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kSmppFirewallUser),
    P::ReadWrite<&E::GetExpiration, &E::SetExpiration>(kSmppExpiration),
    P::Read<&E::GetMessageId>(kSmppMessageId),
    P::ReadWrite<&E::GetMessagePriority, &E::SetMessagePriority>(kSmppMessagePriority),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kSmppPassword),
    P::ReadWrite<&E::GetRecipient, &E::SetRecipient>(kSmppRecipient),
    P::ReadWriteIndexed<&E::GetRecipientAddress, &E::SetRecipientAddress, &E::CheckRecipientIndex>(
        kSmppRecipientAddress),
    P::ReadWrite<&E::GetRecipientCount, &E::SetRecipientCount>(kSmppRecipientCount),
    P::ReadWriteIndexed<&E::GetRecipientType, &E::SetRecipientType, &E::CheckRecipientIndex>(kSmppRecipientType),
    P::ReadWrite<&E::GetScheduledDelivery, &E::SetScheduledDelivery>(kSmppScheduledDelivery),
    P::ReadWrite<&E::GetServiceType, &E::SetServiceType>(kSmppServiceType),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kSmppSMPPPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kSmppSMPPServer),
    P::ReadWrite<&E::GetVersion, &E::SetVersion>(kSmppSMPPVersion),
    P::ReadWrite<&E::GetSystemType, &E::SetSystemType>(kSmppSystemType),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kSmppTimeout),
    P::ReadWrite<&E::GetUserId, &E::SetUserId>(kSmppUserId),
};

constexpr MethodDescriptor<E> kSmppMethods[] = {
    M::Call<&E::AddRecipient>(kSmppAddRecipient),
    M::Call<&E::CancelMessage>(kSmppCancelMessage),
    M::Call<&E::CheckLink>(kSmppCheckLink),
    M::Call<&E::QueryMessage>(kSmppQueryMessage),
    M::Call<&E::Connect>(kSmppConnect),
    M::Call<&E::Disconnect>(kSmppDisconnect),
    M::Call<&E::ReplaceMessage>(kSmppReplaceMessage),
    M::Call<&E::SendCommand>(kSmppSendCommand),
    M::Call<&E::SendData>(kSmppSendData),
    M::Call<&E::SendMessage>(kSmppSendMessage),
};

struct SmppComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kSmppProperties;
    static constexpr auto& kMethods = kSmppMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SMPP, SmppComponent)
