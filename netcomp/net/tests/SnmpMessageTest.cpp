// SNMP messages to and from bytes: the binding value types, and messages that
// net-snmp 5.9.3's snmpget, snmpbulkget, snmptrap and snmpd put on the wire.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/snmp/SnmpValue.h"
#include "netcomp/net/tests/SnmpTestBytes.h"

namespace {

// snmpget -v1 of a missing object, and snmpd's noSuchName answer.
const char* const kV1Get = "302902010004067075626c6963a01c02043f5ac5c3020100020100300e300c06082b060102010163000500";
const char* const kV1NoSuchName =
    "302902010004067075626c6963a21c02043f5ac5c3020102020101300e300c06082b060102010163000500";
// snmpbulkget -v2c -Cn0 -Cr2 of system.
const char* const kV2cBulk = "302702010104067075626c6963a51a02045baf8683020100020102300c300a06062b060102010105"
                             "00";
// snmptrap -v1 enterprise 1.3.6.1.4.1.55555, agent 127.0.0.1, 6 17, one string.
const char* const kV1Trap =
    "304002010004067075626c6963a43306082b0601040183b20340047f00000102010602011143030185aa3016301406"
    "092b0601040183b20301040776312074726170";
// snmptrap -v2c linkDown with ifIndex 2.
const char* const kV2cTrap =
    "305602010104067075626c6963a749020453ba3c50020100020100303b300f06082b0601020101030043030185e4"
    "3017060a2b06010603010104010006092b0601060301010503300f060a2b060102010202010102020102";
// snmptrap -v3 -e 0x8000000001020304 -u trapuser -l authNoPriv -a SHA -Z 1,100 coldStart.
const char* const kV3Trap =
    "30819402010330110204164da9a8020300ffe3040101020103042c302a0408800000000102030402010102016404"
    "087472617075736572040cbea9bffa29dd93eb382f94ff0400304e041180001f8880330b856ab943166b000000"
    "000400a7370204656591940201000201003029300e06082b06010201010300430230393017060a2b0601060301"
    "0104010006092b0601060301010501";
// snmpget's engine discovery and snmpd's Report.
const char* const kProbe =
    "303e0201033011020473ee928f020300ffe30401040201030410300e0400020100020100040004000400301404000400"
    "a00e0204035206be0201000201003000";
const char* const kProbeReport =
    "30720201033011020473ee928f020300ffe304010002010304223020041180001f8880cd90402c2f43166b00"
    "000000020101020200900400040004003036041180001f8880cd90402c2f43166b000000000400a81f0204"
    "035206be0201000201003011300f060a2b060106030f01010400410103";

int Parse(const std::string& hex, SnmpMessage& m, SnmpBindings& b, uint32_t* at = nullptr)
{
    const std::string bytes = Unhex(hex);
    return ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), m, b, at);
}

std::string Build(const SnmpMessage& m, const SnmpBindings& b)
{
    BerCodec pdu, whole;
    int rc = BuildSnmpPdu(m, b, pdu);
    if (rc == kResultOk)
        rc = BuildSnmpMessage(m, pdu, whole, nullptr);
    return rc == kResultOk ? Hex(std::string(whole.Buffer().Data(), whole.Buffer().Length()))
                           : "rc" + std::to_string(rc);
}

std::string Bindings(const SnmpBindings& b)
{
    std::string out;
    for (int i = 0; i < b.Count(); ++i)
        out += b.At(i).oid + "=" + std::to_string(b.At(i).type) + ":" + b.At(i).value + " ";
    return out;
}

// The value element written for a type and text, or "rc" and the code.
std::string Encoded(int type, const std::string& value)
{
    BerCodec codec;
    const int rc = AppendSnmpValue(codec, {"1.3", value, type});
    return rc == kResultOk ? Hex(std::string(codec.Buffer().Data(), codec.Buffer().Length()))
                           : "rc" + std::to_string(rc);
}

// The text and type read back from an element.
std::string Decoded(const std::string& hex)
{
    BerCodec codec;
    const std::string bytes = Unhex(hex);
    EXPECT_EQ(codec.Buffer().Assign(uint32_t(bytes.size()), bytes.data()), kResultOk);
    SnmpBinding b;
    const int rc = ReadSnmpValue(codec, 0, b);
    return rc == kResultOk ? std::to_string(b.type) + ":" + b.value : "rc" + std::to_string(rc);
}

TEST(SnmpValue, WritesEachTypeFromText)
{
    const struct {
        int type;
        const char* value;
        const char* hex;
    } cases[] = {
        {2, "-129", "0202ff7f"},
        {2, "2147483647", "02047fffffff"},
        {2, "-2147483648", "020480000000"},
        {2, "2147483648", "rc445"},
        {2, "12abc", "rc445"},
        {2, "", "rc445"},
        {4, "hi", "04026869"},
        {5, "ignored", "0500"},
        {6, "1.3.6.1.4.1.8072", "06072b06010401bf08"},
        {64, "10.0.0.1", "40040a000001"},
        {64, "10.0.0", "rc306"},
        {64, "256.0.0.1", "rc306"},
        {64, "1.2.3.4 ", "rc306"},
        {65, "4294967295", "410500ffffffff"},
        {65, "4294967296", "rc445"},
        {66, "-1", "rc445"},
        {67, "5", "430400000005"},
        {70, "18446744073709551615", "460900ffffffffffffffff"},
        {70, "18446744073709551616", "rc445"},
        {71, "0", "470400000000"},
        {128, "", "8000"},
        {130, "x", "8200"},
        {68, "opaque", "44066f7061717565"},
        {31, "", "rc445"},
        {256, "", "rc445"},
        {-1, "", "rc445"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encoded(c.type, c.value), c.hex) << c.type << " " << c.value;
}

TEST(SnmpValue, ReadsEachTypeAsText)
{
    const struct {
        const char* hex;
        const char* text;
    } cases[] = {
        {"0202ff7f", "2:-129"},
        {"04026869", "4:hi"},
        {"0500", "5:"},
        {"06072b06010401bf08", "6:1.3.6.1.4.1.8072"},
        {"40040a000001", "64:10.0.0.1"},
        {"4003414243", "64:ABC"}, // not four bytes: kept as they came
        {"410500ffffffff", "65:4294967295"},
        {"420101", "66:1"},
        {"430301e240", "67:123456"},
        {"460900ffffffffffffffff", "70:18446744073709551615"},
        {"4700", "71:0"},
        {"8000", "128:error: noSuchObject"},
        {"8100", "129:error: noSuchInstance"},
        {"8200", "130:error: endOfMibView"},
        {"4401ff", "68:\xff"},
        {"020500ffffffff", "rc446"},
        {"4106010000000000", "rc446"},
        {"0603", "rc447"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decoded(c.hex), c.text) << c.hex;
}

// SNMPv1 and SNMPv2c messages read into the record and written back byte for byte.
TEST(SnmpMessage, CommunityMessagesBothWays)
{
    SnmpMessage m;
    SnmpBindings b;
    ASSERT_EQ(Parse(kV1NoSuchName, m, b), kResultOk);
    EXPECT_EQ(m.version, kSnmpWireV1);
    EXPECT_EQ(m.community, "public");
    EXPECT_EQ(m.pduType, kSnmpResponse);
    EXPECT_EQ(m.requestId, 0x3f5ac5c3);
    EXPECT_EQ(m.errorStatus, 2);
    EXPECT_EQ(m.errorIndex, 1);
    EXPECT_EQ(Bindings(b), "1.3.6.1.2.1.1.99.0=5: ");
    EXPECT_STREQ(SnmpErrorStatusName(m.errorStatus), "noSuchName");
    EXPECT_EQ(Build(m, b), kV1NoSuchName);

    ASSERT_EQ(Parse(kV2cBulk, m, b), kResultOk);
    EXPECT_EQ(m.pduType, kSnmpGetBulkRequest);
    EXPECT_EQ(m.nonRepeaters, 0);
    EXPECT_EQ(m.maxRepetitions, 2);
    EXPECT_EQ(m.errorStatus, 0);
    EXPECT_EQ(Build(m, b), kV2cBulk);

    ASSERT_EQ(Parse(kV1Trap, m, b), kResultOk);
    EXPECT_EQ(m.pduType, kSnmpTrapV1);
    EXPECT_EQ(m.enterprise, "1.3.6.1.4.1.55555");
    EXPECT_EQ(Hex(std::string(reinterpret_cast<char*>(m.agentAddress), 4)), "7f000001");
    EXPECT_EQ(m.genericTrap, 6);
    EXPECT_EQ(m.specificTrap, 17);
    EXPECT_EQ(m.timeStamp, 0x0185aau);
    EXPECT_EQ(Bindings(b), "1.3.6.1.4.1.55555.1=4:v1 trap ");
    EXPECT_EQ(Build(m, b), kV1Trap);

    ASSERT_EQ(Parse(kV2cTrap, m, b), kResultOk);
    EXPECT_EQ(m.pduType, kSnmpTrapV2);
    EXPECT_EQ(Bindings(b), "1.3.6.1.2.1.1.3.0=67:99812 1.3.6.1.6.3.1.1.4.1.0=6:1.3.6.1.6.3.1.1.5.3 "
                           "1.3.6.1.2.1.2.2.1.1.2=2:2 ");
    // Written back with the TimeTicks in their four-byte form.
    const std::string again = Build(m, b);
    EXPECT_NE(again.find("4304000185e4"), std::string::npos);
    SnmpBindings back;
    ASSERT_EQ(Parse(again, m, back), kResultOk);
    EXPECT_EQ(Bindings(back), Bindings(b));
    EXPECT_EQ(SnmpErrorStatusName(18), std::string("inconsistentName"));
    EXPECT_EQ(SnmpErrorStatusName(19), std::string("<unknown error>"));
    EXPECT_EQ(SnmpErrorStatusName(-1), std::string("<unknown error>"));
}

TEST(SnmpMessage, UserSecurityMessages)
{
    SnmpMessage m;
    SnmpBindings b;
    uint32_t at = 99;
    ASSERT_EQ(Parse(kProbe, m, b, &at), kResultOk);
    EXPECT_EQ(m.version, kSnmpWireV3);
    EXPECT_EQ(m.msgId, 0x73ee928f);
    EXPECT_EQ(m.msgMaxSize, 65507);
    EXPECT_EQ(m.msgFlags, kSnmpFlagReportable);
    EXPECT_EQ(m.engineId + m.user + m.contextEngineId, "");
    EXPECT_EQ(at, 0u); // no authentication parameters
    EXPECT_EQ(b.Count(), 0);

    ASSERT_EQ(Parse(kProbeReport, m, b), kResultOk);
    EXPECT_EQ(Hex(m.engineId), "80001f8880cd90402c2f43166b00000000");
    EXPECT_EQ(m.engineBoots, 1u);
    EXPECT_EQ(m.engineTime, 144u);
    EXPECT_EQ(m.pduType, kSnmpReport);
    EXPECT_EQ(Bindings(b), "1.3.6.1.6.3.15.1.1.4.0=65:3 ");

    ASSERT_EQ(Parse(kV3Trap, m, b, &at), kResultOk);
    EXPECT_EQ(m.msgFlags, kSnmpFlagAuth);
    EXPECT_EQ(Hex(m.engineId), "8000000001020304");
    EXPECT_EQ(m.engineBoots, 1u);
    EXPECT_EQ(m.engineTime, 100u);
    EXPECT_EQ(m.user, "trapuser");
    EXPECT_EQ(Hex(m.authParams), "bea9bffa29dd93eb382f94ff");
    EXPECT_EQ(Hex(Unhex(kV3Trap).substr(at, 12)), "bea9bffa29dd93eb382f94ff");
    EXPECT_EQ(Hex(m.contextEngineId), "80001f8880330b856ab943166b00000000");
    EXPECT_EQ(m.pduType, kSnmpTrapV2);
    EXPECT_EQ(Bindings(b), "1.3.6.1.2.1.1.3.0=67:12345 1.3.6.1.6.3.1.1.4.1.0=6:1.3.6.1.6.3.1.1.5.1 ");

    // Built again: the same fields, with boots and time in four bytes.
    uint32_t builtAt = 0;
    BerCodec pdu, whole;
    ASSERT_EQ(BuildSnmpPdu(m, b, pdu), kResultOk);
    ASSERT_EQ(BuildSnmpMessage(m, pdu, whole, &builtAt), kResultOk);
    const std::string built(whole.Buffer().Data(), whole.Buffer().Length());
    EXPECT_NE(Hex(built).find("040880000000010203040204000000010204000000640408747261707573657204"
                              "0cbea9bffa29dd93eb382f94ff0400"),
              std::string::npos);
    EXPECT_EQ(built.substr(builtAt, 12), m.authParams);
    SnmpMessage back;
    ASSERT_EQ(ParseSnmpMessage(built.data(), uint32_t(built.size()), back, b, &at), kResultOk);
    EXPECT_EQ(at, builtAt);
    EXPECT_EQ(back.engineTime, 100u);
}

TEST(SnmpMessage, RefusesWhatItCannotRead)
{
    SnmpMessage m;
    SnmpBindings b;
    // Version 2 (not a wire value), security model 2, an encrypted scoped PDU.
    EXPECT_EQ(Parse("3005020102"
                    "0400",
                    m, b),
              kSnmpBadVersion);
    std::string probe = kProbe;
    EXPECT_EQ(Parse(probe.replace(probe.find("0201030410"), 10, "0201020410"), m, b), kSnmpBadSecurityModel);
    std::string privacy = kProbe;
    privacy.replace(privacy.find("301404000400a00e"), 16, "041404000400a00e");
    EXPECT_EQ(Parse(privacy, m, b), kBerMalformed);
    // A primitive element where the PDU belongs, and an outer element that is no SEQUENCE.
    std::string v1 = kV1Get;
    EXPECT_EQ(Parse(v1.substr(0, 26) + "04" + v1.substr(28), m, b), kBerMalformed);
    EXPECT_EQ(Parse("31" + v1.substr(2), m, b), kBerMalformed);
    // Every shorter piece of a message is refused, never read past its end.
    const std::string bytes = Unhex(kV3Trap);
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_NE(ParseSnmpMessage(bytes.data(), uint32_t(n), m, b, nullptr), kResultOk) << n;
}

TEST(SnmpMessage, KeepsTheFirst256Bindings)
{
    SnmpBindings b;
    EXPECT_EQ(b.SetCount(257), SnmpBindings::kTooMany);
    EXPECT_EQ(b.SetCount(-1), SnmpBindings::kTooMany);
    // A Response with 300 bindings, more than the engine ever sends.
    BerCodec list, pdu, whole;
    for (int i = 0; i < 300; ++i) {
        BerCodec one;
        ASSERT_EQ(one.AppendOid(("1.3.6.1." + std::to_string(i)).c_str(), 6) + one.AppendOctetString("v", 1, 4) +
                      one.WrapSequence(0x30) + list.Buffer().Append(one.Buffer().Data(), one.Buffer().Length()),
                  kResultOk);
    }
    ASSERT_EQ(list.WrapSequence(0x30) + pdu.AppendInteger(1, 2) + pdu.AppendInteger(0, 2) + pdu.AppendInteger(0, 2) +
                  pdu.Buffer().Append(list.Buffer().Data(), list.Buffer().Length()) + pdu.WrapSequence(0xA2),
              kResultOk);
    SnmpMessage m;
    m.community = "public";
    ASSERT_EQ(BuildSnmpMessage(m, pdu, whole, nullptr), kResultOk);
    ASSERT_EQ(ParseSnmpMessage(whole.Buffer().Data(), whole.Buffer().Length(), m, b, nullptr), kResultOk);
    EXPECT_EQ(b.Count(), 256);
    EXPECT_FALSE(b.Add({"1.3", "", 4}));
    EXPECT_EQ(b.Find("1.3.6.1.255")->value, "v");
    EXPECT_EQ(b.Find("1.3.6.1.256"), nullptr);
    EXPECT_EQ(b.Find("1.3.6.1.0")->type, 4);
}

} // namespace
