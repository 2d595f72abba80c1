/* The export list: one NETCOMP_DECLARE_COMPONENT(<C>) line per component
 * built so far. netcomp.dll and Kestrova.exe export the ten functions of
 * every component named here (the build writes their .def from this file).
 * Included by netcomp.h only. */
NETCOMP_DECLARE_COMPONENT(Ping)
NETCOMP_DECLARE_COMPONENT(IPInfo)
NETCOMP_DECLARE_COMPONENT(UDPPort)
