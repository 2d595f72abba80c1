// Times whole audits of this computer against a stand-in machine key whose
// Uninstall key holds 0, 250, 1,000 and 4,000 entries: the Win32/registry
// engine, and the WMI engine (this computer's WMI, the same stand-in key for
// its registry steps). Run under Wine:
//   tools/wine-run.sh $PWD/build/windows/wineprefix $PWD/build/windows/bench
//       $PWD/build/windows/bin/bench_audit_software.exe
// Each figure is the best of three runs, in milliseconds, split into the
// engine's run and the result XML; the ratio is to the empty list. Then the
// software step alone beside the bare registry requests it needs (the floor
// under Wine: every request is a round trip to the wineserver).
#include "netcomp/include/netcomp.h"

#include "audit/APIAudit.h"
#include "audit/SoftwareAudit.h"
#include "audit/WMIAudit.h"
#include "audit/ResultXml.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

const char kRoot[] = "Software\\KestrovaBench";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A stand-in for HKEY_LOCAL_MACHINE with n Uninstall entries: titles of a
// few dozen makers, every tenth one listed twice under another key, and
// every twentieth a hotfix.
HKEY MakeMachine(int n)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    HKEY machine = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr);
    for (int i = 0; i < n; ++i) {
        char name[64];
        char title[64];
        char maker[32];
        const int titleNumber = i % 10 == 9 ? i - 1 : i;
        if (i % 20 == 19) {
            snprintf(name, sizeof name, "%s\\KB%06d", kUninstall, 800000 + i);
        } else {
            snprintf(name, sizeof name, "%s\\{%08X-BENCH}", kUninstall, static_cast<unsigned>(i * 2654435761u));
        }
        snprintf(title, sizeof title, "Program %05d Suite", (titleNumber * 7919) % 100000);
        snprintf(maker, sizeof maker, "Maker %02d", titleNumber % 37);
        HKEY entry = nullptr;
        RegCreateKeyExA(machine, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr);
        RegSetValueExA(entry, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), DWORD(strlen(title) + 1));
        RegSetValueExA(entry, "Publisher", 0, REG_SZ, reinterpret_cast<const BYTE*>(maker), DWORD(strlen(maker) + 1));
        RegSetValueExA(entry, "DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>("1.0"), 4);
        RegCloseKey(entry);
    }
    if (n == 0) {
        HKEY empty = nullptr;
        RegCreateKeyExA(machine, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr);
        RegCloseKey(empty);
    }
    return machine;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

struct Timing {
    double audit = 1e30; // the engine's run
    double xml = 1e30;   // the result XML built from it
    size_t titles = 0;
};

// The best of three whole audits, result XML included.
template <class Engine>
Timing TimeAudit(HKEY machine)
{
    Timing best;
    for (int run = 0; run < 3; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER ran;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        Engine engine(machine);
        engine.SetRemote(false);
        engine.Run(_bstr_t("."));
        QueryPerformanceCounter(&ran);
        const std::string xml = BuildResultXml(engine, "1.2");
        QueryPerformanceCounter(&end);
        best.titles = engine.Result().GetSoftware()->Members().size();
        best.audit = std::min(best.audit, Milliseconds(start, ran));
        best.xml = std::min(best.xml, Milliseconds(ran, end));
    }
    return best;
}

// The registry requests the software step cannot do without, and nothing
// else: each entry enumerated, opened, its three values read, closed. Each
// is a round trip to the wineserver; the step's own time is measured beside.
double RegistryFloor(HKEY machine)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        HKEY uninstall = nullptr;
        RegOpenKeyExA(machine, kUninstall, 0, KEY_READ, &uninstall);
        char name[512];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(uninstall, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            HKEY entry = nullptr;
            if (RegOpenKeyExA(uninstall, name, 0, KEY_READ, &entry) != ERROR_SUCCESS)
                continue;
            for (const char* value : {"DisplayName", "DisplayVersion", "Publisher"}) {
                char data[512];
                DWORD size = sizeof data;
                RegQueryValueExA(entry, value, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
            }
            RegCloseKey(entry);
        }
        RegCloseKey(uninstall);
        QueryPerformanceCounter(&end);
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

// The software step of the Win32/registry engine alone, best of three.
double SoftwareStep(HKEY machine)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        AssetIMPL::AssetComputerImpl computer;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        SoftwareAudit::Run(machine, computer);
        QueryPerformanceCounter(&end);
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

} // namespace

int main()
{
    CoInitialize(nullptr);
    const int sizes[] = {0, 250, 1000, 4000};
    double apiEmpty = 0;
    double wmiEmpty = 0;
    printf("%8s %7s | %9s %9s %9s %6s | %9s %9s %9s %6s | %9s %9s %6s\n", "entries", "titles", "Win32", "(run", "xml)",
           "ratio", "WMI", "(run", "xml)", "ratio", "step", "floor", "ratio");
    for (int n : sizes) {
        HKEY machine = MakeMachine(n);
        const Timing api = TimeAudit<APIAudit>(machine);
        const Timing wmi = TimeAudit<WMIAudit>(machine);
        const double apiTotal = api.audit + api.xml;
        const double wmiTotal = wmi.audit + wmi.xml;
        if (n == 0) {
            apiEmpty = apiTotal;
            wmiEmpty = wmiTotal;
        }
        const double step = SoftwareStep(machine);
        const double floor = RegistryFloor(machine);
        printf("%8d %7u | %9.1f %9.1f %9.1f %6.2f | %9.1f %9.1f %9.1f %6.2f | %9.1f %9.1f %6.2f\n", n,
               unsigned(api.titles), apiTotal, api.audit, api.xml, apiTotal / apiEmpty, wmiTotal, wmi.audit, wmi.xml,
               wmiTotal / wmiEmpty, step, floor, step / floor);
        RegCloseKey(machine);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    CoUninitialize();
    return 0;
}
