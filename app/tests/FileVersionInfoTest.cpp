// The version line from a program file's version resource.
#include "app/FileVersionInfo.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

TEST(FileVersionInfo, ReadsTheProgramsOwnVersion)
{
    FileVersionInfo info;
    ASSERT_TRUE(info.Load(OwnPath()));
    EXPECT_EQ(info.Fixed().dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(info.Language(), 0x409);
    EXPECT_EQ(info.CodePage(), 1200);
    EXPECT_EQ(info.GetString("FileVersion"), "1.2.0.0");
    EXPECT_EQ(info.GetString("ProductName"), "Kestrova");
    EXPECT_EQ(info.GetString("NoSuchValue"), "");
    EXPECT_EQ(FileVersionInfo::VersionLine(OwnPath()), "v1.2.0.0");
}

TEST(FileVersionInfo, AFileWithoutVersionKeepsTheDefaultLine)
{
    {
        std::ofstream plain("plain.exe", std::ios::binary);
        plain << "not a program";
    }
    FileVersionInfo info;
    EXPECT_FALSE(info.Load("plain.exe"));
    EXPECT_EQ(info.GetString("FileVersion"), "");
    EXPECT_EQ(info.CodePage(), 1252);
    EXPECT_EQ(FileVersionInfo::VersionLine("plain.exe"), "Version");
    EXPECT_EQ(FileVersionInfo::VersionLine("missing.exe"), "Version");
}

} // namespace
