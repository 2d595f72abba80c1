// Hidden runs of the real program: it ends by itself, writes the result only
// where /S says and only with a configuration, and carries /L and /D.
#include "app/tests/KestrovaRun.h"

#include <gtest/gtest.h>

namespace {
// Nothing listens here: an upload is refused at once.
const int kClosedPort = 20699;
} // namespace

TEST(UnattendedRun, HiddenWithoutConfigurationDoesNothing)
{
    std::string folder = MakeFolder("noconfig");
    std::string out = MakeFolder("noconfig-out");
    EXPECT_EQ(0, RunKestrova("/H /S:\"" + out + "\"", folder));
    EXPECT_FALSE(FileExists(out + "\\" + ComputerName() + ".kes"));
}

TEST(UnattendedRun, HiddenSaveWritesTheResultWithLocationAndDepartment)
{
    std::string folder = MakeFolder("save");
    WriteConfig(folder, kClosedPort);
    std::string out = MakeFolder("save out");
    ASSERT_EQ(0, RunKestrova("/h /L:\"Central Office\" /D:Sales /S:\"" + out + "\"", folder));
    std::string result = ReadFileText(out + "\\" + ComputerName() + ".kes");
    EXPECT_NE(std::string::npos, result.find("location=\"Central Office\"")) << result.substr(0, 400);
    EXPECT_NE(std::string::npos, result.find("department=\"Sales\""));
    EXPECT_NE(std::string::npos, result.find("name=\"" + ComputerName() + "\""));

    // The folder with a closing backslash names the same file; an unquoted
    // location ends at the first space; a long one is cut to 50 characters.
    std::string longLocation(60, 'L');
    DeleteFileA((out + "\\" + ComputerName() + ".kes").c_str());
    ASSERT_EQ(0, RunKestrova("-M -H /L:" + longLocation + " /D:Human Resources /S:\"" + out + "\\\"", folder));
    result = ReadFileText(out + "\\" + ComputerName() + ".kes");
    EXPECT_NE(std::string::npos, result.find("location=\"" + std::string(50, 'L') + "\""));
    EXPECT_NE(std::string::npos, result.find("department=\"Human\""));
}

TEST(UnattendedRun, ShortSaveFolderSavesAndUploadsNothingAndUploadFailureEndsQuietly)
{
    std::string folder = MakeFolder("short");
    WriteConfig(folder, kClosedPort);
    EXPECT_EQ(0, RunKestrova("/H /S:x", folder));
    EXPECT_FALSE(FileExists(folder + "\\x"));
    EXPECT_FALSE(FileExists(folder + "\\x" + ComputerName() + ".kes"));

    // Without /S the result goes to the (refusing) server; the program must
    // still end by itself, and the failure is in the error log.
    EXPECT_EQ(0, RunKestrova("/H", folder));
    std::string log = ReadFileText(folder + "\\kestrova.log");
    EXPECT_NE(std::string::npos, log.find("Unable to upload the Kestrova results to Ondelmark.")) << log;
}
