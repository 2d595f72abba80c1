#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/web/XmlParser.h"

namespace {

const char kReply[] = "<?xml version=\"1.0\"?>"
                      "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                      "<soap:Body><tns:R xmlns:tns=\"urn:t\" xmlns:x=\"urn:x\">"
                      "<a x:id=\"7\" plain=\"p\">one</a><b/><tns:c>three</tns:c></tns:R></soap:Body>"
                      "</soap:Envelope>";

class XmlPath : public ::testing::Test {
protected:
    void Load(const char* text)
    {
        parser.SetBuildDom(true);
        parser.Reset();
        ASSERT_EQ(parser.InputText(text), 0);
        ASSERT_EQ(parser.EndOfInput(), 0);
    }
    XmlParser parser;
};

TEST_F(XmlPath, StepsMatchLocalQualifiedAndUriNames)
{
    Load(kReply);
    const XmlDom& dom = parser.Dom();
    ASSERT_EQ(parser.SetXPath("/Envelope/Body/[1]"), 0);
    EXPECT_STREQ(dom.ElementQName(), "tns:R");
    EXPECT_STREQ(dom.ElementPrefix(), "tns");
    EXPECT_STREQ(dom.ElementNamespaceURI(), "urn:t");
    EXPECT_STREQ(dom.ParentName(), "Body");
    EXPECT_EQ(dom.ChildCount(), 3);

    ASSERT_EQ(parser.SetXPath("a"), 0); // relative to the cursor
    EXPECT_STREQ(dom.ElementText(), "one");
    ASSERT_EQ(parser.AttrCount(), 2);
    EXPECT_STREQ(parser.AttrName(0), "id");
    EXPECT_STREQ(parser.AttrPrefix(0), "x");
    EXPECT_STREQ(parser.AttrNamespaceURI(0), "urn:x");
    EXPECT_STREQ(parser.AttrPrefix(1), "");
    EXPECT_STREQ(parser.AttrValue(1), "p");
    EXPECT_STREQ(parser.AttrValue(2), "");

    ASSERT_EQ(parser.SetXPath("/soap:Envelope/soap:Body/tns:R/urn:tc"), 0);
    EXPECT_STREQ(dom.ElementText(), "three");
    ASSERT_EQ(parser.SetXPath("/Envelope//Body/R/[2]"), 0);
    EXPECT_STREQ(dom.ElementQName(), "b");
    EXPECT_EQ(dom.ChildCount(), 0); // an empty-element tag
    ASSERT_EQ(parser.SetXPath("/"), 0);
    EXPECT_STREQ(dom.ElementLocalName(), "Envelope");
    EXPECT_STREQ(dom.ParentName(), "");
}

TEST_F(XmlPath, FailuresLeaveTheCursorAtTheLastGoodStep)
{
    Load(kReply);
    const XmlDom& dom = parser.Dom();
    EXPECT_EQ(parser.SetXPath("/Other/Body"), 209);
    EXPECT_EQ(parser.SetXPath("/1Envelope"), 207);
    EXPECT_EQ(parser.SetXPath("/Envelope/Body/R/nothing"), 208);
    EXPECT_STREQ(dom.ElementLocalName(), "R");
    EXPECT_EQ(parser.SetXPath("/Envelope/Body/R/[4]"), 207);
    EXPECT_EQ(parser.SetXPath("/Envelope/Body/R/[0]"), 207);
    EXPECT_EQ(parser.SetXPath("/Envelope/Body/R/[x]"), 207);
    EXPECT_EQ(parser.SetXPath("/Envelope/Body/R/b/[1]"), 207); // b has no children
    EXPECT_STREQ(dom.ElementLocalName(), "b");
    EXPECT_EQ(parser.SetXPath(""), 0);
    EXPECT_STREQ(dom.ElementLocalName(), "b");

    XmlParser plain; // no tree
    ASSERT_EQ(plain.InputText("<a/>"), 0);
    EXPECT_EQ(plain.SetXPath("/a"), 210);
    EXPECT_EQ(plain.SetXPath(""), 0);
}

TEST_F(XmlPath, OffsetsReachOnlyElementRecords)
{
    Load(kReply);
    const XmlDom& dom = parser.Dom();
    ASSERT_EQ(parser.SetXPath("/Envelope/Body/R/a"), 0);
    const std::string a = "*" + std::to_string(dom.Cursor());
    ASSERT_EQ(parser.SetXPath("/"), 0);
    ASSERT_EQ(parser.SetXPath(a.c_str()), 0);
    EXPECT_STREQ(dom.ElementText(), "one");

    // Every other offset inside the tree (namespace, attribute and text
    // records, the middle of a record) is refused and the cursor stays.
    int elements = 0;
    for (uint32_t offset = 0; offset < dom.Size(); ++offset) {
        const std::string path = "*" + std::to_string(offset);
        const int rc = parser.SetXPath(path.c_str());
        ASSERT_TRUE(rc == 0 || rc == 207) << offset;
        if (rc == 0) {
            ++elements;
            EXPECT_EQ(dom.Cursor(), offset);
            ASSERT_EQ(parser.SetXPath(a.c_str()), 0);
        } else {
            EXPECT_STREQ(dom.ElementText(), "one");
        }
    }
    EXPECT_EQ(elements, 6);
    const std::string beyond = "*" + std::to_string(dom.Size());
    EXPECT_EQ(parser.SetXPath(beyond.c_str()), 0);
    EXPECT_EQ(parser.SetXPath("*99999999999999999999"), 0);
    EXPECT_EQ(parser.SetXPath("*12x"), 207);
    EXPECT_EQ(parser.SetXPath("*"), 207);
    EXPECT_STREQ(dom.ElementText(), "one");
}

TEST_F(XmlPath, TextsAndSectionsOfTheTree)
{
    Load("<r>\n  <a> lead and trail </a>\n  <b>x <![CDATA[<y>]]></b><c>x<![CDATA[y]]>z</c>"
         "<d>p<e>q</e>r</d></r>");
    const XmlDom& dom = parser.Dom();
    ASSERT_EQ(parser.SetXPath("/r/a"), 0);
    EXPECT_STREQ(dom.ElementText(), "lead and trail");
    ASSERT_EQ(parser.SetXPath("/r/b"), 0);
    EXPECT_STREQ(dom.ElementText(), "x <y>");
    ASSERT_EQ(parser.SetXPath("/r/c"), 0);
    EXPECT_STREQ(dom.ElementText(), "xyz");
    ASSERT_EQ(parser.SetXPath("/r/d"), 0);
    EXPECT_STREQ(dom.ElementText(), "pr");
    EXPECT_EQ(dom.ChildCount(), 1);
    ASSERT_EQ(parser.SetXPath("/r"), 0);
    EXPECT_STREQ(dom.ElementText(), "");
    EXPECT_EQ(dom.ChildCount(), 4);
}

} // namespace
