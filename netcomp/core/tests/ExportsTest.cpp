// The ten exported functions as the macro makes them for every component,
// driven through the probe.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "netcomp/core/ResultCodes.h"
#include "netcomp/core/tests/ProbeComponent.h"

namespace {

struct Recorded {
    int event = 0;
    int count = 0;
    INT_PTR values[4] = {};
    int lengths[4] = {};
    std::string label;
    std::string dataAsText;
    int answer = 0;
};

int WINAPI Record(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
{
    auto* r = reinterpret_cast<Recorded*>(user);
    r->event = event;
    r->count = count;
    for (int i = 0; i < count + 3 && i < 4; ++i) {
        r->values[i] = params[i];
        r->lengths[i] = lengths[i];
    }
    if (event == kProbeEventNotify) {
        r->label = reinterpret_cast<const char*>(params[1]);
        r->dataAsText = reinterpret_cast<const char*>(params[2]);
        params[0] = r->answer; // the owner answers through the value
    }
    return 0;
}

class ProbeExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Probe_StaticInit(GetModuleHandleA(nullptr)), 0);
        m_probe = Probe_Create(Record, reinterpret_cast<INT_PTR>(&m_recorded), "ignored");
        ASSERT_NE(m_probe, nullptr);
    }
    void TearDown() override
    {
        EXPECT_EQ(Probe_Destroy(m_probe), 0);
        EXPECT_EQ(Probe_StaticDestroy(), 0);
    }

    int Do(int method, INT_PTR arg)
    {
        INT_PTR args[1] = {arg};
        int lengths[1] = {};
        return Probe_Do(m_probe, method, 1, args, lengths);
    }

    void* m_probe = nullptr;
    Recorded m_recorded;
};

TEST_F(ProbeExportsTest, NullObjectsAndUnknownNumbers)
{
    EXPECT_EQ(Probe_Destroy(nullptr), 0);
    EXPECT_EQ(Probe_Get(nullptr, kProbeLabel, 0, nullptr), 0);
    EXPECT_EQ(Probe_Set(nullptr, kProbeLabel, 0, 0, 0), -1);
    EXPECT_EQ(Probe_Do(nullptr, kProbeFail, 0, nullptr, nullptr), -1);
    EXPECT_STREQ(Probe_GetLastError(nullptr), "");
    EXPECT_EQ(Probe_GetLastErrorCode(nullptr), 0);

    EXPECT_EQ(Do(kProbeFail, 10061), 10061);
    EXPECT_EQ(Probe_Get(m_probe, 999, 0, nullptr), 0);
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), 0); // every read starts afresh

    EXPECT_EQ(Do(kProbeFail, 10061), 10061);
    EXPECT_EQ(Probe_Set(m_probe, 999, 0, 1, 0), -1);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "[10061] Connection refused"); // left as it was
    EXPECT_EQ(Probe_Set(m_probe, kProbeTicks, 0, 1, 0), -1);                 // read-only
}

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
        void* fresh = Probe_Create(nullptr, 0, nullptr);
        INT_PTR code[1] = {c.code};
        EXPECT_EQ(Probe_Do(fresh, kProbeFail, 1, code, nullptr), c.code);
        EXPECT_STREQ(Probe_GetLastError(fresh), c.text);
        EXPECT_EQ(Probe_GetLastErrorCode(fresh), c.code);
        // A successful call keeps the text for reading but no longer reports a failure.
        EXPECT_EQ(Probe_Set(fresh, kProbeLabel, 0, reinterpret_cast<INT_PTR>("x"), 0), 0);
        EXPECT_EQ(Probe_GetLastErrorCode(fresh), 0);
        Probe_Destroy(fresh);
    }
}

TEST_F(ProbeExportsTest, ExceptionsStayInsideAsOutOfMemory)
{
    EXPECT_EQ(Probe_Do(m_probe, kProbeThrow, 0, nullptr, nullptr), kOutOfMemory);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "Out of memory.");
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), kOutOfMemory);
}

TEST_F(ProbeExportsTest, TextAndBinaryProperties)
{
    EXPECT_EQ(Probe_Set(m_probe, kProbeLabel, 0, reinterpret_cast<INT_PTR>("hello"), 0), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeLabel, 0, nullptr)), "hello");
    EXPECT_EQ(Probe_Set(m_probe, kProbeLabel, 0, 0, 0), 0); // null text is the empty text
    EXPECT_STREQ(reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeLabel, 0, nullptr)), "");

    const char bytes[] = {'a', '\0', 'b', '\xff'};
    EXPECT_EQ(Probe_Set(m_probe, kProbeData, 0, reinterpret_cast<INT_PTR>(bytes), 4), 0);
    int length = -1;
    const char* data = reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeData, 0, &length));
    EXPECT_EQ(length, 4);
    EXPECT_EQ(std::memcmp(data, bytes, 4), 0);
    EXPECT_NE(Probe_Get(m_probe, kProbeData, 0, nullptr), 0); // length out may be null
}

TEST_F(ProbeExportsTest, ArrayIndexesAreChecked)
{
    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeValues, 2), 0);
    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeLabel, 99), 0); // not an array
    EXPECT_EQ(Probe_CheckIndex(m_probe, kProbeValues, 3), kIndexOutOfRange);
    EXPECT_STREQ(Probe_GetLastError(m_probe), "Invalid value index (out of range).");
    EXPECT_EQ(Probe_Set(m_probe, kProbeValues, 1, 42, 0), 0);
    EXPECT_EQ(Probe_Get(m_probe, kProbeValues, 1, nullptr), 42);
    EXPECT_EQ(Probe_Set(m_probe, kProbeValues, -1, 42, 0), kIndexOutOfRange);
    EXPECT_EQ(Probe_GetLastErrorCode(m_probe), kIndexOutOfRange);
}

TEST_F(ProbeExportsTest, EventsReachTheCallbackAndTakeTheOwnersAnswer)
{
    ASSERT_EQ(Probe_Set(m_probe, kProbeLabel, 0, reinterpret_cast<INT_PTR>("label"), 0), 0);
    ASSERT_EQ(Probe_Set(m_probe, kProbeData, 0, reinterpret_cast<INT_PTR>("payload!"), 7), 0);
    m_recorded.answer = 99;
    INT_PTR args[1] = {5};
    int lengths[1] = {};
    EXPECT_EQ(Probe_Do(m_probe, kProbeNotify, 1, args, lengths), 0);
    EXPECT_EQ(m_recorded.event, kProbeEventNotify);
    EXPECT_EQ(m_recorded.count, 3);
    EXPECT_EQ(m_recorded.values[0], 5);
    EXPECT_EQ(m_recorded.lengths[0], 0);
    EXPECT_EQ(m_recorded.lengths[2], 7);
    EXPECT_EQ(m_recorded.values[3], 0); // spare entry
    EXPECT_EQ(m_recorded.label, "label");
    EXPECT_EQ(m_recorded.dataAsText, "payload"); // a NUL behind the data during the call
    EXPECT_EQ(args[0], 99);                      // the engine saw the owner's change
    // ... and the byte behind the data is the string's own again.
    int length = 0;
    const char* data = reinterpret_cast<const char*>(Probe_Get(m_probe, kProbeData, 0, &length));
    EXPECT_EQ(length, 7);
    EXPECT_EQ(data[7], '\0');

    ASSERT_EQ(Probe_Set(m_probe, kProbeData, 0, 0, 0), 0);
    EXPECT_EQ(Probe_Do(m_probe, kProbeNotify, 1, args, lengths), 0);
    EXPECT_EQ(m_recorded.dataAsText, ""); // empty data arrives as an empty text

    // The tick event fires from the message loop, outside any call.
    EXPECT_EQ(Probe_Do(m_probe, kProbePostTick, 0, nullptr, nullptr), 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(m_recorded.event, kProbeEventTick);
    EXPECT_EQ(m_recorded.values[0], 1);
}

TEST(ProbeExportsFromExecutable, ProgramExportsTheListToo)
{
    HMODULE self = GetModuleHandleA(nullptr);
    for (const char* verb : {"StaticInit", "StaticDestroy", "Create", "Destroy", "Get", "Set", "Do", "CheckIndex",
                             "GetLastError", "GetLastErrorCode"}) {
        EXPECT_NE(GetProcAddress(self, (std::string("Probe_") + verb).c_str()), nullptr) << verb;
    }
    auto create =
        reinterpret_cast<decltype(&Probe_Create)>(reinterpret_cast<void*>(GetProcAddress(self, "Probe_Create")));
    void* probe = create(nullptr, 0, nullptr);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(Probe_Destroy(probe), 0);
}

TEST(ProbeExportsNoCallback, EventsWithoutCallbackAreDropped)
{
    void* probe = Probe_Create(nullptr, 0, nullptr);
    INT_PTR args[1] = {5};
    EXPECT_EQ(Probe_Do(probe, kProbeNotify, 1, args, nullptr), 0);
    EXPECT_EQ(args[0], 5);
    Probe_Destroy(probe);
}

} // namespace
