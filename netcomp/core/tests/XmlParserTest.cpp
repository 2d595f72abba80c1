#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/web/XmlFileInput.h"
#include "netcomp/core/web/XmlParser.h"

namespace {

// Writes every event as one line, so a test compares the whole sequence.
class Recorder : public XmlParserCallback {
public:
    explicit Recorder(XmlParser* parser = nullptr) : m_parser(parser) {}
    std::string log;
    std::string entityOverride;
    int inputChars = 0;
    int stopAtChar = 0;
    bool wantsBytes = true;

    int OnCharacters(char* text, int length) override { return Add("C[" + std::string(text, length) + "]"); }
    int OnComment(const char* text) override { return Add(std::string("!") + text); }
    int OnEndElement(const char* uri, const char*, const char* qname, bool empty) override
    {
        return Add(std::string("/") + qname + "{" + uri + "}" + (empty ? "e" : ""));
    }
    int OnEndPrefixMapping(const char* prefix) override { return Add(std::string("-ns ") + prefix); }
    int OnError(int code, const char*) override { return Add("err " + std::to_string(code)); }
    int OnEntity(const char* name, const char*& replacement) override
    {
        Add(std::string("&") + name + "=" + replacement);
        if (!entityOverride.empty())
            replacement = entityOverride.c_str();
        return 0;
    }
    int OnIgnorableWhitespace(const char* text) override { return Add("W" + std::to_string(std::string(text).size())); }
    int OnDeclaration(const char* text) override { return Add(std::string("D ") + text); }
    int OnProcessingInstruction(const char* text) override { return Add(std::string("? ") + text); }
    int OnSpecialSection(const char* name, const char* content) override
    {
        return Add(std::string("S ") + name + ":" + content);
    }
    int OnStartElement(const char* uri, const char* local, const char* qname, bool empty) override
    {
        std::string line = std::string("<") + qname + "{" + uri + "}" + local + (empty ? "e" : "");
        if (m_parser) {
            for (int i = 0; i < m_parser->AttrCount(); ++i)
                line += std::string(" ") + m_parser->AttrPrefix(i) + "|" + m_parser->AttrName(i) + "|" +
                        m_parser->AttrNamespaceURI(i) + "=" + m_parser->AttrValue(i);
        }
        return Add(line);
    }
    int OnStartPrefixMapping(const char* prefix, const char* uri) override
    {
        return Add(std::string("+ns ") + prefix + "=" + uri);
    }
    int OnInputChar(char) override { return ++inputChars == stopAtChar ? 999 : 0; }
    bool WantsInputChars() const override { return wantsBytes; }

private:
    int Add(const std::string& line)
    {
        log += line + "\n";
        return 0;
    }
    XmlParser* m_parser;
};

struct Outcome {
    int rc;
    std::string log;
};

Outcome Parse(const std::string& text, bool strict = true, bool dom = false, bool split = false, bool bytes = true)
{
    XmlParser parser;
    Recorder rec(&parser);
    rec.wantsBytes = bytes;
    parser.SetStrict(strict);
    parser.SetBuildDom(dom);
    parser.SetCallback(&rec);
    parser.Reset();
    int rc = 0;
    if (split) {
        for (char c : text)
            if ((rc = parser.InputChar(c)) != 0)
                break;
    } else {
        rc = parser.InputBytes(text.data(), text.size());
    }
    if (rc == 0)
        rc = parser.EndOfInput();
    return {rc, rec.log};
}

TEST(XmlParser, EntitiesResolveOnlyWithTheTreeAndSplitTheText)
{
    Outcome raw = Parse("<a>x &amp; y</a>");
    EXPECT_EQ(raw.rc, 0);
    EXPECT_EQ(raw.log, "<a{}a\nC[x ]\n&amp=&amp;\nC[&amp; y]\n/a{}\n");

    XmlParser parser;
    parser.SetBuildDom(true);
    ASSERT_EQ(parser.InputText("<a t='&lt;&#65;&#x42;&bogus'>x &amp; y&#0;</a>"), 0);
    ASSERT_EQ(parser.EndOfInput(), 0);
    ASSERT_EQ(parser.SetXPath("/a"), 0);
    EXPECT_STREQ(parser.Dom().ElementText(), "x & y&#0;"); // a NUL byte is never produced
    EXPECT_STREQ(parser.AttrValue(0), "<AB&bogus");

    // A handler's replacement is what the parser stores.
    Recorder rec;
    rec.entityOverride = "[E]";
    parser.SetCallback(&rec);
    parser.Reset();
    ASSERT_EQ(parser.InputText("<a>1&x;2</a>"), 0);
    ASSERT_EQ(parser.EndOfInput(), 0);
    ASSERT_EQ(parser.SetXPath("/a"), 0);
    EXPECT_STREQ(parser.Dom().ElementText(), "1[E]2");
}

TEST(XmlParser, EventsDoNotDependOnHowTheInputIsSplit)
{
    const std::string doc =
        "<?xml version=\"1.0\"?>\n<?pi a>b?><!DOCTYPE r [<!ENTITY e \"v>\">]>\n"
        "<r xmlns=\"u:d\" xmlns:p=\"u:p\" p:k='1' k=\"2\">\n  text\n  more <!-- c -->"
        "<p:c/><![CDATA[<raw>]]> tail\n<e a=\"&lt;x&#65;&amp;\" b='&bad' c=\"&;&q;\">&amp;</e>\n</r>\n";
    const std::string expected =
        "? xml version=\"1.0\"\nW1\n? pi a>b\nD DOCTYPE r [<!ENTITY e \"v>\">]\nW1\n+ns =u:d\n+ns p=u:p\n"
        "<r{u:d}r p|k|u:p=1 |k|=2\nW3\nC[text]\nC[\n  more]\nW1\n! c \n<p:c{u:p}ce\n/p:c{u:p}e\n"
        "S CDATA:<raw>\nW1\nC[tail]\nW1\n&lt=&lt;\n&#65=&#65;\n&amp=&amp;\n&bad=&bad\n&=&;\n&q=&q;\n"
        "<e{u:d}e |a|=&lt;x&#65;&amp; |b|=&bad |c|=&;&q;\n&amp=&amp;\nC[&amp;]\n/e{u:d}\nW1\n/r{u:d}\n-ns p\n-ns "
        "\nW1\n";
    // With and without the per-byte calls: the parser reads whole tags and
    // references in one go only when the callback takes no bytes.
    for (bool perByte : {true, false}) {
        Outcome whole = Parse(doc, true, false, false, perByte);
        Outcome bytes = Parse(doc, true, false, true, perByte);
        EXPECT_EQ(whole.rc, 0);
        EXPECT_EQ(whole.log, expected) << perByte;
        EXPECT_EQ(bytes.log, expected) << perByte;
    }
}

TEST(XmlParser, StrictErrors)
{
    EXPECT_EQ(Parse("<a><b></a></b>").rc, 201);
    EXPECT_EQ(Parse("</a>").rc, 201);
    EXPECT_EQ(Parse("<a><b/>").rc, 206);
    EXPECT_EQ(Parse("<a/><b").rc, 205);
    EXPECT_EQ(Parse("<a/>&amp").rc, 205);
    EXPECT_EQ(Parse("<a b=>").rc, 204);
    EXPECT_EQ(Parse("< a/>").rc, 204);
    EXPECT_EQ(Parse("<a\"b\"/>").rc, 204);
    EXPECT_EQ(Parse("<a></a x>").rc, 204);
    EXPECT_EQ(Parse("<p:a/>").rc, 202);
    EXPECT_EQ(Parse("<a p:b='1'/>").rc, 203);
    EXPECT_EQ(Parse("<a xml:lang='en'/>").rc, 0);

    // After an error the parser refuses further input until it is reset.
    XmlParser parser;
    EXPECT_EQ(parser.InputText("<a></b>"), 201);
    EXPECT_EQ(parser.InputText("<c/>"), 201);
    parser.Reset();
    EXPECT_EQ(parser.InputText("<c/>"), 0);

    EXPECT_STREQ(XmlParser::ErrorText(206), "Document contains unbalanced elements.");
    EXPECT_STREQ(XmlParser::ErrorText(210), "DOM tree unavailable (set BuildDOM to true and reparse).");
    EXPECT_STREQ(XmlParser::ErrorText(200), "Out of memory.");
    EXPECT_STREQ(XmlParser::ErrorText(211), "xmlpimpl: unknown error");
}

// One element takes 128 attributes, 128 elements may be open at once and 128
// namespace declarations in scope; the 129th of each stops the parse with 200,
// as a full list.
TEST(XmlParser, ListsHoldAtMost128Pairs)
{
    auto attributes = [](int n, const char* name) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += " " + std::string(name) + std::to_string(i) + "='" + std::to_string(i) + "'";
        return s;
    };
    XmlParser parser;
    parser.SetBuildDom(true);
    ASSERT_EQ(parser.InputText(("<a" + attributes(128, "a") + "/>").c_str()), 0);
    ASSERT_EQ(parser.EndOfInput(), 0);
    ASSERT_EQ(parser.SetXPath("/a"), 0);
    ASSERT_EQ(parser.AttrCount(), 128);
    EXPECT_STREQ(parser.AttrValue(127), "127");
    EXPECT_EQ(Parse("<a" + attributes(129, "a") + "/>").rc, 200);

    // Declarations count while they are in scope, on one element or several.
    parser.Reset();
    ASSERT_EQ(parser.InputText(("<a" + attributes(64, "xmlns:p") + "><b" + attributes(64, "xmlns:q") + ">").c_str()),
              0);
    EXPECT_EQ(parser.Namespaces().Count(), 128u);
    EXPECT_EQ(parser.InputText("<p63:c/><q63:c/></b><c xmlns:r='u'/></a>"), 0);
    EXPECT_EQ(parser.EndOfInput(), 0);
    EXPECT_EQ(Parse("<a" + attributes(64, "xmlns:p") + "><b" + attributes(65, "xmlns:q") + "/></a>").rc, 200);
    EXPECT_EQ(Parse("<a" + attributes(129, "xmlns:p") + "/>").rc, 200);

    std::string deep;
    for (int i = 0; i < 128; ++i)
        deep += "<d>";
    EXPECT_EQ(Parse(deep).rc, 206);
    parser.Reset();
    ASSERT_EQ(parser.InputText(deep.c_str()), 0);
    EXPECT_EQ(parser.OpenElements().Count(), 128u);
    EXPECT_EQ(parser.InputText("<d>"), 200);

    // Nesting is bounded by the list of open elements, not by the stack.
    for (int i = 0; i < 100000; ++i)
        deep += "<d>";
    EXPECT_EQ(Parse(deep, true, true).rc, 200);
}

TEST(XmlParser, ToleratedPrefixesAreReportedAndParsingGoesOn)
{
    XmlParser parser;
    Recorder rec;
    parser.SetCallback(&rec);
    parser.SetBuildDom(true);
    parser.SetPrefixTolerance(XmlParser::kTolerateElementPrefixes | XmlParser::kTolerateAttributePrefixes);
    ASSERT_EQ(parser.InputText("<q:a z:b='1'><c/></q:a>"), 0);
    ASSERT_EQ(parser.EndOfInput(), 0);
    EXPECT_EQ(rec.log, "err 202\nerr 203\n<q:a{}q:a\n<c{}ce\n/c{}e\n/q:a{}\n");
    ASSERT_EQ(parser.SetXPath("/q:a"), 0);
    EXPECT_STREQ(parser.Dom().ElementNamespaceURI(), "");
    EXPECT_STREQ(parser.AttrName(0), "z:b");
}

TEST(XmlParser, LenientModeKeepsStrayMarkupAsText)
{
    Outcome run = Parse("<p>a < b<br>c</P><script>if (a<b && c) x='</p>';</script>", false);
    EXPECT_EQ(run.rc, 0);
    EXPECT_EQ(run.log, "<p{}p\nC[a]\nW1\nC[< b]\n<br{}br\nC[c]\n/P{}\n<script{}script\nC[if (a]\nC[<b ]\n"
                       "&=&\nC[&]\n&=&\nC[& c) x=']\nC[</p>';]\n/script{}\n");
    // An unquoted value, an empty one and "/>" right after a value.
    run = Parse("<img src=a.png alt checked=>", false);
    EXPECT_EQ(run.rc, 0);
    EXPECT_EQ(run.log, "<img{}img |src|=a.png |alt|= |checked|=\n");
    run = Parse("<a href=x/>", false);
    EXPECT_EQ(run.log, "<a{}ae |href|=x\n/a{}e\n");
}

TEST(XmlParser, LinesAreFlushedAndInputCharsCounted)
{
    XmlParser parser;
    Recorder rec;
    parser.SetCallback(&rec);
    ASSERT_EQ(parser.InputText("<a>one  \ntwo</a>"), 0);
    EXPECT_EQ(rec.log, "<a{}a\nC[one]\nC[  \ntwo]\n/a{}\n");
    EXPECT_EQ(rec.inputChars, 16);
    EXPECT_EQ(parser.Column(), 16u);

    rec.log.clear();
    rec.stopAtChar = rec.inputChars + 3;
    parser.Reset();
    EXPECT_EQ(parser.InputText("<b>xyz</b>"), 999);
    EXPECT_EQ(rec.log, "");
}

TEST(XmlParser, ShiftJisLeadBytesTakeTheNextByteAsText)
{
    XmlParser parser;
    parser.SetBuildDom(true);
    parser.SetCharsetMode(1);
    // 0x83 0x3C is one character whose second byte is "<".
    ASSERT_EQ(parser.InputText("<a>\x83<\x83&b</a>"), 0);
    ASSERT_EQ(parser.EndOfInput(), 0);
    ASSERT_EQ(parser.SetXPath("/a"), 0);
    EXPECT_STREQ(parser.Dom().ElementText(), "\x83<\x83&b");
}

TEST(XmlParser, FilesAreFedInBlocksWithNulBytesSkipped)
{
    const std::string name = "xmlparser_input.xml";
    std::string doc = "<r>";
    for (int i = 0; i < 1000; ++i)
        doc += "<i n='" + std::to_string(i) + "'>v" + std::string(1, '\0') + "</i>";
    doc += "</r>";
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(doc.data(), 1, doc.size(), f);
    std::fclose(f);

    XmlParser parser;
    parser.SetBuildDom(true);
    StdioFileSource file;
    const char* error = nullptr;
    ASSERT_EQ(ParseXmlFile(parser, file, name.c_str(), &error), 0);
    EXPECT_EQ(parser.Column(), doc.size());
    ASSERT_EQ(parser.SetXPath("/r/[1000]"), 0);
    EXPECT_STREQ(parser.AttrValue(0), "999");
    EXPECT_STREQ(parser.Dom().ElementText(), "v");

    parser.Reset();
    EXPECT_EQ(ParseXmlFile(parser, file, "no-such-file.xml", &error), 302);
    EXPECT_STREQ(error, "Can't open file for reading.");

    f = std::fopen(name.c_str(), "wb");
    std::fputs("<r><x></r>", f);
    std::fclose(f);
    parser.Reset();
    EXPECT_EQ(ParseXmlFile(parser, file, name.c_str(), &error), 201);
    EXPECT_STREQ(error, "Unbalanced element tag.");

    f = std::fopen(name.c_str(), "wb");
    std::fclose(f);
    parser.Reset();
    EXPECT_EQ(ParseXmlFile(parser, file, name.c_str(), &error), 0);
    std::remove(name.c_str());
}

} // namespace
