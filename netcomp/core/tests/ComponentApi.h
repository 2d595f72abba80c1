#pragma once
// The ten exported functions of one component of the export list, looked up
// by name in a loaded library, for tests that walk every component.
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <string>

#include "netcomp/include/netcomp.h"

// The names of the components of the export list, in its order.
#undef NETCOMP_DECLARE_COMPONENT
#define NETCOMP_DECLARE_COMPONENT(C) #C,
inline const char* const kComponentNames[] = {
#include "netcomp/include/netcomp_components.h"
};
#undef NETCOMP_DECLARE_COMPONENT

struct ComponentApi {
    int(WINAPI* staticInit)(HINSTANCE) = nullptr;
    int(WINAPI* staticDestroy)() = nullptr;
    void*(WINAPI* create)(ComponentEventCallback, INT_PTR, const char*) = nullptr;
    int(WINAPI* destroy)(void*) = nullptr;
    INT_PTR(WINAPI* get)(void*, int, int, int*) = nullptr;
    int(WINAPI* set)(void*, int, int, INT_PTR, int) = nullptr;
    int(WINAPI* doMethod)(void*, int, int, INT_PTR*, int*) = nullptr;
    int(WINAPI* checkIndex)(void*, int, int) = nullptr;
    const char*(WINAPI* lastError)(void*) = nullptr;
    int(WINAPI* lastErrorCode)(void*) = nullptr;

    // True when all ten were found.
    bool Bind(HMODULE module, const std::string& component)
    {
        Find(module, component + "_StaticInit", staticInit);
        Find(module, component + "_StaticDestroy", staticDestroy);
        Find(module, component + "_Create", create);
        Find(module, component + "_Destroy", destroy);
        Find(module, component + "_Get", get);
        Find(module, component + "_Set", set);
        Find(module, component + "_Do", doMethod);
        Find(module, component + "_CheckIndex", checkIndex);
        Find(module, component + "_GetLastError", lastError);
        Find(module, component + "_GetLastErrorCode", lastErrorCode);
        return staticInit && staticDestroy && create && destroy && get && set && doMethod && checkIndex && lastError &&
               lastErrorCode;
    }

private:
    template <class F>
    static void Find(HMODULE module, const std::string& name, F& f)
    {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
    }
};

// The process's private memory in bytes.
inline SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}
