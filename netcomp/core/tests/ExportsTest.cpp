// The ten exported functions as the tables drive them, through the probe:
// the common tail of Set and Do, the exception guard, and the value types.
// The rules every component shares are the contract suite's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tests/ProbeComponent.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string Text(void* probe, int property, int index = 0)
{
    return reinterpret_cast<const char*>(Probe_Get(probe, property, index, nullptr));
}

class ProbeExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Probe_StaticInit(GetModuleHandleA(nullptr)), 0);
        m_probe = Probe_Create(nullptr, 0, nullptr);
        ASSERT_NE(m_probe, nullptr);
    }
    void TearDown() override
    {
        EXPECT_EQ(Probe_Destroy(m_probe), 0);
        EXPECT_EQ(Probe_StaticDestroy(), 0);
    }

    void* m_probe = nullptr;
};

TEST_F(ProbeExportsTest, FailuresKeepTheirCodeAndText)
{
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {10061, "[10061] Connection refused"},
        {11001, "[11001] Host not found"},
        {12345, "[12345] (no description available)"},
        {301, "Interrupted."},
        {200, "Out of memory."},
    };
    for (const auto& c : cases) {
        INT_PTR code[1] = {c.code};
        EXPECT_EQ(Probe_Do(m_probe, kProbeFail, 1, code, nullptr), c.code);
        EXPECT_STREQ(Probe_GetLastError(m_probe), c.text);
        EXPECT_EQ(Probe_GetLastErrorCode(m_probe), c.code);
        // A successful call keeps the text for reading but no longer reports a failure.
        EXPECT_EQ(Probe_Set(m_probe, kProbeLabel, 0, T("x"), 0), 0);
        EXPECT_EQ(Probe_GetLastErrorCode(m_probe), 0);
    }
    // A read-only property cannot be set; the text of the last failure stays.
    EXPECT_EQ(Probe_Set(m_probe, kProbeTicks, 0, 1, 0), -1);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "Out of memory.");

    EXPECT_EQ(Probe_Do(m_probe, kProbeThrow, 0, nullptr, nullptr), kOutOfMemory);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "Out of memory.");
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), kOutOfMemory);
}

TEST_F(ProbeExportsTest, TextsBytesAndArrays)
{
    EXPECT_EQ(Probe_Set(m_probe, kProbeLabel, 0, T("hello"), 0), 0);
    EXPECT_EQ(Text(m_probe, kProbeLabel), "hello");
    // A text a getter makes stays readable until the property is read again.
    const char* quoted = reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeLabelQuoted, 0, nullptr));
    EXPECT_EQ(Probe_Set(m_probe, kProbeLabel, 0, 0, 0), 0); // a null text is the empty text
    EXPECT_EQ(Text(m_probe, kProbeLabel), "");
    EXPECT_STREQ(quoted, "[hello]");
    EXPECT_EQ(Text(m_probe, kProbeLabelQuoted), "[]");

    const char bytes[] = {'a', '\0', 'b', '\xff'};
    EXPECT_EQ(Probe_Set(m_probe, kProbeData, 0, T(bytes), 4), 0);
    int length = -1;
    const char* data = reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeData, 0, &length));
    EXPECT_EQ(length, 4);
    EXPECT_EQ(std::memcmp(data, bytes, 4), 0);
    EXPECT_NE(Probe_Get(m_probe, kProbeData, 0, nullptr), 0); // length out may be null
    EXPECT_EQ(Probe_Set(m_probe, kProbeDataToSend, 0, T("xyz"), 2), 0);
    EXPECT_EQ(Probe_Get(m_probe, kProbeDataToSend, 0, &length), 0); // write-only
    EXPECT_EQ(Text(m_probe, kProbeData), "xy");
    // Bytes as a method's argument and as its answer, each with its length.
    INT_PTR args[1] = {T("a\0c")};
    int lengths[1] = {3};
    EXPECT_EQ(Probe_Do(m_probe, kProbeStore, 1, args, lengths), 0);
    args[0] = 0;
    lengths[0] = 0;
    EXPECT_EQ(Probe_Do(m_probe, kProbeFetch, 1, args, lengths), 0);
    ASSERT_EQ(lengths[0], 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(args[0]), 3), std::string("a\0c", 3));

    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeValues, 2), 0);
    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeLabel, 99), 0); // not an array
    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeValues, 3), kIndexOutOfRange);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "Invalid value index (out of range).");
    EXPECT_EQ(Probe_Set(m_probe, kProbeValues, 1, 42, 0), 0);
    EXPECT_EQ(Probe_Get(m_probe, kProbeValues, 1, nullptr), 42);
    // Out of range: a set is refused before the engine sees it, a read gives 0.
    EXPECT_EQ(Probe_Set(m_probe, kProbeValues, -1, 42, 0), kIndexOutOfRange);
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), kIndexOutOfRange);
    EXPECT_EQ(Probe_Get(m_probe, kProbeValues, 3, nullptr), 0);
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), kIndexOutOfRange);
}

} // namespace
