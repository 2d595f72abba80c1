// What a test program may change in the prefix that CTest shares between
// programs running side by side: registry keys below a root of the program's
// own, and a temporary folder of its own.
#include "audit/tests/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

const char kSharedRoot[] = "Software\\KestrovaTests";

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

} // namespace

// Another program may be making its key below the shared root at any time:
// the shared root outlives every stand-in key, and only this program's own
// keys go with the last of them.
TEST(SideBySide, StandInKeysLieBelowARootOfTheProgramsOwn)
{
    const std::string own = std::string(kSharedRoot) + "\\audit_tests";
    {
        MachineKey machine("Fixture\\Inner");
        EXPECT_EQ(machine.Path(), own + "\\Fixture\\Inner");
        machine.SetString("Sub", "Value", "text");
        EXPECT_TRUE(KeyExists(machine.Path() + "\\Sub"));
    }
    EXPECT_FALSE(KeyExists(own));
    EXPECT_TRUE(KeyExists(kSharedRoot));
}

// A key that cannot be made ends the test with the reason, rather than
// leaving it to read an empty registry.
TEST(SideBySide, AStandInKeyThatCannotBeMadeEndsTheTest)
{
    const std::string tooLong(300, 'x');
    try {
        MachineKey machine(tooLong);
        ADD_FAILURE() << "a key with a 300-character name was made";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("KestrovaTests\\audit_tests\\xxx"), std::string::npos) << e.what();
    }
    MachineKey machine("Fixture");
    EXPECT_THROW(machine.AddKey(tooLong), std::runtime_error);
    EXPECT_THROW(machine.SetString("Sub\\" + tooLong, "Value", "text"), std::runtime_error);
}

TEST(SideBySide, TheTemporaryFolderIsTheProgramsOwn)
{
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    ASSERT_GT(length, 0u);
    const std::string folder(temp, length);
    const std::string own = "\\audit_tests\\";
    ASSERT_GT(folder.size(), own.size());
    EXPECT_EQ(folder.substr(folder.size() - own.size()), own);
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}
