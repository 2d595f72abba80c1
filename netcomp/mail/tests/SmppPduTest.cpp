// SMPP PDUs: requests built byte for byte, a stream cut into PDUs however
// it arrives, command_length out of bounds refused, and responses read
// without running past a body that ends early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/mail/smpp/SmppPdu.h"

namespace {

using std::string;

string Header(uint32_t length, uint32_t command, uint32_t status, uint32_t sequence)
{
    smpp::Writer w;
    w.Int(length, 4);
    w.Int(command, 4);
    w.Int(status, 4);
    w.Int(sequence, 4);
    return w.Body();
}

TEST(SmppPdu, RequestsAreBuiltBigEndianWithCStrings)
{
    smpp::Writer w;
    w.CString("kes");
    w.Int(0x34, 1);
    w.Int(0x0424, 2);
    w.Int(0x01020304, 4);
    w.Bytes("a\0b", 3);
    EXPECT_EQ(w.Pdu(smpp::kBindTransmitter, 0, 7),
              string("\0\0\0\x1e\0\0\0\x02\0\0\0\0\0\0\0\x07kes\0\x34\x04\x24\x01\x02\x03\x04"
                     "a\0b",
                     30));
    const smpp::Header h = smpp::ReadHeader(Header(16, 0x80000015, 0x58, 0xFFFFFFFF).data());
    EXPECT_EQ(h.length, 16u);
    EXPECT_EQ(h.command, 0x80000015u);
    EXPECT_EQ(h.status, 0x58u);
    EXPECT_EQ(h.sequence, 0xFFFFFFFFu);
}

TEST(SmppPdu, FramerCutsTheStreamAndRefusesBadLengths)
{
    // Two PDUs fed a byte at a time come out whole and in order.
    const string first = Header(20, 0x80000004, 0, 1) + string("id1\0", 4);
    const string second = Header(16, 0x80000015, 0, 2);
    smpp::Framer framer;
    std::vector<string> got;
    const string stream = first + second;
    for (char c : stream) {
        framer.Feed(&c, 1);
        string pdu;
        while (framer.Next(pdu))
            got.push_back(pdu);
    }
    EXPECT_EQ(got, (std::vector<string>{first, second}));

    // A command_length beyond the bound is refused at its header, before any
    // body is waited for; one under 16 bytes as well.
    for (uint32_t length : {0x7FFFFFFFu, smpp::kMaxPduLength + 1, 15u, 0u}) {
        smpp::Framer bad;
        const string header = Header(length, 0x80000004, 0, 1);
        bad.Feed(header.data(), header.size());
        string pdu;
        EXPECT_FALSE(bad.Next(pdu));
        ASSERT_NE(bad.Broken(), nullptr) << length;
        bad.Feed("more", 4);
        EXPECT_FALSE(bad.Next(pdu));
    }
    smpp::Framer largest;
    const string header = Header(smpp::kMaxPduLength, 0x80000103, 0, 1);
    largest.Feed(header.data(), header.size());
    const string body(smpp::kMaxPduLength - 16, 'x');
    largest.Feed(body.data(), body.size());
    string pdu;
    EXPECT_TRUE(largest.Next(pdu));
    EXPECT_EQ(pdu.size(), smpp::kMaxPduLength);
}

TEST(SmppPdu, ResponsesReadWithinTheirBody)
{
    string id;
    EXPECT_TRUE(smpp::ReadMessageId(string("54840001\0", 9), id));
    EXPECT_EQ(id, "54840001");
    EXPECT_TRUE(smpp::ReadMessageId("", id));
    EXPECT_EQ(id, "");
    EXPECT_FALSE(smpp::ReadMessageId("no terminator", id));
    EXPECT_FALSE(smpp::ReadMessageId(string(smpp::kMaxMessageId + 1, 'x') + '\0', id));

    // As Net::SMPP answers a submit_multi with one failed destination.
    std::vector<smpp::Unsuccessful> failed;
    ASSERT_TRUE(smpp::ReadSubmitMultiResp(string("54840002\0\x01\x01\x01"
                                                 "999\0\0\0\0\x0b",
                                                 21),
                                          id, failed));
    EXPECT_EQ(id, "54840002");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].address, "999");
    EXPECT_EQ(failed[0].status, 0x0Bu);
    // A count of 200 with one entry there: the read stops at the body's end.
    EXPECT_FALSE(smpp::ReadSubmitMultiResp(string("m\0\xc8\x01\x01"
                                                  "999\0\0\0\0\x0b",
                                                  14),
                                           id, failed));
    EXPECT_EQ(failed.size(), 1u);

    smpp::QueryAnswer q;
    ASSERT_TRUE(smpp::ReadQueryResp(string("54840001\0"
                                           "261207000000000+\0\x03\x00",
                                           28),
                                    q));
    EXPECT_EQ(q.finalDate, "261207000000000+");
    EXPECT_EQ(q.state, 3);
    EXPECT_FALSE(smpp::ReadQueryResp(string("54840001\0\0\x01", 11), q));

    EXPECT_STREQ(smpp::StatusText(0x58), "message throttled (exceeded message limit)");
    EXPECT_STREQ(smpp::StatusText(0x0B), "invalid desination address");
    EXPECT_STREQ(smpp::StatusText(9), "no error description available");
}

} // namespace
