// Hidden runs of the real program: it ends by itself, writes the result only
// where /S says and only with a configuration, and carries /L and /D.
#include "app/tests/KestrovaRun.h"
#include "common/TextHelpers.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
// Nothing listens here: an upload is refused at once.
const int kClosedPort = 20699;
} // namespace

TEST(UnattendedRun, HiddenWithoutConfigurationDoesNothing)
{
    std::string folder = MakeFolder("noconfig");
    std::string out = MakeFolder("noconfig-out");
    EXPECT_EQ(1, RunKestrova("/H /S:\"" + out + "\"", folder));
    EXPECT_FALSE(FileExists(out + "\\" + ComputerName() + ".kes"));

    // A configuration that cannot be read is none either.
    MakeFolder("noconfig\\kestrova.cfg");
    EXPECT_EQ(1, RunKestrova("/M /S:\"" + out + "\"", folder));
    EXPECT_FALSE(FileExists(out + "\\" + ComputerName() + ".kes"));
}

TEST(UnattendedRun, HiddenSaveWritesTheResultWithLocationAndDepartment)
{
    std::string folder = MakeFolder("save");
    WriteConfig(folder, kClosedPort);
    std::string out = MakeFolder("save out");
    ASSERT_EQ(0, RunKestrova("/h /L:\"Central Office\" /D:Z\xFCrich /S:\"" + out + "\"", folder));
    std::string result = ReadFileText(out + "\\" + ComputerName() + ".kes");
    EXPECT_NE(std::string::npos, result.find("location=\"Central Office\"")) << result.substr(0, 400);
    // The command line's code page text, written as the UTF-8 the file declares.
    EXPECT_NE(std::string::npos, result.find("department=\"Z\xC3\xBCrich\""));
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
    EXPECT_EQ(3, RunKestrova("/H /S:x", folder));
    EXPECT_FALSE(FileExists(folder + "\\x"));
    EXPECT_FALSE(FileExists(folder + "\\x" + ComputerName() + ".kes"));

    // Without /S the result goes to the (refusing) server; the program must
    // still end by itself, and the failure is in the error log with its
    // reason.
    EXPECT_EQ(4, RunKestrova("/H", folder));
    std::string log = ReadFileText(folder + "\\kestrova.log");
    EXPECT_NE(std::string::npos, log.find("Unable to upload the Kestrova results to Ondelmark.\r\n"
                                          "Could not connect to the Ondelmark server at 127.0.0.1:" +
                                          std::to_string(kClosedPort) + ": the connection was refused."))
        << log;
}

TEST(UnattendedRun, ASaveThatFailsEndsWithItsOwnCodeAndTheSystemsReason)
{
    std::string folder = MakeFolder("nosave");
    WriteConfig(folder, kClosedPort);
    // A folder that is a plain file, and one that does not exist.
    std::ofstream(folder + "\\plain", std::ios::binary) << "x";
    EXPECT_EQ(3, RunKestrova("/H /S:\"" + folder + "\\plain\"", folder));
    EXPECT_EQ(3, RunKestrova("/M /S:\"" + folder + "\\missing folder\"", folder));
    std::string log = ReadFileText(folder + "\\kestrova.log");
    const std::string reason = "Could not save the audit results to file. " + SystemErrorText(ERROR_DIRECTORY);
    size_t first = log.find(reason);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_NE(std::string::npos, log.find(reason, first + 1)) << log;
    EXPECT_NE(std::string::npos, log.find("the result could not be saved to " + folder + "\\missing folder\\"));
}
