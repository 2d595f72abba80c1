// The syslog, time and TFTP formats: what the components send, and how they
// read what arrives (rsyslog's and logger's datagrams, RFC 868 answers, TFTP
// packets).
#include <gtest/gtest.h>

#include <string>

#include "netcomp/net/netclock/TimeProtocol.h"
#include "netcomp/net/syslog/SysLogMessage.h"
#include "netcomp/net/tftp/TftpPacket.h"

namespace {

using syslog_message::Parse;

TEST(SysLogMessage, FormatsPriorityTimestampAndHost)
{
    std::string out;
    ASSERT_TRUE(syslog_message::Format(4, 2, {12, 5, 9, 3, 7}, "winhost", "disk full", 9, out));
    EXPECT_EQ(out, "<34>Dec  5 09:03:07 winhost disk full");
    ASSERT_TRUE(syslog_message::Format(23, 15, {1, 31, 23, 59, 59}, "10.0.0.1", "", 0, out));
    EXPECT_EQ(out, "<191>Jan 31 23:59:59 10.0.0.1 "); // severity kept to three bits
    ASSERT_TRUE(syslog_message::Format(40, 0, {2, 1, 0, 0, 0}, "h", "x", 1, out));
    EXPECT_EQ(out, "<64>Feb  1 00:00:00 h x"); // the priority kept to eight bits
    EXPECT_FALSE(syslog_message::Format(1, 1, {13, 1, 0, 0, 0}, "h", "x", 1, out));
    EXPECT_FALSE(syslog_message::Format(1, 1, {0, 1, 0, 0, 0}, "h", "x", 1, out));
}

TEST(SysLogMessage, ParsesConformingAndOtherDatagrams)
{
    // What logger -d sends, with rsyslog's own layout.
    const std::string logger = "<156>Dec  7 06:12:01 vm kestest: udp message one";
    auto p = Parse(logger.data(), logger.size());
    EXPECT_EQ(p.facility, 19);
    EXPECT_EQ(p.severity, 4);
    EXPECT_EQ(p.timestamp, "Dec  7 06:12:01");
    EXPECT_EQ(p.hostname, "vm");
    EXPECT_EQ(p.message, "kestest: udp message one");
    EXPECT_TRUE(p.conforming);
    EXPECT_STREQ(syslog_message::FacilityName(p.facility), "Local Use 3");
    EXPECT_STREQ(syslog_message::SeverityName(p.severity), "Warning Condition");

    const std::string lower = "<0>dec 31 23:59:59 host";
    p = Parse(lower.data(), lower.size());
    EXPECT_EQ(p.timestamp, "dec 31 23:59:59");
    EXPECT_EQ(p.hostname, "host");
    EXPECT_FALSE(p.conforming); // no blank after the host name
    EXPECT_EQ(p.message, "");

    const std::string shortOne = "<13>0123456789";
    p = Parse(shortOne.data(), shortOne.size());
    EXPECT_EQ(p.facility, 1);
    EXPECT_EQ(p.severity, 5);
    EXPECT_EQ(p.timestamp, "");
    EXPECT_EQ(p.hostname, "");
    EXPECT_EQ(p.message, "0123456789");
    EXPECT_FALSE(p.conforming);

    const std::string noPri = "Dec  7 06:12:01 vm plain";
    p = Parse(noPri.data(), noPri.size());
    EXPECT_EQ(p.facility, 1);
    EXPECT_EQ(p.severity, 5);
    EXPECT_EQ(p.message, noPri);

    const std::string bigPri = "<200> odd";
    p = Parse(bigPri.data(), bigPri.size());
    EXPECT_EQ(p.facility, 25);
    EXPECT_STREQ(syslog_message::FacilityName(p.facility), "<unknown facility>");
    EXPECT_EQ(p.message, "odd"); // one blank after ">" skipped

    // Five digits are no priority; an unclosed one neither.
    for (const std::string s : {"<12345>x", "<12", "<", "", "<1a>x"}) {
        p = Parse(s.data(), s.size());
        EXPECT_EQ(p.message, s);
        EXPECT_EQ(p.facility, 1);
    }
    // A month name followed by a letter is not a timestamp.
    const std::string notStamp = "<1>Dec  7 06:12:0x vm text";
    p = Parse(notStamp.data(), notStamp.size());
    EXPECT_EQ(p.timestamp, "");
    EXPECT_EQ(p.message, "Dec  7 06:12:0x vm text");
    // Bytes after a zero byte stay part of the message.
    const std::string zero("<14>Dec  7 06:12:01 vm a\0b", 26);
    EXPECT_EQ(Parse(zero.data(), zero.size()).message, std::string("a\0b", 3));
}

TEST(TimeProtocol, SecondsSince1900AsText)
{
    using time_protocol::FromSeconds;
    using time_protocol::Text;
    EXPECT_EQ(Text(FromSeconds(3155673600u)), "01/01/2000 00:00:00");
    EXPECT_EQ(Text(FromSeconds(3287044800u)), "02/29/2004 12:00:00");
    EXPECT_EQ(Text(FromSeconds(2208988800u)), "01/01/1970 00:00:00");
    EXPECT_EQ(Text(FromSeconds(1u)), "01/01/1900 00:00:01");
    EXPECT_EQ(Text(FromSeconds(5097600u)), "03/01/1900 00:00:00"); // 1900 had no 29 February
    EXPECT_EQ(Text(FromSeconds(4294967295u)), "02/07/2036 06:28:15");
    EXPECT_EQ(Text(FromSeconds(3976300799u)), "01/01/2026 23:59:59");

    std::uint32_t s = 0;
    EXPECT_TRUE(time_protocol::ReadAnswer("\xbc\x17\xc2\x00", 4, s));
    EXPECT_EQ(s, 3155673600u);
    EXPECT_TRUE(time_protocol::ReadAnswer("\xbc\x17\xc2\x00\x99", 5, s)); // trailing bytes ignored
    EXPECT_FALSE(time_protocol::ReadAnswer("\0\0\0\0", 4, s));
    EXPECT_FALSE(time_protocol::ReadAnswer("\xbc\x17\xc2", 3, s));
}

TEST(TftpPacket, BuildsAndReads)
{
    EXPECT_EQ(tftp::Request(tftp::kReadRequest, "dir/a.bin"), std::string("\0\1dir/a.bin\0octet\0", 18));
    EXPECT_EQ(tftp::Request(tftp::kWriteRequest, "x"), std::string("\0\2x\0octet\0", 10));
    EXPECT_EQ(tftp::Data(0x1234, "ab", 2), std::string("\0\3\x12\x34"
                                                       "ab",
                                                       6));
    EXPECT_EQ(tftp::Ack(65535), std::string("\0\4\xff\xff", 4));

    tftp::Packet p;
    ASSERT_TRUE(tftp::Read("\0\3\0\7xyz", 7, p));
    EXPECT_EQ(p.opcode, tftp::kData);
    EXPECT_EQ(p.number, 7u);
    EXPECT_EQ(std::string(p.data, p.dataLength), "xyz");
    ASSERT_TRUE(tftp::Read("\0\5\0\1File not found\0", 19, p));
    EXPECT_EQ(p.opcode, tftp::kError);
    EXPECT_EQ(p.number, 1u);
    EXPECT_EQ(p.errorMessage, "File not found");
    ASSERT_TRUE(tftp::Read("\0\5\0\2no zero", 11, p)); // the text ends with the packet
    EXPECT_EQ(p.errorMessage, "no zero");
    EXPECT_FALSE(tftp::Read("\0\4\0", 3, p));
}

} // namespace
