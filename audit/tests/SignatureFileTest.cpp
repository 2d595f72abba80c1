#include "audit/SignatureFile.h"

#include "audit/tests/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The real place on the system drive of the test prefix, emptied before and
// after each case.
class SignatureFileTest : public ::testing::Test {
protected:
    void SetUp() override { CleanSignatureFile(); }
    void TearDown() override { CleanSignatureFile(); }

    static void WriteFile(const std::string& path, const std::string& text)
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
};

TEST_F(SignatureFileTest, Paths)
{
    EXPECT_EQ(SignatureFolder(), SignatureFile(".", false).GetFolder());
    EXPECT_EQ(SignatureFolder() + "pardovel.sig", SignatureFile("PC1", false).GetPath());
    EXPECT_EQ("\\\\PC1\\C$\\Pardovel\\", SignatureFile("PC1", true).GetFolder());
    EXPECT_EQ("\\\\PC1\\C$\\Pardovel\\pardovel.sig", SignatureFile("PC1", true).GetPath());
}

TEST_F(SignatureFileTest, CreateThenRead)
{
    SignatureFile file(".", false);
    EXPECT_FALSE(file.Exists());
    std::string guid;
    ASSERT_TRUE(file.Create(guid));
    ASSERT_EQ(38u, guid.size());
    EXPECT_EQ('{', guid[0]);
    EXPECT_EQ('}', guid[37]);
    EXPECT_EQ(std::string::npos, guid.find_first_of("abcdef"));
    EXPECT_TRUE(file.Exists());
    DWORD attributes = GetFileAttributesA(file.GetPath().c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);

    std::string read;
    ASSERT_TRUE(file.Read(read));
    EXPECT_EQ(guid, read);

    // Content is taken as it stands: a line end stays, an empty file is fine.
    SetFileAttributesA(file.GetPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFile(file.GetPath(), guid + "\r\n");
    ASSERT_TRUE(file.Read(read));
    EXPECT_EQ(guid + "\r\n", read);
    WriteFile(file.GetPath(), "");
    read = "old";
    ASSERT_TRUE(file.Read(read));
    EXPECT_EQ("", read);
}

TEST_F(SignatureFileTest, FailuresLeaveTheGuidAlone)
{
    SignatureFile file(".", false);
    std::string guid = "unchanged";

    // A folder in place of the file: it exists, but cannot be read.
    ASSERT_TRUE(CreateDirectoryA(SignatureFolder().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(file.GetPath().c_str(), nullptr));
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(file.Read(guid));
    EXPECT_EQ("unchanged", guid);
    EXPECT_FALSE(file.Create(guid));
    EXPECT_EQ("unchanged", guid);
    CleanSignatureFile();

    // A plain file in place of the folder: nothing can be created.
    WriteFile(SignatureFolder().substr(0, SignatureFolder().size() - 1), "not a folder");
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.Create(guid));
    EXPECT_EQ("unchanged", guid);
    EXPECT_FALSE(file.Read(guid));
}

class NoGuidSignatureFile : public SignatureFile {
public:
    NoGuidSignatureFile() : SignatureFile(".", false) {}

protected:
    std::string MakeGuidText() override { return std::string(); }
};

// No identity is better than a wrong one: a file that could not get its
// GUID is not left behind, and a file far longer than a GUID is refused.
TEST_F(SignatureFileTest, NoPartialOrOversizedIdentity)
{
    NoGuidSignatureFile noGuid;
    std::string guid = "unchanged";
    EXPECT_FALSE(noGuid.Create(guid));
    EXPECT_EQ("unchanged", guid);
    EXPECT_FALSE(noGuid.Exists());

    SignatureFile file(".", false);
    WriteFile(file.GetPath(), std::string(SignatureFile::kMaxFileSize, 'x'));
    ASSERT_TRUE(file.Read(guid));
    EXPECT_EQ(SignatureFile::kMaxFileSize, guid.size());
    WriteFile(file.GetPath(), std::string(SignatureFile::kMaxFileSize + 1, 'x'));
    guid = "unchanged";
    EXPECT_FALSE(file.Read(guid));
    EXPECT_EQ("unchanged", guid);
}

// This computer's own "C$" share, as a remote audit of localhost reaches it.
TEST_F(SignatureFileTest, RemoteThroughTheAdministrativeShare)
{
    SignatureFile remote("localhost", true);
    EXPECT_FALSE(remote.Exists());
    std::string guid;
    ASSERT_TRUE(remote.Create(guid));
    EXPECT_EQ(38u, guid.size());
    EXPECT_TRUE(remote.Exists());
    std::string read;
    ASSERT_TRUE(remote.Read(read));
    EXPECT_EQ(guid, read);
    // The share is drive C: the same file as this computer's own.
    SignatureFile local(".", false);
    ASSERT_TRUE(local.Read(read));
    EXPECT_EQ(guid, read);
}

} // namespace
