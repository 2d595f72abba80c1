// Runs a copy of the current test program with Wine told to report another
// Windows version for it (the per-program setting winecfg writes), and
// returns the first line the copy writes to its report file. The copy is
// started as "<copy> <reportSwitch> <file>"; the program's main() answers that
// switch by writing its report instead of running the tests.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

inline std::string RunAsWindowsVersion(const std::string& version, const std::string& reportSwitch,
                                       const std::string& namePrefix)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copyName = namePrefix + version + ".exe";
    const std::string outFile = namePrefix + version + ".txt";
    if (!CopyFileA(self, copyName.c_str(), FALSE)) {
        return "copy failed";
    }
    const std::string appKey = "Software\\Wine\\AppDefaults\\" + copyName;
    HKEY key = nullptr;
    // A copy started without the setting would report this system's own
    // version, which would read as a fault of the version rules.
    if (RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        DeleteFileA(copyName.c_str());
        return "registry failed";
    }
    const LONG set = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                                    static_cast<DWORD>(version.size() + 1));
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) {
        RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
        DeleteFileA(copyName.c_str());
        return "registry failed";
    }

    std::string command = "\"" + copyName + "\" " + reportSwitch + " " + outFile;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string result = "start failed";
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::ifstream in(outFile.c_str());
        std::getline(in, result);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    DeleteFileA(copyName.c_str());
    return result;
}
