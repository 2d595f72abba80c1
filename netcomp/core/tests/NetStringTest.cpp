#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/StringList.h"

namespace {

std::string Str(const NetStringBase& s)
{
    return std::string(s.Data(), s.Length());
}

TEST(NetString, GrowsOntoHeapAtInlineLimitAndBack)
{
    NetString s;
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(s.IsInline());
        ASSERT_EQ(s.AppendChar(char('a' + i % 26)), kResultOk);
        EXPECT_EQ(s.Data()[s.Length()], '\0');
    }
    EXPECT_FALSE(s.IsInline());
    EXPECT_EQ(s.Capacity(), 150u);
    EXPECT_EQ(s.Length(), 100u);

    ASSERT_EQ(s.Assign(99, nullptr), kResultOk); // shrinking frees the block
    EXPECT_TRUE(s.IsInline());
    EXPECT_EQ(s.Capacity(), 99u);
    EXPECT_EQ(std::string(s.CStr(), 3), "abc");

    std::string big(200, 'x');
    ASSERT_EQ(s.AssignText(big.c_str()), kResultOk);
    ASSERT_EQ(s.Assign(400, nullptr), kResultOk); // resize keeps the old bytes
    EXPECT_EQ(std::string(s.Data(), 200), big);
    EXPECT_EQ(s.Data()[300], '\0');
    EXPECT_EQ(s.Capacity(), 600u);
}

TEST(NetString, SmallerTwinsBehaveAlike)
{
    NetString20 s;
    EXPECT_EQ(s.Capacity(), 20u);
    ASSERT_EQ(s.AssignText("01234567890123456789"), kResultOk);
    EXPECT_TRUE(s.IsInline());
    ASSERT_EQ(s.AppendChar('x'), kResultOk);
    EXPECT_FALSE(s.IsInline());
    EXPECT_EQ(s.Capacity(), 31u);
    EXPECT_EQ(BufferString().Capacity(), 50u);
    EXPECT_EQ(NetString30().Capacity(), 30u);
    NetString20 copy(s);
    EXPECT_EQ(Str(copy), "01234567890123456789x");
}

TEST(NetString, SelfSourcesAreSafe)
{
    NetString s("abcdefghij");
    for (int i = 0; i < 6; ++i) // crosses the inline limit with its own bytes
        ASSERT_EQ(s.Append(s.Data(), s.Length()), kResultOk);
    EXPECT_EQ(s.Length(), 640u);
    EXPECT_EQ(Str(s).substr(630), "abcdefghij");
    ASSERT_EQ(s.Assign(5, s.Data() + 3), kResultOk);
    EXPECT_EQ(Str(s), "defgh");
    ASSERT_EQ(s.AppendHexBytes(s.Data(), 2), kResultOk);
    EXPECT_EQ(Str(s), "defgh6465");
}

TEST(NetString, ReservedRoomTakesLinesWithoutMoving)
{
    NetString s("ab");
    ASSERT_EQ(s.Reserve(1000), kResultOk);
    EXPECT_EQ(s.Capacity(), 1000u);
    EXPECT_EQ(Str(s), "ab");
    const char* block = s.Data();
    std::string expected = "ab";
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(s.AppendWithCrLf("line", i % 5), kResultOk);
        expected += std::string("line", i % 5) + "\r\n";
    }
    EXPECT_EQ(s.Data(), block);
    EXPECT_EQ(Str(s), expected);
    EXPECT_EQ(s.Data()[s.Length()], '\0');
    ASSERT_EQ(s.Reserve(10), kResultOk); // never shrinks
    EXPECT_EQ(s.Capacity(), 1000u);
    s.ClearKeepingRoom();
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_STREQ(s.CStr(), "");
    EXPECT_EQ(s.Data(), block);
    ASSERT_EQ(s.Append("next", 4), kResultOk);
    EXPECT_EQ(Str(s), "next");
    EXPECT_EQ(s.Data(), block);

    NetString own("abcdefghij");
    for (int i = 0; i < 5; ++i) // crosses the inline limit with its own bytes
        ASSERT_EQ(own.AppendWithCrLf(own.Data(), own.Length()), kResultOk);
    EXPECT_EQ(own.Length(), 382u);
    EXPECT_EQ(Str(own).substr(0, 26), "abcdefghijabcdefghij\r\nabcd");
    EXPECT_EQ(Str(own).substr(366), "efghij\r\n\r\n\r\n\r\n\r\n");
}

TEST(NetString, RefusesOverlongLengthsAndStaysIntact)
{
    NetString s("keep");
    EXPECT_EQ(s.Assign(NetStringBase::kMaxLength + 1, nullptr), kOutOfMemory);
    EXPECT_EQ(s.Append("x", NetStringBase::kMaxLength), kOutOfMemory);
    EXPECT_EQ(s.AppendWithCrLf("x", NetStringBase::kMaxLength - 5), kOutOfMemory);
    EXPECT_EQ(s.Reserve(NetStringBase::kMaxLength + 1), kOutOfMemory);
    EXPECT_EQ(Str(s), "keep");
}

TEST(NetString, EditingOperations)
{
    NetString s;
    ASSERT_EQ(s.AppendInt(-42), kResultOk);
    ASSERT_EQ(s.AppendHexInt(255), kResultOk);
    const unsigned char bytes[] = {0x00, 0xab, 0x7f};
    ASSERT_EQ(s.AppendHexBytes(bytes, 3), kResultOk);
    EXPECT_EQ(Str(s), "-420xff00ab7f");
    s.Chop();
    s.EraseFront(3);
    EXPECT_EQ(Str(s), "0xff00ab7");
    s.EraseFront(0);
    EXPECT_EQ(s.KeepRange(2, 100), kResultOk);
    EXPECT_EQ(Str(s), "ff00ab7");
    EXPECT_EQ(s.KeepRange(7, 8), kBadIndex);
    s.EraseFront(50);
    EXPECT_EQ(Str(s), "");
    EXPECT_EQ(s.Append(nullptr, 5), kResultOk);
    EXPECT_EQ(s.AppendCStr(nullptr), kResultOk);
    ASSERT_EQ(s.Assign(3, "a\0b"), kResultOk);
    EXPECT_EQ(s.Length(), 3u);
}

TEST(NetString, FindAndReverseFind)
{
    NetString s("abcabcab");
    struct Case {
        const char* text;
        int from;
        int find;
        int reverse;
    } cases[] = {
        {"abc", 0, 0, 0},  {"abc", 1, 3, 0}, {"ab", 7, -1, 6},         {"", 5, 0, 0},
        {"zz", 0, -1, -1}, {"cab", 3, 5, 2}, {"abcabcabx", 0, -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s.Find(c.text, c.from), c.find) << c.text << " from " << c.from;
        EXPECT_EQ(s.ReverseFind(c.text, c.from), c.reverse) << c.text << " at " << c.from;
    }
    EXPECT_EQ(s.ReverseFind("ab", 100), 6);
}

TEST(NetString, SplitHeaderLine)
{
    NetString s("Content-Type: text/plain");
    EXPECT_STREQ(s.SplitHeaderLine(), "text/plain");
    EXPECT_STREQ(s.CStr(), "Content-Type");
    NetString cont("\tcontinued");
    EXPECT_STREQ(cont.SplitHeaderLine(), "continued");
    NetString none("nocolon");
    EXPECT_STREQ(none.SplitHeaderLine(), "");
    NetString empty;
    EXPECT_EQ(empty.SplitHeaderLine(), nullptr);
}

TEST(NetString, FoldingAndDotStuffing)
{
    struct Case {
        const char* in;
        uint32_t width;
        const char* out;
    } cases[] = {
        {"ab cd ef", 3, "ab\r\n\tcd\r\n\tef"},
        {"ab cd ef", 0, "ab cd ef"},
        {"abc,def ghi", 3, "abc,\r\n\tdef\r\n\tghi"},
        {"line\r\nnext", 100, "line  next"},
        {"a b ", 1, "a\r\n\tb "},
    };
    for (const auto& c : cases) {
        NetString s;
        ASSERT_EQ(s.AssignFolded(c.in, uint32_t(std::strlen(c.in)), c.width), kResultOk);
        EXPECT_EQ(Str(s), c.out) << c.in;
    }
    NetString d;
    ASSERT_EQ(d.AssignDotStuffed(".x\n..y\na.b"), kResultOk);
    EXPECT_EQ(Str(d), "..x\n...y\na.b");
}

TEST(StringList, StoresItemsWithBigEndianLengths)
{
    StringList list;
    std::string big(70000, 'q');
    ASSERT_EQ(list.Add("one"), kResultOk);
    ASSERT_EQ(list.AddBytes(big.data(), uint32_t(big.size())), kResultOk);
    ASSERT_EQ(list.AddBytes("a\0b", 3), kResultOk);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.ItemLength(1), 70000u);
    EXPECT_EQ(std::string(list.Item(1), 70000), big);
    const unsigned char* header = reinterpret_cast<const unsigned char*>(list.Item(1)) - 3;
    EXPECT_EQ(header[0], 0x01);
    EXPECT_EQ(header[1], 0x11);
    EXPECT_EQ(header[2], 0x70);
    EXPECT_EQ(list.ItemLength(2), 3u);
    EXPECT_STREQ(list.Item(3), "");
    EXPECT_EQ(list.ItemLength(9), 0u);

    ASSERT_EQ(list.SetItem(0, "first"), kResultOk);
    ASSERT_EQ(list.SetItemInt(2, -17), kResultOk);
    EXPECT_EQ(list.ItemAsInt(2), -17);
    EXPECT_EQ(list.SetItem(3, "x"), kBadIndex);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.IndexOf("-17", 0), 2);
    EXPECT_EQ(list.IndexOf("first", 1), -1);
    EXPECT_EQ(list.IndexOf("first", 0), 0);
    EXPECT_EQ(list.IndexOf("firs", 0), -1);

    ASSERT_EQ(list.SetCount(5), kResultOk);
    EXPECT_EQ(list.Count(), 5u);
    EXPECT_STREQ(list.Item(4), "");
    ASSERT_EQ(list.SetCount(1), kResultOk);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_STREQ(list.Item(0), "first");
}

TEST(StringList, AppendToLastAndSelfSources)
{
    StringList list;
    ASSERT_EQ(list.AppendToLast("ab"), kResultOk); // empty list: becomes the first item
    ASSERT_EQ(list.AppendToLast("cd"), kResultOk);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_STREQ(list.Item(0), "abcd");
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(list.AppendToLast(list.Item(0)), kResultOk);
    EXPECT_EQ(list.ItemLength(0), 256u);
    ASSERT_EQ(list.Add(list.Item(0)), kResultOk);
    ASSERT_EQ(list.SetItem(0, list.Item(1) + 250), kResultOk);
    EXPECT_STREQ(list.Item(0), "cdabcd");
    EXPECT_EQ(list.ItemLength(1), 256u);
}

// Random edits against a plain list of strings: whatever order items are read
// and changed in, the list answers as the plain one does.
TEST(StringList, EditsInAnyOrderMatchAPlainList)
{
    std::mt19937 rng(5);
    StringList list;
    std::vector<std::string> model;
    auto text = [&] { return std::string(rng() % 3 == 0 ? rng() % 300 : rng() % 6, char('a' + rng() % 26)); };
    for (int step = 0; step < 20000; ++step) {
        const uint32_t count = uint32_t(model.size());
        const uint32_t i = count ? uint32_t(rng() % count) : 0;
        switch (rng() % 7) {
        case 0:
        case 1: {
            const std::string t = text();
            ASSERT_EQ(list.AddBytes(t.data(), uint32_t(t.size())), kResultOk);
            model.push_back(t);
            break;
        }
        case 2:
            if (count) {
                const std::string t = text();
                ASSERT_EQ(list.SetItemBytes(i, t.data(), uint32_t(t.size())), kResultOk);
                model[i] = t;
            }
            break;
        case 3:
            if (count) {
                // A value taken from the list itself.
                const uint32_t j = uint32_t(rng() % count);
                ASSERT_EQ(list.SetItemBytes(i, list.Item(j), list.ItemLength(j)), kResultOk);
                model[i] = model[j];
            }
            break;
        case 4: {
            const uint32_t n = rng() % 4 == 0 ? uint32_t(rng() % (count + 1)) : count + uint32_t(rng() % 3);
            ASSERT_EQ(list.SetCount(n), kResultOk);
            model.resize(n);
            break;
        }
        case 5:
            if (count && rng() % 10 == 0) {
                list.Clear();
                model.clear();
            }
            break;
        default:
            break;
        }
        ASSERT_EQ(list.Count(), model.size());
        // Now and then, one item at random and the tail from there in order.
        if (rng() % 4 != 0)
            continue;
        for (uint32_t k = model.empty() ? 0 : uint32_t(rng() % model.size()); k < model.size(); ++k)
            ASSERT_EQ(std::string(list.Item(k), list.ItemLength(k)), model[k]) << step;
    }
    for (uint32_t k = uint32_t(model.size()); k-- > 0;)
        ASSERT_EQ(std::string(list.Item(k), list.ItemLength(k)), model[k]);
}

TEST(StringList, RefusesItemsBeyondThreeByteLength)
{
    StringList list;
    ASSERT_EQ(list.Add("keep"), kResultOk);
    std::string huge(StringList::kMaxItemLength + 1, 'h');
    EXPECT_EQ(list.AddBytes(huge.data(), uint32_t(huge.size())), kOutOfMemory);
    EXPECT_EQ(list.Add(huge.c_str()), kOutOfMemory);
    EXPECT_EQ(list.SetItem(0, huge.c_str()), kOutOfMemory);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_STREQ(list.Item(0), "keep");
    ASSERT_EQ(list.AddBytes(huge.data(), StringList::kMaxItemLength), kResultOk);
    EXPECT_EQ(list.ItemLength(1), StringList::kMaxItemLength);
    EXPECT_EQ(list.AppendToLast("x"), kOutOfMemory);
    EXPECT_EQ(list.ItemLength(1), StringList::kMaxItemLength);
}

TEST(CStringHelpers, CompareAndSearch)
{
    EXPECT_EQ(StrCmp("abc", "abd"), -1);
    EXPECT_EQ(StrCmp("abd", "abc"), 1);
    EXPECT_EQ(StrCmp("abc", "abc"), 0);
    EXPECT_EQ(StrCmp("\xe0", "a"), 1); // bytes compare unsigned
    EXPECT_EQ(StrNCmp("abcx", "abcy", 3), 0);
    EXPECT_EQ(StrICmp("CodePage", "CODEPAGE"), 0);
    EXPECT_EQ(StrICmp("\xc4", "\xe4"), -1); // only ASCII letters fold
    EXPECT_EQ(StrNICmp("ABx", "aby", 2), 0);
    const char* text = "a,b,c";
    EXPECT_EQ(StrChr(text, ','), text + 1);
    EXPECT_EQ(StrRChr(text, ','), text + 3);
    EXPECT_EQ(StrChr(text, 'z'), nullptr);
    EXPECT_STREQ(StrIStr("Hello World", "wORLD"), "World");
    EXPECT_STREQ(StrIStr("abc", ""), "abc");
    EXPECT_EQ(StrIStr("abc", "abcd"), nullptr);
    EXPECT_STREQ(StrStr("abcabc", "ca"), "cabc");
    EXPECT_EQ(StrToInt("-123x"), -123);
    EXPECT_EQ(StrToInt(" 5"), 0);
    EXPECT_EQ(StrToLong("42"), 42);
    char buf[] = "key=value";
    EXPECT_STREQ(StrSplitAt(buf, '='), "value");
    EXPECT_STREQ(buf, "key");
    char nosplit[] = "plain";
    EXPECT_STREQ(StrSplitAt(nosplit, '='), "");
    char dst[6] = "zzzzz";
    StrNCpy(dst, "ab", 5);
    EXPECT_EQ(std::memcmp(dst, "ab\0\0\0", 5), 0);
}

// The number readers of peers' replies: digits only, within the bytes given,
// and nothing that does not fit an int.
TEST(CStringHelpers, DigitsAndNumbers)
{
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
    EXPECT_EQ(HexDigitValue('\xb0'), -1);

    int value = -7;
    EXPECT_EQ(ReadDecimalInt("2147483647 EXISTS", 17, &value), 10u);
    EXPECT_EQ(value, 2147483647);
    EXPECT_EQ(ReadDecimalInt("12345", 3, &value), 3u);
    EXPECT_EQ(value, 123);
    value = -7;
    for (const char* none : {"2147483648", "4294967297", "-3", "+3", " 3", ""}) {
        EXPECT_EQ(ReadDecimalInt(none, std::strlen(none), &value), 0u) << none;
    }
    EXPECT_EQ(value, -7);

    int64_t size = -7;
    EXPECT_EQ(ReadDecimalSize("9223372036854775807 octets", 26, &size), 19u);
    EXPECT_EQ(size, INT64_MAX);
    EXPECT_EQ(ReadDecimalSize("2400000000", 10, &size), 10u);
    EXPECT_EQ(size, 2400000000);
    size = -7;
    for (const char* none : {"9223372036854775808", "18446744073709551617", "-3", ""}) {
        EXPECT_EQ(ReadDecimalSize(none, std::strlen(none), &size), 0u) << none;
    }
    EXPECT_EQ(size, -7);
}

} // namespace
