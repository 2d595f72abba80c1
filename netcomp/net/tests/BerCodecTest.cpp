#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ber/BerCodec.h"

namespace {

std::string Hex(const NetStringBase& s)
{
    std::string out;
    for (uint32_t i = 0; i < s.Length(); ++i)
        out += "0123456789abcdef"[(s[i] >> 4) & 15], out += "0123456789abcdef"[s[i] & 15];
    return out;
}

void Load(BerCodec& codec, const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    ASSERT_EQ(codec.Buffer().Assign(uint32_t(bytes.size()), bytes.data()), kResultOk);
}

// The codec's bytes, or "rc" and the result code.
template <class Step>
std::string Bytes(Step step, const std::string& hex = "")
{
    BerCodec codec;
    Load(codec, hex);
    const int rc = step(codec);
    return rc == kResultOk ? Hex(codec.Buffer()) : "rc" + std::to_string(rc);
}

std::string ReadOidOf(const std::string& hex)
{
    NetString text;
    const std::string rc = Bytes([&](BerCodec& c) { return c.ReadOid(0, text); }, hex);
    return rc.substr(0, 2) == "rc" ? rc : text.CStr();
}

TEST(BerCodec, Integers)
{
    auto integer = [](int32_t v) { return Bytes([v](BerCodec& c) { return c.AppendInteger(v, 0x02); }); };
    EXPECT_EQ(integer(0) + integer(127) + integer(128), "020100"
                                                        "02017f"
                                                        "02020080");
    EXPECT_EQ(integer(-1) + integer(-129), "0201ff"
                                           "0202ff7f");
    EXPECT_EQ(integer(2147483647) + integer(-2147483647 - 1), "02047fffffff"
                                                              "020480000000");
    EXPECT_EQ(Bytes([](BerCodec& c) { return c.AppendUnsigned(5, 0x41) + c.AppendUnsigned(4294967295u, 0x42); }),
              "410400000005"
              "420500ffffffff");
    auto wide = [](uint32_t h, uint32_t l) {
        return Bytes([=](BerCodec& c) { return c.AppendInteger64(h, l, 0x46); });
    };
    EXPECT_EQ(wide(0, 0) + wide(0, 0x80) + wide(0x80000000u, 0), "460100"
                                                                 "46020080"
                                                                 "4609008000000000000000");

    BerCodec codec;
    Load(codec, "02050000000001"
                "420500ffffffff"
                "420501ffffffff"
                "4609008000000000000001"
                "4609018000000000000001"
                "0201ff");
    int32_t i = 0;
    uint32_t u = 0;
    uint64_t w = 0;
    EXPECT_EQ(codec.ReadInteger(0, i), kBerMalformed);
    EXPECT_EQ(codec.ReadUnsigned(1, u), kResultOk);
    EXPECT_EQ(u, 4294967295u);
    EXPECT_EQ(codec.ReadUnsigned(2, u), kBerMalformed);
    EXPECT_EQ(codec.ReadInteger64(3, w), kResultOk);
    EXPECT_EQ(w, 0x8000000000000001ull);
    EXPECT_EQ(codec.ReadInteger64(4, w), kBerMalformed);
    EXPECT_EQ(codec.ReadInteger(5, i), kResultOk);
    EXPECT_EQ(i, -1);
    EXPECT_EQ(codec.ReadInteger(6, i), kBerNoSuchElement);
    EXPECT_EQ(codec.ReadInteger(9, i), kBerNoSuchElement);
}

TEST(BerCodec, ObjectIdentifiers)
{
    auto oid = [](const std::string& t) { return Bytes([&](BerCodec& c) { return c.AppendOid(t.c_str(), 0x06); }); };
    EXPECT_EQ(oid("1.3.6.1.2.1.1.3.0"), "06082b06010201010300");
    EXPECT_EQ(oid("1.3.128.16383") + oid("") + oid("1.3."), "06052b8100ff7f"
                                                            "060100"
                                                            "06022b00");
    EXPECT_EQ(oid("2.999.3") + oid("1.3.6.4294967295"), "0603883703"
                                                        "06072b068fffffff7f");
    // Outside what X.690 can carry, or past the codec's limits.
    EXPECT_EQ(oid("3.1") + oid("1.40") + oid("1.3.4294967296"), "rc445rc445rc445");
    std::string many = "1.3";
    for (int i = 0; i < 127; ++i)
        many += ".1";
    EXPECT_EQ(oid(many).substr(0, 6), "068180");
    EXPECT_EQ(oid(many + ".1"), "rc445");

    EXPECT_EQ(ReadOidOf("06032b0601") + " " + ReadOidOf("0600"), "1.3.6.1 0.0");
    // Sub-identifiers of 2^31 and more read as unsigned; root 2 takes every first value from 80 up.
    EXPECT_EQ(ReadOidOf("06072b068fffffff7f"), "1.3.6.4294967295");
    EXPECT_EQ(ReadOidOf("0602883"
                        "7") +
                  " " + ReadOidOf("06017f"),
              "2.999 2.47");
    EXPECT_EQ(ReadOidOf("06032b0681") + ReadOidOf("06072b069080808000"), "rc446rc446");
}

TEST(BerCodec, LengthsAndWrapping)
{
    const std::string big(65536, 'y');
    BerCodec codec;
    ASSERT_EQ(codec.AppendOctetString(big.data(), 125, 0x04), kResultOk);
    ASSERT_EQ(codec.WrapSequence(0x30), kResultOk);
    ASSERT_EQ(codec.AppendOctetString(big.data(), 200, 0x04), kResultOk);
    ASSERT_EQ(codec.WrapSequence(0x30), kResultOk);
    EXPECT_EQ(Hex(codec.Buffer()).substr(0, 14), "3082014c307f04");
    EXPECT_EQ(Hex(codec.Buffer()).substr(266, 6), "0481c8");
    unsigned char tag = 0;
    ASSERT_EQ(codec.UnwrapSequence(&tag), kResultOk);
    EXPECT_EQ(tag, 0x30);
    EXPECT_EQ(codec.Buffer().Length(), 129u + 203u);

    // The largest element and buffer the codec writes; one byte more is refused and leaves the buffer.
    BerCodec strings;
    ASSERT_EQ(strings.AppendOctetString(big.data(), 65535, 0x04), kResultOk);
    EXPECT_EQ(Hex(strings.Buffer()).substr(0, 8), "0482ffff");
    EXPECT_EQ(strings.AppendOctetString(big.data(), 65536, 0x04), kBerCannotEncode);
    EXPECT_EQ(strings.WrapSequence(0x30), kBerCannotEncode);
    EXPECT_EQ(strings.Buffer().Length(), 65539u);
}

TEST(BerCodec, MalformedHeaders)
{
    const struct {
        const char* hex;
        uint32_t size;
    } sizes[] = {
        {"04", 0},
        {"04036162", 0},
        {"040261626364", 4},
        {"0480616200", 0},
        {"0485000000000261", 0},
        {"1f0100", 0},
        {"048100", 3},
        {"04840000000161", 7},
        // 6 + 0xfffffffc wraps to 2 in 32 bits: such a length must not pass as fitting.
        {"0484fffffffc6162", 0},
    };
    for (const auto& c : sizes) {
        BerCodec codec;
        Load(codec, c.hex);
        const auto* p = reinterpret_cast<const unsigned char*>(codec.Buffer().Data());
        EXPECT_EQ(BerCodec::ElementSize(p, codec.Buffer().Length()), c.size) << c.hex;
    }
    int32_t v = 0;
    EXPECT_EQ(Bytes([&](BerCodec& c) { return c.ReadInteger(1, v); }, "020101"
                                                                      "0480616200"
                                                                      "020102"),
              "rc447");
    EXPECT_EQ(Bytes([&](BerCodec& c) { return c.ReadInteger(2, v); }, "020101"
                                                                      "0480616200"
                                                                      "020102"),
              "rc446");
    // Where an element's content lies, past a long-form header; nothing past the end.
    BerCodec located;
    Load(located, "020101"
                  "04810361626302");
    uint32_t offset = 0, length = 0;
    unsigned char tag = 0;
    EXPECT_EQ(located.Locate(1, offset, length, &tag), kResultOk);
    EXPECT_EQ(offset, 6u);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(tag, 0x04);
    EXPECT_EQ(located.Locate(2, offset, length), kBerNoSuchElement);
    BerCodec bad;
    Load(bad, "3005020101");
    EXPECT_EQ(bad.UnwrapSequence(), kBerMalformed);
    EXPECT_EQ(Hex(bad.Buffer()), "3005020101");
    // Reading in place: an enumerated value past a long-form header, and
    // integer contents wider than 32 bits refused.
    BerCodec walked;
    Load(walked, "0a81020100");
    BerElement element;
    const auto* p = reinterpret_cast<const unsigned char*>(walked.Buffer().Data());
    EXPECT_EQ(BerCodec::ReadElement(p, 5, element), 5u);
    EXPECT_EQ(element.tag, 0x0a);
    EXPECT_EQ(BerCodec::DecodeInteger(element, v), kResultOk);
    EXPECT_EQ(v, 256);
    EXPECT_EQ(BerCodec::ReadElement(p, 4, element), 0u);
    const unsigned char wide[] = {0x80, 0, 0, 0, 1};
    EXPECT_EQ(BerCodec::DecodeInteger({0x02, wide, 4}, v), kResultOk);
    EXPECT_EQ(v, int32_t(0x80000000u));
    EXPECT_EQ(BerCodec::DecodeInteger({0x02, wide, 5}, v), kBerMalformed);
}

// Requests as net-snmp's snmpget and snmpset sent them, built here byte for byte.
TEST(BerCodec, MatchesNetSnmp)
{
    auto message = [](const char* community, unsigned char pdu, int32_t id, auto&& bindings) {
        BerCodec list, body, whole;
        EXPECT_EQ(bindings(list) + list.WrapSequence(0x30), kResultOk);
        EXPECT_EQ(body.AppendInteger(id, 2) + body.AppendInteger(0, 2) + body.AppendInteger(0, 2), kResultOk);
        EXPECT_EQ(body.Buffer().Append(list.Buffer().Data(), list.Buffer().Length()) + body.WrapSequence(pdu), 0);
        EXPECT_EQ(whole.AppendInteger(1, 2) + whole.AppendOctetString(community, -1, 4), kResultOk);
        EXPECT_EQ(whole.Buffer().Append(body.Buffer().Data(), body.Buffer().Length()) + whole.WrapSequence(0x30), 0);
        return Hex(whole.Buffer());
    };
    auto bind = [](BerCodec& list, int rc, BerCodec& one) {
        rc += one.WrapSequence(0x30);
        return rc + list.Buffer().Append(one.Buffer().Data(), one.Buffer().Length());
    };
    EXPECT_EQ(message("public", 0xA0, 0x1f704d20,
                      [&](BerCodec& l) {
                          BerCodec one;
                          return bind(l, one.AppendOid("1.3.6.1.2.1.1.3.0", 6) + one.AppendNull(5), one);
                      }),
              "302902010104067075626c6963a01c02041f704d20020100020100300e300c06082b060102010103000500");
    auto set = [&](BerCodec& l) {
        BerCodec a, b, c;
        const int minimum = -2147483647 - 1;
        return bind(l, a.AppendOid("2.999.3", 6) + a.AppendUnsigned(2147483648u, 0x42), a) +
               bind(l, b.AppendOid("1.3.6.1.2.1.1.7.0", 6) + b.AppendInteger(2147483647, 2), b) +
               bind(l, c.AppendOid("1.3.6.1.2.1.1.8.0", 6) + c.AppendInteger(minimum, 2), c);
    };
    EXPECT_EQ(message("private", 0xA3, 0x6b67fa7f, set),
              "304e020101040770726976617465a34002046b67fa7f0201000201003032300c060388370342050080000000301006082b06"
              "01020101070002047fffffff301006082b06010201010800020480000000");

    // An SNMPv1 set with a one-byte long-form length outside and minimal TimeTicks, taken apart.
    BerCodec codec, pdu, list;
    Load(codec, "30818a020100040770726976617465a37c02045eeaacac020100020100306e3014060e2b060104018f65817f8fffffff7f0202"
                "ff7f301406082b060102010105000408686f73746e616d653015060d2b06010201041501010a00000140040a00000130180"
                "60a2b060106030101040100060a2b06010401bf0803020a300f06082b06010201010300430301e240");
    unsigned char tag = 0;
    ASSERT_EQ(codec.UnwrapSequence(), kResultOk);
    ASSERT_EQ(codec.ReadOctetString(2, pdu.Buffer(), &tag) + pdu.ReadOctetString(3, list.Buffer()), kResultOk);
    EXPECT_EQ(tag, 0xA3);
    std::string seen;
    for (int i = 0; i < 5; ++i) {
        BerCodec one;
        NetString oid, value;
        ASSERT_EQ(list.ReadOctetString(i, one.Buffer()) + one.ReadOid(0, oid), kResultOk);
        ASSERT_EQ(one.ReadOctetString(1, value, &tag), kResultOk);
        seen += std::string(oid.CStr()) + "=" + std::to_string(tag) + ":" + Hex(value) + " ";
    }
    EXPECT_EQ(seen, "1.3.6.1.4.1.2021.255.4294967295=2:ff7f 1.3.6.1.2.1.1.5.0=4:686f73746e616d65 "
                    "1.3.6.1.2.1.4.21.1.1.10.0.0.1=64:0a000001 1.3.6.1.6.3.1.1.4.1.0=6:2b06010401bf0803020a "
                    "1.3.6.1.2.1.1.3.0=67:01e240 ");
    EXPECT_EQ(list.ReadOctetString(5, pdu.Buffer()), kBerNoSuchElement);
}

} // namespace
