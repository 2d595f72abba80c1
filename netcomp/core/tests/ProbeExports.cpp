// The probe's exported functions, made by the same macro as every component's.
#include "netcomp/core/ComponentExports.h"
#include "netcomp/core/tests/ProbeComponent.h"

NETCOMP_DEFINE_COMPONENT(Probe, ProbeComponent)
