/* Property, method and event numbers of the IPInfo component (IPInfo_Get,
 * IPInfo_Set, IPInfo_Do and the event callback). */
#ifndef NETCOMP_IPINFO_H
#define NETCOMP_IPINFO_H

enum IpInfoProp {
    kIpInfoAdapterCount = 1,
    kIpInfoAdapterDescription = 2,
    kIpInfoAdapterSystemIndex = 3,
    kIpInfoAdapterDhcpEnabled = 4,
    kIpInfoAdapterDhcpServer = 5,
    kIpInfoAdapterGateway = 6,
    kIpInfoAdapterIndex = 7,
    kIpInfoAdapterIpAddress = 8,
    kIpInfoAdapterLeaseExpires = 9,
    kIpInfoAdapterLeaseObtained = 10,
    kIpInfoAdapterName = 11,
    kIpInfoAdapterOtherIpAddresses = 12,
    kIpInfoAdapterPhysicalAddress = 13,
    kIpInfoAdapterPrimaryWinsServer = 14,
    kIpInfoAdapterSecondaryWinsServer = 15,
    kIpInfoAdapterSubnetMask = 16,
    kIpInfoAdapterType = 17,
    kIpInfoAdapterWinsEnabled = 18,
    kIpInfoArpProxyEnabled = 19,
    kIpInfoDhcpScope = 20,
    kIpInfoDnsResolutionEnabled = 21,
    kIpInfoDnsServer = 22,
    kIpInfoDomainName = 23,
    kIpInfoHostAddress = 24,
    kIpInfoHostAliases = 25,
    kIpInfoHostName = 26,
    kIpInfoLocalHost = 27,
    kIpInfoNodeType = 28,
    kIpInfoOtherAddresses = 29,
    kIpInfoOtherDnsServers = 30,
    kIpInfoPendingRequests = 31,
    kIpInfoRequestId = 32,
    kIpInfoRoutingEnabled = 33,
    kIpInfoServiceAliases = 34,
    kIpInfoServiceName = 35,
    kIpInfoServicePort = 36,
    kIpInfoServiceProtocol = 37
};

enum IpInfoMethod {
    kIpInfoConfig = 1,
    kIpInfoDhcpRelease = 2,
    kIpInfoDhcpRenew = 3,
    kIpInfoDoEvents = 4,
    kIpInfoGetMac = 5,
    kIpInfoReset = 6,
    kIpInfoResolveAddress = 7,
    kIpInfoResolveName = 8
};

/* Error: code (int), description (text). RequestComplete: request handle
 * (pointer-sized), status code (int, 0 = success), description (text). */
enum IpInfoEvent { kIpInfoEventError = 1, kIpInfoEventRequestComplete = 2 };

#endif /* NETCOMP_IPINFO_H */
