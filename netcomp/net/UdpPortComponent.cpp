// The UDPPort component's flat interface: numbers in, one engine call out.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/WrapperValues.h"
#include "netcomp/net/UdpPortEngine.h"
#include "netcomp/net/UdpPortNumbers.h"

namespace {

using namespace wrapper;

struct UdpPortAdapter : ComponentAdapterDefaults {
    using Engine = UdpPortEngine;
    static constexpr int kMethodCount = kUdpPortMethodCount;

    static INT_PTR Get(UdpPortEngine& e, int property, int, int*)
    {
        switch (property) {
        case kUdpPortAcceptData:
            return e.GetAcceptData() ? 1 : 0;
        case kUdpPortActive:
            return e.IsActive() ? 1 : 0;
        case kUdpPortDontRoute:
            return e.GetDontRoute() ? 1 : 0;
        case kUdpPortLocalHost:
            return TextValue(e.GetLocalHost());
        case kUdpPortLocalPort:
            return e.GetLocalPort();
        case kUdpPortRemoteHost:
            return TextValue(e.GetRemoteHost());
        case kUdpPortRemotePort:
            return e.GetRemotePort();
        case kUdpPortTimeToLive:
            return e.GetTimeToLive();
        default:
            return 0; // DataToSend is write-only
        }
    }

    static int Set(UdpPortEngine& e, int property, int, INT_PTR value, int length)
    {
        switch (property) {
        case kUdpPortAcceptData:
            return e.SetAcceptData(value != 0);
        case kUdpPortActive:
            return e.SetActive(value != 0);
        case kUdpPortDataToSend:
            return e.Send(Text(value), length);
        case kUdpPortDontRoute:
            return e.SetDontRoute(value != 0);
        case kUdpPortLocalHost:
            return e.SetLocalHost(Text(value));
        case kUdpPortLocalPort:
            return e.SetLocalPort(int(value));
        case kUdpPortRemoteHost:
            return e.SetRemoteHost(Text(value));
        case kUdpPortRemotePort:
            return e.SetRemotePort(int(value));
        case kUdpPortTimeToLive:
            return e.SetTimeToLive(int(value));
        default:
            return kUnknownSetting;
        }
    }

    static int Do(UdpPortEngine& e, int method, int count, INT_PTR* args, int* lengths)
    {
        switch (method) {
        case kUdpPortDoEvents:
            return e.DoEvents();
        case kUdpPortSend:
            return e.Send(ArgText(count, args, 0), (lengths && count > 0) ? lengths[0] : 0);
        default:
            return e.LastCode();
        }
    }
};

} // namespace

NETCOMP_DEFINE_COMPONENT(UDPPort, UdpPortAdapter)
