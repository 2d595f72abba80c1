// Entries a test makes in this machine's own Uninstall key, in the 64-bit or
// the 32-bit registry view (where 32-bit installers write, WOW6432Node), for
// the engines to find when they read the real machine. Each test program
// names its entries after itself; only what was made here is removed, and an
// Uninstall key of a view only when this made it and it is empty again.
//
// The programs that make them hold the lock that every program auditing this
// computer holds (system_drive_pardovel), so no whole audit of another
// program sees an entry come or go.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

class MachineUninstallEntries {
public:
    MachineUninstallEntries() = default;
    ~MachineUninstallEntries()
    {
        for (const auto& made : m_entries) {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPath) + "\\" + made.second).c_str(), made.first, 0);
        }
        for (REGSAM view : m_madeUninstall) {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kPath, view, 0); // fails while not empty
        }
    }
    MachineUninstallEntries(const MachineUninstallEntries&) = delete;
    MachineUninstallEntries& operator=(const MachineUninstallEntries&) = delete;

    // view: KEY_WOW64_64KEY or KEY_WOW64_32KEY. Values given as null are
    // left out. An entry of that name left by an earlier run is replaced.
    bool Add(REGSAM view, const std::string& name, const char* displayName, const char* version = nullptr,
             const char* publisher = nullptr)
    {
        if (!Exists(view, std::string())) {
            m_madeUninstall.push_back(view);
        }
        const std::string path = std::string(kPath) + "\\" + name;
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        m_entries.emplace_back(view, name);
        const std::pair<const char*, const char*> values[] = {
            {"DisplayName", displayName}, {"DisplayVersion", version}, {"Publisher", publisher}};
        for (const auto& value : values) {
            if (value.second != nullptr) {
                RegSetValueExA(key, value.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second),
                               static_cast<DWORD>(strlen(value.second) + 1));
            }
        }
        RegCloseKey(key);
        return true;
    }

    // Whether the view holds the entry (the Uninstall key itself for "").
    static bool Exists(REGSAM view, const std::string& name)
    {
        const std::string path = name.empty() ? std::string(kPath) : std::string(kPath) + "\\" + name;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

private:
    static constexpr const char* kPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::vector<std::pair<REGSAM, std::string>> m_entries;
    std::vector<REGSAM> m_madeUninstall;
};
