#include "audit/RegistryKey.h"

#include "asset/Exceptions.h"
#include "audit/tests/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    void Set(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_machine.Key(), name, 0, type, static_cast<const BYTE*>(data), size));
    }

    MachineKey m_machine{"RegistryKey"};
    // The stand-in key's path below HKEY_CURRENT_USER, for the cases that
    // open it by name.
    const std::string m_path = m_machine.Path();
    const std::wstring m_pathWide{m_path.begin(), m_path.end()};
    const char* const kTestKey = m_path.c_str();
    const wchar_t* const kTestKeyWide = m_pathWide.c_str();
};

TEST_F(RegistryKeyTest, StringValues)
{
    Set("sz", REG_SZ, "text", 5);
    Set("expand", REG_EXPAND_SZ, "%windir%\\x", 11);
    DWORD number = 261;
    Set("dword", REG_DWORD, &number, 4);
    DWORD all = 0xFFFFFFFF;
    Set("max", REG_DWORD, &all, 4);
    // Values stored without their terminator: the wide setter keeps them so.
    // 511 characters come back with the terminator the reader adds; for 512
    // there is no room for it, and the value is refused.
    for (const wchar_t* name : {L"nearly", L"full"}) {
        const std::wstring text(name[0] == L'n' ? 511 : 512, L'f');
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kTestKeyWide, name, REG_SZ, text.data(),
                                                 DWORD(text.size() * sizeof(wchar_t))));
    }
    std::string big(600, 'b');
    Set("big", REG_SZ, big.c_str(), 601);
    Set("multi", REG_MULTI_SZ, "a\0b\0", 5);
    Set("bin", REG_BINARY, "\x01\x02", 2);

    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    EXPECT_EQ("text", key.GetStringValue("sz", "d"));
    EXPECT_EQ("%windir%\\x", key.GetStringValue("expand", "d"));
    EXPECT_EQ("261", key.GetStringValue("dword", "d"));
    EXPECT_EQ("4294967295", key.GetStringValue("max", "d"));
    EXPECT_EQ(std::string(511, 'f'), key.GetStringValue("nearly", "d"));
    EXPECT_EQ("d", key.GetStringValue("full", "d"));
    EXPECT_EQ("default value", key.GetStringValue("absent", "default value"));
    EXPECT_EQ("too big", key.GetStringValue("big", "too big"));
    for (const char* name : {"multi", "bin"}) {
        try {
            key.GetStringValue(name, "d");
            ADD_FAILURE() << name;
        } catch (const t_exception& e) {
            EXPECT_STREQ("RegQuery: Unsupported Registry Value Type", e.what());
            EXPECT_EQ(E_FAIL, e.Code());
        }
    }
}

TEST_F(RegistryKeyTest, BinaryValuesAndSubKeys)
{
    std::vector<char> block(128);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 3);
    }
    Set("edid", REG_BINARY, block.data(), 128);
    std::vector<char> large(600, 'x');
    Set("large", REG_BINARY, large.data(), 600);
    Set("empty", REG_BINARY, "", 0);
    Set("sz", REG_SZ, "t", 2);

    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    std::vector<char> out{'k'};
    EXPECT_TRUE(key.GetBinaryValue("edid", out));
    ASSERT_EQ(129u, out.size());
    EXPECT_EQ('k', out[0]);
    EXPECT_EQ(std::vector<char>(out.begin() + 1, out.end()), block);
    out.clear();
    EXPECT_FALSE(key.GetBinaryValue("large", out));
    EXPECT_FALSE(key.GetBinaryValue("absent", out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(key.GetBinaryValue("empty", out));
    EXPECT_TRUE(out.empty());
    EXPECT_THROW(key.GetBinaryValue("sz", out), t_exception);

    std::vector<std::string> names{"before"};
    key.GetSubKeyNames(names);
    EXPECT_EQ(std::vector<std::string>{"before"}, names);
    key.Close();

    RegistryKey created;
    created.Open(HKEY_CURRENT_USER, std::string(kTestKey) + "\\One", true, KEY_ALL_ACCESS);
    created.Open(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Two", true, KEY_ALL_ACCESS);
    created.Close();
    key.Open(HKEY_CURRENT_USER, kTestKey, false, KEY_READ);
    key.GetSubKeyNames(names);
    EXPECT_EQ((std::vector<std::string>{"before", "One", "Two"}), names);
}

TEST_F(RegistryKeyTest, MisuseAndMissingKeys)
{
    RegistryKey key;
    try {
        key.GetStringValue("x", "d");
        ADD_FAILURE();
    } catch (const t_exception& e) {
        EXPECT_STREQ("RegQuery: A registry key must be opened before querying/editing values and subkeys", e.what());
        EXPECT_EQ(E_FAIL, e.Code());
    }
    std::vector<char> bytes;
    EXPECT_THROW(key.GetBinaryValue("x", bytes), t_exception);
    std::vector<std::string> names;
    key.GetSubKeyNames(names); // a key never opened has no subkeys
    EXPECT_TRUE(names.empty());

    try {
        key.Open(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Missing", false, KEY_READ);
        ADD_FAILURE();
    } catch (const t_exception& e) {
        EXPECT_EQ(static_cast<HRESULT>(ERROR_FILE_NOT_FOUND), e.Code() & 0xFFFF);
        char text[512] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND, 0,
                       text, sizeof text, nullptr);
        EXPECT_NE(std::string::npos, std::string(e.what()).find(std::string(text).substr(0, 10))) << e.what();
    }
    EXPECT_EQ(nullptr, key.Handle());
}

} // namespace
