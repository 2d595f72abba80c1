// Result codes and texts of the component base, seen through a bare engine.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/ComponentBase.h"
#include "netcomp/core/ResultCodes.h"

namespace {

class BareEngine : public ComponentBase {};

TEST(ComponentBase, CheckResultFillsTextsFromTheTable)
{
    const struct {
        const char* before;
        int code;
        const char* after;
    } cases[] = {
        {"", 10061, "[10061] Connection refused"},
        {"Timeout.", 10061, "Timeout."},
        {"", 12345, "[12345] (no description available)"},
        {"kept", 0, "kept"},
        {"Timeout.", 301, "Interrupted."},
        {"something", 200, "Out of memory."},
        {"", 11001, "[11001] Host not found"},
        {"", -7, "[-7] (no description available)"},
    };
    for (const auto& c : cases) {
        BareEngine e;
        e.SetLastErrorText(c.before);
        EXPECT_EQ(e.CheckResult(c.code), c.code);
        EXPECT_STREQ(e.LastErrorText(), c.after) << c.code;
    }
}

TEST(ComponentBase, CodeFromTheTableStaysTheLastCode)
{
    BareEngine e;
    e.SetLastCode(10061);
    EXPECT_EQ(e.CheckResult(10061), 10061);
    EXPECT_EQ(e.LastCode(), 10061);
    e.SetErrorFromCode(10054);
    EXPECT_EQ(e.LastCode(), 10054);
    EXPECT_STREQ(e.LastErrorText(), "[10054] Connection reset by peer");
}

TEST(ComponentBase, ErrorTextHelpers)
{
    BareEngine e;
    EXPECT_EQ(e.CheckOutOfMemory(0), 0);
    EXPECT_STREQ(e.LastErrorText(), "");
    EXPECT_EQ(e.CheckOutOfMemory(5), 5);
    EXPECT_EQ(e.CheckOutOfMemory(200), 200);
    EXPECT_STREQ(e.LastErrorText(), "Out of memory.");
    e.SetLastErrorWithCode("Can't get interface info (error ", 0x57, ").");
    EXPECT_STREQ(e.LastErrorText(), "Can't get interface info (error 0x57).");
    e.SetLastErrorWithCode(nullptr, 0, nullptr);
    EXPECT_STREQ(e.LastErrorText(), "0x0");
    e.AppendErrorCode(" code ", 42, nullptr);
    EXPECT_STREQ(e.LastErrorText(), "0x0 code 42");
    e.SetLastErrorText(nullptr);
    EXPECT_STREQ(e.LastErrorText(), "");
}

TEST(ComponentBase, ResetAndBaseConfigKeys)
{
    BareEngine e;
    e.SetLastCode(9);
    e.SetLastErrorText("x");
    e.Reset();
    EXPECT_EQ(e.LastCode(), 0);
    EXPECT_STREQ(e.LastErrorText(), "");
    EXPECT_EQ(e.CharsetMode(), GetACP() == 932 ? 1 : 0);

    const char* answer = "untouched";
    EXPECT_EQ(e.DoConfig("codepage=932", &answer), 0);
    EXPECT_STREQ(answer, "untouched");
    EXPECT_EQ(e.CodePage(), 932);
    EXPECT_EQ(e.DoConfig("CODEPAGE", &answer), 0);
    EXPECT_STREQ(answer, "932");
    EXPECT_EQ(e.DoConfig("CharsetMode=-1x", &answer), 0);
    EXPECT_EQ(e.CharsetMode(), -1);
    EXPECT_EQ(e.DoConfig("AbsoluteTimeout=1", &answer), -1); // a networked key
    EXPECT_STREQ(answer, "");
    EXPECT_STREQ(e.LastErrorText(), "Unknown config setting.");
    EXPECT_EQ(e.DoConfig(nullptr, &answer), -1);
}

} // namespace
