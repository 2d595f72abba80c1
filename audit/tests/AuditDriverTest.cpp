// The audit driver over the document state: signature file, log frame,
// engine choice, GUID stamp, and a whole audit of this computer written as
// result XML.
#include "netcomp/include/netcomp.h"

#include "audit/AuditDocument.h"

#include "asset/Exceptions.h"
#include "audit/APIAudit.h"
#include "audit/WMIAudit.h"
#include "audit/AuditEngineFactory.h"
#include "audit/SignatureFile.h"
#include "audit/tests/EngineTestSupport.h"
#include "common/AppState.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace AssetIMPL;

namespace {

const char kReadFailed[] = "Unable to read the Kestrova signature file needed for auditing.";
const char kWriteFailed[] =
    "Unable to write the Kestrova signature file needed to uniquely identify this computer for auditing.";

// What the scripted engines saw.
struct Script {
    std::vector<AuditEngineKind> made;
    std::vector<bool> remoteCalls;
    std::string computer;
    AuditProgressSink* progress = nullptr;
    AuditLogSink* log = nullptr;
    size_t driverEntriesBeforeRun = 0;
    bool fail = false;
    AuditOutcome outcome = AuditOutcome::Completed;
    std::string failure;
};

class ScriptedEngine : public AuditEngine {
public:
    ScriptedEngine(Script& script, RecordingLog& tap) : m_script(script), m_tap(tap) {}
    void Run(const _bstr_t& computer) override
    {
        m_script.computer = static_cast<const char*>(computer);
        m_script.progress = m_progressSink;
        m_script.log = m_logSink;
        m_script.driverEntriesBeforeRun = m_tap.m_entries.size();
        BeginRun(1);
        Log(0, "Scripted step");
        Log(3, "Scripted failure");
        EndStep();
        if (m_script.fail) {
            throw t_exception(E_FAIL, "engine broke");
        }
        m_result.Property(kAssetName).SetString("SCRIPTED");
        EndRun(m_script.outcome, m_script.failure);
    }
    void SetRemote(bool remote) override { m_script.remoteCalls.push_back(remote); }

private:
    Script& m_script;
    RecordingLog& m_tap;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AuditDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CleanSignatureFile();
        m_savedApp = GetAppState();
        AppState& app = GetAppState();
        app.m_runMode = kRunInteractive;
        app.m_apiAuditSwitch = false;
        app.m_wmiAvailable = false;
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, folder);
        app.m_config.m_logPath = std::string(folder) + "\\";
        app.m_config.m_logNameOption = 1;
        app.m_config.m_logErrors = true;
        m_logFile = app.m_config.m_logPath + "kestrova.log";
        DeleteFileA(m_logFile.c_str());

        SetAuditEngineFactory([this](AuditEngineKind kind) {
            m_script.made.push_back(kind);
            return boost::shared_ptr<Audit>(new ScriptedEngine(m_script, m_tap));
        });
        SetAuditLogTap(&m_tap);
    }
    void TearDown() override
    {
        SetAuditEngineFactory(AuditEngineFactory());
        SetAuditLogTap(nullptr);
        GetAppState() = m_savedApp;
        CleanSignatureFile();
        DeleteFileA(m_logFile.c_str());
    }

    // Error entries in the log file, without their time stamps.
    std::vector<std::string> LoggedErrors() const
    {
        std::vector<std::string> lines;
        const std::string text = ReadFile(m_logFile);
        const std::regex line("(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d) - ([^\\r\\n]*)\\r\\n");
        size_t matched = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
            lines.push_back((*it)[2]);
            matched += it->length();
        }
        EXPECT_EQ(text.size(), matched) << text;
        return lines;
    }

    AppState m_savedApp;
    std::string m_logFile;
    Script m_script;
    RecordingLog m_tap;
    RecordedBoxes m_boxes;
};

TEST_F(AuditDriverTest, ChoosesTheEngineAndItsMode)
{
    struct {
        bool apiSwitch;
        bool remote;
        bool wmiAnswered;
        AuditEngineKind kind;
        std::vector<bool> remoteCalls;
    } cases[] = {
        {true, false, true, AuditEngineKind::Api, {}},   {false, false, true, AuditEngineKind::Wmi, {false}},
        {false, false, false, AuditEngineKind::Api, {}}, {false, true, false, AuditEngineKind::Wmi, {true}},
        {true, true, true, AuditEngineKind::Api, {}},
    };
    GetAppState().m_runMode = kRunHidden; // a remote signature file may be out of reach
    for (const auto& c : cases) {
        m_script = Script();
        AppState& app = GetAppState();
        app.m_apiAuditSwitch = c.apiSwitch;
        app.m_wmiAvailable = c.wmiAnswered;
        AuditDocument doc;
        doc.m_remote = c.remote;
        doc.RunAudit(c.remote ? "localhost" : ".", nullptr);
        EXPECT_EQ(std::vector<AuditEngineKind>{c.kind}, m_script.made);
        EXPECT_EQ(c.remoteCalls, m_script.remoteCalls);
        EXPECT_EQ(c.remote ? "localhost" : ".", m_script.computer);
        EXPECT_TRUE(doc.m_completed);
    }
}

TEST_F(AuditDriverTest, FramesTheEngineInTheLogAndStampsTheGuid)
{
    AuditDocument doc;
    RecordingProgress progress;
    doc.RunAudit(".", &progress);

    EXPECT_TRUE(doc.m_completed);
    EXPECT_EQ(&progress, m_script.progress);
    EXPECT_EQ(static_cast<AuditLogSink*>(&doc.m_log), m_script.log);
    EXPECT_EQ(2u, m_script.driverEntriesBeforeRun);
    EXPECT_EQ(
        (std::vector<std::pair<int, std::string>>{{1, "COMPUTER - ."}, {1, "Audit Started."}, {1, "Audit Completed."}}),
        m_tap.m_entries);
    EXPECT_EQ(std::vector<std::string>{"Scripted failure"}, LoggedErrors());
    EXPECT_TRUE(m_boxes.Texts().empty());

    std::string guid;
    ASSERT_TRUE(SignatureFile(".", false).Read(guid));
    EXPECT_EQ(38u, guid.size());
    EXPECT_EQ(guid, doc.m_engine->Result().Property(kGuid).GetString());

    // The next audit reads the same identity back and logs again.
    boost::shared_ptr<Audit> first = doc.m_engine;
    doc.RunAudit(".", nullptr);
    EXPECT_NE(first, doc.m_engine);
    EXPECT_EQ(guid, doc.m_engine->Result().Property(kGuid).GetString());
    EXPECT_EQ((std::vector<std::string>{"Scripted failure", "Scripted failure"}), LoggedErrors());
}

TEST_F(AuditDriverTest, AnEngineThatThrowsLeavesTheLogClosed)
{
    AuditDocument doc;
    m_script.fail = true;
    EXPECT_THROW(doc.RunAudit(".", nullptr), t_exception);
    EXPECT_FALSE(doc.m_completed);
    EXPECT_EQ(AuditOutcome::Failed, doc.m_outcome);
    EXPECT_EQ("", doc.m_engine->Result().Property(kGuid).GetString());
    EXPECT_EQ((std::vector<std::string>{"Scripted failure", "engine broke"}), LoggedErrors());
    EXPECT_EQ(std::vector<std::string>{"engine broke"}, m_tap.TextsAt(3));
    // Nothing holds the file any more.
    EXPECT_TRUE(DeleteFileA(m_logFile.c_str())) << GetLastError();

    m_script.fail = false;
    doc.RunAudit(".", nullptr);
    EXPECT_TRUE(doc.m_completed);
    EXPECT_EQ(AuditOutcome::Completed, doc.m_outcome);
    EXPECT_EQ(std::vector<std::string>{"Scripted failure"}, LoggedErrors());
}

// How the engine's run ended decides the last log line and whether the
// record is an audit at all; only a full run is Completed.
TEST_F(AuditDriverTest, RecordsHowTheRunEnded)
{
    const std::pair<int, std::string> started[] = {{1, "COMPUTER - ."}, {1, "Audit Started."}};
    const std::pair<int, std::string> completed{1, "Audit Completed."};
    const std::pair<int, std::string> unreached{3, "no way there"};
    const struct {
        AuditOutcome outcome;
        int runMode;
        bool completedFlag;
        std::vector<std::pair<int, std::string>> tail; // the tap's entries after the start
        std::vector<std::string> boxes;
    } cases[] = {
        {AuditOutcome::Cancelled, kRunInteractive, true, {completed}, {}},
        {AuditOutcome::Failed, kRunHidden, true, {}, {}},
        {AuditOutcome::Unreachable, kRunInteractive, false, {}, {"no way there"}},
        {AuditOutcome::Unreachable, kRunMinimal, false, {unreached}, {}},
    };
    for (const auto& c : cases) {
        m_tap.m_entries.clear();
        m_boxes.Clear();
        m_script.outcome = c.outcome;
        m_script.failure = "no way there";
        AppState app = GetAppState();
        app.m_runMode = c.runMode;
        AuditDocument doc(app);
        doc.RunAudit(".", nullptr);
        EXPECT_EQ(c.outcome, doc.m_outcome);
        EXPECT_EQ(c.completedFlag, doc.m_completed);
        EXPECT_EQ(c.completedFlag ? 38u : 0u, doc.m_engine->Result().Property(kGuid).GetString().size());
        std::vector<std::pair<int, std::string>> entries(std::begin(started), std::end(started));
        entries.insert(entries.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(entries, m_tap.m_entries);
        EXPECT_EQ(c.boxes, m_boxes.Texts());
    }
    // Every way out closed the log.
    EXPECT_TRUE(DeleteFileA(m_logFile.c_str())) << GetLastError();
}

TEST_F(AuditDriverTest, SignatureFileFailures)
{
    struct {
        int runMode;
        bool unreadable; // else: cannot be created
    } cases[] = {
        {kRunInteractive, true},
        {kRunInteractive, false},
        {kRunHidden, true},
        {kRunMinimal, false},
    };
    for (const auto& c : cases) {
        CleanSignatureFile();
        DeleteFileA(m_logFile.c_str());
        m_script = Script();
        m_tap.m_entries.clear();
        m_boxes.Clear();
        if (c.unreadable) {
            ASSERT_TRUE(CreateDirectoryA(SignatureFolder().c_str(), nullptr));
            ASSERT_TRUE(CreateDirectoryA((SignatureFolder() + "pardovel.sig").c_str(), nullptr));
        } else {
            std::ofstream(SignatureFolder().substr(0, SignatureFolder().size() - 1).c_str()) << "not a folder";
        }
        GetAppState().m_runMode = c.runMode;
        const std::string text = c.unreadable ? kReadFailed : kWriteFailed;

        AuditDocument doc;
        Script previousScript;
        RecordingLog previousTap;
        boost::shared_ptr<Audit> previous(new ScriptedEngine(previousScript, previousTap));
        doc.m_engine = previous;
        doc.RunAudit(".", nullptr);

        if (c.runMode == kRunInteractive) {
            EXPECT_EQ(std::vector<std::string>{text}, m_boxes.Texts());
            EXPECT_EQ(std::vector<UINT>{MB_OK | MB_ICONERROR}, m_boxes.Types());
            EXPECT_TRUE(m_script.made.empty());
            EXPECT_EQ(previous, doc.m_engine);
            EXPECT_FALSE(doc.m_completed);
            EXPECT_TRUE(m_tap.m_entries.empty());
        } else {
            EXPECT_TRUE(m_boxes.Texts().empty());
            EXPECT_EQ(1u, m_script.made.size());
            EXPECT_TRUE(doc.m_completed);
            EXPECT_EQ("", doc.m_engine->Result().Property(kGuid).GetString());
            EXPECT_EQ(std::vector<std::string>{text}, m_tap.TextsAt(3));
            EXPECT_EQ((std::vector<std::string>{text, "Scripted failure"}), LoggedErrors());
        }
    }
}

// A whole audit of this computer, as the start-up under Wine sets it up (the
// WMI probe failed), ending in the result XML.
TEST_F(AuditDriverTest, AuditsThisComputerIntoResultXml)
{
    SetAuditEngineFactory(AuditEngineFactory());
    GetAppState().m_runMode = kRunHidden;
    AuditDocument doc;
    doc.RunAudit(".", nullptr);
    ASSERT_TRUE(doc.m_completed);

    std::string guid;
    ASSERT_TRUE(SignatureFile(".", false).Read(guid));
    char name[16] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameA(name, &size));

    const std::string xml = doc.WriteResultXml();
    for (const std::string& part : {std::string("<Version>1.2</Version>"), "<GUID>" + guid + "</GUID>",
                                    "<Description name=\"" + std::string(name) + "\"", std::string("<Drive id=\"C\""),
                                    std::string("<Drive id=\"Z\""), std::string("<CPU desc=\"")}) {
        EXPECT_NE(std::string::npos, xml.find(part)) << part << "\n" << xml;
    }
    EXPECT_EQ(std::string::npos, xml.find("ram=\"0\"")) << xml;
}

} // namespace
