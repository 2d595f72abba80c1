#include "audit/SoftwareAudit.h"

#include "asset/Exceptions.h"
#include "audit/tests/EngineTestSupport.h"
#include "audit/tests/MachineUninstallEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace AssetIMPL;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct Entry {
    const char* name;
    const char* displayName; // null: no value
    const char* version;
    const char* publisher;
    bool defaultValue; // has a value named "@"
};

void AddEntries(MachineKey& machine, const std::vector<Entry>& entries)
{
    machine.AddKey(kUninstall);
    for (const Entry& e : entries) {
        const std::string path = kUninstall + "\\" + e.name;
        machine.AddKey(path);
        if (e.displayName != nullptr) {
            machine.SetString(path, "DisplayName", e.displayName);
        }
        if (e.version != nullptr) {
            machine.SetString(path, "DisplayVersion", e.version);
        }
        if (e.publisher != nullptr) {
            machine.SetString(path, "Publisher", e.publisher);
        }
        if (e.defaultValue) {
            machine.SetString(path, "@", "leftover");
        }
    }
}

std::vector<std::string> Hotfixes(const AssetComputerImpl& computer)
{
    std::vector<std::string> names;
    for (const auto& value : computer.GetHotfixes()->Values()) {
        names.push_back(value.GetString());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "id|description|version|publisher".
std::vector<std::string> Titles(const AssetComputerImpl& computer)
{
    std::vector<std::string> titles;
    for (const auto& title : computer.GetSoftware()->Members()) {
        titles.push_back(title->GetId() + "|" + title->Property(kSoftwareDescription).GetString() + "|" +
                         title->Property(kSoftwareVersion).GetString() + "|" +
                         title->Property(kSoftwareManufacturer).GetString());
    }
    return titles;
}

TEST(SoftwareAudit, SortsEntriesIntoTitlesAndHotfixes)
{
    MachineKey machine("Engine\\Software");
    AddEntries(machine, {
                            {"KB123456", "Security Update (KB123456)", nullptr, nullptr, false},
                            {"KB4012212", "Security Update (KB4012212)", "1", "Maker", false},
                            {"KB40122125", nullptr, nullptr, nullptr, false},
                            {"{33333333-GUID}", "M\xFCller B\xFCro Software", "3", "M\xFCller", false},
                            {"Q123456", nullptr, nullptr, nullptr, false},
                            {"QA12345", "", nullptr, nullptr, false},
                            {"KB12345X", nullptr, "1.0", nullptr, false},
                            {"Q12345A", nullptr, nullptr, nullptr, true}, // display name not text, below
                            {"kb654321", "Lower Case Tool", "2", "Tools Inc", false},
                            {"{11111111-GUID}", nullptr, "1", "Nobody", false},
                            {"{22222222-GUID}", "Tool <beta>", "0.9", "Maker \"Q\" <x>", false},
                            {"DupA", "Editor", "1.0", "Acme", false},
                            {"DupB", "Editor", "1.0", "Acme", false},
                            {"DupC", "Editor", "2.0", "Acme", false},
                        });
    // An installer's leftover is passed over before its display name is read.
    const BYTE bytes[] = {1, 2, 3};
    RegSetKeyValueA(machine.Key(), (kUninstall + "\\Q12345A").c_str(), "DisplayName", REG_BINARY, bytes, sizeof bytes);
    AssetComputerImpl computer;
    SoftwareAudit::Run(machine.Key(), computer);

    EXPECT_EQ(Hotfixes(computer),
              (std::vector<std::string>{"KB40122125", "Q123456", "QA12345", "Security Update (KB123456)",
                                        "Security Update (KB4012212)"}));
    EXPECT_TRUE(computer.GetHotfixes()->IsModified());

    std::vector<std::string> titles = Titles(computer);
    std::sort(titles.begin(), titles.end());
    // The two equal editors are one title; which entry's id it keeps depends
    // on the registry's order.
    ASSERT_EQ(6u, titles.size());
    EXPECT_TRUE(titles[0] == "DUPA|Editor|1.0|Acme" || titles[0] == "DUPB|Editor|1.0|Acme") << titles[0];
    EXPECT_EQ("DUPC|Editor|2.0|Acme", titles[1]);
    EXPECT_EQ("KB12345X|KB12345X|1.0|", titles[2]);
    EXPECT_EQ("KB654321|Lower Case Tool|2|Tools Inc", titles[3]);
    EXPECT_EQ("{22222222-GUID}|Tool &lt;beta&gt;|0.9|Maker Q &lt;x&gt;", titles[4]);
    // Letters outside ASCII are kept as the system's code page has them.
    EXPECT_EQ("{33333333-GUID}|M\xFCller B\xFCro Software|3|M\xFCller", titles[5]);
}

TEST(SoftwareAudit, SecondRunListsOnlyWhatItFinds)
{
    MachineKey machine("Engine\\Software");
    AddEntries(machine,
               {{"KB111111", nullptr, nullptr, nullptr, false}, {"KB222222", nullptr, nullptr, nullptr, false}});
    AssetComputerImpl computer;
    SoftwareAudit::Run(machine.Key(), computer);
    EXPECT_EQ(Hotfixes(computer), (std::vector<std::string>{"KB111111", "KB222222"}));

    RegDeleteTreeA(machine.Key(), (kUninstall + "\\KB111111").c_str());
    RegDeleteKeyA(machine.Key(), (kUninstall + "\\KB111111").c_str());
    SoftwareAudit::Run(machine.Key(), computer);
    EXPECT_EQ(Hotfixes(computer), (std::vector<std::string>{"KB222222"}));

    // A list the step found empty counts as filled.
    AssetComputerImpl fresh;
    RegDeleteTreeA(machine.Key(), (kUninstall + "\\KB222222").c_str());
    RegDeleteKeyA(machine.Key(), (kUninstall + "\\KB222222").c_str());
    SoftwareAudit::Run(machine.Key(), fresh);
    EXPECT_TRUE(fresh.GetHotfixes()->Values().empty());
    EXPECT_TRUE(fresh.GetHotfixes()->IsModified());
}

TEST(SoftwareAudit, UnreadableRegistryEndsTheStep)
{
    MachineKey machine("Engine\\Software");
    AssetComputerImpl computer;
    try {
        SoftwareAudit::Run(machine.Key(), computer);
        FAIL() << "a missing Uninstall key must throw";
    } catch (const t_exception& e) {
        EXPECT_EQ(HRESULT(ERROR_FILE_NOT_FOUND), e.Code());
    }

    // A display name that is not text ends the step; the title found before
    // it stays.
    AddEntries(machine, {{"A1", "Editor", "1.0", "Acme", false}, {"Binary", nullptr, nullptr, nullptr, false}});
    const BYTE bytes[] = {1, 2, 3};
    RegSetKeyValueA(machine.Key(), (kUninstall + "\\Binary").c_str(), "DisplayName", REG_BINARY, bytes, sizeof bytes);
    EXPECT_THROW(SoftwareAudit::Run(machine.Key(), computer), t_exception);
    EXPECT_EQ(Titles(computer), std::vector<std::string>{"A1|Editor|1.0|Acme"});
}

// 32-bit programs register in the 32-bit view of the machine's Uninstall key,
// which a 64-bit program does not see unless it asks for that view. An entry
// name that both views hold is one entry, read from the 64-bit view.
TEST(SoftwareAudit, ReadsBothRegistryViewsOfThisMachine)
{
    MachineUninstallEntries entries;
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KestrovaTests Engine Only32", "Engine Test Tool 32", "3.2", "Tests Inc"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KB970101", "Engine Test Hotfix 32"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_64KEY, "KestrovaTests Engine Both", "Engine Test Both 64", "1"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KestrovaTests Engine Both", "Engine Test Both 32", "1"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_64KEY, "KB970102", "Engine Test Hotfix Both"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KB970102", "Engine Test Hotfix Both"));
    ASSERT_FALSE(MachineUninstallEntries::Exists(KEY_WOW64_64KEY, "KestrovaTests Engine Only32"));

    AssetComputerImpl computer;
    SoftwareAudit::Run(HKEY_LOCAL_MACHINE, computer);
    std::vector<std::string> ours;
    for (const std::string& title : Titles(computer)) {
        if (title.find("KESTROVATESTS ENGINE") == 0 || title.find("KB9701") == 0) {
            ours.push_back(title);
        }
    }
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ((std::vector<std::string>{"KESTROVATESTS ENGINE BOTH|Engine Test Both 64|1|",
                                        "KESTROVATESTS ENGINE ONLY32|Engine Test Tool 32|3.2|Tests Inc"}),
              ours);
    const std::vector<std::string> hotfixes = Hotfixes(computer);
    EXPECT_EQ(1, std::count(hotfixes.begin(), hotfixes.end(), "Engine Test Hotfix 32"));
    EXPECT_EQ(1, std::count(hotfixes.begin(), hotfixes.end(), "Engine Test Hotfix Both"));
}

} // namespace
