// Hidden runs whose audit goes wrong, with scripted engines in this
// process: an exception is caught and logged, and nothing is saved.
#include "app/KestrovaApp.h"
#include "app/tests/KestrovaRun.h"
#include "audit/Audit.h"
#include "audit/AuditEngineFactory.h"
#include "common/AppState.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ScriptedEngine : public AuditEngine {
public:
    ScriptedEngine(bool throws, AuditOutcome outcome) : m_throws(throws), m_outcome(outcome) {}
    void Run(const _bstr_t&) override
    {
        if (m_throws) {
            throw std::runtime_error("scripted engine failure");
        }
        // A named result, so that a run let through would be saved.
        Result().Property(AssetIMPL::kAssetName).SetString(ComputerName());
    }
    void SetRemote(bool) override {}
    AuditOutcome RunOutcome() const override { return m_outcome; }

private:
    bool m_throws;
    AuditOutcome m_outcome;
};

std::string CurrentFolder()
{
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    return current;
}

// One hidden run of the application object with the given engine; the
// result folder's file, or "" when none was written. exitCode gets the run's.
std::string HiddenRunWith(bool throws, AuditOutcome outcome, const std::string& outName, int& exitCode)
{
    std::string out = MakeFolder(outName);
    WriteConfig(CurrentFolder(), 20699);
    AuditEngineFactory previous = SetAuditEngineFactory(
        [throws, outcome](AuditEngineKind) { return boost::shared_ptr<Audit>(new ScriptedEngine(throws, outcome)); });
    bool entersLoop = true;
    {
        CKestrovaApp app;
        app.SetCommandLine("Kestrova.exe /H /S:\"" + out + "\"");
        entersLoop = app.InitInstance();
        exitCode = app.ExitInstance();
    }
    SetAuditEngineFactory(previous);
    GetAppState().m_runMode = kRunInteractive;
    EXPECT_FALSE(entersLoop);
    std::string path = out + "\\" + ComputerName() + ".kes";
    return FileExists(path) ? ReadFileText(path) : std::string();
}

} // namespace

TEST(UnattendedFailure, AnExceptionFromTheAuditIsLoggedAndNothingSaved)
{
    int exitCode = -1;
    EXPECT_EQ("", HiddenRunWith(true, AuditOutcome::Completed, "thrown", exitCode));
    EXPECT_EQ(kExitAuditIncomplete, exitCode);
    std::string log = ReadFileText(CurrentFolder() + "\\kestrova.log");
    EXPECT_NE(std::string::npos, log.find("scripted engine failure")) << log;
}

TEST(UnattendedFailure, AnAuditThatNeverReachedTheComputerIsNotSaved)
{
    int exitCode = -1;
    EXPECT_EQ("", HiddenRunWith(false, AuditOutcome::Unreachable, "unreached", exitCode));
    EXPECT_EQ(kExitAuditIncomplete, exitCode);
    std::string log = ReadFileText(CurrentFolder() + "\\kestrova.log");
    EXPECT_NE(std::string::npos, log.find("did not run to its end")) << log;
}

TEST(UnattendedFailure, OnlyAFullRunIsSaved)
{
    int exitCode = -1;
    EXPECT_NE("", HiddenRunWith(false, AuditOutcome::Completed, "full", exitCode));
    EXPECT_EQ(kExitDelivered, exitCode);
    EXPECT_EQ("", HiddenRunWith(false, AuditOutcome::Failed, "failed", exitCode));
    EXPECT_EQ(kExitAuditIncomplete, exitCode);
}
