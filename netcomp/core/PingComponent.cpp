// The Ping component's flat interface: numbers in, one engine call out.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/WrapperValues.h"
#include "netcomp/core/IcmpDll.h"
#include "netcomp/core/PingEngine.h"
#include "netcomp/core/PingNumbers.h"

namespace {

using namespace wrapper;

struct PingAdapter {
    using Engine = PingEngine;
    static constexpr int kMethodCount = kPingMethodCount;

    static int StaticInit()
    {
        IcmpDllStaticInit();
        return 0;
    }

    static int StaticDestroy()
    {
        IcmpDllStaticDestroy();
        return 0;
    }

    static INT_PTR Get(PingEngine& e, int property, int, int*)
    {
        switch (property) {
        case kPingActive:
            return e.IsActive() ? 1 : 0;
        case kPingLocalHost:
            return TextValue(e.GetLocalHost());
        case kPingPacketSize:
            return e.GetPacketSize();
        case kPingRemoteHost:
            return TextValue(e.GetRemoteHost());
        case kPingRequestId:
            return e.RequestId();
        case kPingResponseSource:
            return TextValue(e.ResponseSource());
        case kPingResponseTime:
            return e.ResponseTime();
        case kPingTimeout:
            return e.GetTimeout();
        case kPingTimeToLive:
            return e.GetTimeToLive();
        case kPingMessageType:
            return e.MessageType();
        default:
            return 0;
        }
    }

    static int Set(PingEngine& e, int property, int, INT_PTR value, int)
    {
        switch (property) {
        case kPingActive:
            return e.SetActive(value != 0);
        case kPingLocalHost:
            return e.SetLocalHost(Text(value));
        case kPingPacketSize:
            return e.SetPacketSize(int(value)), 0;
        case kPingRemoteHost:
            return e.SetRemoteHost(Text(value));
        case kPingTimeout:
            return e.SetPingTimeout(int(value));
        case kPingTimeToLive:
            return e.SetTimeToLive(int(value));
        case kPingMessageType:
            return e.SetMessageType(int(value)), 0;
        default:
            return kUnknownSetting;
        }
    }

    static int Do(PingEngine& e, int method, int count, INT_PTR* args, int*)
    {
        switch (method) {
        case kPingDoEvents:
            return e.DoEvents();
        case kPingInterrupt:
            return e.Interrupt(), 0;
        case kPingPingHost:
            return e.PingHost(ArgText(count, args, 0));
        case kPingWakeOnLan:
            return e.WakeOnLan(ArgText(count, args, 0), ArgText(count, args, 1));
        default:
            return e.LastCode();
        }
    }

    static int CheckIndex(PingEngine&, int, int) { return 0; }
};

} // namespace

NETCOMP_DEFINE_COMPONENT(Ping, PingAdapter)
