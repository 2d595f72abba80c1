#include "common/XmlDocument.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

struct ParseCase {
    const char* text;
    bool ok;
    const char* result;
};

TEST(XmlDocument, ParseResultsAndErrors)
{
    const ParseCase cases[] = {
        {"", false, "Empty document"},
        {kDecl, false, "Root element not found"},
        {"<a><b></a>", false, "End tag 'a' at offset 7 does not match start tag 'b' at offset 3"},
        {"<a/><b/>", false, "Element 'b' at offset 4 is sibling to root"},
        {"</a>", false, "No start tag for end tag 'a' at offset 0"},
        {"<a><b>", false, "Element 'b' at offset 3 not ended"},
        {"<a x='1>2'/>", true, ""},
        {"<!-- c --><?pi x?> \r\n<a/>\r\n<!-- after -->text", true, ""},
        {"<a/><!-- c --><b/>", false, "Element 'b' at offset 14 is sibling to root"},
        {"<a>< b</a>", false, "Incorrect tag name character at offset 3"},
        {"<a><!-x--></a>", false, "Incorrect comment tag at offset 3"},
        {"<a><![X[]]></a>", false, "Incorrect tag at offset 3"},
        {"<a><!x></a>", false, "Incorrect ! tag at offset 3"},
        {"<a><!-- x -></a>", false, "Comment at offset 3 unterminated"},
        {"<a><![CDATA[x]></a>", false, "CDATA Section at offset 3 unterminated"},
        {"<a><?pi x></a>", false, "Processing instruction at offset 3 unterminated"},
        {"<!DOCTYPE a [<!ELEMENT a (b)>", false, "Doctype at offset 0 unterminated"},
        {"<a x=\"1>", false, "Element tag at offset 0 unterminated"},
        {"<a></a", false, "Element end tag at offset 3 unterminated"},
        {"<a><", false, "tag at offset 3 unterminated"},
        {"<!DOCTYPE a [<!ELEMENT a (#PCDATA)><!-- > -->]><a>x</a>", true, ""},
        {"<a=b></a>", true, ""},
        {"<ab></a>", false, "End tag 'a' at offset 5 does not match start tag 'ab' at offset 0"},
    };
    for (const ParseCase& c : cases) {
        XmlDocument doc;
        EXPECT_EQ(c.ok, doc.SetDocument(c.text)) << c.text;
        EXPECT_EQ(c.ok, doc.IsWellFormed()) << c.text;
        EXPECT_EQ(c.result, doc.GetResult()) << c.text;
        EXPECT_EQ(c.text, doc.GetDocument()); // a failed parse keeps the text
    }
}

TEST(XmlDocument, OverlongTagsAreParseErrors)
{
    std::string name(1030, 'n');
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(("<" + name + "></" + name + ">").c_str()));
    EXPECT_EQ("End tag '" + name + "' at offset " + std::to_string(name.size() + 2) + " too long", doc.GetResult());
    // An end tag of 1,023 characters still fits.
    std::string fits(1020, 'f');
    EXPECT_TRUE(doc.SetDocument(("<" + fits + ">x</" + fits + ">").c_str()));
    EXPECT_EQ("x", doc.GetElementTextAt(1));
    EXPECT_FALSE(doc.AddElement(std::string(1021, 'g').c_str(), nullptr, true));
}

TEST(XmlDocument, FindPathsAndAttributes)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<Root v='1'>\r\n<A n=\"first\"/>\r\n<B><C x=\"&lt;&amp;&gt;&apos;&quot;\" y=2 "
                                "z = 'sp'/></B>\r\n<A n='second'/>\r\n</Root>\r\n"));
    EXPECT_TRUE(doc.FindElement(nullptr));
    EXPECT_EQ("1", doc.GetAttribute("v"));
    EXPECT_TRUE(doc.FindChildElement("A"));
    EXPECT_EQ("first", doc.GetChildAttribute("n"));
    EXPECT_TRUE(doc.FindChildElement("A")); // continues after the child position
    EXPECT_EQ("second", doc.GetChildAttribute("n"));
    EXPECT_FALSE(doc.FindChildElement("A"));
    EXPECT_EQ("second", doc.GetChildAttribute("n")); // a miss leaves the cursor

    doc.ResetPos();
    EXPECT_TRUE(doc.FindElement("/Root/B/C"));
    EXPECT_EQ("<&>'\"", doc.GetAttribute("x"));
    EXPECT_EQ("", doc.GetAttribute("y")); // unquoted values are not found
    EXPECT_EQ("sp", doc.GetAttribute("z"));
    EXPECT_EQ("", doc.GetAttribute("missing"));
    EXPECT_EQ("C", doc.GetTagNameAt(doc.GetMainPos()));
    EXPECT_TRUE(doc.OutOfElement());
    EXPECT_EQ("B", doc.GetTagNameAt(doc.GetMainPos()));
    EXPECT_TRUE(doc.FindElement("/*/b") == false); // names are case sensitive
    EXPECT_TRUE(doc.FindElement("/*/A"));
    EXPECT_EQ("first", doc.GetAttribute("n"));
    EXPECT_EQ("", doc.GetAttributeAt(0, "n"));
    EXPECT_EQ("", doc.GetAttributeAt(999, "n"));
}

TEST(XmlDocument, ElementTextEntitiesAndCdata)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"<a>x&amp;y<![CDATA[<z>]]></a>", "x&y<z>"},
        {"<a>&lt;&gt;&amp;&apos;&quot;</a>", "<>&'\""},
        {"<a>&#65;&#x42;&#xe9;&#x20AC;</a>", "AB\xC3\xA9\xE2\x82\xAC"},
        {"<a>&#0; &bogus; & &#x;</a>", "&#0; &bogus; & &#x;"},
        {"<a>&#x000D;&#x000A;</a>", "\r\n"},
        {"<a>&#0000000065;</a>", "&#0000000065;"}, // ';' too far away
        {"<a>one<!-- no -->two<?pi?>three</a>", "onetwothree"},
        {"<a><b/>text</a>", ""},
        {"<a/>", ""},
        {"<a></a>", ""},
    };
    for (const auto& c : cases) {
        XmlDocument doc;
        ASSERT_TRUE(doc.SetDocument(c.text)) << c.text;
        ASSERT_TRUE(doc.FindElement(nullptr));
        EXPECT_EQ(c.expected, doc.GetElementText()) << c.text;
    }
    EXPECT_EQ("&lt;a&amp;b&gt;'\"", XmlDocument::EscapeText("<a&b>'\"", false));
    EXPECT_EQ("&lt;&amp;&gt;&apos;&quot;x", XmlDocument::EscapeText("<&>'\"x", true));
    EXPECT_EQ("", XmlDocument::EscapeText(nullptr, true));
}

// The layout the configuration file and the result XML rely on.
TEST(XmlDocument, AddedElementsLayout)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(kDecl));
    EXPECT_EQ("Root element not found", doc.GetResult());
    ASSERT_TRUE(doc.AddElement("Kestrova", nullptr, false));
    EXPECT_TRUE(doc.IsWellFormed());
    EXPECT_FALSE(doc.AddElement("Second", nullptr, false)); // one root only
    ASSERT_TRUE(doc.AddElement("Version", "1.2", true));
    ASSERT_TRUE(doc.AddElement("Ondelmark", nullptr, true));
    doc.SetAttributeAt(doc.GetChildPos(), "user", "");
    doc.SetAttributeAt(doc.GetChildPos(), "server", "a<b \"c\"");
    doc.SetNumberAttributeAt(doc.GetChildPos(), "port", -80);
    ASSERT_TRUE(doc.AddElement("Ports", nullptr, true));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.AddElement("Port", "COM1", true));
    ASSERT_TRUE(doc.AddElement("Port", "x&y", true));
    ASSERT_TRUE(doc.OutOfElement());
    ASSERT_TRUE(doc.AddElement("Empty", nullptr, true));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.OutOfElement());
    doc.SetAttributeAt(doc.GetMainPos(), "root", "r");
    doc.SetAttributeAt(doc.GetChildPos(), "e", "1");
    ASSERT_TRUE(doc.AddElement("Last", "", true));

    const std::string expected = std::string(kDecl) +
                                 "<Kestrova root=\"r\">\r\n"
                                 "<Version>1.2</Version>\r\n"
                                 "<Ondelmark user=\"\" server=\"a&lt;b &quot;c&quot;\" port=\"-80\"/>\r\n"
                                 "<Ports>\r\n"
                                 "<Port>COM1</Port>\r\n"
                                 "<Port>x&amp;y</Port>\r\n"
                                 "</Ports>\r\n"
                                 "<Empty e=\"1\"/>\r\n"
                                 "<Last/>\r\n"
                                 "</Kestrova>\r\n";
    EXPECT_EQ(expected, doc.GetDocument());
    EXPECT_TRUE(doc.GetDocFlags() & XmlDocument::kFlagModified);

    // Changing a value in place moves everything behind it.
    doc.ResetPos();
    ASSERT_TRUE(doc.FindChildElement("Ondelmark"));
    doc.SetAttributeAt(doc.GetChildPos(), "server", "longer server name");
    doc.SetAttributeAt(doc.GetChildPos(), "user", "u");
    EXPECT_EQ("longer server name", doc.GetChildAttribute("server"));
    ASSERT_TRUE(doc.FindChildElement("Ports"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindChildElement("Port"));
    ASSERT_TRUE(doc.FindChildElement("Port"));
    EXPECT_EQ("x&y", doc.GetElementTextAt(doc.GetChildPos()));

    // The records agree with a fresh parse of the edited text.
    XmlDocument reread;
    ASSERT_TRUE(reread.SetDocument(doc.GetDocument().c_str()));
    ASSERT_TRUE(reread.FindElement("/Kestrova/Ondelmark"));
    EXPECT_EQ("u", reread.GetAttribute("user"));
    EXPECT_EQ("-80", reread.GetAttribute("port"));
    ASSERT_TRUE(reread.FindElement("/Kestrova/Last"));
}

TEST(XmlDocument, ChildOfElementWithEmptyContent)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r><p></p><q/></r>"));
    ASSERT_TRUE(doc.FindElement("/r/p"));
    ASSERT_TRUE(doc.AddElement("c", "v", true));
    EXPECT_EQ("<r><p>\r\n<c>v</c>\r\n</p><q/></r>", doc.GetDocument());
    ASSERT_TRUE(doc.FindElement("q"));
    ASSERT_TRUE(doc.AddElement("d", nullptr, true));
    EXPECT_EQ("<r><p>\r\n<c>v</c>\r\n</p><q>\r\n<d/>\r\n</q></r>", doc.GetDocument());
    EXPECT_EQ("v", doc.GetElementTextAt(2 + 2));
    XmlDocument reread;
    EXPECT_TRUE(reread.SetDocument(doc.GetDocument().c_str()));
    EXPECT_FALSE(doc.AddElement("bad name", nullptr, true));
    EXPECT_FALSE(doc.AddElement("", nullptr, true));

    // "<p//>" cannot take a child: its start tag would still end in "/>".
    ASSERT_TRUE(doc.SetDocument("<r><p//><q x='/>'/></r>"));
    ASSERT_TRUE(doc.FindElement("/r/p"));
    EXPECT_FALSE(doc.AddElement("c", nullptr, true));
    ASSERT_TRUE(doc.FindElement("q"));
    EXPECT_EQ("/>", doc.GetAttribute("x"));
    ASSERT_TRUE(doc.AddElement("c", nullptr, true));
    doc.SetAttributeAt(doc.GetMainPos(), "x", "v");
    EXPECT_EQ("<r><p//><q x='v'>\r\n<c/>\r\n</q></r>", doc.GetDocument());
}

void WriteBytes(const char* path, const std::string& bytes)
{
    FILE* f = fopen(path, "wb");
    ASSERT_NE(nullptr, f);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

TEST(XmlDocument, FileReadingAndByteOrderMarks)
{
    std::string body = "<r a=\"1\">" + std::string(87, 'x') + "</r>";
    ASSERT_EQ(100u, body.size());
    WriteBytes("utf8.xml", "\xEF\xBB\xBF" + body);
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFile("utf8.xml"));
    EXPECT_EQ("UTF-8 BOM + 100 bytes", doc.GetResult());
    EXPECT_EQ(XmlDocument::kFlagUtf8Bom, doc.GetDocFlags());
    EXPECT_EQ(body, doc.GetDocument());

    std::string wide("\xFF\xFE", 2);
    for (char c : std::string("<r>abcd</r>").substr(0, 10)) {
        wide += c;
        wide += '\0';
    }
    WriteBytes("utf16.xml", wide);
    EXPECT_FALSE(doc.LoadFile("utf16.xml")); // "<r>abcd</r" is cut short
    EXPECT_EQ("UTF-16LE BOM + 10 wide chars to 10 bytes, Element end tag at offset 7 unterminated", doc.GetResult());
    EXPECT_EQ(XmlDocument::kFlagUtf16Bom, doc.GetDocFlags());

    // A surrogate pair and a two-byte character.
    std::string pair("\xFF\xFE<\0r\0>\0\x3D\xD8\x00\xDE\xE9\0<\0/\0r\0>\0", 22);
    WriteBytes("pair.xml", pair);
    EXPECT_TRUE(doc.LoadFile("pair.xml"));
    EXPECT_EQ("UTF-16LE BOM + 10 wide chars to 13 bytes", doc.GetResult());
    EXPECT_EQ("<r>\xF0\x9F\x98\x80\xC3\xA9</r>", doc.GetDocument());

    WriteBytes("plain.xml", "<r>\r\n<a/>\r\r\n</r>\r\n");
    EXPECT_TRUE(doc.LoadFile("plain.xml"));
    EXPECT_EQ("18 bytes", doc.GetResult());
    EXPECT_EQ(0, doc.GetDocFlags());
    WriteBytes("short.xml", "\xFF");
    EXPECT_FALSE(doc.LoadFile("short.xml"));
    EXPECT_EQ("1 bytes, Root element not found", doc.GetResult());

    ASSERT_TRUE(doc.SetDocument("<keep/>"));
    EXPECT_FALSE(doc.LoadFile("no-such-file.xml"));
    EXPECT_EQ(std::string(strerror(ENOENT)), doc.GetResult());
    EXPECT_TRUE(doc.IsWellFormed()); // the old records stay
    EXPECT_EQ("<keep/>", doc.GetDocument());

    // A file one byte beyond the bound is refused unread, the old document
    // kept; a text beyond it is no document either.
    FILE* big = fopen("big.xml", "wb");
    ASSERT_NE(nullptr, big);
    fseek(big, static_cast<long>(XmlDocument::kMaxDocumentSize), SEEK_SET);
    fputc('>', big);
    fclose(big);
    EXPECT_FALSE(doc.LoadFile("big.xml"));
    EXPECT_EQ("File larger than 67108864 bytes, the limit of a document", doc.GetResult());
    EXPECT_EQ("<keep/>", doc.GetDocument());
    remove("big.xml");
    std::string huge = "<r>" + std::string(static_cast<size_t>(XmlDocument::kMaxDocumentSize), ' ') + "</r>";
    EXPECT_FALSE(doc.SetDocument(huge.c_str()));
    EXPECT_EQ("Document too large", doc.GetResult());
}

// Many elements: the record store grows across segments and stays consistent.
TEST(XmlDocument, LargeDocumentsGrowTheRecordStore)
{
    std::string text = "<r>";
    for (int i = 0; i < 70000; ++i) {
        text += "<e/>";
    }
    text += "</r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(text.c_str()));
    ASSERT_TRUE(doc.FindElement(nullptr));
    int count = 0;
    while (doc.FindChildElement("e")) {
        ++count;
    }
    EXPECT_EQ(70000, count);
    ASSERT_TRUE(doc.AddElement("last", "z", true));
    EXPECT_EQ("z", doc.GetElementTextAt(doc.GetChildPos()));
}

} // namespace
