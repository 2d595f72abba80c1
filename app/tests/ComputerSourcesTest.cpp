// The network audit's computer sources with scripted system calls: the
// machine-account pages, the walk over the browsed network with its error
// texts, and the object picker's selection; and the rules of the batch's
// names, paths and failure texts.
#include "app/ComputerListCollector.h"
#include "app/MachineAccountSource.h"
#include "app/NetworkAuditDlg.h"
#include "app/NetworkAuditProgressDlg.h"
#include "app/ObjectPickerSource.h"
#include "asset/Exceptions.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"

#include <comdef.h>
#include <gtest/gtest.h>
#include <lmerr.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

class Boxes {
public:
    Boxes()
    {
        m_previous = SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT) {
            m_texts.push_back(text);
            return IDOK;
        });
    }
    ~Boxes() { SetMessageBoxHook(m_previous); }
    std::vector<std::string> m_texts;

private:
    MessageBoxHook m_previous;
};

// Pages of machine accounts by start index; a missing index fails.
class ScriptedAccounts : public MachineAccountApi {
public:
    struct Page {
        DWORD status;
        std::vector<MachineAccount> accounts;
    };
    DWORD m_dcStatus = NERR_Success;
    std::map<DWORD, Page> m_pages;
    std::vector<std::wstring> m_servers;
    std::vector<DWORD> m_indexes;

    DWORD GetAnyDcName(std::wstring& name) override
    {
        if (m_dcStatus == NERR_Success) {
            name = L"\\\\DC01";
        }
        return m_dcStatus;
    }
    DWORD QueryMachines(const std::wstring& server, DWORD index, std::vector<MachineAccount>& page) override
    {
        m_servers.push_back(server);
        m_indexes.push_back(index);
        auto found = m_pages.find(index);
        if (found == m_pages.end()) {
            return ERROR_ACCESS_DENIED;
        }
        page = found->second.accounts;
        return found->second.status;
    }
};

std::vector<std::string> ScanAccounts(ScriptedAccounts& api, bool& scanned, int& busyHidden)
{
    std::vector<std::string> names;
    MachineAccountSource source(api);
    scanned = source.Scan(
        nullptr, [&] { ++busyHidden; }, names);
    return names;
}

} // namespace

TEST(ComputerSources, MachineAccountsArePagedLowerCasedAndWithoutDollar)
{
    Boxes boxes;
    ScriptedAccounts api;
    api.m_pages[0] = {ERROR_MORE_DATA, {{L"PC01$", 1001}, {L"Pc02$", 1002}}};
    api.m_pages[1002] = {NERR_Success, {{L"SERVER7$", 0}}};
    bool scanned = false;
    int busyHidden = 0;
    EXPECT_EQ((std::vector<std::string>{"pc01", "pc02", "server7"}), ScanAccounts(api, scanned, busyHidden));
    EXPECT_TRUE(scanned);
    EXPECT_EQ((std::vector<DWORD>{0, 1002}), api.m_indexes);
    EXPECT_EQ((std::vector<std::wstring>{L"\\\\DC01", L"\\\\DC01"}), api.m_servers);
    EXPECT_TRUE(boxes.m_texts.empty());
    EXPECT_EQ(0, busyHidden);
}

TEST(ComputerSources, MachineAccountFailures)
{
    // No domain controller: said, and this computer's own accounts are asked.
    {
        Boxes boxes;
        ScriptedAccounts api;
        api.m_dcStatus = 1355;
        api.m_pages[0] = {NERR_Success, {}};
        bool scanned = false;
        int busyHidden = 0;
        EXPECT_TRUE(ScanAccounts(api, scanned, busyHidden).empty());
        EXPECT_TRUE(scanned);
        EXPECT_EQ((std::vector<std::wstring>{L""}), api.m_servers);
        EXPECT_EQ((std::vector<std::string>{"Unable to contact the domain controller"}), boxes.m_texts);
        EXPECT_EQ(1, busyHidden);
    }
    // A failing page ends the scan; the names of earlier pages stay.
    {
        Boxes boxes;
        ScriptedAccounts api;
        api.m_pages[0] = {ERROR_MORE_DATA, {{L"PC01$", 7}}};
        bool scanned = true;
        int busyHidden = 0;
        EXPECT_EQ((std::vector<std::string>{"pc01"}), ScanAccounts(api, scanned, busyHidden));
        EXPECT_FALSE(scanned);
        EXPECT_EQ((std::vector<std::string>{"NetQueryDisplayInformation() returned an error."}), boxes.m_texts);
    }
    // "More" that does not move on would ask for the same page for ever.
    for (const std::vector<MachineAccount>& stuck :
         {std::vector<MachineAccount>{}, std::vector<MachineAccount>{{L"PC01$", 5}}}) {
        Boxes boxes;
        ScriptedAccounts api;
        api.m_pages[0] = {ERROR_MORE_DATA, {{L"PC00$", 5}}};
        api.m_pages[5] = {ERROR_MORE_DATA, stuck};
        bool scanned = true;
        int busyHidden = 0;
        ScanAccounts(api, scanned, busyHidden);
        EXPECT_FALSE(scanned);
        EXPECT_EQ(2u, api.m_indexes.size());
        EXPECT_EQ(1u, boxes.m_texts.size());
    }
}

namespace {

// A network of containers by remote name (the top is ""); each enumeration
// hands out its records in one batch, then "no more items".
class ScriptedNetwork : public NetworkResourceApi {
public:
    struct Node {
        std::string name;
        DWORD usage;
        DWORD displayType;
    };
    std::map<std::string, std::vector<Node>> m_children;
    std::map<std::string, DWORD> m_openErrors;
    std::map<std::string, DWORD> m_enumErrors;
    std::string m_largeRecordIn; // first batch of this container asks for a larger buffer
    DWORD m_lastErrorStatus = NO_ERROR;
    std::vector<std::string> m_opened;
    int m_open = 0;

    DWORD OpenEnum(DWORD, DWORD, DWORD, NETRESOURCEA* container, HANDLE* handle) override
    {
        const std::string name = container != nullptr && container->lpRemoteName ? container->lpRemoteName : "";
        m_opened.push_back(name);
        auto error = m_openErrors.find(name);
        if (error != m_openErrors.end()) {
            return error->second;
        }
        m_handles.push_back({name, false, false});
        *handle = reinterpret_cast<HANDLE>(m_handles.size());
        ++m_open;
        return NO_ERROR;
    }
    DWORD EnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* bufferSize) override
    {
        Walk& walk = m_handles[reinterpret_cast<size_t>(handle) - 1];
        if (walk.done) {
            return ERROR_NO_MORE_ITEMS;
        }
        auto error = m_enumErrors.find(walk.name);
        if (error != m_enumErrors.end()) {
            return error->second;
        }
        if (walk.name == m_largeRecordIn && !walk.askedLarger) {
            walk.askedLarger = true;
            *bufferSize = 70000;
            return ERROR_MORE_DATA;
        }
        const std::vector<Node>& nodes = m_children[walk.name];
        auto* records = static_cast<NETRESOURCEA*>(buffer);
        char* texts = reinterpret_cast<char*>(records + nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            records[i] = NETRESOURCEA();
            records[i].dwUsage = nodes[i].usage;
            records[i].dwDisplayType = nodes[i].displayType;
            std::strcpy(texts, nodes[i].name.c_str());
            records[i].lpRemoteName = texts;
            texts += nodes[i].name.size() + 1;
        }
        *count = static_cast<DWORD>(nodes.size());
        walk.done = true;
        return NO_ERROR;
    }
    DWORD CloseEnum(HANDLE) override
    {
        --m_open;
        return NO_ERROR;
    }
    DWORD GetLastError(DWORD* code, char* description, DWORD descriptionSize, char* provider,
                       DWORD providerSize) override
    {
        if (m_lastErrorStatus != NO_ERROR) {
            return m_lastErrorStatus;
        }
        *code = 42;
        lstrcpynA(description, "The provider is asleep.\r\n", static_cast<int>(descriptionSize));
        lstrcpynA(provider, "Scripted Network", static_cast<int>(providerSize));
        return NO_ERROR;
    }

private:
    struct Walk {
        std::string name;
        bool done;
        bool askedLarger;
    };
    std::vector<Walk> m_handles;
};

const DWORD kContainer = RESOURCEUSAGE_CONTAINER;

// The usual shape: a provider, a workgroup, two servers with shares.
ScriptedNetwork SmallNetwork()
{
    ScriptedNetwork net;
    net.m_children[""] = {{"Microsoft Windows Network", kContainer, RESOURCEDISPLAYTYPE_NETWORK}};
    net.m_children["Microsoft Windows Network"] = {{"WORKGROUP", kContainer, RESOURCEDISPLAYTYPE_DOMAIN},
                                                   {"OFFICE", kContainer, RESOURCEDISPLAYTYPE_DOMAIN}};
    net.m_children["WORKGROUP"] = {{"\\\\SERVER7", kContainer, RESOURCEDISPLAYTYPE_SERVER},
                                   {"\\\\Pc01", kContainer, RESOURCEDISPLAYTYPE_SERVER}};
    net.m_children["OFFICE"] = {{"\\\\PRINTHOST", kContainer, RESOURCEDISPLAYTYPE_SERVER}};
    net.m_children["\\\\SERVER7"] = {{"\\\\SERVER7\\share", RESOURCEUSAGE_CONNECTABLE, RESOURCEDISPLAYTYPE_SHARE}};
    return net;
}

// Stops at the first record named stopAt.
class StoppingWalker : public NetworkEnumerator {
public:
    StoppingWalker(NetworkResourceApi& api, std::string stopAt) : NetworkEnumerator(api), m_stopAt(std::move(stopAt)) {}
    bool OnResource(const NETRESOURCEA& resource) override
    {
        m_seen.push_back(resource.lpRemoteName);
        return m_seen.back() != m_stopAt;
    }
    std::vector<std::string> m_seen;

private:
    std::string m_stopAt;
};

} // namespace

TEST(ComputerSources, BrowsingKeepsServersWalksDomainsAndNotShares)
{
    Boxes boxes;
    ScriptedNetwork net = SmallNetwork();
    net.m_largeRecordIn = "WORKGROUP";
    std::vector<std::string> names;
    int busyHidden = 0;
    EXPECT_TRUE(NetworkBrowsingSource(net).Scan(
        nullptr, [&] { ++busyHidden; }, names));
    EXPECT_EQ((std::vector<std::string>{"server7", "pc01", "printhost"}), names);
    EXPECT_EQ((std::vector<std::string>{"", "Microsoft Windows Network", "WORKGROUP", "OFFICE"}), net.m_opened);
    EXPECT_EQ(0, net.m_open);
    EXPECT_TRUE(boxes.m_texts.empty());
    EXPECT_EQ(0, busyHidden);

    // No network, or a domain whose browser cannot be reached: no failure.
    for (const char* where : {"", "OFFICE"}) {
        ScriptedNetwork quiet = SmallNetwork();
        quiet.m_openErrors[where] = *where ? ERROR_BAD_NETPATH : ERROR_NO_NETWORK;
        names.clear();
        EXPECT_TRUE(NetworkBrowsingSource(quiet).Scan(
            nullptr, [] {}, names));
        EXPECT_EQ(*where ? 2u : 0u, names.size());
    }
    EXPECT_TRUE(boxes.m_texts.empty());
}

TEST(ComputerSources, BrowsingFailuresEndTheWalkWithTheirText)
{
    const std::string denied = SystemErrorText(ERROR_ACCESS_DENIED);
    struct Case {
        const char* what;
        std::function<void(ScriptedNetwork&)> script;
        std::string text;
        const char* failsAt; // the walk opens nothing after it
    };
    const Case cases[] = {
        {"a container that cannot be opened",
         [](ScriptedNetwork& n) { n.m_openErrors["OFFICE"] = ERROR_ACCESS_DENIED; },
         "WNetOpenEnum() failed.\r\nError code: 5\r\nDescription: " + denied, "OFFICE"},
        {"a batch that cannot be read", [](ScriptedNetwork& n) { n.m_enumErrors["WORKGROUP"] = ERROR_ACCESS_DENIED; },
         "WNetEnumResource() failed.\r\nError code: 5\r\nDescription: " + denied, "WORKGROUP"},
        {"a provider's own error", [](ScriptedNetwork& n) { n.m_openErrors["WORKGROUP"] = ERROR_EXTENDED_ERROR; },
         "Scripted Network failed.\r\nError code: 42\r\nDescription: The provider is asleep.", "WORKGROUP"},
        {"a provider that cannot say what went wrong",
         [](ScriptedNetwork& n) {
             n.m_openErrors["WORKGROUP"] = ERROR_EXTENDED_ERROR;
             n.m_lastErrorStatus = ERROR_NO_NETWORK;
         },
         "WNetGetLastError() failed.\r\nError Code: 1222", "WORKGROUP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Boxes boxes;
        ScriptedNetwork net = SmallNetwork();
        c.script(net);
        std::vector<std::string> names;
        int busyHidden = 0;
        EXPECT_FALSE(NetworkBrowsingSource(net).Scan(
            nullptr, [&] { ++busyHidden; }, names));
        EXPECT_EQ((std::vector<std::string>{"Enumeration of the network failed.\r\n" + c.text}), boxes.m_texts);
        EXPECT_EQ(1, busyHidden);
        EXPECT_EQ(0, net.m_open);
        EXPECT_EQ(c.failsAt, net.m_opened.back());
    }
}

TEST(ComputerSources, AWalkerStopsWhereItIsToldAndEndsInACircularNetwork)
{
    ScriptedNetwork net = SmallNetwork();
    StoppingWalker walker(net, "\\\\SERVER7");
    EXPECT_FALSE(walker.Run(NetworkEnumerator::kGlobalNetwork | NetworkEnumerator::kAnyType));
    EXPECT_EQ("\\\\SERVER7", walker.m_seen.back());
    EXPECT_EQ(0, net.m_open);

    // A provider that lists a container inside itself.
    ScriptedNetwork circle;
    circle.m_children[""] = {{"LOOP", kContainer, RESOURCEDISPLAYTYPE_DOMAIN}};
    circle.m_children["LOOP"] = {{"LOOP", kContainer, RESOURCEDISPLAYTYPE_DOMAIN},
                                 {"\\\\INSIDE", kContainer, RESOURCEDISPLAYTYPE_SERVER}};
    std::vector<std::string> names;
    EXPECT_TRUE(ComputerListCollector(names, circle).Run(NetworkEnumerator::kGlobalNetwork));
    EXPECT_FALSE(names.empty());
    EXPECT_LT(circle.m_opened.size(), 100u);
}

TEST(ComputerSources, PickerSelectionIsReadWithinItsMemory)
{
    struct {
        DS_SELECTION_LIST list;
        DS_SELECTION more[2];
    } memory = {};
    wchar_t first[] = L"PC01";
    wchar_t second[] = L"Server\x00e9";
    wchar_t empty[] = L"";
    memory.list.cItems = 3;
    memory.list.aDsSelection[0].pwzName = first;
    memory.more[0].pwzName = empty;
    memory.more[1].pwzName = second;
    EXPECT_EQ((std::vector<std::string>{"PC01", ToNarrowString(second)}),
              SelectedComputerNames(memory.list, sizeof(memory)));
    // The count says three; the memory holds two.
    EXPECT_EQ((std::vector<std::string>{"PC01"}), SelectedComputerNames(memory.list, sizeof(memory) - 1));
    EXPECT_TRUE(SelectedComputerNames(memory.list, 4).empty());
}

TEST(NetworkAuditRules, TimeoutsPathsNamesAndFailureTexts)
{
    int seconds = 0;
    for (const char* good : {"1", "3", "10"}) {
        EXPECT_TRUE(ParsePingTimeout(good, seconds)) << good;
        EXPECT_EQ(std::stoi(good), seconds);
    }
    for (const char* bad : {"", "0", "11", "3x", " 3", "-1", "010", "99999999999"}) {
        EXPECT_FALSE(ParsePingTimeout(bad, seconds)) << bad;
    }

    EXPECT_EQ("C:\\Results\\pc01.kes", ResultFilePath("C:\\Results", "pc01"));
    EXPECT_EQ("C:\\pc01.kes", ResultFilePath("C:\\", "pc01"));
    EXPECT_EQ("\\\\nas\\audits\\pc01.kes", ResultFilePath("\\\\nas\\audits\\", "pc01"));
    EXPECT_EQ("pc01", PlainComputerName("\\\\pc01"));
    EXPECT_EQ("pc01", PlainComputerName("pc01"));

    auto failure = [](const std::function<void()>& thrower) {
        try {
            thrower();
        } catch (...) {
            return BatchFailureText();
        }
        return std::string();
    };
    EXPECT_EQ("failed with error -2147024891: no access here",
              failure([] { throw t_exception(E_ACCESSDENIED, "no access here"); }));
    EXPECT_EQ("failed with error -2147024882: " + std::string(t_exception(E_OUTOFMEMORY, "").what()),
              failure([] { _com_issue_error(E_OUTOFMEMORY); }));
    EXPECT_EQ("failed with error: vector", failure([] { throw std::length_error("vector"); }));
    EXPECT_EQ("failed with an unknown error.", failure([] { throw 7; }));
}
