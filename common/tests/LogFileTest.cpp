#include "common/LogFile.h"

#include "common/tests/TestData.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

namespace {

TEST(LogFile, FileNaming)
{
    const struct {
        const char* logPath;
        int option;
        const char* expected;
    } cases[] = {
        {"D:\\logs\\", 0, "D:\\logs\\PC1.log"},
        {"D:\\logs", 0, "D:\\logsPC1.log"},
        {"D:\\logs\\", 1, "D:\\logs\\kestrova.log"},
        {"", 0, "C:\\PC1.log"},
        {"", 1, "C:\\kestrova.log"},
        {"D:\\logs\\", 2, ""},
        {"", -1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, LogFile::BuildLogFilePath(c.logPath, c.option, "PC1", "C:\\")) << c.logPath << c.option;
    }
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 3u);
    EXPECT_EQ(std::string(windows, 3), LogFile::GetSystemDriveRoot());
    char name[16] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameA(name, &size));
    EXPECT_EQ(std::string("x\\") + name + ".log", LogFile::GetLogFilePath("x\\", 0));
}

TEST(LogFile, OnlyErrorEntriesReachTheFile)
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string logPath = std::string(folder) + "\\";
    const std::string file = logPath + "kestrova.log";
    DeleteFileA(file.c_str());

    LogFile log;
    // Switched off: nothing is created.
    log.Open(logPath, 1);
    log.Write(3, "not written");
    log.Close();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));

    // Two audits append to the same file; levels 0 and 1 never reach it.
    for (int audit = 0; audit < 2; ++audit) {
        log.SetErrorSwitch(true);
        log.Open(logPath, 1);
        log.Write(1, "Audit Started.");
        log.Write(0, "Step label");
        log.Write(3, "Failure " + std::to_string(audit));
        log.Close();
    }
    std::string text = ReadWholeFile(file);
    std::regex line("\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d - Failure 0\r\n"
                    "\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d - Failure 1\r\n");
    EXPECT_TRUE(std::regex_match(text, line)) << text;

    // A folder that does not exist switches the log off for this audit.
    log.SetErrorSwitch(true);
    log.Open(logPath + "missing\\", 1);
    EXPECT_FALSE(log.GetErrorSwitch());
    log.Write(3, "lost");
    log.Close();
    log.SetErrorSwitch(true);
    log.Open(logPath, 7); // an unknown name option gives no path
    EXPECT_FALSE(log.GetErrorSwitch());
    EXPECT_EQ(text, ReadWholeFile(file));
}

} // namespace
