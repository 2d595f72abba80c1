// The byte-level rules of sending mail: address lists, the reverse path and
// the generated identifier, the header block, dot-stuffing across pieces and
// the queue files' names and lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netcomp/mail/smtp/SmtpText.h"

namespace {

std::vector<std::string> Split(const char* list)
{
    StringList out;
    EXPECT_EQ(SplitAddressList(list, out), 0);
    std::vector<std::string> items;
    for (uint32_t i = 0; i < out.Count(); ++i)
        items.emplace_back(out.Item(i), out.ItemLength(i));
    return items;
}

TEST(SmtpText, AddressLists)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("\"Doe, Bob\" <bob@kes.test>, carol@kes.test (Carol, C.)"), (V{"bob@kes.test", "carol@kes.test"}));
    EXPECT_EQ(Split("a@x (note (nested, deep) more), b@x"), (V{"a@x", "b@x"}));
    EXPECT_EQ(Split("\"a\\\"b, c\" <q@x>, r@x"), (V{"q@x", "r@x"}));
    EXPECT_EQ(Split("<odd,name@x>"), (V{"odd,name@x"}));
    EXPECT_EQ(Split(" , ,a@x,\t,"), (V{"a@x"}));
    EXPECT_EQ(Split("\"never closed, d@x"), (V{"\"never closed, d@x"}));
    EXPECT_EQ(Split("(only a comment)"), V{});
    EXPECT_EQ(Split(nullptr), V{});
}

TEST(SmtpText, ReversePathAndMessageId)
{
    const std::pair<const char*, const char*> paths[] = {
        {"ann@x.org", "ann@x.org"},        {"<ann@x.org>", "ann@x.org"},
        {"Ann <ann@x.org>", "ann@x.org"},  {"Ann\r\n\t<ann@x.org>", "ann@x.org"},
        {"\x07raw <as is>", "raw <as is"}, {"Ann <open", "open"},
    };
    for (const auto& [from, expected] : paths) {
        NetString out;
        ASSERT_EQ(ReversePath(from, out), 0);
        EXPECT_STREQ(out.CStr(), expected) << from;
    }
    // The domain comes from the address alone: no display name, no second ">".
    NetString id;
    ASSERT_EQ(FormatMessageId(1, 2, 3, 4, "Ann <ann@x.org>", id), 0);
    EXPECT_STREQ(id.CStr(), "<1l.2l3l4l@x.org>");
    ASSERT_EQ(FormatMessageId(1, 2, 3, 4, "ann@x.org>stray>", id), 0);
    EXPECT_STREQ(id.CStr(), "<1l.2l3l4l@x.org>");
    ASSERT_EQ(FormatMessageId(1, 2, 3, 4, "no-domain", id), 0);
    EXPECT_STREQ(id.CStr(), "<1l.2l3l4l>");
}

TEST(SmtpText, HeaderBlock)
{
    MailHeaderFields f{};
    f.sendTo = "b@x";
    f.from = "a@x";
    f.priority = 3;
    f.sensitivity = 4; // not a value of the list: no header
    f.otherHeaders = "X-One: 1\r\nX-Two: 2";
    NetString out;
    ASSERT_EQ(BuildMailHeaders(f, out), 0);
    EXPECT_STREQ(out.CStr(), "To: b@x\r\nFrom: a@x\r\nPriority: Non-Urgent\r\nX-One: 1\r\nX-Two: 2\r\n");
    f.otherHeaders = "X-One: 1\r\n\r\n\r\n";
    f.japanese = true;
    ASSERT_EQ(BuildMailHeaders(f, out), 0);
    EXPECT_STREQ(out.CStr(), "To: b@x\r\nFrom: a@x\r\nPriority: Non-Urgent\r\nX-One: 1\r\n"
                             "Content-Type: text/plain; charset=iso-2022-jp\r\n");
    f.otherHeaders = "\r\nSubject: alone";
    ASSERT_EQ(BuildMailHeaders(f, out), 0);
    EXPECT_STREQ(out.CStr(), "Subject: alone");
}

TEST(SmtpText, DotStuffingAcrossPieces)
{
    DotStuffer stuffer;
    NetString out;
    for (const char* piece : {".first\r", "\n", ".", "second\r\nmid.dle\r\n", "..", "\n."})
        ASSERT_EQ(stuffer.Stuff(piece, uint32_t(std::strlen(piece)), out), 0);
    EXPECT_STREQ(out.CStr(), "..first\r\n..second\r\nmid.dle\r\n...\n..");
    EXPECT_FALSE(stuffer.AtLineStart());
}

TEST(SmtpText, QueueFiles)
{
    NetString name;
    ASSERT_EQ(QueueFileName("C:\\q\\\\", 12, 34, name), 0);
    EXPECT_STREQ(name.CStr(), "C:\\q\\12l_34l0.queued");
    EXPECT_TRUE(QueueFileVariant(name, 0));
    EXPECT_STREQ(name.CStr(), "C:\\q\\12l_34la.queued");
    EXPECT_TRUE(QueueFileVariant(name, 25));
    EXPECT_STREQ(name.CStr(), "C:\\q\\12l_34lz.queued");
    EXPECT_FALSE(QueueFileVariant(name, 26));
    NetString renamed;
    ASSERT_EQ(ReplaceExtension("C:\\q.d\\12l_34l0.queued", "sending", renamed), 0);
    EXPECT_STREQ(renamed.CStr(), "C:\\q.d\\12l_34l0.sending");
    ASSERT_EQ(ReplaceExtension("C:\\q.d\\plain", "sent", renamed), 0);
    EXPECT_STREQ(renamed.CStr(), "C:\\q.d\\plain.sent");

    // Lines split between blocks, CR LF or LF; then the rest as it stands.
    QueueLineReader reader;
    std::vector<std::string> lines;
    const char* line = nullptr;
    uint32_t n = 0;
    for (const char* block : {"MAIL FROM:<a@x>\r\nRC", "PT TO:<b@x>\nDATA\r", "\nTo: b@x\r\n"}) {
        ASSERT_EQ(reader.Feed(block, uint32_t(std::strlen(block))), 0);
        while (lines.size() < 3 && reader.Next(&line, &n) == QueueLineReader::Result::Line)
            lines.emplace_back(line, n);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"MAIL FROM:<a@x>", "RCPT TO:<b@x>", "DATA"}));
    EXPECT_EQ(std::string(reader.Rest(&n)), "To: b@x\r\n");
    reader.Clear();
    const std::string longLine(QueueLineReader::kMaxLine + 1, 'x');
    ASSERT_EQ(reader.Feed(longLine.data(), uint32_t(longLine.size())), 0);
    EXPECT_EQ(reader.Next(&line, &n), QueueLineReader::Result::TooLong);
}

} // namespace
