// The SMTP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_smtp.h"
#include "netcomp/mail/smtp/SmtpEngine.h"

namespace {

using E = SmtpEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kSmtpProperties[] = {
    P::ReadWrite<&E::GetAllowExtensions, &E::SetAllowExtensions>(kSmtpAllowExtensions),
    P::ReadWrite<&E::GetAttachedFile, &E::SetAttachedFile>(kSmtpAttachedFile),
    P::ReadWrite<&E::GetAuthMechanism, &E::SetAuthMechanism>(kSmtpAuthMechanism),
    P::ReadWrite<&E::GetBCc, &E::SetBCc>(kSmtpBCc),
    P::ReadWrite<&E::GetCc, &E::SetCc>(kSmtpCc),
    P::Write<&E::SetCommand>(kSmtpCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kSmtpConnected),
    P::ReadWrite<&E::GetDeliveryNotificationTo, &E::SetDeliveryNotificationTo>(kSmtpDeliveryNotificationTo),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kSmtpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kSmtpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kSmtpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kSmtpFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kSmtpFirewallUser),
    P::ReadWrite<&E::GetFrom, &E::SetFrom>(kSmtpFrom),
    P::Read<&E::IsIdle>(kSmtpIdle),
    P::ReadWrite<&E::GetImportance, &E::SetImportance>(kSmtpImportance),
    P::Read<&E::LastReply>(kSmtpLastReply),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSmtpLocalHost),
    P::ReadWrite<&E::GetMailPort, &E::SetMailPort>(kSmtpMailPort),
    P::ReadWrite<&E::GetMailServer, &E::SetMailServer>(kSmtpMailServer),
    P::ReadWrite<&E::GetMessageDate, &E::SetMessageDate>(kSmtpMessageDate),
    P::Read<&E::MessageHeaders>(kSmtpMessageHeaders),
    P::ReadWrite<&E::GetMessageId, &E::SetMessageId>(kSmtpMessageId),
    P::ReadWrite<&E::GetMessageText, &E::SetMessageText>(kSmtpMessageText),
    P::ReadWrite<&E::GetOtherHeaders, &E::SetOtherHeaders>(kSmtpOtherHeaders),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kSmtpPassword),
    P::ReadWrite<&E::GetPriority, &E::SetPriority>(kSmtpPriority),
    P::ReadWrite<&E::GetReadReceiptTo, &E::SetReadReceiptTo>(kSmtpReadReceiptTo),
    P::ReadWrite<&E::GetReplyTo, &E::SetReplyTo>(kSmtpReplyTo),
    P::ReadWrite<&E::GetSendTo, &E::SetSendTo>(kSmtpSendTo),
    P::ReadWrite<&E::GetSensitivity, &E::SetSensitivity>(kSmtpSensitivity),
    P::ReadWrite<&E::GetSubject, &E::SetSubject>(kSmtpSubject),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kSmtpTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kSmtpUser),
};

constexpr MethodDescriptor<E> kSmtpMethods[] = {
    M::Call<&E::Connect>(kSmtpConnect),
    M::Call<&E::Disconnect>(kSmtpDisconnect),
    M::Call<&E::DoEvents>(kSmtpDoEvents).AnyTime(),
    M::Call<&E::Expand>(kSmtpExpand),
    M::Call<&E::InterruptAction>(kSmtpInterrupt).AnyTime(),
    M::Call<&E::ProcessQueue>(kSmtpProcessQueue),
    M::Call<&E::Queue>(kSmtpQueue),
    M::Call<&E::ResetHeaders>(kSmtpResetHeaders),
    M::Call<&E::Send>(kSmtpSend),
    M::Call<&E::SendToTerminalAndEmail>(kSmtpSendToTerminalAndEmail),
    M::Call<&E::SendToTerminalOnly>(kSmtpSendToTerminalOnly),
    M::Call<&E::SendToTerminalOrEmail>(kSmtpSendToTerminalOrEmail),
    M::Call<&E::Verify>(kSmtpVerify),
};

struct SmtpComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSmtpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kSmtpProperties;
    static constexpr auto& kMethods = kSmtpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SMTP, SmtpComponent)
