// The HTMLMailer component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_htmlmailer.h"
#include "netcomp/mail/htmlmailer/HtmlMailerEngine.h"

namespace {

using E = HtmlMailerEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kHtmlMailerProperties[] = {
    P::ReadWrite<&E::AttachmentCount, &E::SetAttachmentCount>(kHtmlMailerAttachmentCount),
    P::ReadWriteIndexed<&E::Attachment, &E::SetAttachment, &E::CheckAttachmentIndex>(kHtmlMailerAttachments),
    P::ReadWrite<&E::GetAuthMechanism, &E::SetAuthMechanism>(kHtmlMailerAuthMechanism),
    P::ReadWrite<&E::GetBCc, &E::SetBCc>(kHtmlMailerBCc),
    P::ReadWrite<&E::GetCc, &E::SetCc>(kHtmlMailerCc),
    P::Write<&E::SetCommand>(kHtmlMailerCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kHtmlMailerConnected),
    P::ReadWrite<&E::GetDeliveryNotificationTo, &E::SetDeliveryNotificationTo>(kHtmlMailerDeliveryNotificationTo),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kHtmlMailerFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kHtmlMailerFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kHtmlMailerFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kHtmlMailerFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kHtmlMailerFirewallUser),
    P::ReadWrite<&E::GetFrom, &E::SetFrom>(kHtmlMailerFrom),
    P::ReadWrite<&E::GetHtmlFile, &E::SetHtmlFile>(kHtmlMailerHTMLFile),
    P::Read<&E::IsIdle>(kHtmlMailerIdle),
    P::ReadWrite<&E::ImageCount, &E::SetImageCount>(kHtmlMailerImageCount),
    P::ReadWriteIndexed<&E::ImageData, &E::SetImageData, &E::CheckImageIndex>(kHtmlMailerImageData),
    P::ReadWriteIndexed<&E::ImageFile, &E::SetImageFile, &E::CheckImageIndex>(kHtmlMailerImageFile),
    P::ReadWriteIndexed<&E::ImageType, &E::SetImageType, &E::CheckImageIndex>(kHtmlMailerImageType),
    P::ReadWrite<&E::GetImportance, &E::SetImportance>(kHtmlMailerImportance),
    P::Read<&E::LastReply>(kHtmlMailerLastReply),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kHtmlMailerLocalHost),
    P::ReadWrite<&E::GetMailPort, &E::SetMailPort>(kHtmlMailerMailPort),
    P::ReadWrite<&E::GetMailServer, &E::SetMailServer>(kHtmlMailerMailServer),
    P::ReadWrite<&E::GetMessageDate, &E::SetMessageDate>(kHtmlMailerMessageDate),
    P::ReadWrite<&E::GetMessageHtml, &E::SetMessageHtml>(kHtmlMailerMessageHTML),
    P::ReadWrite<&E::GetMessageId, &E::SetMessageId>(kHtmlMailerMessageId),
    P::ReadWrite<&E::GetPlainText, &E::SetPlainText>(kHtmlMailerMessageText),
    P::ReadWrite<&E::GetMailOtherHeaders, &E::SetMailOtherHeaders>(kHtmlMailerOtherHeaders),
    P::ReadWrite<&E::GetParseHtml, &E::SetParseHtml>(kHtmlMailerParseHTML),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kHtmlMailerPassword),
    P::ReadWrite<&E::GetPriority, &E::SetPriority>(kHtmlMailerPriority),
    P::ReadWrite<&E::GetReadReceiptTo, &E::SetReadReceiptTo>(kHtmlMailerReadReceiptTo),
    P::ReadWrite<&E::GetReplyTo, &E::SetReplyTo>(kHtmlMailerReplyTo),
    P::ReadWrite<&E::GetSendTo, &E::SetSendTo>(kHtmlMailerSendTo),
    P::ReadWrite<&E::GetSensitivity, &E::SetSensitivity>(kHtmlMailerSensitivity),
    P::ReadWrite<&E::GetSubject, &E::SetSubject>(kHtmlMailerSubject),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kHtmlMailerTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kHtmlMailerUser),
};

constexpr MethodDescriptor<E> kHtmlMailerMethods[] = {
    M::Call<&E::AddAttachment>(kHtmlMailerAddAttachment),
    M::Call<&E::Connect>(kHtmlMailerConnect),
    M::Call<&E::Disconnect>(kHtmlMailerDisconnect),
    M::Call<&E::DoEvents>(kHtmlMailerDoEvents).AnyTime(),
    M::Call<&E::InterruptMailer>(kHtmlMailerInterrupt).AnyTime(),
    M::Call<&E::ProcessQueue>(kHtmlMailerProcessQueue),
    M::Call<&E::Queue>(kHtmlMailerQueue),
    M::Call<&E::ResetMailer>(kHtmlMailerResetHeaders),
    M::Call<&E::Send>(kHtmlMailerSend),
};

struct HtmlMailerComponent : ComponentDefaults {
    static constexpr int kBusyCode = kSmtpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kHtmlMailerProperties;
    static constexpr auto& kMethods = kHtmlMailerMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(HTMLMailer, HtmlMailerComponent)
