// The FileMailer component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_filemailer.h"
#include "netcomp/mail/filemailer/FileMailerEngine.h"

namespace {

using E = FileMailerEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kFileMailerProperties[] = {
    P::ReadWrite<&E::AttachmentCount, &E::SetAttachmentCount>(kFileMailerAttachmentCount),
    P::ReadWriteIndexed<&E::Attachment, &E::SetAttachment, &E::CheckAttachmentIndex>(kFileMailerAttachments),
    P::ReadWrite<&E::GetAuthMechanism, &E::SetAuthMechanism>(kFileMailerAuthMechanism),
    P::ReadWrite<&E::GetBCc, &E::SetBCc>(kFileMailerBCc),
    P::ReadWrite<&E::GetCc, &E::SetCc>(kFileMailerCc),
    P::Write<&E::SetCommand>(kFileMailerCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kFileMailerConnected),
    P::ReadWrite<&E::GetDeliveryNotificationTo, &E::SetDeliveryNotificationTo>(kFileMailerDeliveryNotificationTo),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kFileMailerFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kFileMailerFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kFileMailerFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kFileMailerFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kFileMailerFirewallUser),
    P::ReadWrite<&E::GetFrom, &E::SetFrom>(kFileMailerFrom),
    P::Read<&E::IsIdle>(kFileMailerIdle),
    P::ReadWrite<&E::GetImportance, &E::SetImportance>(kFileMailerImportance),
    P::Read<&E::LastReply>(kFileMailerLastReply),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kFileMailerLocalHost),
    P::ReadWrite<&E::GetMailPort, &E::SetMailPort>(kFileMailerMailPort),
    P::ReadWrite<&E::GetMailServer, &E::SetMailServer>(kFileMailerMailServer),
    P::ReadWrite<&E::GetMessageDate, &E::SetMessageDate>(kFileMailerMessageDate),
    P::ReadWrite<&E::GetMessageId, &E::SetMessageId>(kFileMailerMessageId),
    P::ReadWrite<&E::GetMailText, &E::SetMailText>(kFileMailerMessageText),
    P::ReadWrite<&E::GetMailOtherHeaders, &E::SetMailOtherHeaders>(kFileMailerOtherHeaders),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kFileMailerPassword),
    P::ReadWrite<&E::GetPriority, &E::SetPriority>(kFileMailerPriority),
    P::ReadWrite<&E::GetReadReceiptTo, &E::SetReadReceiptTo>(kFileMailerReadReceiptTo),
    P::ReadWrite<&E::GetReplyTo, &E::SetReplyTo>(kFileMailerReplyTo),
    P::ReadWrite<&E::GetSendTo, &E::SetSendTo>(kFileMailerSendTo),
    P::ReadWrite<&E::GetSensitivity, &E::SetSensitivity>(kFileMailerSensitivity),
    P::ReadWrite<&E::GetSubject, &E::SetSubject>(kFileMailerSubject),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kFileMailerTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kFileMailerUser),
};

constexpr MethodDescriptor<E> kFileMailerMethods[] = {
    M::Call<&E::AddAttachment>(kFileMailerAddAttachment),
    M::Call<&E::Connect>(kFileMailerConnect),
    M::Call<&E::Disconnect>(kFileMailerDisconnect),
    M::Call<&E::DoEvents>(kFileMailerDoEvents).AnyTime(),
    M::Call<&E::InterruptMailer>(kFileMailerInterrupt).AnyTime(),
    M::Call<&E::ProcessQueue>(kFileMailerProcessQueue),
    M::Call<&E::Queue>(kFileMailerQueue),
    M::Call<&E::ResetMailer>(kFileMailerResetHeaders),
    M::Call<&E::Send>(kFileMailerSend),
};

struct FileMailerComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSmtpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kFileMailerProperties;
    static constexpr auto& kMethods = kFileMailerMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(FileMailer, FileMailerComponent)
