// The Win32/registry engine, run for real under Wine and compared with what
// the platform itself reports, and run over a stand-in machine key for the
// registry steps, the step sequence and cancellation.
#include "netcomp/include/netcomp.h"

#include <iphlpapi.h>

#include "audit/APIAudit.h"

#include "asset/Exceptions.h"
#include "audit/CpuInfo.h"
#include "audit/OsVersionInfo.h"
#include "audit/tests/EngineTestSupport.h"
#include "audit/tests/RunAsWindowsVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cpuid.h>
#include <fstream>
#include <string>
#include <vector>

using namespace AssetIMPL;

namespace {

const std::vector<std::string> kAllLabels = {
    "Drive and Volume Information",
    "Username",
    "Computer Name (Description)",
    "Network Adapters",
    "RAM",
    "CPU",
    "Operating System Details",
    "Internet Explorer Version",
    "Software",
};
const char kIeKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kReportSwitch[] = "--report-engine-os";

std::string SystemText(DWORD code)
{
    try {
        ThrowSystemError(code);
    } catch (const t_exception& e) {
        return e.what();
    }
    return std::string();
}

TEST(APIAuditRules, MemoryPackagesAndMacAddresses)
{
    const unsigned long long mb = 1ULL << 20;
    struct {
        unsigned long long bytes;
        long megabytes;
    } memory[] = {
        {1021 * mb, 1024},      {1019 * mb, 1016}, {1020 * mb, 1024}, {1024 * mb + mb - 1, 1024}, {3 * mb, 0}, {0, 0},
        {16383ULL * mb, 16384},
    };
    for (const auto& m : memory) {
        EXPECT_EQ(m.megabytes, APIAudit::RoundMegabytes(m.bytes)) << (m.bytes >> 20);
    }

    struct {
        long processors;
        int perPackage;
        long packages;
    } cpus[] = {{2, 2, 1}, {4, 2, 2}, {2, 8, 2}, {1, 1, 1}, {8, 0, 8}, {8, -1, 8}, {6, 4, 1}};
    for (const auto& c : cpus) {
        EXPECT_EQ(c.packages, APIAudit::PackageCount(c.processors, c.perPackage))
            << c.processors << "/" << c.perPackage;
    }

    EXPECT_EQ("00:0C:29:3A:5B:7C", APIAudit::FormatMacAddress("00-0c-29-3a-5b-7c"));
    EXPECT_EQ("", APIAudit::FormatMacAddress(""));
}

// The whole engine on this computer; every value is checked against what the
// platform gives the test directly.
TEST(APIAudit, AuditsThisComputer)
{
    APIAudit engine;
    RecordingLog log;
    RecordingProgress progress;
    engine.SetLogSink(&log);
    engine.SetProgressSink(&progress);
    engine.Run(".");
    AssetComputerImpl& pc = engine.Result();

    EXPECT_EQ(std::vector<unsigned>{32}, progress.m_ranges);
    EXPECT_EQ(34, progress.m_steps);

    char name[261] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    EXPECT_EQ(name, pc.Property(kUserName).GetString());
    size = 16;
    ASSERT_TRUE(GetComputerNameA(name, &size));
    EXPECT_EQ(name, pc.Property(kAssetName).GetString());

    EXPECT_GT(pc.GetRam(), 0);
    EXPECT_GE(pc.GetCpuCount(), 1);
    // The processor type is defined by the base family, base model and
    // stepping of CPUID leaf 1, without the extended fields that AMD (family
    // 15 and up) and newer Intel processors add: read them from the
    // processor itself, not from the system's texts, which add them in.
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    ASSERT_TRUE(__get_cpuid(1, &eax, &ebx, &ecx, &edx));
    EXPECT_EQ("x86 Family " + std::to_string((eax >> 8) & 15) + " Model " + std::to_string((eax >> 4) & 15) +
                  " Stepping " + std::to_string(eax & 15),
              pc.Property(kCpuType).GetString());
    EXPECT_FALSE(pc.Property(kCpuDescription).GetString().empty());
    EXPECT_GT(pc.GetCpuSpeed(), 0);
    // Wine's default system; other versions are run below.
    EXPECT_EQ("6.1.7601", pc.Property(kOsVersion).GetString());
    EXPECT_EQ("Service Pack 1", pc.Property(kServicePack).GetString());
    EXPECT_EQ("Workstation", pc.Property(kAssetType).GetString());

    EXPECT_GE(pc.GetStorageDevices()->Members().size(), 2u); // Wine's C: and Z:

    // Every adapter the system lists, though nothing here initialised the
    // component, in description order.
    ULONG adapterBytes = 0;
    GetAdaptersInfo(nullptr, &adapterBytes);
    std::vector<char> adapterInfo(adapterBytes + 1);
    size_t systemCount = 0;
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(adapterInfo.data()), &adapterBytes) == NO_ERROR) {
        for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(adapterInfo.data()); a != nullptr; a = a->Next) {
            ++systemCount;
        }
    }
    EXPECT_GT(systemCount, 0u);
    EXPECT_EQ(systemCount, pc.GetNetworkAdapters()->Members().size());
    std::vector<std::string> found;
    for (const auto& nic : pc.GetNetworkAdapters()->Members()) {
        found.push_back(nic->Property(kNic).GetString());
    }
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));

    const bool hasIe = !pc.Property(kInternetExplorerVersion).GetString().empty();

    // Wine's only display key holds no EDID.
    EXPECT_EQ("Monitor", engine.GetMonitorDescription());
    EXPECT_EQ("", engine.GetMonitorSerialNo());

    std::vector<std::string> labels = log.TextsAt(0);
    if (!hasIe) {
        labels.insert(labels.begin() + 7, "Internet Explorer Version");
    }
    EXPECT_EQ(kAllLabels, labels);
}

// A stand-in machine with an Internet Explorer key and one program.
void AddMachine(MachineKey& machine)
{
    machine.SetString(kIeKey, "Version", "6.0.2900.2180");
    machine.SetString(std::string(kUninstall) + "\\{A1}", "DisplayName", "Editor");
}

TEST(APIAudit, CancelledBetweenSteps)
{
    MachineKey machine("Engine\\Machine");
    AddMachine(machine);
    // Progress steps: 1-26 the drive letters, then one each for user,
    // computer, adapters, memory, processor, system, browser, software.
    for (int doneBeforeCancel : {0, 5, 25, 26, 27, 30, 33, 34}) {
        APIAudit engine(machine.Key());
        RecordingLog log;
        RecordingProgress progress(doneBeforeCancel);
        engine.SetLogSink(&log);
        engine.SetProgressSink(&progress);
        engine.Run("."); // returns normally

        const int n = doneBeforeCancel;
        EXPECT_EQ(std::min(n, 34), progress.m_steps) << n;
        const size_t labels = n >= 26 ? 1 + std::min(8, n - 25) : 0;
        EXPECT_EQ(std::vector<std::string>(kAllLabels.begin(), kAllLabels.begin() + labels), log.TextsAt(0)) << n;
        EXPECT_EQ(n < 26, engine.Result().Property(kUserName).GetString().empty()) << n;
        EXPECT_EQ(n < 29, engine.Result().GetRam() == 0) << n;
        EXPECT_EQ(n < 33, engine.Result().GetSoftware()->Members().empty()) << n;
        EXPECT_EQ(n < 34 ? AuditOutcome::Cancelled : AuditOutcome::Completed, engine.RunOutcome()) << n;
    }
}

TEST(APIAudit, InternetExplorerVersionFromTheRegistry)
{
    struct {
        const char* version; // null: no value; "-": no key
        const char* stored;
        bool labelled;
    } cases[] = {
        {"8.0.6001.18702", "8.0.6001.18702", true},
        {nullptr, "", true},
        {"default value", "", true},
        {"-", "", false},
    };
    for (const auto& c : cases) {
        MachineKey machine("Engine\\Machine");
        machine.AddKey(kUninstall);
        if (c.version == nullptr) {
            machine.AddKey(kIeKey);
        } else if (std::string(c.version) != "-") {
            machine.SetString(kIeKey, "Version", c.version);
        }
        APIAudit engine(machine.Key());
        RecordingLog log;
        RecordingProgress progress;
        engine.SetLogSink(&log);
        engine.SetProgressSink(&progress);
        engine.Run(".");

        EXPECT_EQ(c.stored, engine.Result().Property(kInternetExplorerVersion).GetString());
        std::vector<std::string> labels = log.TextsAt(0);
        EXPECT_EQ(c.labelled, std::find(labels.begin(), labels.end(), "Internet Explorer Version") != labels.end());
        EXPECT_EQ("Software", labels.back()); // the run goes on either way
        EXPECT_EQ(34, progress.m_steps);
        const std::vector<std::string> errors = log.TextsAt(3);
        if (c.labelled) {
            EXPECT_TRUE(errors.empty());
        } else {
            EXPECT_EQ(std::vector<std::string>{SystemText(ERROR_FILE_NOT_FOUND)}, errors);
        }
    }
}

// A failure the step does not catch ends the run, keeping what the earlier
// steps found and logging the failure; without sinks the engine runs all the
// same.
TEST(APIAudit, AFailureEndsTheRunAndIsLogged)
{
    MachineKey machine("Engine\\Machine");
    machine.AddKey(kIeKey);
    APIAudit engine(machine.Key()); // no Uninstall key
    RecordingLog log;
    RecordingProgress progress;
    engine.SetLogSink(&log);
    engine.SetProgressSink(&progress);
    engine.Run(".");
    EXPECT_EQ(33, progress.m_steps);
    EXPECT_EQ(std::vector<std::string>(kAllLabels.begin(), kAllLabels.end() - 1), log.TextsAt(0));
    EXPECT_EQ(std::vector<std::string>{SystemText(ERROR_FILE_NOT_FOUND)}, log.TextsAt(3));
    EXPECT_EQ(AuditOutcome::Failed, engine.RunOutcome());
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), engine.RunFailure());
    EXPECT_FALSE(engine.Result().Property(kOsVersion).GetString().empty());

    AddMachine(machine);
    APIAudit silent(machine.Key());
    silent.Run(".");
    EXPECT_EQ(AuditOutcome::Completed, silent.RunOutcome());
    EXPECT_EQ(1u, silent.Result().GetSoftware()->Members().size());
    EXPECT_FALSE(silent.Result().Property(kUserName).GetString().empty());
    // Each run starts from an empty result.
    RegDeleteKeyA(machine.Key(), (std::string(kUninstall) + "\\{A1}").c_str());
    silent.Run(".");
    EXPECT_TRUE(silent.Result().GetSoftware()->Members().empty());
}

// The operating-system values of a whole run, as a copy of this program
// records them when the prefix reports another Windows version to it.
std::string ReportRun()
{
    APIAudit engine;
    engine.Run(".");
    AssetComputerImpl& pc = engine.Result();
    return pc.Property(kOsDescription).GetString() + "|" + pc.Property(kOsVersion).GetString() + "|" +
           pc.Property(kServicePack).GetString() + "|" + pc.Property(kAssetType).GetString();
}

std::string RunAs(const std::string& version)
{
    return RunAsWindowsVersion(version, kReportSwitch, "engine_");
}

TEST(APIAuditOperatingSystem, NamedAsTheSystemReportsItself)
{
    EXPECT_EQ("Microsoft Windows XP Professional|5.2.3790|Service Pack 2|Workstation", RunAs("winxp64"));
    EXPECT_EQ("Microsoft Windows Server 2003|5.2.3790|Service Pack 2|Server", RunAs("win2003"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == kReportSwitch) {
        std::ofstream(argv[2]) << ReportRun() << "\n";
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
