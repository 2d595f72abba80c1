// The FTP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/net/ftp/FtpEngine.h"

namespace {

using E = FtpEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kFtpProperties[] = {
    P::ReadWrite<&E::GetAccount, &E::SetAccount>(kFtpAccount),
    P::Write<&E::SetCommand>(kFtpCommand),
    P::ReadWrite<&E::GetConnected, &E::SetConnectedState>(kFtpConnected),
    // Asks the server, but is not marked as a read that acts: while an action
    // runs, the engine refuses it itself and reads as the code 143, where the
    // shared refusal would read 0, a size like any other.
    P::Read<&E::FileSize>(kFtpFileSize),
    P::Read<&E::FileTime>(kFtpFileTime).ReadActs(),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kFtpFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kFtpFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kFtpFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kFtpFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kFtpFirewallUser),
    P::Read<&E::IsIdle>(kFtpIdle),
    P::Read<&E::LastReply>(kFtpLastReply),
    P::ReadWrite<&E::GetLocalFile, &E::SetLocalFile>(kFtpLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kFtpLocalHost),
    P::ReadWrite<&E::GetOverwrite, &E::SetOverwrite>(kFtpOverwrite),
    P::ReadWrite<&E::GetPassive, &E::SetPassive>(kFtpPassive),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kFtpPassword),
    P::ReadWrite<&E::GetRemoteFile, &E::SetRemoteFile>(kFtpRemoteFile),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kFtpRemoteHost),
    P::ReadWrite<&E::GetRemotePath, &E::SetRemotePath>(kFtpRemotePath).ReadActs(),
    P::ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kFtpRemotePort),
    P::ReadWrite<&E::GetStartByte, &E::SetStartByte>(kFtpStartByte),
    P::ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kFtpTimeout),
    P::ReadWrite<&E::GetTransferMode, &E::SetTransferMode>(kFtpTransferMode),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kFtpUser),
};

constexpr MethodDescriptor<E> kFtpMethods[] = {
    M::Call<&E::Abort>(kFtpAbort).AnyTime(),
    M::Call<&E::Append>(kFtpAppend),
    M::Call<&E::DeleteFile>(kFtpDeleteFile),
    M::Call<&E::DoEvents>(kFtpDoEvents).AnyTime(),
    M::Call<&E::Download>(kFtpDownload),
    M::Call<&E::InterruptAction>(kFtpInterrupt).AnyTime(),
    M::Call<&E::ListDirectory>(kFtpListDirectory),
    M::Call<&E::ListDirectoryLong>(kFtpListDirectoryLong),
    M::Call<&E::Logoff>(kFtpLogoff),
    M::Call<&E::Logon>(kFtpLogon),
    M::Call<&E::MakeDirectory>(kFtpMakeDirectory),
    M::Call<&E::RemoveDirectory>(kFtpRemoveDirectory),
    M::Call<&E::RenameFile>(kFtpRenameFile),
    M::Call<&E::StoreUnique>(kFtpStoreUnique),
    M::Call<&E::Upload>(kFtpUpload),
};

struct FtpComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kFtpProperties;
    static constexpr auto& kMethods = kFtpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(FTP, FtpComponent)
