// LDAP filters, requests and responses against bytes written out from RFC
// 4511, 4515, 2696 and 2891 (T builds one element with a short length).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ldap/LdapFilter.h"
#include "netcomp/net/ldap/LdapMessages.h"
#include "netcomp/net/tests/LdapTestBytes.h"

namespace {

std::string Hex(const NetStringBase& s)
{
    return HexOf(s.Data(), s.Length());
}

// The filter's bytes, or "rc" and the code.
std::string Filter(const std::string& text)
{
    NetString out;
    const int rc = EncodeLdapFilter(text.data(), uint32_t(text.size()), out);
    return rc == kResultOk ? Hex(out) : "rc" + std::to_string(rc);
}

template <class Build>
std::string Op(Build build)
{
    BerCodec op;
    const int rc = build(op);
    return rc == kResultOk ? Hex(op.Buffer()) : "rc" + std::to_string(rc);
}

TEST(LdapFilter, ItemsAndOperators)
{
    const std::string cn = S(0x04, "cn");
    EXPECT_EQ(Filter("(cn=*)"), "8702636e");
    EXPECT_EQ(Filter("(cn=Ada)"), T(0xa3, cn + S(0x04, "Ada")));
    EXPECT_EQ(Filter("(cn=)"), T(0xa3, cn + "0400"));
    EXPECT_EQ(Filter("(cn>=b)"), T(0xa5, cn + S(0x04, "b")));
    EXPECT_EQ(Filter("(cn<=b)"), T(0xa6, cn + S(0x04, "b")));
    EXPECT_EQ(Filter("(cn~=b)"), T(0xa8, cn + S(0x04, "b")));
    // A single item may come without its parentheses, blanks around the whole.
    EXPECT_EQ(Filter("  cn=Ada\n"), T(0xa3, cn + S(0x04, "Ada")));
    // Substrings: one SEQUENCE of initial, any and final pieces inside.
    EXPECT_EQ(Filter("(cn=ab*c*d)"), T(0xa4, cn + T(0x30, S(0x80, "ab") + S(0x81, "c") + S(0x82, "d"))));
    EXPECT_EQ(Filter("(cn=*c*)"), T(0xa4, cn + T(0x30, S(0x81, "c"))));
    EXPECT_EQ(Filter("(cn=a*)"), T(0xa4, cn + T(0x30, S(0x80, "a"))));
    EXPECT_EQ(Filter("(cn=*z)"), T(0xa4, cn + T(0x30, S(0x82, "z"))));
    // Escapes stand for the bytes: a star, parentheses and a backslash as values.
    EXPECT_EQ(Filter("(cn=a\\2a\\28\\29\\5C)"), T(0xa3, cn + S(0x04, "a*()\\")));
    EXPECT_EQ(Filter("(cn=*\\2a*)"), T(0xa4, cn + T(0x30, S(0x81, "*"))));
    EXPECT_EQ(Filter("(cn=\\00)"), T(0xa3, cn + "040100"));
    // Extensible matches.
    EXPECT_EQ(Filter("(cn:dn:2.5.13.5:=x)"), T(0xa9, S(0x81, "2.5.13.5") + S(0x82, "cn") + S(0x83, "x") + "8401ff"));
    EXPECT_EQ(Filter("(:caseExactMatch:=x)"), T(0xa9, S(0x81, "caseExactMatch") + S(0x83, "x")));
    EXPECT_EQ(Filter("(o:=x)"), T(0xa9, S(0x82, "o") + S(0x83, "x")));
}

TEST(LdapFilter, Composites)
{
    const std::string a1 = T(0xa3, S(0x04, "a") + S(0x04, "1"));
    const std::string b2 = T(0xa3, S(0x04, "b") + S(0x04, "2"));
    EXPECT_EQ(Filter("(&(a=1)(!(b=2)))"), T(0xa0, a1 + T(0xa2, b2)));
    EXPECT_EQ(Filter("(|(a=1)(b=2))"), T(0xa1, a1 + b2));
    EXPECT_EQ(Filter("(& (a=1)\r\n\t(b=2) )"), T(0xa0, a1 + b2));
    EXPECT_EQ(Filter("(&)"), "a000");
    // Long contents take the two-byte length form.
    const std::string many = "(|" + std::string(40, ' ') + [] {
        std::string s;
        for (int i = 0; i < 20; ++i)
            s += "(a=1)";
        return s;
    }() + ")";
    EXPECT_EQ(Filter(many).substr(0, 8), "a18200a0");
}

TEST(LdapFilter, Refused)
{
    for (const char* bad : {"",         "()",       "(cn=a",     "(cn)",     "((cn=a))", "(cn=a(b)", "(cn=\\zz)",
                            "(cn=\\2)", "(cn=a)x",  "(&(a=1)x)", "(cn=**)",  "(cn>=a*)", "(cn:=a*)", "(=a)",
                            "(c n=a)",  "(cn:x=a)", "(cn::=a)",  "(:dn:=a)", "(!)",      "(&(a=1)"}) {
        NetString out;
        ASSERT_EQ(out.Assign(2, "xy"), kResultOk);
        EXPECT_EQ(EncodeLdapFilter(bad, uint32_t(std::strlen(bad)), out), kLdapBadFilter) << bad;
        EXPECT_EQ(std::string(out.CStr()), "xy") << bad;
    }
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "(!";
    deep += "(a=1)" + std::string(100, ')');
    EXPECT_EQ(Filter(deep), "rc335");
    EXPECT_EQ(Filter("(cn=" + std::string(70000, 'x') + ")"), "rc445");
}

TEST(LdapRequests, Operations)
{
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapBind(3, "cn=admin", "pw", op); }),
              T(0x60, "020103" + S(0x04, "cn=admin") + S(0x80, "pw")));
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapUnbind(op); }), "4200");
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapDelete("cn=x", op); }), S(0x4a, "cn=x"));
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapAbandon(300, op); }), "5002012c");
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapModifyDn("cn=a,o=b", "cn=c", true, op); }),
              T(0x6c, S(0x04, "cn=a,o=b") + S(0x04, "cn=c") + "0101ff"));
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapExtended("1.3.6.1.4.1.4203.1.11.3", nullptr, 0, op); }),
              T(0x77, S(0x80, "1.3.6.1.4.1.4203.1.11.3")));
    EXPECT_EQ(Op([](BerCodec& op) { return AppendLdapExtended("1.2", "\x30\x00", 2, op); }),
              T(0x77, S(0x80, "1.2") + "81023000"));
    const LdapAttributeList compare = {{"sn", "Babbage", 0}, {"cn", "ignored", 0}};
    EXPECT_EQ(Op([&](BerCodec& op) { return AppendLdapCompare("cn=b", compare, op); }),
              T(0x6e, S(0x04, "cn=b") + T(0x30, S(0x04, "sn") + S(0x04, "Babbage"))));

    LdapSearchParams search;
    search.baseDn = "dc=kes";
    search.scope = 1;
    search.derefAliases = 3;
    search.sizeLimit = 10;
    search.timeLimit = 5;
    search.typesOnly = true;
    search.filter = "(cn=*)";
    const LdapAttributeList wanted = {{"cn", "", 0}, {"", "", 0}, {"mail", "", 0}};
    EXPECT_EQ(Op([&](BerCodec& op) { return AppendLdapSearch(search, wanted, op); }),
              T(0x63, S(0x04, "dc=kes") + "0a0101" + "0a0103" + "02010a" + "020105" + "0101ff" + "8702636e" +
                          T(0x30, S(0x04, "cn") + S(0x04, "mail"))));
    search.filter = "(cn=";
    EXPECT_EQ(Op([&](BerCodec& op) { return AppendLdapSearch(search, wanted, op); }), "rc335");
}

TEST(LdapRequests, AttributeListGrouping)
{
    // Entries without a type add values to the attribute before them; a
    // modify's delete or replace with an empty value sends no value at all.
    const LdapAttributeList add = {{"objectClass", "person", 0}, {"", "top", 0}, {"sn", "", 0}};
    EXPECT_EQ(Op([&](BerCodec& op) { return AppendLdapAdd("cn=n", add, op); }),
              T(0x68, S(0x04, "cn=n") +
                          T(0x30, T(0x30, S(0x04, "objectClass") + T(0x31, S(0x04, "person") + S(0x04, "top"))) +
                                      T(0x30, S(0x04, "sn") + T(0x31, "0400")))));
    const LdapAttributeList modify = {
        {"mail", "a@x", 0}, {"", "b@x", 2}, {"description", "", 1}, {"title", "", 2}, {"sn", "", 0}};
    EXPECT_EQ(
        Op([&](BerCodec& op) { return AppendLdapModify("cn=n", modify, op); }),
        T(0x66, S(0x04, "cn=n") +
                    T(0x30, T(0x30, "0a0100" + T(0x30, S(0x04, "mail") + T(0x31, S(0x04, "a@x") + S(0x04, "b@x")))) +
                                T(0x30, "0a0101" + T(0x30, S(0x04, "description") + "3100")) +
                                T(0x30, "0a0102" + T(0x30, S(0x04, "title") + "3100")) +
                                T(0x30, "0a0100" + T(0x30, S(0x04, "sn") + T(0x31, "0400"))))));
    // Too big for one message.
    const LdapAttributeList huge = {{"description", std::string(70000, 'x'), 0}};
    EXPECT_EQ(Op([&](BerCodec& op) { return AppendLdapAdd("cn=n", huge, op); }), "rc445");
}

TEST(LdapRequests, ControlsAndMessage)
{
    NetString controls;
    ASSERT_EQ(AppendLdapSortControl("  -sn\tcn/2.5.13.3 ", controls), kResultOk);
    const std::string sortValue =
        T(0x30, T(0x30, S(0x04, "sn") + "8101ff") + T(0x30, S(0x04, "cn") + S(0x80, "2.5.13.3")));
    const std::string sort = T(0x30, S(0x04, kLdapSortControl) + "010100" + T(0x04, sortValue));
    EXPECT_EQ(Hex(controls), sort);
    NetString none;
    ASSERT_EQ(AppendLdapSortControl(" ", none), kResultOk);
    EXPECT_EQ(Hex(none), "");
    ASSERT_EQ(AppendLdapPagedControl(500, "\x01\x02", controls), kResultOk);
    const std::string paged =
        T(0x30, S(0x04, kLdapPagedControl) + "010100" + T(0x04, T(0x30, std::string("020201f4") + "04020102")));
    EXPECT_EQ(Hex(controls), sort + paged);

    BerCodec op;
    ASSERT_EQ(AppendLdapUnbind(op), kResultOk);
    NetString message;
    ASSERT_EQ(BuildLdapMessage(7, op.Buffer(), NetString(), message), kResultOk);
    EXPECT_EQ(Hex(message), "30050201074200");
    ASSERT_EQ(BuildLdapMessage(8, op.Buffer(), controls, message), kResultOk);
    EXPECT_EQ(Hex(message), "306a" + std::string("020108") + "4200" + "a063" + sort + paged);
}

TEST(LdapResponses, Framing)
{
    uint32_t size = 0;
    const std::string whole = Bytes("300c02010261070a010004000400");
    EXPECT_EQ(FrameLdapMessage(whole.data(), 14, 1000, size), LdapFrame::Whole);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(FrameLdapMessage((whole + "0").data(), 15, 1000, size), LdapFrame::Whole);
    EXPECT_EQ(size, 14u);
    for (uint32_t n = 0; n < 14; ++n)
        EXPECT_EQ(FrameLdapMessage(whole.data(), n, 1000, size), LdapFrame::NeedMore) << n;
    const std::string longForm = Bytes("3084000000ff");
    EXPECT_EQ(FrameLdapMessage(longForm.data(), 6, 1000, size), LdapFrame::NeedMore);
    EXPECT_EQ(FrameLdapMessage(longForm.data(), 6, 100, size), LdapFrame::Malformed);
    EXPECT_EQ(FrameLdapMessage(Bytes("3080").data(), 2, 1000, size), LdapFrame::Malformed);
    EXPECT_EQ(FrameLdapMessage(Bytes("308500").data(), 3, 1000, size), LdapFrame::Malformed);
    EXPECT_EQ(FrameLdapMessage(Bytes("0401").data(), 2, 1000, size), LdapFrame::Malformed);
}

TEST(LdapResponses, Decoding)
{
    LdapResponse r;
    const auto decode = [&](const std::string& hex) {
        const std::string b = Bytes(hex);
        return DecodeLdapMessage(b.data(), uint32_t(b.size()), r);
    };
    // A bind result with a diagnostic message and a referral after it.
    ASSERT_EQ(decode(T(0x30, "020101" + T(0x61, "0a0131" + S(0x04, "o=m") + S(0x04, "bad") + T(0xa3, "")))), kResultOk);
    EXPECT_EQ(r.messageId, 1);
    EXPECT_EQ(r.operation, kLdapOpBindResponse);
    EXPECT_EQ(r.resultCode, 49);
    EXPECT_EQ(r.matchedDn, "o=m");
    EXPECT_EQ(r.diagnostic, "bad");

    // An entry: one list entry per value, the type on the first; an attribute
    // without values (typesOnly) still names its type.
    ASSERT_EQ(
        decode(T(0x30, "020105" + T(0x64, S(0x04, "cn=a") +
                                              T(0x30, T(0x30, S(0x04, "mail") + T(0x31, S(0x04, "x") + S(0x04, "y"))) +
                                                          T(0x30, S(0x04, "sn") + "3100"))))),
        kResultOk);
    EXPECT_EQ(r.objectName, "cn=a");
    ASSERT_EQ(r.attributes.size(), 3u);
    EXPECT_EQ(r.attributes[0].type, "mail");
    EXPECT_EQ(r.attributes[0].value, "x");
    EXPECT_EQ(r.attributes[1].type, "");
    EXPECT_EQ(r.attributes[1].value, "y");
    EXPECT_EQ(r.attributes[2].type, "sn");
    EXPECT_EQ(r.attributes[2].value, "");

    // The end of a page with its cookie, behind another control.
    const std::string pagedValue = T(0x30, "020100" + S(0x04, "ck"));
    ASSERT_EQ(decode(T(0x30, "020106" + T(0x65, "0a0100" + std::string("0400") + "0400") +
                                 T(0xa0, T(0x30, S(0x04, "1.2.840.113556.1.4.474") +
                                                     T(0x04, std::string("3003") + "0a0100")) +
                                             T(0x30, S(0x04, kLdapPagedControl) + T(0x04, pagedValue))))),
              kResultOk);
    EXPECT_EQ(r.operation, kLdapOpSearchResultDone);
    EXPECT_TRUE(r.paged);
    EXPECT_EQ(r.cookie, "ck");
    EXPECT_TRUE(r.attributes.empty());

    ASSERT_EQ(
        decode(T(0x30, "020107" + T(0x78, "0a0100" + std::string("0400") + "0400" + S(0x8a, "1.2") + S(0x8b, "dn:x")))),
        kResultOk);
    EXPECT_EQ(r.responseName, "1.2");
    EXPECT_EQ(r.responseValue, "dn:x");

    // A search reference is read as far as its tag.
    ASSERT_EQ(decode(T(0x30, "020108" + T(0x73, S(0x04, "ldap://x/")))), kResultOk);
    EXPECT_EQ(r.operation, kLdapOpSearchResultReference);

    for (const std::string& bad : {
             T(0x30, "0401" + std::string("01") + T(0x61, "0a0100" + std::string("0400") + "0400")),
             T(0x30, "020101" + T(0x61, "020100" + std::string("0400") + "0400")),
             T(0x30, "020101" + T(0x61, "0a0100" + std::string("0400"))),
             T(0x30, "020101" + T(0x61, "0a050000000000" + std::string("0400") + "0400")),
             T(0x30, "020101"),
             T(0x30, "020101" + T(0x64, S(0x04, "cn=a") + T(0x30, T(0x30, S(0x04, "sn") + T(0x31, "0201"))))),
             T(0x30, "020101" + T(0x64, S(0x04, "cn=a") + T(0x30, T(0x31, "")))),
             T(0x30, "020101" + T(0x64, S(0x04, "cn=a") + T(0x30, "3005" + S(0x04, "sn")))),
             T(0x30, "020106" + T(0x65, "0a0100" + std::string("0400") + "0400") +
                         T(0xa0, T(0x30, S(0x04, kLdapPagedControl) + T(0x04, "3003020100")))),
             std::string("0401"),
         }) {
        EXPECT_EQ(decode(bad), kBerMalformed) << bad;
    }
}

} // namespace
