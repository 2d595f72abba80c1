/* The export list of the test DLL netcomp_probe.dll. */
NETCOMP_DECLARE_COMPONENT(Probe)
