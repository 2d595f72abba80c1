/* The export list: one NETCOMP_DECLARE_COMPONENT(<C>) line per component.
 * netcomp.dll and Kestrova.exe export the ten functions of every component
 * named here (the build writes their .def from this file), and the contract
 * tests check each of them. netcomp.h includes it; code that walks the list
 * includes it again with its own NETCOMP_DECLARE_COMPONENT. */
NETCOMP_DECLARE_COMPONENT(Ping)
NETCOMP_DECLARE_COMPONENT(IPInfo)
NETCOMP_DECLARE_COMPONENT(HTTP)
NETCOMP_DECLARE_COMPONENT(SOAP)
NETCOMP_DECLARE_COMPONENT(MIME)
NETCOMP_DECLARE_COMPONENT(NetCode)
NETCOMP_DECLARE_COMPONENT(UDPPort)
NETCOMP_DECLARE_COMPONENT(IPPort)
NETCOMP_DECLARE_COMPONENT(IPDaemon)
NETCOMP_DECLARE_COMPONENT(DNS)
NETCOMP_DECLARE_COMPONENT(MX)
NETCOMP_DECLARE_COMPONENT(TFTP)
NETCOMP_DECLARE_COMPONENT(SysLog)
NETCOMP_DECLARE_COMPONENT(NetClock)
