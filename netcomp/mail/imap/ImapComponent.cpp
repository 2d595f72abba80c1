// The IMAP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_imap.h"
#include "netcomp/mail/imap/ImapEngine.h"

namespace {

using E = ImapEngine;
using P = Properties<E>;
using M = Methods<E>;
using component_table::GetterTakes;

// The plain text fields, read and written by property number.
constexpr auto kGetText = &component_table::Get<E, &E::Text, GetterTakes::Number>;

int SetText(E& engine, int property, int, INT_PTR value, int)
{
    return engine.SetText(property, reinterpret_cast<const char*>(value));
}

constexpr PropertyDescriptor<E> TextField(int number)
{
    return P::Custom(number, ValueType::Text, kGetText, &SetText);
}

constexpr PropertyDescriptor<E> ReadOnlyText(int number)
{
    return P::Custom(number, ValueType::Text, kGetText);
}

// The address lists: the index picks the address, past the last an empty text.
INT_PTR GetAddress(E& engine, ComponentObjectBase&, int property, int index, int*)
{
    return reinterpret_cast<INT_PTR>(engine.Address(property, index));
}

template <int Action>
int Run(E& engine, MethodArgs&)
{
    return engine.DoAction(Action);
}

constexpr PropertyDescriptor<E> kImapProperties[] = {
    P::ReadWrite<&E::GetAuthMechanism, &E::SetAuthMechanism>(kImapAuthMechanism),
    P::Write<&E::SetCommand>(kImapCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kImapConnected),
    P::ReadWrite<&E::GetEndByte, &E::SetEndByte>(kImapEndByte),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kImapFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kImapFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kImapFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kImapFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kImapFirewallUser),
    P::Read<&E::IsIdle>(kImapIdle),
    P::Read<&E::LastReply>(kImapLastReply),
    P::ReadWrite<&E::GetLocalFile, &E::SetLocalFile>(kImapLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kImapLocalHost),
    TextField(kImapMailbox),
    ReadOnlyText(kImapMailboxFlags),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kImapRemotePort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kImapRemoteHost),
    P::Custom(kImapMessageBcc, ValueType::Text, &GetAddress),
    P::Custom(kImapMessageCc, ValueType::Text, &GetAddress),
    ReadOnlyText(kImapMessageContentEncoding),
    ReadOnlyText(kImapMessageContentType),
    P::Read<&E::MessageCount>(kImapMessageCount),
    ReadOnlyText(kImapMessageDate),
    ReadOnlyText(kImapMessageInternalDate),
    TextField(kImapMessageFlags),
    ReadOnlyText(kImapMessageFrom),
    TextField(kImapMessageHeaders),
    ReadOnlyText(kImapMessageNumber),
    ReadOnlyText(kImapMessageInReplyTo),
    ReadOnlyText(kImapMessageIdHeader),
    ReadOnlyText(kImapMessageReplyTo),
    ReadOnlyText(kImapMessageSender),
    TextField(kImapMessageSet),
    P::Read<&E::MessageSize>(kImapMessageSize),
    ReadOnlyText(kImapMessageSubject),
    P::ReadWrite<&E::MessageText, &E::SetMessageText>(kImapMessageText),
    P::Custom(kImapMessageTo, ValueType::Text, &GetAddress),
    TextField(kImapPartId),
    TextField(kImapPassword),
    P::ReadWrite<&E::GetPeekMode, &E::SetPeekMode>(kImapPeekMode),
    P::Read<&E::RecentCount>(kImapRecentCount),
    TextField(kImapSearchCriteria),
    TextField(kImapSortCriteria),
    P::ReadWrite<&E::GetStartByte, &E::SetStartByte>(kImapStartByte),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kImapTimeout),
    // While an action runs the setter itself accepts only the present value.
    P::ReadWrite<&E::GetUidMode, &E::SetUidMode>(kImapUIDMode).AnyTime(),
    TextField(kImapUser),
};

constexpr MethodDescriptor<E> kImapMethods[] = {
    M::Call<&E::AddMessageFlags>(kImapAddMessageFlags),
    M::Custom(kImapAppendToMailbox, 0, &Run<10>),
    M::Custom(kImapCheckMailbox, 0, &Run<12>),
    M::Custom(kImapCloseMailbox, 0, &Run<14>),
    M::Custom(kImapConnect, 0, &Run<2>),
    M::Custom(kImapCopyToMailbox, 0, &Run<11>),
    M::Custom(kImapCreateMailbox, 0, &Run<6>),
    M::Custom(kImapDeleteFromMailbox, 0, &Run<29>),
    M::Custom(kImapDeleteMailbox, 0, &Run<7>),
    M::Call<&E::DeleteMailboxAcl>(kImapDeleteMailboxAcl),
    M::Custom(kImapDisconnect, 0, &Run<3>),
    M::Call<&E::DoEvents>(kImapDoEvents).AnyTime(),
    M::Custom(kImapExamineMailbox, 0, &Run<5>),
    M::Custom(kImapExpungeMailbox, 0, &Run<13>),
    M::Custom(kImapFetchMessageHeaders, 0, &Run<20>),
    M::Custom(kImapFetchMessageInfo, 0, &Run<19>),
    M::Call<&E::FetchMessagePart>(kImapFetchMessagePart),
    M::Custom(kImapFetchMessageText, 0, &Run<21>),
    M::Custom(kImapGetMailboxAcl, 0, &Run<31>),
    M::Custom(kImapInterrupt, 0, &Run<0>).AnyTime(),
    M::Custom(kImapListMailboxes, 0, &Run<15>),
    M::Custom(kImapListSubscribedMailboxes, 0, &Run<16>),
    M::Call<&E::LocalizeDate>(kImapLocalizeDate),
    M::Custom(kImapMoveToMailbox, 0, &Run<28>),
    M::Custom(kImapNoop, 0, &Run<1>),
    M::Call<&E::RenameMailbox>(kImapRenameMailbox),
    M::Custom(kImapSetMessageFlags, 0, &Run<23>),
    M::Custom(kImapSearchMailbox, 0, &Run<9>),
    M::Custom(kImapSelectMailbox, 0, &Run<4>),
    M::Call<&E::SetMailboxAcl>(kImapSetMailboxAcl),
    M::Custom(kImapSubscribeMailbox, 0, &Run<17>),
    M::Custom(kImapRemoveMessageFlags, 0, &Run<25>),
    M::Custom(kImapUnsubscribeMailbox, 0, &Run<18>),
};

struct ImapComponent : ComponentDefaults {
    static constexpr int kBusyCode = kImapBusy;
    using Engine = E;
    static constexpr auto& kProperties = kImapProperties;
    static constexpr auto& kMethods = kImapMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IMAP, ImapComponent)
