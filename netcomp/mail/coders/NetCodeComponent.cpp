// The NetCode component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_netcode.h"
#include "netcomp/mail/coders/NetCodeWrapper.h"

namespace {

using P = Properties<NetCodeWrapper>;
using M = Methods<NetCodeWrapper>;
using W = NetCodeWrapper;

constexpr PropertyDescriptor<NetCodeWrapper> kNetCodeProperties[] = {
    P::ReadWrite<&W::DecodedData, &W::SetDecodedData>(kNetCodeDecodedData),
    P::ReadWrite<&W::EncodedData, &W::SetEncodedData>(kNetCodeEncodedData),
    P::Read<&W::FileCount>(kNetCodeFileCount),
    P::ReadWrite<&W::GetFileName, &W::SetFileName>(kNetCodeFileName),
    P::ReadWrite<&W::GetFormat, &W::SetFormat>(kNetCodeFormat),
    P::ReadWrite<&W::GetUseEncodedName, &W::SetUseEncodedName>(kNetCodeUseEncodedName),
    P::ReadWrite<&W::GetFileMode, &W::SetFileMode>(kNetCodeFileMode),
    P::ReadWrite<&W::GetOverwrite, &W::SetOverwrite>(kNetCodeOverwrite),
    P::ReadWrite<&W::GetProgressStep, &W::SetProgressStep>(kNetCodeProgressStep),
};

constexpr MethodDescriptor<NetCodeWrapper> kNetCodeMethods[] = {
    M::Call<&W::DecodeFile>(kNetCodeDecodeFile),
    M::Call<&W::DecodeString>(kNetCodeDecodeString),
    M::Call<&W::EncodeFile>(kNetCodeEncodeFile),
    M::Call<&W::EncodeString>(kNetCodeEncodeString),
};

struct NetCodeComponent : ComponentDefaults {
    using Engine = NetCodeWrapper;
    static constexpr auto& kProperties = kNetCodeProperties;
    static constexpr auto& kMethods = kNetCodeMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(NetCode, NetCodeComponent)
