#pragma once
// What the tables of every component on the ICMP engine share: StaticInit
// and StaticDestroy hold a reference on icmp.dll for the library's life.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/icmp/IcmpDll.h"

struct IcmpComponentDefaults : ComponentDefaults {
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
};
