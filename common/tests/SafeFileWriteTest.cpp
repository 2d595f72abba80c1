#include "common/SafeFileWrite.h"

#include "common/tests/TestData.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// Sets the current folder that a drive-relative path ("C:name") of another
// drive resolves against, and puts the old one back.
class DriveFolder {
public:
    DriveFolder(const char* variable, const char* folder) : m_variable(variable)
    {
        char old[MAX_PATH] = {};
        m_hadOld = GetEnvironmentVariableA(variable, old, MAX_PATH) > 0;
        m_old = old;
        SetEnvironmentVariableA(variable, folder);
    }
    ~DriveFolder() { SetEnvironmentVariableA(m_variable.c_str(), m_hadOld ? m_old.c_str() : nullptr); }

private:
    std::string m_variable;
    std::string m_old;
    bool m_hadOld = false;
};

TEST(SafeFileWrite, ReplacesWholeFilesInTheirOwnFolder)
{
    const std::string name = "safe-write.kes";
    DeleteFileA(name.c_str());
    ASSERT_TRUE(ReplaceFileContents(name, "first\r\n"));
    ASSERT_TRUE(ReplaceFileContents(name, std::string("<a>\r\n\0\r</a>\r\n", 13)));
    EXPECT_EQ(std::string("<a>\r\n\0\r</a>\r\n", 13), ReadWholeFile(name));
    EXPECT_TRUE(DeleteFileA(name.c_str()));

    // A failure gives the system's code of the step that failed, and leaves
    // no temporary file behind.
    unsigned long error = 0;
    EXPECT_FALSE(ReplaceFileContents("no-such-folder\\x.kes", "x", &error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_DIRECTORY), error);
    ASSERT_TRUE(CreateDirectoryA("taken.kes", nullptr));
    EXPECT_FALSE(ReplaceFileContents("taken.kes", "x", &error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), error);
    EXPECT_FALSE(AnyFileMatches("kes*.tmp"));
    RemoveDirectoryA("taken.kes");

    // A file at the root of a drive goes there even when the drive's current
    // folder cannot take new files (a log-on script saving to "C:\").
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    ASSERT_NE('C', cwd[0]) << "the test needs its current folder on another drive than C:";
    const std::string rootFile = "C:\\kes-safe-write-root.kes";
    DeleteFileA(rootFile.c_str());
    {
        DriveFolder drive("=C:", "C:\\kes-no-such-folder");
        EXPECT_TRUE(ReplaceFileContents(rootFile, "root\r\n"));
    }
    EXPECT_EQ("root\r\n", ReadWholeFile(rootFile));
    EXPECT_TRUE(DeleteFileA(rootFile.c_str()));
}

} // namespace
