// The NNTP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_nntp.h"
#include "netcomp/mail/nntp/NntpEngine.h"

namespace {

using E = NntpEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kNntpProperties[] = {
    P::Read<&E::ArticleCount>(kNntpArticleCount),
    P::Read<&E::ArticleDate>(kNntpArticleDate),
    P::ReadWrite<&E::GetArticleFrom, &E::SetArticleFrom>(kNntpArticleFrom),
    P::Read<&E::ArticleHeaders>(kNntpArticleHeaders).ReadActs(),
    P::Read<&E::ArticleMessageId>(kNntpArticleMessageId),
    P::ReadWrite<&E::GetArticleReferences, &E::SetArticleReferences>(kNntpArticleReferences),
    P::ReadWrite<&E::GetArticleReplyTo, &E::SetArticleReplyTo>(kNntpArticleReplyTo),
    P::ReadWrite<&E::GetArticleSubject, &E::SetArticleSubject>(kNntpArticleSubject),
    P::ReadWrite<&E::GetArticleText, &E::SetArticleText>(kNntpArticleText).ReadActs(),
    P::ReadWrite<&E::GetAttachedFile, &E::SetAttachedFile>(kNntpAttachedFile),
    P::ReadWrite<&E::GetNewGroupsDate, &E::SetNewGroupsDate>(kNntpNewGroupsDate),
    P::Write<&E::SetCommand>(kNntpCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kNntpConnected),
    P::ReadWrite<&E::GetCurrentArticle, &E::SetCurrentArticle>(kNntpCurrentArticle),
    P::ReadWrite<&E::GetCurrentGroup, &E::SetCurrentGroup>(kNntpCurrentGroup),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kNntpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kNntpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kNntpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kNntpFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kNntpFirewallUser),
    P::Read<&E::FirstArticle>(kNntpFirstArticle),
    P::Read<&E::IsIdle>(kNntpIdle),
    P::Read<&E::LastArticle>(kNntpLastArticle),
    P::Read<&E::LastReply>(kNntpLastReply),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kNntpLocalHost),
    P::ReadWrite<&E::GetMaxLines, &E::SetMaxLines>(kNntpMaxLines),
    P::ReadWrite<&E::GetNewsgroups, &E::SetNewsgroups>(kNntpNewsgroups),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kNntpRemotePort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kNntpRemoteHost),
    P::ReadWrite<&E::GetOrganization, &E::SetOrganization>(kNntpOrganization),
    P::ReadWrite<&E::GetOtherHeaders, &E::SetOtherHeaders>(kNntpOtherHeaders),
    P::ReadWrite<&E::GetOverviewRange, &E::SetOverviewRange>(kNntpOverviewRange),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kNntpPassword),
    P::ReadWrite<&E::GetSearchHeader, &E::SetSearchHeader>(kNntpSearchHeader),
    P::ReadWrite<&E::GetSearchPattern, &E::SetSearchPattern>(kNntpSearchPattern),
    P::ReadWrite<&E::GetSearchRange, &E::SetSearchRange>(kNntpSearchRange),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kNntpTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kNntpUser),
};

constexpr MethodDescriptor<E> kNntpMethods[] = {
    M::Call<&E::Connect>(kNntpConnect),
    M::Call<&E::Disconnect>(kNntpDisconnect),
    M::Call<&E::DoEvents>(kNntpDoEvents).AnyTime(),
    M::Call<&E::FetchArticle>(kNntpFetchArticle),
    M::Call<&E::FetchArticleBody>(kNntpFetchArticleBody),
    M::Call<&E::FetchArticleHeaders>(kNntpFetchArticleHeaders),
    M::Call<&E::GroupOverview>(kNntpGroupOverview),
    M::Call<&E::GroupSearch>(kNntpGroupSearch),
    M::Call<&E::Interrupt>(kNntpInterrupt).AnyTime(),
    M::Call<&E::ListGroups>(kNntpListGroups),
    M::Call<&E::ListNewGroups>(kNntpListNewGroups),
    M::Call<&E::LocalizeDate>(kNntpLocalizeDate),
    M::Call<&E::PostArticle>(kNntpPostArticle),
    M::Call<&E::ResetHeaders>(kNntpResetHeaders),
};

struct NntpComponent : ComponentDefaults {
    static constexpr int kBusyCode = kNntpBusy;
    using Engine = E;
    static constexpr auto& kProperties = kNntpProperties;
    static constexpr auto& kMethods = kNntpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(NNTP, NntpComponent)
