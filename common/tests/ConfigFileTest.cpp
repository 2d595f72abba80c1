#include "common/AppState.h"
#include "common/ConfigCipher.h"
#include "common/ConfigFile.h"
#include "common/HexCodec.h"
#include "common/tests/RecordedNotices.h"
#include "common/tests/TestData.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Cipher(const std::string& text, bool encipher)
{
    std::string out = "unchanged";
    EXPECT_TRUE(CipherConfigValue(text, GetConfigPassPhrase(), encipher, out)) << text;
    return out;
}

TEST(ConfigCipher, Vectors)
{
    EXPECT_EQ(38u, GetConfigPassPhrase().size());
    const struct {
        const char* plain;
        const char* hex;
    } vectors[] = {
        {"admin", "3C9CC74520"},
        {"secret", "2E9DC95E2B4D"},
        {"abc", "3C9AC9"},
        {"", ""},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(v.hex, Cipher(v.plain, true)) << v.plain;
        EXPECT_EQ(v.plain, Cipher(v.hex, false)) << v.hex;
    }
    // Lower case, and a stray unpaired digit, decipher the same.
    EXPECT_EQ("admin", Cipher("3c9cc74520", false));
    EXPECT_EQ("admin", Cipher("3C9CC745207", false));
    // Long values neither overflow nor lose characters.
    std::string longValue(300, 'p');
    std::string hex = Cipher(longValue, true);
    EXPECT_EQ(600u, hex.size());
    EXPECT_EQ(hex, Cipher(longValue, true));
    EXPECT_EQ(longValue, Cipher(hex, false));

    std::vector<unsigned char> bytes;
    EXPECT_EQ(3u, HexDecode(bytes, "0aFfzz"));
    EXPECT_EQ((std::vector<unsigned char>{0x0A, 0xFF, 0x00}), bytes);
    EXPECT_EQ("0AFF00", HexEncode(bytes.data(), bytes.size()));
    EXPECT_EQ(0u, HexDecode(bytes, ""));
}

ConfigFile KnownConfig()
{
    ConfigFile config;
    config.m_user = "admin";
    config.m_pwd = "secret";
    config.m_server = "assets.example.test";
    config.m_port = 8080;
    config.m_db = "Inventory & Co";
    config.m_logErrors = true;
    config.m_logNameOption = 1;
    config.m_logPath = "C:\\logs\\";
    return config;
}

TEST(ConfigFile, SavesTheGoldenBytesAndLoadsThemBack)
{
    DeleteFileA("kestrova.cfg");
    RecordedBoxes boxes;
    ConfigFile config = KnownConfig();
    EXPECT_EQ("kestrova.cfg", config.GetFilePath());
    ASSERT_TRUE(config.Save(AppState()));
    EXPECT_EQ(ReadWholeFile(TestDataPath("common/tests/data/kestrova.cfg")), ReadWholeFile("kestrova.cfg"));
    EXPECT_TRUE(boxes.Texts().empty());

    ConfigFile loaded;
    EXPECT_FALSE(loaded.m_loaded);
    ASSERT_TRUE(loaded.Load());
    EXPECT_TRUE(loaded.m_loaded);
    EXPECT_EQ("admin", loaded.GetUserName());
    EXPECT_EQ("secret", loaded.GetPassword());
    EXPECT_EQ("assets.example.test", loaded.GetServer());
    EXPECT_EQ(8080, loaded.m_port);
    EXPECT_EQ("Inventory & Co", loaded.GetDatabase());
    EXPECT_TRUE(loaded.m_logErrors);
    EXPECT_EQ(1, loaded.m_logNameOption);
    EXPECT_EQ("C:\\logs\\", loaded.GetLogPath());
    EXPECT_EQ(0xFC, loaded.m_pickerScopeTypes);
    EXPECT_EQ(0x10E, loaded.m_pickerScopeFlags);

    // Saving again replaces the file; empty credentials stay empty.
    loaded.m_user.clear();
    ASSERT_TRUE(loaded.Save(AppState()));
    ConfigFile again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ("", again.GetUserName());
    EXPECT_EQ("secret", again.GetPassword());
}

// The file and a relative log folder belong to the folder the program
// started in, not to whichever folder is current later.
TEST(ConfigFile, KeepsItsFolderForTheFileAndRelativeLogFolders)
{
    const struct {
        const char* folder;
        const char* path;
        const char* result;
    } kCases[] = {
        {"C:\\start", "logs\\", "C:\\start\\logs\\"},
        {"C:\\", "logs\\", "C:\\logs\\"},
        {"C:\\start", "D:\\logs\\", "D:\\logs\\"},
        {"C:\\start", "D:logs", "D:logs"},
        {"C:\\start", "\\\\server\\share\\", "\\\\server\\share\\"},
        {"C:\\start", "\\logs\\", "C:\\logs\\"},
        {"C:\\start", "", ""},
        {"", "logs\\", "logs\\"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.result, PathInFolder(c.folder, c.path)) << c.folder << " " << c.path;
    }
    ConfigFile config;
    config.SetFolder("C:\\start");
    config.m_logPath = "logs\\";
    EXPECT_EQ("C:\\start\\kestrova.cfg", config.GetFilePath());
    EXPECT_EQ("C:\\start\\logs\\", config.GetLogFolder());
    EXPECT_EQ("logs\\", config.GetLogPath()); // what the sheet shows and the file keeps
}

TEST(ConfigFile, ReadsLowerCaseHexStrayCarriageReturnsAndOtherRoots)
{
    ASSERT_TRUE(CopyFileA(TestDataPath("common/tests/data/lowercase.cfg").c_str(), "kestrova.cfg", FALSE));
    ConfigFile config;
    config.m_logErrors = true;
    ASSERT_TRUE(config.Load());
    EXPECT_EQ("admin", config.GetUserName());
    EXPECT_EQ("secret", config.GetPassword());
    EXPECT_EQ(80, config.m_port);    // "x80" is no number
    EXPECT_TRUE(config.m_logErrors); // "yes" is neither 0 nor 1
    EXPECT_EQ(1, config.m_logNameOption);
    EXPECT_EQ("", config.GetLogPath());
}

void WriteFileText(const char* path, const std::string& text)
{
    FILE* f = fopen(path, "wb");
    ASSERT_NE(nullptr, f);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

TEST(ConfigFile, IncompleteFilesLoadPartlyOrNotAtAll)
{
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    const struct {
        std::string text;
        bool ok;
        const char* server; // what the record holds afterwards
        int port;
    } cases[] = {
        {decl + "<K>\r\n<Logging logerrors=\"1\"/>\r\n<Ondelmark server=\"s1\" port=\"81\"/>\r\n</K>\r\n", false, "s1",
         81},
        {decl + "<K>\r\n<Ondelmark server=\"s2\" port=\"82\"/>\r\n</K>\r\n", false, "s2", 82},
        {decl + "<K>\r\n<Other/>\r\n</K>\r\n", false, "old", 80},
        {decl + "<K>\r\n<Ondelmark server=\"s3\"\r\n", false, "old", 80},
        {decl + "<K><Ondelmark server=\"s4\" user=\"zz\"/><Logging/></K>", true, "s4", 80},
    };
    for (const auto& c : cases) {
        WriteFileText("kestrova.cfg", c.text);
        ConfigFile config;
        config.m_server = "old";
        EXPECT_EQ(c.ok, config.Load()) << c.text;
        EXPECT_EQ(c.ok, config.m_loaded);
        EXPECT_EQ(c.server, config.GetServer()) << c.text;
        EXPECT_EQ(c.port, config.m_port) << c.text;
    }
    DeleteFileA("kestrova.cfg");
    ConfigFile missing;
    EXPECT_FALSE(missing.Load());
}

// Without the cryptographic provider nothing is ciphered: no value comes out
// half done, a saved file keeps its old bytes and a loaded record its old
// credentials.
TEST(ConfigFile, NoCipherProvider)
{
    ConfigFile config = KnownConfig();
    ASSERT_TRUE(config.Save(AppState()));
    const std::string saved = ReadWholeFile("kestrova.cfg");
    const char* previous = SetConfigCipherProvider("Kestrova Missing Provider");
    std::string out = "unchanged";
    EXPECT_FALSE(CipherConfigValue("admin", GetConfigPassPhrase(), true, out));
    EXPECT_FALSE(CipherConfigValue("3C9CC74520", GetConfigPassPhrase(), false, out));
    EXPECT_EQ("unchanged", out);
    RecordedBoxes boxes;
    config.m_user = "changed";
    EXPECT_FALSE(config.Save(AppState()));
    EXPECT_EQ(1u, boxes.Texts().size());
    ConfigFile loaded;
    loaded.m_user = "old";
    EXPECT_FALSE(loaded.Load());
    EXPECT_EQ("old", loaded.GetUserName());
    SetConfigCipherProvider(previous);
    EXPECT_EQ(saved, ReadWholeFile("kestrova.cfg"));
}

// Another program holds the file open without sharing it, so it cannot be
// replaced: the old bytes survive, and the failure is told once.
TEST(ConfigFile, AFailedSaveKeepsTheOldFileAndIsReported)
{
    const std::string old = "old bytes of the configuration";
    WriteFileText("kestrova.cfg", old);
    HANDLE lock = CreateFileA("kestrova.cfg", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);

    RecordedBoxes boxes;
    RecordingLog log;
    AppState app;
    ConfigFile config = KnownConfig();
    EXPECT_FALSE(config.Save(app, &log));
    app.m_runMode = kRunHidden;
    EXPECT_FALSE(config.Save(app, &log));
    CloseHandle(lock);

    EXPECT_EQ(old, ReadWholeFile("kestrova.cfg"));
    const std::string text = "Kestrova configuration file could not be saved.";
    EXPECT_EQ(std::vector<std::string>{text}, boxes.Texts());
    EXPECT_EQ(std::vector<UINT>{MB_OK | MB_ICONERROR}, boxes.Types());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{3, text}}), log.m_entries);

    // Nothing of a temporary file is left behind.
    EXPECT_FALSE(AnyFileMatches("kes*.tmp"));
    DeleteFileA("kestrova.cfg");
}

} // namespace
