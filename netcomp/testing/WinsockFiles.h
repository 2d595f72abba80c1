#pragma once
// The files that make up Winsock for the components (header only): the
// library their binding loaded and the one its look-ups run in (the first
// forwards into the second). Read while a component holds the binding; a
// test asks afterwards which of them the process has unloaded meanwhile.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/WinsockBinding.h"

inline std::string ModuleFileAt(const void* address)
{
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    if (address &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

inline std::vector<std::string> BoundWinsockFiles()
{
    return {ModuleFileAt(g_winsock.Module()), ModuleFileAt(reinterpret_cast<const void*>(Ws().WSAAsyncGetHostByName))};
}

inline std::vector<std::string> UnloadedOf(const std::vector<std::string>& files)
{
    std::vector<std::string> gone;
    for (const std::string& file : files) {
        if (file.empty() || !GetModuleHandleA(file.c_str()))
            gone.push_back(file);
    }
    return gone;
}
