// The IMAP response side as pure code: responses assembled from bytes cut
// anywhere (literals mid-line, literals that end without a line end, large
// literals, streamed literals cut at their length), the token reader, the
// command writer's quoting, and the parsers of untagged lines on what
// dovecot really sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/imap/ImapBodyLines.h"
#include "netcomp/mail/imap/ImapMessage.h"
#include "netcomp/mail/imap/ImapResponseReader.h"
#include "netcomp/mail/imap/ImapTokens.h"

namespace {

// Responses as the reader hands them on, with each literal written as
// "<literal:bytes>" so that tables can spell them out.
struct Collector final : ImapResponseSink {
    std::vector<std::string> responses;
    std::string streamed;
    int literalEnds = 0;
    bool stream = false;

    bool StreamImapLiteral(const char*, uint32_t, uint32_t) override { return stream; }
    int OnImapLiteralData(const char* data, uint32_t n) override
    {
        streamed.append(data, n);
        return 0;
    }
    int OnImapLiteralEnd() override
    {
        ++literalEnds;
        return 0;
    }
    int OnImapResponse(const char* response, uint32_t n) override
    {
        std::string out;
        for (uint32_t i = 0; i < n; ++i) {
            if (response[i] != ImapResponseReader::kLiteralMark) {
                out += response[i];
                continue;
            }
            const auto* b = reinterpret_cast<const unsigned char*>(response + i);
            const uint32_t length = uint32_t(b[1]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 8 | b[4];
            out += "<literal:" + std::string(response + i + 5, length) + ">";
            i += 4 + length;
        }
        responses.push_back(out);
        return 0;
    }
};

// Feeds the bytes in pieces of `step` bytes (0: at once) through a line
// source, as the TCP client does.
Collector Assemble(const std::string& bytes, size_t step, bool stream = false, int* rc = nullptr,
                   uint32_t maxLine = LineSource::kDefaultMaxLine,
                   uint32_t maxLiteral = ImapResponseReader::kDefaultMaxLiteral)
{
    Collector sink;
    sink.stream = stream;
    ImapResponseReader reader(sink);
    reader.SetMaxLiteral(maxLiteral);
    LineSource lines;
    lines.SetMaxLine(maxLine);
    int result = 0;
    for (size_t pos = 0; pos < bytes.size() && result == 0;) {
        const size_t n = step ? std::min(step, bytes.size() - pos) : bytes.size();
        result = FeedImapBytes(lines, reader, bytes.data() + pos, uint32_t(n));
        pos += n;
    }
    if (rc)
        *rc = result;
    return sink;
}

// Dovecot's answers to FETCH 1 FULL, FETCH 2 BODY.PEEK[2] and GETACL.
const std::string kDovecot =
    "* 1 FETCH (FLAGS (\\Recent) INTERNALDATE \"07-Dec-2026 05:28:50 +0000\" RFC822.SIZE 319 ENVELOPE "
    "(\"Mon, 12 Jan 2004 08:05:09 +0100\" {21}\r\nPlain hello folded on ((\"Bob Builder\" NIL \"bob\" \"kes.test\")) "
    "((\"Bob Builder\" NIL \"bob\" \"kes.test\")) ((\"Bob Builder\" NIL \"bob\" \"kes.test\")) ((NIL NIL \"alice\" "
    "\"kes.test\")(\"Carol\" NIL \"carol\" \"kes.test\")) ((NIL NIL \"dan\" \"kes.test\")) NIL NIL "
    "\"<plain1@kes.test>\") BODY (\"text\" \"plain\" (\"charset\" \"us-ascii\") NIL NIL \"7bit\" 52 3))\r\n"
    "x0002 OK Fetch completed (0.001 + 0.000 secs).\r\n"
    "* 2 FETCH (BODY[2] {130}\r\n"
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v\r\n"
    "MDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5f)\r\n"
    "x0004 OK Fetch completed\r\n"
    "* ACL Inbox alice lrwstipekxacd\r\n";

TEST(ImapResponseReader, ResponsesDoNotDependOnHowBytesArrive)
{
    const Collector whole = Assemble(kDovecot, 0);
    ASSERT_EQ(whole.responses.size(), 5u);
    EXPECT_EQ(whole.responses[2],
              "* 2 FETCH (BODY[2] <literal:AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v\r\n"
              "MDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5f>)");
    EXPECT_EQ(whole.responses[0].substr(0, 160).find("<literal:Plain hello folded on> ((\"Bob"), std::string::npos);
    for (size_t step : {1, 2, 3, 7, 64, 129, 130, 131})
        EXPECT_EQ(Assemble(kDovecot, step).responses, whole.responses) << "step " << step;
}

TEST(ImapResponseReader, LiteralsAreFramedByTheirLength)
{
    // A literal holding CR LF, parentheses, quotes and "{5}" mid-line; one of
    // length 0; one that ends mid-line and is followed by another.
    const std::string nested =
        "* 1 FETCH (BODY[1] {12}\r\n(a \"b\r\n{5}\r\n) BODY[2] {0}\r\n FLAGS {3}\r\nxyz {2}\r\nok)\r\n";
    const Collector c = Assemble(nested, 1);
    ASSERT_EQ(c.responses.size(), 1u);
    EXPECT_EQ(c.responses[0], "* 1 FETCH (BODY[1] <literal:(a \"b\r\n{5}\r\n>) BODY[2] <literal:> FLAGS "
                              "<literal:xyz> <literal:ok>)");

    // Streamed: the body literal is cut at its length; ")" and the items after
    // it stay in the response.
    const std::string body = "* 3 FETCH (BODY[TEXT] {7}\r\nab\r\ncd) FLAGS (\\Seen))\r\nx1 OK\r\n";
    const Collector s = Assemble(body, 3, true);
    EXPECT_EQ(s.streamed, "ab\r\ncd)");
    EXPECT_EQ(s.literalEnds, 1);
    ASSERT_EQ(s.responses.size(), 2u);
    EXPECT_EQ(s.responses[0], "* 3 FETCH (BODY[TEXT] <literal:> FLAGS (\\Seen))");

    // Literals of 65,025 bytes and more, where allowed, keep their length.
    const std::string big(70000, 'q');
    const Collector b =
        Assemble("* 4 FETCH (X {70000}\r\n" + big + ")\r\n", 4096, false, nullptr, LineSource::kDefaultMaxLine, 70000);
    ASSERT_EQ(b.responses.size(), 1u);
    EXPECT_EQ(b.responses[0], "* 4 FETCH (X <literal:" + big + ">)");

    // A continuation request never announces a literal; a bare LF ends a line.
    const Collector plus = Assemble("+ go {3}\nx1 OK\n", 0);
    EXPECT_EQ(plus.responses, (std::vector<std::string>{"+ go {3}", "x1 OK"}));
}

TEST(ImapResponseReader, RefusesWhatBreaksItsBounds)
{
    int rc = 0;
    Collector c = Assemble("* 1 FETCH (X {99999999999}\r\nabc", 0, false, &rc);
    EXPECT_EQ(rc, kImapServerError);
    c = Assemble("* 1 FETCH (X {4294967296}\r\n", 0, false, &rc);
    EXPECT_EQ(rc, kImapServerError);
    // A kept literal is refused from 65,025 bytes on, before its bytes come.
    c = Assemble("* 1 FETCH (X {65024}\r\n" + std::string(65024, 'k') + ")\r\n", 0, false, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(c.responses.size(), 1u);
    c = Assemble("* 1 FETCH (X {65025}\r\n", 0, false, &rc);
    EXPECT_EQ(rc, kImapServerError);
    // Kept literals count toward the response's bound; streamed ones do not.
    c = Assemble("* 1 FETCH (X {" + std::to_string(ImapResponseReader::kMaxResponse) + "}\r\n", 0, false, &rc,
                 LineSource::kDefaultMaxLine, ImapResponseReader::kMaxResponse);
    EXPECT_EQ(rc, kImapServerError);
    c = Assemble("* 1 FETCH (X {" + std::to_string(ImapResponseReader::kMaxResponse) + "}\r\n", 0, true, &rc);
    EXPECT_EQ(rc, 0);
    c = Assemble(std::string(ImapResponseReader::kMaxResponse + 1, 'a') + "\r\n", 65536, false, &rc,
                 ImapResponseReader::kMaxResponse + 10);
    EXPECT_EQ(rc, kImapServerError);
    EXPECT_TRUE(c.responses.empty());
}

std::vector<std::string> Tokens(const std::string& text)
{
    ImapTokenReader reader(text.data(), uint32_t(text.size()));
    std::vector<std::string> out;
    ImapToken token;
    while (reader.Next(token)) {
        NetString value;
        EXPECT_EQ(ImapValue(token, value), 0);
        out.emplace_back(value.Data(), value.Length());
    }
    return out;
}

TEST(ImapTokens, QuotesListsSectionsAndNil)
{
    EXPECT_EQ(Tokens("* LIST (\\Noselect \\HasChildren) \"/\" \"a \\\"b\\\\\" nil NIL"),
              (std::vector<std::string>{"*", "LIST", "(\\Noselect \\HasChildren)", "/", "a \"b\\", "", ""}));
    EXPECT_EQ(Tokens("BODY[HEADER.FIELDS (DATE FROM)] {3} (a (b \")\" c) d)x"),
              (std::vector<std::string>{"BODY[HEADER.FIELDS (DATE FROM)]", "{3}", "(a (b \")\" c) d)", "x"}));
    // A literal inside a list may hold parentheses and quotes.
    const std::string withLiteral = std::string("(a \n\0\0\0\3)\"( b)") + ")";
    const std::string list(withLiteral.data(), withLiteral.size());
    ImapTokenReader reader(list.data(), uint32_t(list.size()));
    ImapToken token;
    ASSERT_TRUE(reader.Next(token));
    EXPECT_EQ(token.kind, ImapToken::Kind::List);
    EXPECT_EQ(std::string(token.data, token.length), list.substr(0, 14));
    // A literal whose length runs past the end is cut at the end.
    const std::string cut("\n\0\0\0\x09xy", 7);
    ImapTokenReader short_(cut.data(), uint32_t(cut.size()));
    ASSERT_TRUE(short_.Next(token));
    EXPECT_EQ(std::string(token.data, token.length), "xy");
    EXPECT_FALSE(short_.Next(token));
}

std::string Sent(const ImapCommand& command)
{
    std::string out;
    for (int i = 0; i < command.PieceCount(); ++i) {
        uint32_t n = 0;
        const char* piece = command.Piece(i, &n);
        out += std::string(piece, n) + (i + 1 < command.PieceCount() ? "|" : "");
    }
    return out;
}

TEST(ImapCommand, ArgumentsCannotBreakTheLine)
{
    ImapCommand c;
    c.Start("x0001 ", "LOGIN");
    ASSERT_EQ(c.String("alice"), 0);
    ASSERT_EQ(c.String("two words\"q\\"), 0);
    ASSERT_EQ(c.Finish(), 0);
    EXPECT_EQ(Sent(c), "x0001 LOGIN alice \"two words\\\"q\\\\\"\r\n");

    c.Start("x0002 ", "SELECT");
    ASSERT_EQ(c.String(""), 0);
    ASSERT_EQ(c.String("caf\xC3\xA9\r\nx0003 DELETE INBOX"), 0);
    ASSERT_EQ(c.Finish(), 0);
    EXPECT_EQ(Sent(c), "x0002 SELECT \"\" {25}\r\n|caf\xC3\xA9\r\nx0003 DELETE INBOX\r\n");
    EXPECT_STREQ(c.Trail(), "x0002 SELECT \"\" {25}");

    c.Start("x0004 ", "SEARCH");
    EXPECT_EQ(c.Raw("ALL\r\nx0005 LOGOUT"), kImapBadArgument);
    EXPECT_EQ(c.Finish(), kImapBadArgument);

    c.Start("x0006 ", "LIST");
    ASSERT_EQ(c.Raw(""), 0);
    ASSERT_EQ(c.String("*"), 0);
    ASSERT_EQ(c.Finish(), 0);
    EXPECT_EQ(Sent(c), "x0006 LIST \"\" \"*\"\r\n");
}

struct Events final : ImapPartSink, ImapListSink {
    std::vector<std::string> got;
    int OnImapPart(const ImapPart& p) override
    {
        got.push_back(std::string(p.id) + " " + std::to_string(p.size) + " " + p.contentType + " [" + p.fileName +
                      "] " + p.encoding + " " + p.parameters + " " + p.subtype);
        return 0;
    }
    int OnImapMailbox(const char* name, const char* separator, const char* flags) override
    {
        got.push_back(std::string(name) + "|" + separator + "|" + flags);
        return 0;
    }
    int OnImapAcl(const char* mailbox, const char* user, const char* rights) override
    {
        got.push_back(std::string(mailbox) + "|" + user + "|" + rights);
        return 0;
    }
};

struct Fetched {
    ImapMessage message;
    ImapBodyFacts facts;
    Events events;
};

void Fetch(const std::string& line, Fetched& f, const char* partId = "", int charsetMode = 0, bool uid = false)
{
    // Parse the reader's own form, not the readable copy.
    struct Keep final : ImapResponseSink {
        std::string response;
        bool StreamImapLiteral(const char*, uint32_t, uint32_t) override { return false; }
        int OnImapLiteralData(const char*, uint32_t) override { return 0; }
        int OnImapLiteralEnd() override { return 0; }
        int OnImapResponse(const char* r, uint32_t n) override
        {
            response.assign(r, n);
            return 0;
        }
    } keep;
    ImapResponseReader reader(keep);
    LineSource lines;
    const std::string bytes = line + "\r\n";
    ASSERT_EQ(FeedImapBytes(lines, reader, bytes.data(), uint32_t(bytes.size())), 0);
    int number = 0;
    ASSERT_EQ(ClassifyUntagged(keep.response.data(), uint32_t(keep.response.size()), &number), ImapUntagged::Fetch);
    ImapFetchOptions options;
    options.uidMode = uid;
    options.partId = partId;
    options.charsetMode = charsetMode;
    ASSERT_EQ(ParseFetch(keep.response.data(), uint32_t(keep.response.size()), options, f.message, f.facts, f.events),
              0);
}

TEST(ImapFetch, EnvelopeAndSinglePartBody)
{
    Fetched f;
    Fetch(kDovecot.substr(0, kDovecot.find("\r\nx0002")), f);
    const ImapMessage& m = f.message;
    EXPECT_STREQ(m.number.CStr(), "1");
    EXPECT_STREQ(m.flags.CStr(), "(\\Recent)");
    EXPECT_STREQ(m.internalDate.CStr(), "07-Dec-2026 05:28:50 +0000");
    EXPECT_STREQ(m.date.CStr(), "Mon, 12 Jan 2004 08:05:09 +0100");
    EXPECT_STREQ(m.subject.CStr(), "Plain hello folded on");
    EXPECT_STREQ(m.from.CStr(), "\"Bob Builder\" <bob@kes.test>");
    EXPECT_STREQ(m.replyTo.CStr(), "\"Bob Builder\" <bob@kes.test>");
    ASSERT_EQ(m.to.Count(), 2u);
    EXPECT_STREQ(m.to.Item(0), "<alice@kes.test>");
    EXPECT_STREQ(m.to.Item(1), "\"Carol\" <carol@kes.test>");
    EXPECT_STREQ(m.cc.Item(0), "<dan@kes.test>");
    EXPECT_EQ(m.bcc.Count(), 0u);
    EXPECT_STREQ(m.messageId.CStr(), "<plain1@kes.test>");
    EXPECT_STREQ(m.contentType.CStr(), "text/plain");
    EXPECT_STREQ(m.contentEncoding.CStr(), "7bit");
    EXPECT_EQ(m.size, 52); // the body's size replaces RFC822.SIZE
    EXPECT_TRUE(f.events.got.empty());

    // UID mode takes the UID; groups and NIL hosts write nothing; encoded
    // words are decoded under CharsetMode 1 and the name quoted.
    Fetched g;
    Fetch("* 7 FETCH (UID 42 FLAGS NIL ENVELOPE (NIL \"=?ISO-2022-JP?B?GyRCJCIbKEI=?=\" "
          "((\"=?ISO-2022-JP?B?GyRCJCIbKEI=?=\" NIL \"a\" \"b.c\")) NIL NIL ((NIL NIL \"team\" NIL)(NIL NIL \"x\" "
          "\"y.z\")(NIL NIL NIL NIL)) NIL NIL NIL NIL) BODY (\"TEXT\" \"PLAIN\" NIL NIL NIL \"BASE64\" 8 1))",
          g, "1", 1, true);
    EXPECT_STREQ(g.message.number.CStr(), "42");
    EXPECT_STREQ(g.message.flags.CStr(), "");
    EXPECT_STREQ(g.message.subject.CStr(), "\x82\xA0");
    EXPECT_STREQ(g.message.from.CStr(), "\"\x82\xA0\" <a@b.c>");
    ASSERT_EQ(g.message.to.Count(), 1u);
    EXPECT_STREQ(g.message.to.Item(0), "<x@y.z>");
    EXPECT_STREQ(g.message.contentType.CStr(), "text/plain");
    EXPECT_EQ(g.facts.decoding, ImapDecoding::Base64);
    EXPECT_TRUE(g.facts.japanese);

    // Sizes in octets pass 2 GB.
    Fetched big;
    Fetch("* 8 FETCH (RFC822.SIZE 3000000000)", big);
    EXPECT_EQ(big.message.size, 3000000000);
}

TEST(ImapFetch, MultipartBodiesReportTheirParts)
{
    Fetched f;
    Fetch("* 2 FETCH (BODY (((\"text\" \"plain\" (\"charset\" \"us-ascii\") NIL NIL \"7bit\" 10 0)(\"text\" \"html\" "
          "(\"charset\" \"us-ascii\") NIL NIL \"7bit\" 16 0) \"alternative\")(\"application\" \"octet-stream\" "
          "(\"name\" \"data.bin\") NIL NIL \"base64\" 130) \"mixed\"))",
          f, "2");
    EXPECT_STREQ(f.message.contentType.CStr(), "multipart/mixed");
    EXPECT_EQ(f.events.got, (std::vector<std::string>{
                                "1.1 10 text/plain [] 7bit (\"charset\" \"us-ascii\") alternative",
                                "1.2 16 text/html [] 7bit (\"charset\" \"us-ascii\") alternative",
                                "2 130 application/octet-stream [data.bin] base64 (\"name\" \"data.bin\") mixed"}));
    EXPECT_EQ(f.facts.decoding, ImapDecoding::Base64);

    Fetched m;
    Fetch("* 4 FETCH (BODYSTRUCTURE ((\"text\" \"plain\" (\"charset\" \"us-ascii\") NIL NIL \"7bit\" 9 0 NIL NIL "
          "NIL NIL)(\"message\" \"rfc822\" NIL NIL NIL \"7bit\" 94 (NIL \"Inner\" NIL NIL NIL NIL NIL NIL NIL NIL) "
          "(\"text\" \"plain\" (\"charset\" \"us-ascii\") NIL NIL \"quoted-printable\" 11 1 NIL NIL NIL NIL) 5 NIL "
          "NIL NIL NIL) \"mixed\" (\"boundary\" \"fwd\") NIL NIL NIL))",
          m, "2.1");
    EXPECT_EQ(m.events.got, (std::vector<std::string>{"1 9 text/plain [] 7bit (\"charset\" \"us-ascii\") mixed",
                                                      "2 94 message/rfc822 [] 7bit  mixed",
                                                      "2.1 11 text/plain [] quoted-printable  mixed"}));
    EXPECT_EQ(m.facts.decoding, ImapDecoding::QuotedPrintable);

    Fetched big;
    Fetch("* 5 FETCH (BODY ((\"text\" \"plain\" NIL NIL NIL \"7bit\" 10 1)(\"application\" \"zip\" NIL NIL NIL "
          "\"base64\" 4000000000) \"mixed\"))",
          big);
    EXPECT_EQ(big.events.got, (std::vector<std::string>{"1 10 text/plain [] 7bit  mixed",
                                                        "2 4000000000 application/zip [] base64  mixed"}));

    // Nesting beyond any real message is not followed.
    std::string deep = "* 1 FETCH (BODY ";
    for (int i = 0; i < 5000; ++i)
        deep += "(";
    Fetched d;
    Fetch(deep, d);
}

TEST(ImapUntaggedLines, SelectListAclAndNumbers)
{
    int n = 0;
    EXPECT_EQ(ClassifyUntagged("* 4 EXISTS", 10, &n), ImapUntagged::Exists);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(ClassifyUntagged("* 0 recent", 10, &n), ImapUntagged::Recent);
    EXPECT_EQ(ClassifyUntagged("* OK [UIDNEXT 5]", 16, &n), ImapUntagged::Other);
    EXPECT_EQ(ClassifyUntagged("x0001 OK", 8, &n), ImapUntagged::Other);
    // A count is digits that fit an int; any other count of EXISTS or RECENT
    // shows as -1, not as a line of another kind (which would leave 0).
    const struct {
        std::string line;
        ImapUntagged kind;
        int number;
    } counts[] = {
        {"* 2147483647 EXISTS", ImapUntagged::Exists, 2147483647},
        {"* 000000000007 RECENT", ImapUntagged::Recent, 7},
        {"* 4294967297 EXISTS", ImapUntagged::Exists, -1},
        {"* 2147483648 RECENT", ImapUntagged::Recent, -1},
        {"* -3 RECENT", ImapUntagged::Recent, -1},
        {"* +3 EXISTS", ImapUntagged::Exists, -1},
        {"* 3x EXISTS", ImapUntagged::Exists, -1},
        {"* -3 FETCH (FLAGS ())", ImapUntagged::Other, 0},
        {"* 4294967297 FETCH (FLAGS ())", ImapUntagged::Other, 0},
        {"* 12 FETCH (FLAGS ())", ImapUntagged::Fetch, 12},
    };
    for (const auto& c : counts) {
        n = 99;
        EXPECT_EQ(ClassifyUntagged(c.line.data(), uint32_t(c.line.size()), &n), c.kind) << c.line;
        EXPECT_EQ(n, c.number) << c.line;
    }

    NetString text;
    const std::string flags = "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)";
    ASSERT_EQ(ParseMailboxFlags(flags.data(), uint32_t(flags.size()), text), 0);
    EXPECT_STREQ(text.CStr(), "(\\Answered \\Flagged \\Deleted \\Seen \\Draft)");

    Events events;
    const std::string list = "* LIST (\\HasNoChildren) \".\" \"My \\\"Box\\\"\"";
    ASSERT_EQ(ParseListLine(list.data(), uint32_t(list.size()), events), 0);
    const std::string acl = "* ACL Inbox bob lrs alice lrwstipekxacd";
    ASSERT_EQ(ParseAclLine(acl.data(), uint32_t(acl.size()), events), 0);
    EXPECT_EQ(events.got, (std::vector<std::string>{"My \"Box\"|.|(\\HasNoChildren)", "Inbox|bob|lrs",
                                                    "Inbox|alice|lrwstipekxacd"}));

    const std::string sort = "* SORT 2 4 1 3";
    ASSERT_EQ(ParseNumberList(sort.data(), uint32_t(sort.size()), text), 0);
    EXPECT_STREQ(text.CStr(), "2,4,1,3");
    const std::string empty = "* SEARCH";
    ASSERT_EQ(ParseNumberList(empty.data(), uint32_t(empty.size()), text), 0);
    EXPECT_STREQ(text.CStr(), "");
}

struct BodyText final : ImapBodyLineSink {
    std::string text;
    std::vector<std::string> lines;
    int OnImapBodyLine(const char* line, uint32_t n, bool lineEnd) override
    {
        lines.emplace_back(line, n);
        text.append(line, n);
        if (lineEnd)
            text += "\r\n";
        return 0;
    }
};

// Feeds the literal in pieces of `step` bytes.
BodyText Body(const std::string& literal, ImapDecoding decoding, bool jis, size_t step)
{
    BodyText sink;
    ImapBodyLines lines(sink);
    lines.Start(decoding, jis);
    for (size_t pos = 0; pos < literal.size(); pos += step)
        EXPECT_EQ(lines.Feed(literal.data() + pos, uint32_t(std::min(step, literal.size() - pos))), 0);
    EXPECT_EQ(lines.Finish(), 0);
    return sink;
}

TEST(ImapBodyLines, DecodedLineByLineAndCutWhereTheLiteralEnds)
{
    for (size_t step : {1, 3, 1000}) {
        // As it stands: the last line keeps having no line end.
        BodyText plain = Body("ab\r\ncd\nlast", ImapDecoding::None, false, step);
        EXPECT_EQ(plain.text, "ab\r\ncd\r\nlast");
        EXPECT_EQ(plain.lines, (std::vector<std::string>{"ab", "cd", "last"}));
        // Quoted-printable: escapes, a soft break, an "=" that escapes nothing.
        EXPECT_EQ(Body("caf=C3=a9 =3D x=\r\nsoft =ZZ\r\n", ImapDecoding::QuotedPrintable, false, step).text,
                  "caf\xC3\xA9 = xsoft =ZZ\r\n");
        // Base64 lines decode to their bytes, without line ends.
        EXPECT_EQ(Body("aGVs\r\nbG8=\r\n", ImapDecoding::Base64, false, step).text, "hello");
        // ISO-2022-JP to Shift-JIS.
        EXPECT_EQ(Body("\x1b$B$\"\x1b(B\r\n", ImapDecoding::None, true, step).text, "\x82\xA0\r\n");
    }
    // A line without a line end goes on in pieces of the longest line.
    const BodyText longLine = Body(std::string(ImapBodyLines::kMaxLine + 10, 'x'), ImapDecoding::None, false, 4096);
    ASSERT_EQ(longLine.lines.size(), 2u);
    EXPECT_EQ(longLine.text.size(), ImapBodyLines::kMaxLine + 10);
}

} // namespace
