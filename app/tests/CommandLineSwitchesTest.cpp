// The command line as one table: each row a command line and what the run
// takes from it.
#include "app/CommandLineSwitches.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* line;
    int mode;
    bool apiAudit;
    bool remote;
    const char* location;
    const char* department;
    bool hasSave;
    const char* save;
};

const std::string k50 = "12345678901234567890123456789012345678901234567890";

} // namespace

TEST(CommandLineSwitches, TableOfCommandLines)
{
    const std::string sixty = "  " + k50 + "  tail";
    const std::string loc60 = "prog.exe /L:\"" + sixty + "\"";
    const std::string locCut = "prog.exe /L:\"" + std::string(48, 'x') + "   yy\"";
    const std::string first48 = k50.substr(0, 48);
    const std::string xs = std::string(48, 'x');
    const Row rows[] = {
        {"Kestrova.exe", 0, false, false, "", "", false, ""},
        {"Kestrova.exe -m /h", 1, false, false, "", "", false, ""},
        {"Kestrova.exe /H -M", 1, false, false, "", "", false, ""},
        {"Kestrova.exe /m /A", 2, true, false, "", "", false, ""},
        {"Kestrova.exe /r", 0, false, true, "", "", false, ""},
        {"Kestrova.exe /h /L:\"Central Office\"", 1, false, false, "Central Office", "", false, ""},
        {"Kestrova.exe /h /L:Central Office", 1, false, false, "Central", "", false, ""},
        {"Kestrova.exe /h /l:First /L:Second", 1, false, false, "First", "", false, ""},
        {"Kestrova.exe /h /D:\"Human Resources\" /L:x", 1, false, false, "x", "Human Resources", false, ""},
        {"Kestrova.exe /h /L:\"  padded  \"", 1, false, false, "padded", "", false, ""},
        {"Kestrova.exe /h /S:", 1, false, false, "", "", true, ""},
        {"Kestrova.exe /h /S:x", 1, false, false, "", "", true, "x"},
        {"Kestrova.exe /h /S:\"C:\\My Results\\\"", 1, false, false, "", "", true, "C:\\My Results\\"},
        {"Kestrova.exe /h /S:C:\\out /d:Sales", 1, false, false, "", "Sales", true, "C:\\out"},
        {"Kestrova.exe /h /L:\"unterminated value", 1, false, false, "unterminated value", "", false, ""},
        {"Kestrova.exe /h /L:\"", 1, false, false, "", "", false, ""},
        {"Kestrova.exe /h /", 1, false, false, "", "", false, ""},
        {"C:/Program-Files/Kestrova.exe /M", 2, false, false, "", "", false, ""},
        {"Kestrova.exe /H:yes /M", 1, false, false, "", "", false, ""},
        {"Kestrova.exe // /h", 1, false, false, "", "", false, ""},
        {loc60.c_str(), 0, false, false, first48.c_str(), "", false, ""},
        {locCut.c_str(), 0, false, false, xs.c_str(), "", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        StartupSwitches s = ReadStartupSwitches(CommandLineSwitches(row.line, false));
        EXPECT_EQ(row.mode, s.m_runMode);
        EXPECT_EQ(row.apiAudit, s.m_apiAudit);
        EXPECT_EQ(row.remote, s.m_remoteMenu);
        EXPECT_EQ(row.location, s.m_location);
        EXPECT_EQ(row.department, s.m_department);
        EXPECT_EQ(row.hasSave, s.m_hasSaveFolder);
        EXPECT_EQ(row.save, s.m_saveFolder);
    }
}

TEST(CommandLineSwitches, CaseSensitivityAndPresenceOfValuelessSwitches)
{
    CommandLineSwitches exact("p /Name:Value /flag", true);
    std::string value;
    EXPECT_TRUE(exact.GetSwitchValue("Name", value));
    EXPECT_EQ("Value", value);
    EXPECT_FALSE(exact.HasSwitch("name"));
    CommandLineSwitches folded("p /Name:Value /flag:", false);
    EXPECT_TRUE(folded.HasSwitch("NAME"));
    value = "untouched";
    EXPECT_TRUE(folded.GetSwitchValue("FLAG", value));
    EXPECT_EQ("", value);
    value = "untouched";
    EXPECT_FALSE(folded.GetSwitchValue("missing", value));
    EXPECT_EQ("untouched", value);
}

TEST(CommandLineSwitches, UnattendedResultPathNeedsTwoCharacters)
{
    EXPECT_EQ("", UnattendedResultPath("", "PC1"));
    EXPECT_EQ("", UnattendedResultPath("x", "PC1"));
    EXPECT_EQ("C:\\out\\PC1.kes", UnattendedResultPath("C:\\out", "PC1"));
    EXPECT_EQ("C:\\out\\PC1.kes", UnattendedResultPath("C:\\out\\", "PC1"));
    EXPECT_EQ("ab\\PC1.kes", UnattendedResultPath("ab", "PC1"));
}
