// The NetDial component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_netdial.h"
#include "netcomp/net/dial/NetDialEngine.h"

namespace {

using E = NetDialEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kNetDialProperties[] = {
    P::ReadWrite<&E::GetCallbackNumber, &E::SetCallbackNumber>(kNetDialCallbackNumber),
    P::ReadWrite<&E::GetDomain, &E::SetDomain>(kNetDialDomain),
    P::ReadWrite<&E::GetEntryDeviceName, &E::SetEntryDeviceName>(kNetDialEntryDeviceName),
    P::ReadWrite<&E::GetEntryDeviceType, &E::SetEntryDeviceType>(kNetDialEntryDeviceType),
    P::ReadWrite<&E::GetEntryDnsAddress, &E::SetEntryDnsAddress>(kNetDialEntryDNSAddress),
    P::ReadWrite<&E::GetEntryIpAddress, &E::SetEntryIpAddress>(kNetDialEntryIPAddress),
    P::ReadWrite<&E::GetEntryPhoneNumber, &E::SetEntryPhoneNumber>(kNetDialEntryPhoneNumber),
    P::ReadWrite<&E::GetEntryWinsAddress, &E::SetEntryWinsAddress>(kNetDialEntryWINSAddress),
    P::ReadWrite<&E::GetHandle, &E::SetHandle>(kNetDialHandle),
    P::Read<&E::GetIdle>(kNetDialIdle),
    P::ReadWrite<&E::GetPassword, &E::SetPassword>(kNetDialPassword),
    P::ReadWrite<&E::GetPhoneBook, &E::SetPhoneBook>(kNetDialPhoneBook),
    P::ReadWrite<&E::GetPhoneBookEntry, &E::SetPhoneBookEntry>(kNetDialPhoneBookEntry),
    P::ReadWrite<&E::GetPhoneNumber, &E::SetPhoneNumber>(kNetDialPhoneNumber),
    P::Read<&E::RasAvailable>(kNetDialRASAvailable),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kNetDialTimeout),
    P::ReadWrite<&E::GetUser, &E::SetUser>(kNetDialUser),
};

constexpr MethodDescriptor<E> kNetDialMethods[] = {
    M::Call<&E::Connect>(kNetDialConnect),
    M::Call<&E::CreateEntry>(kNetDialCreateEntry),
    M::Call<&E::DeleteEntry>(kNetDialDeleteEntry),
    M::Call<&E::Disconnect>(kNetDialDisconnect),
    M::Call<&E::DoEvents>(kNetDialDoEvents).AnyTime(),
    M::Call<&E::Interrupt>(kNetDialInterrupt).AnyTime(),
    M::Call<&E::ListConnections>(kNetDialListConnections),
    M::Call<&E::ListDevices>(kNetDialListDevices),
    M::Call<&E::ListEntries>(kNetDialListEntries),
    M::Call<&E::ShowDialDialog>(kNetDialShowDialDialog),
};

struct NetDialComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kNetDialProperties;
    static constexpr auto& kMethods = kNetDialMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(NetDial, NetDialComponent)
