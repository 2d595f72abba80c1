// The TFTP component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_tftp.h"
#include "netcomp/net/tftp/TftpEngine.h"

namespace {

using E = TftpEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kTftpProperties[] = {
    P::Read<&E::IsIdle>(kTftpIdle),
    P::ReadWrite<&E::GetLocalFile, &E::SetLocalFile>(kTftpLocalFile),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kTftpLocalHost),
    P::ReadWrite<&E::GetMaxRetransmissions, &E::SetMaxRetransmissions>(kTftpMaxRetransmissions),
    P::ReadWrite<&E::GetRemoteFile, &E::SetRemoteFile>(kTftpRemoteFile),
    P::ReadWrite<&E::GetRetransmitTimeout, &E::SetRetransmitTimeout>(kTftpRetransmitTimeout),
    P::ReadWrite<&E::GetTftpPort, &E::SetTftpPort>(kTftpTftpPort),
    P::ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kTftpTftpServer),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kTftpTimeout),
};

constexpr MethodDescriptor<E> kTftpMethods[] = {
    M::Call<&E::DoEvents>(kTftpDoEvents).AnyTime(),
    M::Call<&E::GetFile>(kTftpGetFile),
    M::Call<&E::Abort>(kTftpInterrupt).AnyTime(),
    M::Call<&E::PutFile>(kTftpPutFile),
};

struct TftpComponent : ComponentDefaults {
    // A transfer, or a Set, asked for while one runs.
    static constexpr int kBusyCode = E::kBusy;
    using Engine = E;
    static constexpr auto& kProperties = kTftpProperties;
    static constexpr auto& kMethods = kTftpMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(TFTP, TftpComponent)
