// The HTML mail scanner: which references may be mailed, how they are
// rewritten and named, the markup written back, and the plain text beside it.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "netcomp/mail/htmlmailer/HtmlScanner.h"

namespace {

struct Files {
    std::set<std::string> present;
    std::set<std::string> offered;
};

bool Accept(void* context, const char* value, bool)
{
    auto* files = static_cast<Files*>(context);
    files->offered.insert(value);
    return files->present.count(value) > 0;
}

TEST(HtmlScanner, LocalReferences)
{
    for (const char* yes : {"a.gif", "img/a.gif", "img\\a.gif", "./a.gif", "a..b.gif", "...gif"})
        EXPECT_TRUE(IsLocalReference(yes)) << yes;
    for (const char* no : {"", "/a.gif", "\\a.gif", "../a.gif", "img/../../a.gif", "img\\..", "C:\\a.gif", "c:a.gif",
                           "data:image/gif;base64,R0lG", "cid:a46gif", "http://x/a.gif", "file:a.gif"})
        EXPECT_FALSE(IsLocalReference(no)) << no;
}

TEST(HtmlScanner, ReferencesRewritten)
{
    Files files;
    files.present = {"a.gif", "a46gif", "bg.png", "s.css", "img/p q.jpg"};
    const std::string html = "<BODY BACKGROUND=bg.png><Img Src=\"a.gif\" alt='say \"hi\"'><img src=a46gif>"
                             "<img src=\"a.gif\"/><img src=\"img/p q.jpg\"><img src=\"../up.gif\">"
                             "<img src=\"gone.gif\"><img src=\"http://x.invalid/a.gif\">"
                             "<link href=\"s.css\"><link href=\"/s.css\"><a href=\"a.gif\">a</a>"
                             "<!-- <img src=\"a.gif\"> --><img src=\"a.gif";
    HtmlScanner scan;
    ASSERT_EQ(scan.Scan(html.data(), uint32_t(html.size()), &Accept, &files), 0);
    EXPECT_EQ(std::string(scan.Html().CStr()),
              "<BODY BACKGROUND=\"cid:bg46png\"><Img Src=\"cid:a46gif\" alt=\"say &quot;hi&quot;\">"
              "<img src=\"cid:a46gifx\"><img src=\"cid:a46gif\" /><img src=\"cid:img47p32q46jpg\">"
              "<img src=\"../up.gif\"><img src=\"gone.gif\"><img src=\"http://x.invalid/a.gif\">"
              "<link href=\"cid:s46css\"><link href=\"/s.css\"><a href=\"a.gif\">a</a>"
              "<!-- <img src=\"a.gif\"> --><img src=\"a.gif");
    // Refused values are never offered; the accepted ones are listed once.
    EXPECT_EQ(files.offered, (std::set<std::string>{"a.gif", "a46gif", "bg.png", "s.css", "img/p q.jpg", "gone.gif"}));
    ASSERT_EQ(scan.References().size(), 5u);
    const HtmlReference& first = scan.References()[0];
    EXPECT_STREQ(first.value.CStr(), "bg.png");
    EXPECT_FALSE(first.image);
    EXPECT_STREQ(scan.References()[1].contentId.CStr(), "a46gif");
    EXPECT_TRUE(scan.References()[1].image);
    EXPECT_STREQ(scan.References()[2].contentId.CStr(), "a46gifx");
    EXPECT_FALSE(scan.References()[4].image);
}

TEST(HtmlScanner, PlainText)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<p>One</p><p>Two&nbsp;&amp;&lt;3&gt; &quot;x&quot; &#65;&copy;</p>",
         "One\r\n\r\nTwo &<3> \"x\" A&copy;\r\n\r\n"},
        {"<h1>Title</h1>text<br>more<ul><li>a<li>b</ul>", "Title\r\ntext\r\nmore\r\na\r\nb\r\n"},
        {"  lots   of\r\n\tspace  <div>x</div>", "lots of space\r\nx\r\n"},
        {"<pre>a\r\n  b\nc</pre>after", "a\r\n  b\r\nc\r\nafter"},
        {"<title>T</title><script>var a = '<p>';</script><style>p{}</style>shown", "shown"},
        {"a < b and c<d", "a < b and c<d"},
    };
    for (const auto& [html, text] : cases) {
        HtmlScanner scan;
        ASSERT_EQ(scan.Scan(html, uint32_t(std::strlen(html)), nullptr, nullptr), 0);
        EXPECT_EQ(std::string(scan.Text().CStr()), text) << html;
    }
}

} // namespace
