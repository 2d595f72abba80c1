// The RSS model: feeds of each shape read into it, the text written for each
// version, paths to fields and attributes, and the bounds of its lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "netcomp/net/rss/RssFeedReader.h"
#include "netcomp/net/tests/RssTestFeeds.h"

namespace {

int Parse(const std::string& text, RssFeed& feed)
{
    const char* error = nullptr;
    const int rc = ParseRssFeed(text.data(), uint32_t(text.size()), feed, &error);
    EXPECT_NE(error, nullptr);
    return rc;
}

std::string Written(RssFeed& feed, int* rc = nullptr)
{
    NetString out;
    const int result = feed.Write(out);
    if (rc)
        *rc = result;
    else
        EXPECT_EQ(result, 0) << feed.ErrorText();
    return result == 0 ? std::string(out.Data(), out.Length()) : std::string();
}

std::string Property(RssFeed& feed, const char* path)
{
    const char* value = nullptr;
    const int rc = feed.GetProperty(path, &value);
    return rc == 0 ? std::string(value) : "error " + std::to_string(rc) + ": " + feed.ErrorText();
}

// Feeds of every other shape.

const char kOldFeed[] =
    "<?xml version=\"1.0\"?>\n<rss version=\"0.91\">\n <channel>\n  <title>Old</title>\n"
    "  <link>http://old.test/</link>\n  <description><![CDATA[<b>bold</b> & plain]]></description>\n"
    "  <language>en-us</language>\n"
    "  <image><url>http://old.test/i.gif</url><title>Logo</title><link>http://old.test/</link>"
    "<width>88</width></image>\n"
    "  <textInput><title>Search</title><description>Find</description><name>q</name>"
    "<link>http://old.test/s</link></textInput>\n"
    "  <item><title>One</title><link>http://old.test/1</link></item>\n"
    " </channel>\n</rss>\n";

// Items beside the channel, a default namespace and a prefixed one, repeated
// categories with their domains, and elements of no RSS version.
const char kMixedFeed[] =
    "<?xml version=\"1.0\"?>\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
    "<channel><title>Mixed</title><link>http://m.test/</link><description>d</description>"
    "<dc:date>2026-01-02</dc:date></channel>\n"
    "<item><title>A</title><category domain=\"x\">c1</category><category domain=\"y\">c2</category>"
    "<category>c3</category><dc:creator>Ann &lt;ann@m.test&gt;</dc:creator></item>\n"
    "<item><title>B</title><source url=\"http://src.test/\">Src</source></item>\n"
    "</rdf:RDF>\n";

} // namespace

TEST(RssFeed, ReadsFeedsOfEveryShape)
{
    RssFeed feed;
    ASSERT_EQ(Parse(kServedFeed, feed), 0);
    EXPECT_EQ(feed.Version(), 3);
    EXPECT_EQ(Property(feed, "/title"), "Kes test feed");
    EXPECT_EQ(Property(feed, "channel/link"), "http://127.0.0.1/");
    ASSERT_EQ(feed.ItemCount(), 1);
    EXPECT_EQ(Property(feed, "item[1]/description"), "one & only");
    EXPECT_EQ(Property(feed, "item[1]/guid"), "kes-1");
    EXPECT_FALSE(feed.Modified());

    ASSERT_EQ(Parse(kOldFeed, feed), 0);
    EXPECT_EQ(feed.Version(), 1);
    EXPECT_EQ(Property(feed, "/description"), "<b>bold</b> & plain");
    EXPECT_EQ(Property(feed, "image/width"), "88");
    EXPECT_EQ(Property(feed, "textInput/name"), "q");
    EXPECT_EQ(feed.NamespaceCount(), 0);
    EXPECT_EQ(feed.ItemCount(), 1);

    ASSERT_EQ(Parse(kMixedFeed, feed), 0);
    EXPECT_EQ(feed.Version(), 3); // no version attribute
    ASSERT_EQ(feed.NamespaceCount(), 3);
    EXPECT_STREQ(feed.NamespacePrefix(2), "");
    EXPECT_STREQ(feed.NamespaceUri(3), "http://purl.org/dc/elements/1.1/");
    EXPECT_EQ(Property(feed, "/dc:date"), "2026-01-02");
    ASSERT_EQ(feed.ItemCount(), 2);
    // Every category is kept, in order, each with its own attribute.
    EXPECT_EQ(Property(feed, "item[1]/category"), "c1");
    EXPECT_EQ(Property(feed, "item[1]/category@domain"), "x");
    EXPECT_EQ(Property(feed, "item[1]/category[2]@domain"), "y");
    EXPECT_EQ(Property(feed, "item[1]/category[3]"), "c3");
    EXPECT_EQ(Property(feed, "item[1]/category[4]"), "error 233: Invalid property name (item[1]/category[4]).");
    EXPECT_EQ(Property(feed, "item[1]/dc:creator"), "Ann <ann@m.test>");
    EXPECT_EQ(Property(feed, "item[2]/source@url"), "http://src.test/");
    EXPECT_EQ(Property(feed, "item[2]/source@missing"), "");

    // A prefix declared below the top element is declared on it when written.
    ASSERT_EQ(Parse("<rss><channel><title>t</title><link>l</link><description>d</description>"
                    "<m:x xmlns:m=\"urn:m\">v</m:x><y xmlns:n=\"urn:n\" n:a=\"1\"/></channel></rss>",
                    feed),
              0);
    EXPECT_EQ(Property(feed, "/y@n:a"), "1");
    EXPECT_NE(Written(feed).find("<rss version=\"2.0\" xmlns:m=\"urn:m\" xmlns:n=\"urn:n\">"), std::string::npos);

    // What does not read stops with the parser's code; the model stays empty.
    EXPECT_EQ(Parse("<rss><channel><title>x</channel></rss>", feed), 201);
    EXPECT_EQ(feed.ItemCount(), 0);
    EXPECT_EQ(Parse("<rss><x:y/></rss>", feed), 202);
}

TEST(RssFeed, WritesWhatEachVersionAllows)
{
    RssFeed feed;
    ASSERT_EQ(feed.SetProperty("/title", "AT&T <news>"), 0);
    ASSERT_EQ(feed.SetProperty("/link", "http://k.test/?a=1&b=2"), 0);
    ASSERT_EQ(feed.SetProperty("/description", "Say \"hi\""), 0);
    ASSERT_EQ(feed.SetProperty("/ttl", "60"), 0);
    ASSERT_EQ(feed.SetProperty("/category@domain", "a\"b&c"), 0);
    ASSERT_EQ(feed.AddItem("T1", "D1", ""), 0);
    ASSERT_EQ(feed.SetProperty("item[1]/category", "one"), 0);
    ASSERT_EQ(feed.SetProperty("item[1]/category[2]", "two"), 0);
    ASSERT_EQ(feed.SetProperty("item[1]/enclosure@url", "http://k.test/e.mp3"), 0);
    ASSERT_EQ(feed.SetProperty("item[1]/x:extra", "kept"), 0);
    // A prefix the text would not declare makes no malformed text.
    int rc = 0;
    EXPECT_EQ(Written(feed, &rc), "");
    EXPECT_EQ(rc, 233);
    EXPECT_STREQ(feed.ErrorText(), "Undeclared namespace prefix in the name x:extra.");
    ASSERT_EQ(feed.AddNamespace("x", "urn:x"), 0);
    EXPECT_TRUE(feed.Modified());

    // Text and attributes escaped; known fields in table order, then the
    // extra one; the empty image and text input left out.
    const std::string v20 = Written(feed);
    EXPECT_FALSE(feed.Modified());
    EXPECT_EQ(v20, "<?xml version=\"1.0\"?>\r\n"
                   "<rss version=\"2.0\" xmlns:x=\"urn:x\">\r\n"
                   "  <channel>\r\n"
                   "    <title>AT&amp;T &lt;news&gt;</title>\r\n"
                   "    <link>http://k.test/?a=1&amp;b=2</link>\r\n"
                   "    <description>Say &quot;hi&quot;</description>\r\n"
                   "    <ttl>60</ttl>\r\n"
                   "    <generator>Tessarine Version 6.0 RSS Component</generator>\r\n"
                   "    <category domain=\"a&quot;b&amp;c\"/>\r\n"
                   "    <item>\r\n"
                   "      <title>T1</title>\r\n"
                   "      <description>D1</description>\r\n"
                   "      <category>one</category>\r\n"
                   "      <category>two</category>\r\n"
                   "      <enclosure url=\"http://k.test/e.mp3\"/>\r\n"
                   "      <x:extra>kept</x:extra>\r\n"
                   "    </item>\r\n"
                   "  </channel>\r\n"
                   "</rss>\r\n");

    // What was written reads back to the same model and the same text.
    RssFeed back;
    ASSERT_EQ(Parse(v20, back), 0);
    EXPECT_EQ(Property(back, "/title"), "AT&T <news>");
    EXPECT_EQ(Property(back, "/category@domain"), "a\"b&c");
    EXPECT_EQ(Property(back, "item[1]/category[2]"), "two");
    EXPECT_EQ(Written(back), v20);

    // 0.91 requires a language, and leaves out what only later versions know.
    ASSERT_EQ(feed.SetVersion(1), 0);
    EXPECT_EQ(Written(feed, &rc), "");
    EXPECT_EQ(rc, 234);
    EXPECT_STREQ(feed.ErrorText(), "Required element is empty: channel/language.");
    ASSERT_EQ(feed.SetProperty("/language", "en"), 0);
    const std::string v091 = Written(feed);
    EXPECT_EQ(v091.find("<ttl>"), std::string::npos);
    EXPECT_EQ(v091.find("<category"), std::string::npos);
    EXPECT_EQ(v091.find("<enclosure"), std::string::npos);
    EXPECT_NE(v091.find("<rss version=\"0.91\""), std::string::npos);
    ASSERT_EQ(feed.SetVersion(2), 0);
    const std::string v092 = Written(feed);
    EXPECT_EQ(v092.find("<ttl>"), std::string::npos);
    EXPECT_NE(v092.find("<enclosure url="), std::string::npos);

    // No version: every non-empty field, nothing required; extra fields only
    // while they are allowed; an image with a field of its own is written.
    ASSERT_EQ(feed.SetVersion(0), 0);
    ASSERT_EQ(feed.SetProperty("/title", ""), 0);
    ASSERT_EQ(feed.SetProperty("image/url", "http://k.test/i.png"), 0);
    feed.SetAllowNonRss(false);
    const std::string none = Written(feed);
    EXPECT_NE(none.find("<rss xmlns:x=\"urn:x\">"), std::string::npos) << none;
    EXPECT_NE(none.find("<ttl>60</ttl>"), std::string::npos);
    EXPECT_EQ(none.find("x:extra"), std::string::npos);
    EXPECT_NE(none.find("    <image>\r\n      <url>http://k.test/i.png</url>\r\n    </image>\r\n"), std::string::npos);
    ASSERT_EQ(feed.SetVersion(3), 0);
    EXPECT_EQ(Written(feed, &rc), "");
    EXPECT_STREQ(feed.ErrorText(), "Required element is empty: channel/title.");
}

// White space at either end of a text (CDATA of a feed, here alone or
// around markup) survives a write and a read: the reader trims it from plain
// text, so the writer puts it in CDATA.
TEST(RssFeed, WhiteSpaceAtTheEndsOfATextReadsBack)
{
    RssFeed feed;
    ASSERT_EQ(Parse("<s><s><d><![CDATA[\n]]></d><title><![CDATA[\r\n <b>x</b>\t]]></title></s></s>", feed), 0);
    ASSERT_EQ(feed.SetVersion(0), 0);
    const std::string first = Written(feed);
    EXPECT_NE(first.find("    <title><![CDATA[\r\n ]]>&lt;b&gt;x&lt;/b&gt;<![CDATA[\t]]></title>\r\n"
                         "    <generator>Tessarine Version 6.0 RSS Component</generator>\r\n"
                         "    <d><![CDATA[\n]]></d>\r\n"),
              std::string::npos)
        << first;
    RssFeed back;
    ASSERT_EQ(Parse(first, back), 0);
    ASSERT_EQ(back.SetVersion(0), 0);
    EXPECT_EQ(Property(back, "/d"), "\n");
    EXPECT_EQ(Property(back, "/title"), "\r\n <b>x</b>\t");
    EXPECT_EQ(Written(back), first);
}

TEST(RssFeed, PathsAndBounds)
{
    RssFeed feed;
    ASSERT_EQ(Parse(kMixedFeed, feed), 0);
    const char* value = nullptr;
    EXPECT_EQ(feed.GetProperty("items/title", &value), 233);
    EXPECT_STREQ(feed.ErrorText(), "Cannot find root level element: items.");
    for (const char* bad : {"item/title", "item[]/title", "item[0]/title", "item[3]/title", "item[1x]/title"}) {
        EXPECT_EQ(feed.GetProperty(bad, &value), 232) << bad;
        EXPECT_STREQ(feed.ErrorText(), "Invalid item index.");
    }
    EXPECT_EQ(feed.GetProperty("channel/nothing", &value), 233);
    EXPECT_STREQ(feed.ErrorText(), "Invalid property name (channel/nothing).");
    EXPECT_EQ(feed.GetProperty("channel", &value), 233);
    // Names that would make broken markup are refused.
    for (const char* bad : {"/a b", "/<x>", "/1st", "/t@a\"b", "/category[0]", "/category[x]", "/a::b", "/:a",
                            "/a@xmlns", "/a@xmlns:b", "/item", "/image"})
        EXPECT_EQ(feed.SetProperty(bad, "v"), 233) << bad;
    // A further element of a name comes only after the ones before it.
    EXPECT_EQ(feed.SetProperty("item[2]/category[3]", "v"), 233);
    EXPECT_FALSE(feed.Modified());

    // Attributes are replaced or appended; fields set by path are new extras.
    ASSERT_EQ(feed.SetProperty("item[1]/category@domain", "z"), 0);
    ASSERT_EQ(feed.SetProperty("item[1]/category@scheme", "s"), 0);
    EXPECT_EQ(Property(feed, "item[1]/category@domain"), "z");
    EXPECT_EQ(Property(feed, "item[1]/category@scheme"), "s");
    EXPECT_TRUE(feed.Modified());

    EXPECT_EQ(feed.SetItemCount(-1), 232);
    EXPECT_STREQ(feed.ErrorText(), "ItemCount cannot be negative.");
    EXPECT_EQ(feed.SetItemCount(RssFeed::kMaxItems + 1), 232);
    ASSERT_EQ(feed.SetItemCount(1), 0);
    EXPECT_EQ(Property(feed, "item[1]/title"), "A");
    ASSERT_EQ(feed.SetItemCount(3), 0);
    EXPECT_EQ(Property(feed, "item[3]/title"), "");
    EXPECT_EQ(feed.SetNamespaceCount(-1), 232);
    EXPECT_STREQ(feed.ErrorText(), "Namespace count cannot be negative.");
    EXPECT_EQ(feed.CheckNamespaceIndex(4), 232);
    EXPECT_EQ(feed.SetVersion(4), 230);
    EXPECT_STREQ(feed.ErrorText(), "Invalid RSS version.");

    // A record takes a bounded number of fields.
    RssFeed many;
    std::string doc = "<rss><channel>";
    for (uint32_t i = 0; i < RssElement::kMaxFields; ++i)
        doc += "<f/>";
    ASSERT_EQ(Parse(doc + "</channel></rss>", many), 229);
    EXPECT_STREQ(many.ErrorText(), "Too many fields in one element.");
}

// A feed's top element takes 128 namespace declarations and an element 128
// attributes; the 129th stops the read with the parser's 200.
TEST(RssFeed, AtMost128DeclarationsAndAttributes)
{
    auto feed = [](int declarations, int attributes) {
        std::string doc = "<rss version=\"2.0\"";
        for (int i = 0; i < declarations; ++i)
            doc += " xmlns:n" + std::to_string(i) + "=\"urn:n" + std::to_string(i) + "\"";
        doc += "><channel><title>T</title><item><title>I</title><category";
        for (int i = 0; i < attributes; ++i)
            doc += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
        return doc + ">c</category></item></channel></rss>";
    };
    RssFeed whole;
    ASSERT_EQ(Parse(feed(128, 128), whole), 0);
    EXPECT_EQ(whole.NamespaceCount(), 128);
    EXPECT_STREQ(whole.NamespaceUri(128), "urn:n127");
    EXPECT_EQ(Property(whole, "item[1]/category@a127"), "127");

    for (const auto& [declarations, attributes] : {std::pair{129, 0}, std::pair{0, 129}}) {
        RssFeed refused;
        const char* error = nullptr;
        const std::string doc = feed(declarations, attributes);
        EXPECT_EQ(ParseRssFeed(doc.data(), uint32_t(doc.size()), refused, &error), 200);
        EXPECT_STREQ(error, "Out of memory.");
    }
}
