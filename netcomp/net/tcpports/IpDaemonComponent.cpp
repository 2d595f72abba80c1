// The IPDaemon component's flat interface: its property and method tables.
// The indexed properties reach one connection by its number; a setter that
// fails leaves the connection's own error text on the component.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/net/tcpports/IpDaemonEngine.h"

namespace {

// The per-connection accessors of the indexed properties.
class IpDaemonComponentEngine final : public IpDaemonEngine {
public:
    bool AcceptData(int id) { return Live(id)->GetAcceptData(); }
    int SetAcceptData(int id, bool on)
    {
        Live(id)->SetAcceptData(on);
        return kResultOk;
    }
    int BytesSent(int id) { return Live(id)->BytesSent(); }
    bool Connected(int id) { return Live(id)->IsConnected(); }
    int SetConnected(int id, bool on) { return on ? kResultOk : Disconnect(id); }
    int SendData(int id, const char* data, int length) { return Send(id, data, length); }
    ByteView Eol(int id) { return Live(id)->EolBytes(); }
    int SetEol(int id, const char* data, int length) { return Copied(id, Live(id)->SetEolBytes(data, length)); }
    const char* LocalAddress(int id) { return Live(id)->GetLocalHost(); }
    const char* RemoteHost(int id) { return Live(id)->PeerAddress(); }
    int RemotePort(int id) { return Live(id)->PeerPort(); }
    bool SingleLineMode(int id) { return Live(id)->GetSingleLineMode(); }
    int SetSingleLineMode(int id, bool on) { return Copied(id, Live(id)->SetSingleLineMode(on)); }

private:
    // The wrapper has checked the number before any of these runs.
    DaemonConnection* Live(int id) { return Connection(id); }
    int Copied(int id, int rc)
    {
        if (rc != kResultOk)
            SetLastErrorText(Live(id)->LastErrorText());
        return rc;
    }
};

using E = IpDaemonComponentEngine;
using P = Properties<E>;
using M = Methods<E>;

int SetDataToSend(E& engine, int, int index, INT_PTR value, int length)
{
    return engine.SendData(index, reinterpret_cast<const char*>(value), length);
}

int CheckConnection(E& engine, int index, IndexUse use)
{
    return engine.CheckConnection(index, use);
}

constexpr PropertyDescriptor<E> kIpDaemonProperties[] = {
    P::ReadWriteIndexed<&E::AcceptData, &E::SetAcceptData, &E::CheckConnection>(kIpDaemonAcceptData),
    P::ReadIndexed<&E::BytesSent, &E::CheckConnection>(kIpDaemonBytesSent),
    P::ReadWriteIndexed<&E::Connected, &E::SetConnected, &E::CheckConnection>(kIpDaemonConnected),
    P::ReadWrite<&E::GetBacklog, &E::SetBacklog>(kIpDaemonConnectionBacklog),
    P::Read<&E::ConnectionCount>(kIpDaemonConnectionCount),
    P::Custom(kIpDaemonDataToSend, ValueType::Binary, nullptr, &SetDataToSend, &CheckConnection),
    P::ReadWriteIndexed<&E::Eol, &E::SetEol, &E::CheckConnection>(kIpDaemonEOL),
    P::ReadWrite<&E::GetKeepAlive, &E::SetKeepAlive>(kIpDaemonKeepAlive),
    P::ReadWrite<&E::GetLinger, &E::SetLinger>(kIpDaemonLinger),
    P::ReadWrite<&E::GetListening, &E::SetListening>(kIpDaemonListening),
    P::ReadIndexed<&E::LocalAddress, &E::CheckConnection>(kIpDaemonLocalAddress),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kIpDaemonLocalHost),
    P::ReadWrite<&E::GetLocalPort, &E::SetLocalPort>(kIpDaemonLocalPort),
    P::ReadIndexed<&E::RemoteHost, &E::CheckConnection>(kIpDaemonRemoteHost),
    P::ReadIndexed<&E::RemotePort, &E::CheckConnection>(kIpDaemonRemotePort),
    P::ReadWriteIndexed<&E::SingleLineMode, &E::SetSingleLineMode, &E::CheckConnection>(kIpDaemonSingleLineMode),
};

constexpr MethodDescriptor<E> kIpDaemonMethods[] = {
    M::Call<&E::Disconnect>(kIpDaemonDisconnect), M::Call<&E::WaitEvents>(kIpDaemonDoEvents).AnyTime(),
    M::CallBytes<&E::Send>(kIpDaemonSend),        M::Call<&E::SendLine>(kIpDaemonSendLine),
    M::Call<&E::Shutdown>(kIpDaemonShutdown),
};

struct IpDaemonComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kIpDaemonProperties;
    static constexpr auto& kMethods = kIpDaemonMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IPDaemon, IpDaemonComponent)
