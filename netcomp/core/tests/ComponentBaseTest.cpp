// Result codes and texts of the component base, seen through a bare engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

class BareEngine : public ComponentBase {
public:
    using ComponentBase::Fire;
    using ComponentBase::FireForAnswer;
};

// Records what the engine hands its sink.
class RecordingSink : public ComponentEvents {
public:
    void OnCodePage(int codePage) override { codePages.push_back(codePage); }
    int FireEvent(int event, int count, const EventParam* params) override
    {
        lastEvent = event;
        lastCount = count;
        if (count >= 2 && params[0].kind == EventParam::Kind::Int)
            code = *static_cast<int*>(params[0].address);
        if (count >= 2 && params[1].kind == EventParam::Kind::Text)
            text = *static_cast<const char**>(params[1].address);
        if (count >= 1 && params[0].kind == EventParam::Kind::Binary) {
            const char* data = *static_cast<char**>(params[0].address);
            text = data; // readable as text during the event
            binaryLength = params[0].length;
        }
        return 7;
    }

    std::vector<int> codePages;
    int lastEvent = 0;
    int lastCount = 0;
    int code = 0;
    int binaryLength = -1;
    std::string text;
};

// The shared events go out under the numbers of the engine's table; an
// event the component does not have is not fired at all.
TEST(ComponentBase, FiresThroughTheSinkByItsEventTable)
{
    static constexpr EventTable kEvents = {{SharedEvent::Error, 4}, {SharedEvent::ReadyToSend, 9}};
    BareEngine e;
    EXPECT_EQ(e.FireError(10061, "x"), 0); // no sink yet: nothing happens
    RecordingSink sink;
    e.SetEventSink(&sink);
    EXPECT_EQ(e.FireError(10061, "x"), 0); // no table: the component has no Error event
    EXPECT_EQ(sink.lastEvent, 0);
    e.SetEventTable(kEvents);
    const char* answer = nullptr;
    ASSERT_EQ(e.DoConfig("CodePage=932", &answer), 0);

    EXPECT_EQ(e.Fire(SharedEvent::Header, {}), 0);
    EXPECT_EQ(sink.lastEvent, 0);
    // The owner's answer is heard only where it counts.
    EXPECT_EQ(e.Fire(SharedEvent::ReadyToSend, {}), 0);
    EXPECT_EQ(sink.lastEvent, 9);
    EXPECT_EQ(e.FireForAnswer(12, {}), 7);
    EXPECT_EQ(sink.lastEvent, 12);
    EXPECT_EQ(e.FireError(10061, nullptr), 0);
    EXPECT_EQ(sink.lastEvent, 4);
    EXPECT_EQ(sink.lastCount, 2);
    EXPECT_EQ(sink.code, 10061);
    EXPECT_EQ(sink.text, "");
    ASSERT_EQ(sink.codePages.size(), 3u);
    EXPECT_EQ(sink.codePages[1], 932);

    char buffer[] = "abcdef";
    char* data = buffer;
    e.Fire(3, {EventParam::Binary(&data, 3)});
    EXPECT_EQ(sink.text, "abc");
    EXPECT_EQ(sink.binaryLength, 3);
    EXPECT_STREQ(buffer, "abcdef"); // the byte behind the data is back
    char* none = nullptr;
    e.Fire(3, {EventParam::Binary(&none, 5)});
    EXPECT_EQ(sink.text, "");
    EXPECT_EQ(sink.binaryLength, 0);
    EXPECT_EQ(none, nullptr);
}

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

TEST(ComponentBase, ResetAndTheBaseAlone)
{
    BareEngine e;
    e.SetLastCode(9);
    e.SetLastErrorText("x");
    e.Reset();
    EXPECT_EQ(e.LastCode(), 0);
    EXPECT_STREQ(e.LastErrorText(), "");
    EXPECT_EQ(e.CharsetMode(), GetACP() == 932 ? 1 : 0);

    const char* answer = "untouched";
    EXPECT_EQ(e.DoConfig("AbsoluteTimeout=1", &answer), -1); // a networked key
    EXPECT_STREQ(answer, "");
    EXPECT_STREQ(e.LastErrorText(), "Unknown config setting.");
    EXPECT_EQ(e.DoConfig(nullptr, &answer), -1);
}

} // namespace
