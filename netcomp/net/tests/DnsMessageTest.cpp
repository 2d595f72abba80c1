// DNS messages: queries as the components send them, and responses that
// BIND sent for the test zone (record fields of every type read as text),
// then responses broken the ways a careless or hostile server breaks them.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/net/dns/DnsMessage.h"

namespace {

std::string Bytes(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
}

dns::Response Parsed(const std::string& hex)
{
    dns::Response r;
    const std::string bytes = Bytes(hex);
    EXPECT_TRUE(r.Parse(bytes.data(), bytes.size()));
    return r;
}

// Field f of record n in section s, or "rc" and the code.
std::string Field(const dns::Response& r, int s, int n, int f)
{
    const dns::Record* rec = r.Find(s, n);
    if (!rec)
        return "no record";
    std::string out;
    const int rc = r.FieldValue(*rec, f, out);
    return rc == 0 ? out : "rc" + std::to_string(rc);
}

// Responses of BIND 9.18 to queries with id 0x1234.
const char kMx[] =
    "123485000001000200000002036b6573047465737400000f0001c00c000f00010000012c00080014036d7832c00cc00c000f0"
    "0010000012c0008000a036d7831c00cc03c000100010000012c00040a000019c028000100010000012c00040a00001a";
const char kSoa[] =
    "123485000001000100000000036b657304746573740000060001c00c000600010000012c0027036e7331c00c0a686f73746d"
    "6173746572c00c78c425fd00000e1000000258000151800000012c";
const char kSrv[] =
    "123485000001000100000001055f6c646170045f746370036b657304746573740000210001c00c002100010000012c001400"
    "0000050185036e7331036b6573047465737400c037000100010000012c00047f000001";
const char kNxDomain[] =
    "123485030001000000010000066e6f73756368036b657304746573740000010001c013000600010000012c0027036e"
    "7331c0130a686f73746d6173746572c01378c425fd00000e1000000258000151800000012c";

TEST(DnsQuery, LabelsTypeAndFlags)
{
    std::string q;
    ASSERT_EQ(dns::BuildQuery(0x1234, true, "www.kes.test", 1, q), 0);
    EXPECT_EQ(Hex(q), "123401000001000000000000"
                      "03777777036b6573047465737400"
                      "00010001");
    // A final dot adds nothing; only the low byte of the type and 15 bits of the id go out.
    ASSERT_EQ(dns::BuildQuery(0xF234, false, "kes.test.", 0x10F, q), 0);
    EXPECT_EQ(Hex(q), "723400000001000000000000"
                      "036b6573047465737400"
                      "000f0001");
    ASSERT_EQ(dns::BuildQuery(7, true, ".", 2, q), 0);
    EXPECT_EQ(Hex(q), "000701000001000000000000"
                      "00"
                      "00020001");
    for (const std::string& bad :
         {std::string(), std::string("a..b"), std::string(".a"), std::string(".."), std::string(64, 'x') + ".test"})
        EXPECT_EQ(dns::BuildQuery(1, true, bad, 1, q), dns::kBadName) << bad;
    std::string longName;
    for (int i = 0; i < 64; ++i)
        longName += "abc.";
    EXPECT_EQ(dns::BuildQuery(1, true, longName, 1, q), dns::kBadName); // 257 bytes on the wire
    EXPECT_EQ(dns::BuildQuery(1, true, std::string(63, 'x') + ".test", 1, q), 0);
}

TEST(DnsResponse, HeaderQuestionAndSections)
{
    const dns::Response mx = Parsed(kMx);
    EXPECT_TRUE(mx.Readable());
    EXPECT_EQ(mx.GetHeader().id, 0x1234u);
    EXPECT_EQ(mx.GetHeader().authoritative, 4);
    EXPECT_EQ(mx.GetHeader().rcode, 0);
    EXPECT_EQ(mx.Domain(), "kes.test");
    EXPECT_EQ(mx.SectionCount(0), 2);
    EXPECT_EQ(mx.SectionCount(1), 0);
    EXPECT_EQ(mx.SectionCount(2), 2);
    EXPECT_EQ(mx.SectionCount(3), 0);
    EXPECT_EQ(mx.OwnerName(*mx.Find(0, 1)), "kes.test");
    EXPECT_EQ(mx.OwnerName(*mx.Find(2, 2)), "mx2.kes.test");
    EXPECT_EQ(mx.Find(2, 2)->ttl, 300u);
    EXPECT_EQ(mx.Find(0, 3), nullptr);
    EXPECT_EQ(mx.Find(0, 0), nullptr);
    int preference = 0;
    std::string exchange;
    ASSERT_TRUE(mx.MailExchange(*mx.Find(0, 1), preference, exchange));
    EXPECT_EQ(preference, 20);
    EXPECT_EQ(exchange, "mx2.kes.test");

    // NXDOMAIN still carries the zone's SOA in the authority section.
    const dns::Response nx = Parsed(kNxDomain);
    EXPECT_TRUE(nx.Readable());
    EXPECT_EQ(nx.GetHeader().rcode, 3);
    EXPECT_STREQ(dns::RcodeText(3), "Name error");
    EXPECT_STREQ(dns::RcodeText(9), "Unknown Error");
    EXPECT_EQ(nx.Domain(), "nosuch.kes.test");
    EXPECT_EQ(nx.SectionCount(1), 1);
    EXPECT_EQ(Field(nx, 1, 1, 1), "ns1.kes.test");
}

TEST(DnsResponse, FieldsFromBind)
{
    struct Case {
        const char* hex;
        int section, record, field;
        const char* text;
    } cases[] = {
        {kMx, 0, 2, 1, "10"},
        {kMx, 0, 2, 2, "mx1.kes.test"},
        {kMx, 2, 1, 1, "10.0.0.25"},
        {kSoa, 0, 1, 1, "ns1.kes.test"},
        {kSoa, 0, 1, 2, "hostmaster.kes.test"},
        {kSoa, 0, 1, 3, "2026120701"},
        {kSoa, 0, 1, 7, "300"},
        {kSrv, 0, 1, 1, "0"},
        {kSrv, 0, 1, 2, "5"},
        {kSrv, 0, 1, 3, "389"},
        {kSrv, 0, 1, 4, "ns1.kes.test"},
        // AAAA 2001:db8::80 and ::ffff:10.0.0.81
        {"12348500000100010000000003777777036b6573047465737400001c0001c00c001c00010000012c001020010db800000000000000"
         "0000000080",
         0, 1, 1, "2001:0db8::0.0.0.128"},
        {"123485000001000100000000066d6170706564036b6573047465737400001c0001c00c001c00010000012c00100000000000000000"
         "0000ffff0a000051",
         0, 1, 1, "::ffff:10.0.0.81"},
        // WKS 10.0.0.80 TCP ports 21 25 80
        {"12348500000100010000000003776b73036b6573047465737400000b0001c00c000b00010000012c00100a0000500600000440000000"
         "00000080",
         0, 1, 3, "21 25 80"},
        {"12348500000100010000000003776b73036b6573047465737400000b0001c00c000b00010000012c00100a0000500600000440000000"
         "00000080",
         0, 1, 2, "6"},
        // NULL has no field; a field beyond the type's count
        {"123485000001000100000000046e756c6c036b6573047465737400000a0001c00c000a00010000012c0003010203", 0, 1, 1,
         "rc221"},
        {kSrv, 0, 1, 5, "rc221"},
        {kSrv, 0, 1, 0, "rc221"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Field(Parsed(c.hex), c.section, c.record, c.field), c.text) << c.hex;
    EXPECT_STREQ(dns::TypeName(33), "SRV");
    EXPECT_STREQ(dns::TypeName(25), "");
    EXPECT_EQ(dns::FieldCount(6), 7);
    EXPECT_EQ(dns::FieldCount(10), 0);
    EXPECT_STREQ(dns::FieldName(6, 7), "MINIMUM");
    EXPECT_STREQ(dns::FieldName(6, 8), "");
}

// A record of type `type` with RDATA `rdata` (hex) behind a question for "a".
std::string OneRecord(const char* type, const std::string& rdata, const char* rdlength = nullptr)
{
    char length[5];
    std::snprintf(length, sizeof length, "%04zx", rdata.size() / 2);
    return std::string("000184000001000100000000") + "016100" + type + "0001" + "c00c" + type + "000100000001" +
           (rdlength ? rdlength : length) + rdata;
}

// "unreadable", or the records kept in the three sections ("1 0 0").
std::string Kept(const std::string& hex)
{
    const dns::Response r = Parsed(hex);
    if (!r.Readable())
        return r.Records().empty() ? "unreadable" : "unreadable with records";
    return std::to_string(r.SectionCount(0)) + " " + std::to_string(r.SectionCount(1)) + " " +
           std::to_string(r.SectionCount(2));
}

// A response that does not read is refused whole: none of its records is
// kept, so that it cannot pass for an answer without records.
TEST(DnsResponse, BoundsAgainstBrokenMessages)
{
    std::string text;
    const std::string question = "01610000010001";
    const std::string a1 = "c00c000100010000012c00040a000001";
    struct Case {
        std::string hex;
        const char* kept;
    } cases[] = {
        // Counts beyond what the message holds: ANCOUNT 1 and no answer
        // bytes; five answers, three authority and two additional records
        // announced, one present.
        {"000184000001000100000000" + question, "unreadable"},
        {"000184000001000500030002" + question + a1, "unreadable"},
        // The same with TC: the server cut it, the whole records are its answer.
        {"000186000001000500030002" + question + a1, "1 0 0"},
        {"000186000001000200000000" + question + a1 + "c00c0001", "1 0 0"},
        // A question that is not there.
        {"000184000002000100000000" + question + a1, "unreadable"},
        // RDLENGTH past the end of the message.
        {OneRecord("0001", "0a000001", "0005"), "unreadable"},
        // Data shorter than the type needs: A, AAAA, SRV, SOA, MX, HINFO
        // with one string, TXT with a string longer than its record.
        {OneRecord("0001", "0a00"), "unreadable"},
        {OneRecord("001c", "20010db8"), "unreadable"},
        {OneRecord("0021", "00000005"), "unreadable"},
        {OneRecord("0006", "00000000"), "unreadable"},
        {OneRecord("000f", "000a"), "unreadable"},
        {OneRecord("000d", "0141"), "unreadable"},
        {OneRecord("0010", "05616263"), "unreadable"},
        // ... also behind the truncation bit, which only excuses the cut.
        {"000186000001000200000000" + question + "c00c000100010000012c00020a00" + a1, "unreadable"},
        // A name in the data that runs past the data into the next bytes.
        {OneRecord("0005", "0362"), "unreadable"},
        // Compression pointers to themselves, in the data and as the owner
        // name, and past the end of the message.
        {OneRecord("0005", "c01f"), "unreadable"},
        {"000184000001000100000000" + question + "c013000100010000000100040a000001", "unreadable"},
        {"000184000001000100000000" + question + "c0ff000100010000000100040a000001", "unreadable"},
        // The reserved label types 0x40 and 0x80, which would pass for
        // pointers back to the question or the header.
        {"000184000001000100000000" + question + "400c000100010000000100040a000001", "unreadable"},
        {"000184000001000100000000" + question + "800c000100010000000100040a000001", "unreadable"},
        {"000184000001000000000000400000010001", "unreadable"},
        // What reads stays as it was: no answers, an unknown type, an A
        // record with more than its four bytes, null MX and SRV targets, an
        // HINFO string whose length byte would pass for a compression pointer.
        {"000184000001000000000000" + question, "0 0 0"},
        {OneRecord("0019", "00"), "1 0 0"},
        {OneRecord("0001", "0a00000100"), "1 0 0"},
        {OneRecord("000f", "000000"), "1 0 0"},
        {OneRecord("0021", "00000000000000"), "1 0 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Kept(c.hex), c.kept) << c.hex;

    // The header still reads: a server's name error stands.
    const dns::Response nx = Parsed("000184030001000100000000" + question);
    EXPECT_FALSE(nx.Readable());
    EXPECT_EQ(nx.GetHeader().rcode, 3);
    EXPECT_EQ(nx.GetHeader().counts[1], 1u);

    std::string big = "c8";
    for (int i = 0; i < 200; ++i)
        big += "41";
    EXPECT_EQ(Field(Parsed(OneRecord("000d", big + "0141")), 0, 1, 1), std::string(200, 'A'));
    EXPECT_EQ(Field(Parsed(OneRecord("000d", big + "0141")), 0, 1, 2), "A");
    // Fields of a record that was cut off behind TC are not read.
    EXPECT_EQ(Field(Parsed("000186000001000200000000" + question + a1 + "c00c0001"), 0, 2, 1), "no record");
    EXPECT_EQ(Field(Parsed(OneRecord("0019", "00")), 0, 1, 1), "rc223");
    EXPECT_EQ(Field(Parsed(OneRecord("0100", "00")), 0, 1, 1), "rc223");

    const std::string loop = Bytes("0161c000");
    text.clear();
    EXPECT_FALSE(dns::ReadName(reinterpret_cast<const unsigned char*>(loop.data()), loop.size(), 0, text).ok);
    const std::string mutual = Bytes("c002c000");
    text.clear();
    EXPECT_FALSE(dns::ReadName(reinterpret_cast<const unsigned char*>(mutual.data()), mutual.size(), 2, text).ok);
    // A pointer outside the message.
    const std::string outside = Bytes("c0ff");
    text.clear();
    EXPECT_FALSE(dns::ReadName(reinterpret_cast<const unsigned char*>(outside.data()), outside.size(), 0, text).ok);
    // Shorter than a header: not a response.
    dns::Response shortOne;
    EXPECT_FALSE(shortOne.Parse("\x12\x34\x85", 3));
}

TEST(DnsResponse, StoreHoldsAtMost256Records)
{
    std::string hex = "000184000001012c00000000"
                      "01610000010001";
    for (int i = 0; i < 300; ++i)
        hex += "c00c000100010000000100040a000001";
    const dns::Response r = Parsed(hex);
    EXPECT_EQ(r.SectionCount(0), 256);
    EXPECT_EQ(Field(r, 0, 256, 1), "10.0.0.1");
    EXPECT_EQ(r.Find(0, 257), nullptr);
    // A fault behind the records the store keeps is a fault of the response.
    EXPECT_EQ(Kept(hex.substr(0, hex.size() - 2)), "unreadable");
}

} // namespace
