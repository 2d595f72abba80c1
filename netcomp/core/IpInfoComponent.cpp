// The IPInfo component's flat interface: numbers in, one engine call out.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/WrapperValues.h"
#include "netcomp/core/IpHelper.h"
#include "netcomp/core/IpInfoEngine.h"
#include "netcomp/core/IpInfoNumbers.h"

namespace {

using namespace wrapper;

struct IpInfoAdapter {
    using Engine = IpInfoEngine;
    static constexpr int kMethodCount = kIpInfoMethodCount;

    static int StaticInit()
    {
        IpHelperStaticInit();
        return 0;
    }

    static int StaticDestroy()
    {
        IpHelperStaticDestroy();
        return 0;
    }

    static INT_PTR Get(IpInfoEngine& e, int property, int, int*)
    {
        switch (property) {
        case kIpInfoAdapterCount:
            return e.AdapterCount();
        case kIpInfoAdapterDescription:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterSystemIndex:
            return e.AdapterNumber(property);
        case kIpInfoAdapterDhcpEnabled:
            return e.AdapterNumber(property);
        case kIpInfoAdapterDhcpServer:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterGateway:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterIndex:
            return e.AdapterIndex();
        case kIpInfoAdapterIpAddress:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterLeaseExpires:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterLeaseObtained:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterName:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterOtherIpAddresses:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterPhysicalAddress:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterPrimaryWinsServer:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterSecondaryWinsServer:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterSubnetMask:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterType:
            return TextValue(e.AdapterText(property));
        case kIpInfoAdapterWinsEnabled:
            return e.AdapterNumber(property);
        case kIpInfoArpProxyEnabled:
            return e.ParamNumber(property);
        case kIpInfoDhcpScope:
            return TextValue(e.ParamText(property));
        case kIpInfoDnsResolutionEnabled:
            return e.ParamNumber(property);
        case kIpInfoDnsServer:
            return TextValue(e.ParamText(property));
        case kIpInfoDomainName:
            return TextValue(e.ParamText(property));
        case kIpInfoHostAddress:
            return TextValue(e.HostAddress());
        case kIpInfoHostAliases:
            return TextValue(e.HostAliases());
        case kIpInfoHostName:
            return TextValue(e.HostName());
        case kIpInfoLocalHost:
            return TextValue(e.GetLocalHost());
        case kIpInfoNodeType:
            return TextValue(e.ParamText(property));
        case kIpInfoOtherAddresses:
            return TextValue(e.OtherAddresses());
        case kIpInfoOtherDnsServers:
            return TextValue(e.ParamText(property));
        case kIpInfoPendingRequests:
            return e.PendingCount();
        case kIpInfoRequestId:
            return e.LastRequest();
        case kIpInfoRoutingEnabled:
            return e.ParamNumber(property);
        case kIpInfoServiceAliases:
            return TextValue(e.ServiceAliases());
        case kIpInfoServiceName:
            return TextValue(e.ServiceName());
        case kIpInfoServicePort:
            return e.ServicePort();
        case kIpInfoServiceProtocol:
            return TextValue(e.ServiceProtocol());
        default:
            return 0;
        }
    }

    static int Set(IpInfoEngine& e, int property, int, INT_PTR value, int)
    {
        switch (property) {
        case kIpInfoAdapterIndex:
            return e.SelectAdapter(int(value));
        case kIpInfoHostAddress:
            return e.StartHostByAddress(Text(value));
        case kIpInfoHostName:
            return e.StartHostByName(Text(value));
        case kIpInfoPendingRequests:
            return e.CancelBeyond(int(value));
        case kIpInfoServiceName:
            return e.StartServiceByName(Text(value));
        case kIpInfoServicePort:
            return e.StartServiceByPort(int(value));
        case kIpInfoServiceProtocol:
            return e.SetServiceProtocol(Text(value)), 0;
        default:
            return kUnknownSetting;
        }
    }

    static int Do(IpInfoEngine& e, int method, int count, INT_PTR* args, int*)
    {
        const char* answer = "";
        switch (method) {
        case kIpInfoDhcpRelease:
            return e.DhcpRelease();
        case kIpInfoDhcpRenew:
            return e.DhcpRenew();
        case kIpInfoDoEvents:
            return e.DoEvents();
        case kIpInfoGetMac: {
            const int rc = e.ResolveMac(ArgText(count, args, 0), &answer);
            return Answer(count, args, rc, answer);
        }
        case kIpInfoReset:
            return e.ResetAll();
        case kIpInfoResolveAddress: {
            const int rc = e.StartHostByAddress(ArgText(count, args, 0));
            return Answer(count, args, rc, e.HostName());
        }
        case kIpInfoResolveName: {
            const int rc = e.StartHostByName(ArgText(count, args, 0));
            return Answer(count, args, rc, e.HostAddress());
        }
        default:
            return e.LastCode();
        }
    }

    static int CheckIndex(IpInfoEngine&, int, int) { return 0; }
};

} // namespace

NETCOMP_DEFINE_COMPONENT(IPInfo, IpInfoAdapter)
