// The flat interfaces of the Rshell and Rexec components. They number alike
// but for properties 14 and 15 (Rshell: LocalUser, RemoteHost; Rexec:
// RemoteHost, RemotePassword), so one table serves both.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_rexec.h"
#include "netcomp/include/netcomp_rshell.h"
#include "netcomp/net/rcommand/ShellCommandEngine.h"

namespace {

// The numbers of two C enums, compared as numbers.
constexpr bool Same(int a, int b)
{
    return a == b;
}

static_assert(Same(kRexecCommand, kRshellCommand) && Same(kRexecErrorMessage, kRshellErrorMessage) &&
                  Same(kRexecFirewallUser, kRshellFirewallUser) && Same(kRexecLocalPort, kRshellLocalPort) &&
                  Same(kRexecRemoteHost, kRshellLocalUser) && Same(kRexecRemotePassword, kRshellRemoteHost) &&
                  Same(kRexecRemoteUser, kRshellRemoteUser) && Same(kRexecTimeout, kRshellTimeout),
              "Rshell and Rexec number their properties alike but for 14 and 15");
static_assert(Same(kRexecExecute, kRshellExecute) && Same(kRexecSend, kRshellSend), "and their methods alike");
static_assert(Same(kRexecEventStdout, kRshellEventStdout) && Same(kRexecEventError, kRshellEventError) &&
                  Same(kRexecEventStderr, kRshellEventStderr),
              "and their events");

constexpr ShellCommandEvents kShellEvents = {kRshellEventConnected,    kRshellEventConnectionStatus,
                                             kRshellEventDisconnected, kRshellEventError,
                                             kRshellEventStderr,       kRshellEventStdout};

constexpr EventTable kShellSharedEvents = {
    {SharedEvent::Connected, kRshellEventConnected},
    {SharedEvent::ConnectionStatus, kRshellEventConnectionStatus},
    {SharedEvent::Disconnected, kRshellEventDisconnected},
    {SharedEvent::Error, kRshellEventError},
};

template <ShellCommandEngine::Kind kKind>
class ShellEngine final : public ShellCommandEngine {
public:
    ShellEngine() : ShellCommandEngine(kKind, kShellEvents, kShellSharedEvents) {}
};

template <ShellCommandEngine::Kind kKind>
struct ShellComponent : ComponentDefaults {
    using Engine = ShellEngine<kKind>;
    using E = Engine;
    using P = Properties<E>;
    using M = Methods<E>;
    static constexpr int kBusyCode = kCommandBusy;
    static constexpr bool kRexec = kKind == ShellCommandEngine::Kind::Rexec;

    static constexpr PropertyDescriptor<E> kProperties[] = {
        P::template Read<&E::BytesSent>(kRshellBytesSent),
        P::template ReadWrite<&E::GetCommand, &E::SetCommandText>(kRshellCommand),
        P::template ReadWrite<&E::GetConnected, &E::SetConnectedState>(kRshellConnected),
        P::template ReadWrite<&E::EolBytes, &E::SetEolBytes>(kRshellEOL),
        P::template ReadWrite<&E::ErrEolBytes, &E::SetErrEolBytes>(kRshellErrEOL),
        P::template Read<&E::GetErrorMessage>(kRshellErrorMessage),
        P::template ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kRshellFirewallHost),
        P::template ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kRshellFirewallPassword),
        P::template ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kRshellFirewallPort),
        P::template ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kRshellFirewallType),
        P::template ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kRshellFirewallUser),
        P::template ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kRshellLocalHost),
        P::template ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kRshellLocalPort),
        kRexec ? P::template ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kRexecRemoteHost)
               : P::template ReadWrite<&E::GetLocalUser, &E::SetLocalUser>(kRshellLocalUser),
        kRexec ? P::template ReadWrite<&E::GetRemotePassword, &E::SetRemotePassword>(kRexecRemotePassword)
               : P::template ReadWrite<&E::GetRemoteHost, &E::SetRemoteHost>(kRshellRemoteHost),
        P::template ReadWrite<&E::GetRemotePort, &E::SetRemotePort>(kRshellRemotePort),
        P::template ReadWrite<&E::GetRemoteUser, &E::SetRemoteUser>(kRshellRemoteUser),
        P::template Write<&E::Send>(kRshellStdin),
        P::template ReadWrite<&E::TimeoutSeconds, &E::SetTimeoutSeconds>(kRshellTimeout),
    };

    static constexpr MethodDescriptor<E> kMethods[] = {
        M::template Call<&E::Disconnect>(kRshellDisconnect),
        M::template Call<&E::DoEvents>(kRshellDoEvents).AnyTime(),
        M::template Call<&E::Run>(kRshellExecute),
        M::template CallBytes<&E::Send>(kRshellSend),
    };
};

using RshellComponent = ShellComponent<ShellCommandEngine::Kind::Rshell>;
using RexecComponent = ShellComponent<ShellCommandEngine::Kind::Rexec>;

} // namespace

NETCOMP_DEFINE_COMPONENT(Rshell, RshellComponent)
NETCOMP_DEFINE_COMPONENT(Rexec, RexecComponent)
