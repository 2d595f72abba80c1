// RSS through its exported functions: feeds fetched from apache2 and put
// into its WebDAV folder, files read and written, and the field properties.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_rss.h"
#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/net/tests/RssTestFeeds.h"
#include "netcomp/net/tests/WebTestSupport.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class Rss {
public:
    EventRecorder events;
    ComponentHolder<RSSFunctions> c{EventRecorder::Callback, events.User()};

    Rss()
    {
        RSS_StaticInit(GetModuleHandleA(nullptr));
        events.TextsAt(kRssEventHeader, {0, 1});
    }
    std::string Header(const std::string& field)
    {
        for (const RecordedEvent& e : events.Of(kRssEventHeader)) {
            if (e.texts[0] == field)
                return e.texts[1];
        }
        return "(none)";
    }
    std::string Property(const char* path)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(path), 0};
        int lengths[2] = {};
        const int rc = RSS_Do(c.Handle(), kRssMethodGetProperty, 2, args, lengths);
        return rc == 0 ? reinterpret_cast<const char*>(args[1]) : "error " + std::to_string(rc);
    }
};

} // namespace

TEST(Rss, FeedsOverHttp)
{
    Rss rss;
    // From inside an event of the running fetch the model may be read, but
    // neither changed nor fetched into again.
    ASSERT_EQ(rss.c.SetText(kRssChannelTitle, "before"), 0);
    std::string during;
    rss.events.OnEvent(kRssEventStatus, [&](const RecordedEvent&) {
        during = rss.Property("/title");
        EXPECT_EQ(rss.c.SetText(kRssChannelTitle, "inside"), 143);
        EXPECT_EQ(rss.c.Do(kRssMethodSetProperty, {"/title", "inside"}), 143);
        EXPECT_EQ(rss.c.Do(kRssMethodGetFeed, {WebUrl("/feeds/kes.rss").c_str()}), 143);
        EXPECT_EQ(rss.c.Do(kRssMethodReset), 143);
    });
    ASSERT_EQ(rss.c.Do(kRssMethodGetFeed, {WebUrl("/feeds/kes.rss").c_str()}), 0) << rss.c.LastError();
    rss.events.OnEvent(kRssEventStatus, nullptr);
    EXPECT_EQ(during, "before");
    EXPECT_EQ(rss.c.GetText(kRssChannelTitle), "Kes test feed");
    ASSERT_EQ(rss.c.GetInt(kRssItemCount), 1);
    EXPECT_EQ(rss.c.GetText(kRssItemDescription, 1), "one & only");
    EXPECT_EQ(rss.c.GetText(kRssItemGuid, 1), "kes-1");
    // Until the model changes, the feed text is the text that came.
    EXPECT_EQ(rss.c.GetText(kRssRSSData), kServedFeed);
    EXPECT_EQ(rss.events.Of(kRssEventStartTransfer).size(), 1u);
    EXPECT_EQ(rss.events.Of(kRssEventEndTransfer).size(), 1u);
    EXPECT_EQ(rss.events.Of(kRssEventStatus).size(), 1u);
    EXPECT_EQ(rss.Header("Content-Type"), "application/rss+xml");

    // An edit is what PutFeed sends: the text is written anew from the model.
    ASSERT_EQ(rss.c.SetText(kRssItemTitle, "AT&T <first>", 1), 0);
    ASSERT_EQ(rss.c.SetText(kRssChannelLanguage, "en"), 0);
    ASSERT_EQ(rss.c.SetText(kRssUser, "alice"), 0);
    ASSERT_EQ(rss.c.SetText(kRssPassword, "wonder"), 0);
    const std::string put = WebUrl("/dav/feed-" + std::to_string(GetTickCount()) + ".rss");
    ASSERT_EQ(rss.c.Do(kRssMethodPutFeed, {put.c_str()}), 0) << rss.c.LastError();
    Rss back;
    ASSERT_EQ(back.c.SetText(kRssUser, "alice"), 0);
    ASSERT_EQ(back.c.SetText(kRssPassword, "wonder"), 0);
    ASSERT_EQ(back.c.Do(kRssMethodGetURL, {put.c_str()}), 0) << back.c.LastError();
    const std::string sent = back.c.GetText(kRssRSSData);
    EXPECT_NE(sent.find("      <title>AT&amp;T &lt;first&gt;</title>\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("<language>en</language>"), std::string::npos) << sent;
    // GetURL leaves the model alone; GetFeed reads what was put.
    EXPECT_EQ(back.c.GetInt(kRssItemCount), 0);
    ASSERT_EQ(back.c.Do(kRssMethodGetFeed, {put.c_str()}), 0);
    EXPECT_EQ(back.c.GetText(kRssItemTitle, 1), "AT&T <first>");
    EXPECT_EQ(back.c.GetText(kRssChannelDocs), "");

    // Without credentials the folder refuses; a missing feed is a 404.
    Rss anonymous;
    ASSERT_EQ(anonymous.c.Do(kRssMethodAddItem, {"t", "d", "l"}), 0);
    for (int property : {kRssChannelTitle, kRssChannelLink, kRssChannelDescription})
        ASSERT_EQ(anonymous.c.SetText(property, "x"), 0);
    EXPECT_EQ(anonymous.c.Do(kRssMethodPutFeed, {put.c_str()}), 151);
    EXPECT_STREQ(anonymous.c.LastError(), "Unauthorized");
    EXPECT_EQ(anonymous.c.GetText(kRssChannelDocs), "https://www.rssboard.org/rss-specification");
    EXPECT_EQ(anonymous.c.Do(kRssMethodGetFeed, {WebUrl("/feeds/none.rss").c_str()}), 151);
    EXPECT_STREQ(anonymous.c.LastError(), "Not Found");
    // What is no XML stops with the parser's code.
    EXPECT_EQ(anonymous.c.Do(kRssMethodGetFeed, {WebUrl("/feeds/broken.rss").c_str()}), 201);
    EXPECT_EQ(anonymous.c.GetInt(kRssItemCount), 0);
}

TEST(Rss, FilesAndProperties)
{
    Rss rss;
    // Every field property reaches its own element or attribute.
    const struct {
        int property;
        const char* path;
    } kFields[] = {
        {kRssChannelCategory, "/category"},
        {kRssChannelCategoryDomain, "/category@domain"},
        {kRssChannelCopyright, "/copyright"},
        {kRssChannelDescription, "/description"},
        {kRssChannelDocs, "/docs"},
        {kRssChannelLanguage, "/language"},
        {kRssChannelLastBuildDate, "/lastBuildDate"},
        {kRssChannelLink, "/link"},
        {kRssChannelManagingEditor, "/managingEditor"},
        {kRssChannelPubDate, "/pubDate"},
        {kRssChannelTitle, "/title"},
        {kRssChannelWebMaster, "/webMaster"},
        {kRssImageLink, "image/link"},
        {kRssImageTitle, "image/title"},
        {kRssImageURL, "image/url"},
        {kRssTextInputDescription, "textInput/description"},
        {kRssTextInputLink, "textInput/link"},
        {kRssTextInputName, "textInput/name"},
        {kRssTextInputTitle, "textInput/title"},
        {kRssItemAuthor, "item[2]/author"},
        {kRssItemCategory, "item[2]/category"},
        {kRssItemCategoryDomain, "item[2]/category@domain"},
        {kRssItemComments, "item[2]/comments"},
        {kRssItemDescription, "item[2]/description"},
        {kRssItemGuid, "item[2]/guid"},
        {kRssItemLink, "item[2]/link"},
        {kRssItemPubDate, "item[2]/pubDate"},
        {kRssItemSource, "item[2]/source"},
        {kRssItemSourceURL, "item[2]/source@url"},
        {kRssItemTitle, "item[2]/title"},
    };
    ASSERT_EQ(rss.c.Set(kRssItemCount, 2), 0);
    for (const auto& f : kFields) {
        const std::string value = std::string("v") + std::to_string(f.property) + " & \"q\"";
        ASSERT_EQ(rss.c.SetText(f.property, value.c_str(), 2), 0) << f.path;
    }
    ASSERT_EQ(rss.c.Do(kRssMethodAddNamespace, {"k", "urn:kes"}), 0);
    ASSERT_EQ(rss.c.Do(kRssMethodSetProperty, {"item[1]/k:note", "extra"}), 0);
    const std::string file = TempFolder() + "rss-written.xml";
    ASSERT_EQ(rss.c.Do(kRssMethodWriteFile, {file.c_str()}), 0) << rss.c.LastError();
    const std::string written = ReadWholeFile(file);
    EXPECT_EQ(written, rss.c.GetText(kRssRSSData));

    // The file reads back to the same fields and writes the same text.
    Rss back;
    ASSERT_EQ(back.c.Do(kRssMethodReadFile, {file.c_str()}), 0) << back.c.LastError();
    for (const auto& f : kFields)
        EXPECT_EQ(back.Property(f.path), std::string("v") + std::to_string(f.property) + " & \"q\"") << f.path;
    EXPECT_EQ(back.Property("item[1]/k:note"), "extra");
    EXPECT_EQ(back.c.GetText(kRssNamespacePrefix, 1), "k");
    EXPECT_EQ(back.c.GetText(kRssRSSData), written);
    const std::string again = TempFolder() + "rss-again.xml";
    ASSERT_EQ(back.c.Set(kRssRSSVersion, kRssVersion20), 0);
    ASSERT_EQ(back.c.Do(kRssMethodWriteFile, {again.c_str()}), 0);
    EXPECT_EQ(ReadWholeFile(again), written);

    // AllowNonRSS leaves out the extra field once it is off.
    std::string answer;
    ASSERT_EQ(back.c.Query("AllowNonRSS", answer), 0);
    EXPECT_EQ(answer, "True");
    ASSERT_EQ(back.c.Config("AllowNonRSS=false"), 0);
    EXPECT_EQ(back.c.GetText(kRssRSSData).find("k:note"), std::string::npos);

    // A version that requires what the model lacks: RSSData stays, the code tells.
    ASSERT_EQ(back.c.Set(kRssRSSVersion, kRssVersion091), 0);
    ASSERT_EQ(back.c.SetText(kRssChannelLanguage, ""), 0);
    back.c.GetText(kRssRSSData);
    EXPECT_EQ(back.c.LastErrorCode(), 234);
    EXPECT_STREQ(back.c.LastError(), "Required element is empty: channel/language.");
    EXPECT_EQ(back.c.Do(kRssMethodWriteFile, {again.c_str()}), 234);
    EXPECT_EQ(back.c.Set(kRssRSSVersion, 4), 230);

    // Files that cannot be read or written, indexes out of range.
    EXPECT_EQ(back.c.Do(kRssMethodReadFile, {(TempFolder() + "no-such.rss").c_str()}), 302);
    EXPECT_STREQ(back.c.LastError(), "Can't open file for reading.");
    ASSERT_EQ(back.c.Set(kRssRSSVersion, kRssVersion20), 0);
    EXPECT_EQ(back.c.Do(kRssMethodWriteFile, {(TempFolder() + "no-folder\\x.rss").c_str()}), 302);
    EXPECT_STREQ(back.c.LastError(), "Can't open file for writing.");
    EXPECT_EQ(back.c.CheckIndex(kRssItemTitle, 3), 280);
    EXPECT_STREQ(back.c.LastError(), "Invalid item index.");
    EXPECT_EQ(back.c.Set(kRssItemCount, -1), 232);
    EXPECT_STREQ(back.c.LastError(), "ItemCount cannot be negative.");
    EXPECT_EQ(back.c.CheckIndex(kRssNamespaceURI, 2), 280);

    // Reset: an empty model, no namespaces, version 2.0.
    ASSERT_EQ(back.c.Do(kRssMethodReset), 0);
    EXPECT_EQ(back.c.GetInt(kRssItemCount), 0);
    EXPECT_EQ(back.c.GetInt(kRssNamespaceCount), 0);
    EXPECT_EQ(back.c.GetInt(kRssRSSVersion), kRssVersion20);
    EXPECT_EQ(back.c.GetText(kRssChannelTitle), "");
    DeleteFileA(file.c_str());
    DeleteFileA(again.c_str());
}

// A field whose text is only white space, given as CDATA, is kept through
// a read, a change and a write, and again when that file is read and written.
TEST(Rss, WhiteSpaceTextSurvivesFileRoundTrips)
{
    std::string file = WriteTempFile("rss-cdata-0.xml", "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>"
                                                        "<title>t</title><link>l</link><description>d</description>"
                                                        "<d><![CDATA[\n]]></d></channel></rss>");
    std::string first;
    for (const char* name : {"rss-cdata-1.xml", "rss-cdata-2.xml"}) {
        Rss rss;
        ASSERT_EQ(rss.c.Do(kRssMethodReadFile, {file.c_str()}), 0) << rss.c.LastError();
        EXPECT_EQ(rss.Property("/d"), "\n");
        ASSERT_EQ(rss.c.Do(kRssMethodSetProperty, {"channel/title", "Title"}), 0);
        DeleteFileA(file.c_str());
        file = TempFolder() + name;
        ASSERT_EQ(rss.c.Do(kRssMethodWriteFile, {file.c_str()}), 0) << rss.c.LastError();
        const std::string written = ReadWholeFile(file);
        EXPECT_NE(written.find("    <d><![CDATA[\n]]></d>\r\n"), std::string::npos) << written;
        EXPECT_EQ(written, first.empty() ? written : first);
        first = written;
    }
    DeleteFileA(file.c_str());
}

// A feed that does not end (8 MB, then the server closes) is kept up to
// MaxReplySize: the fetch ends there with 154, and the model and the feed
// text keep nothing of it.
TEST(Rss, AnEndlessFeedEndsTheFetch)
{
    FloodPeer peer(FloodPeer::Role::Serve, 0, "HTTP/1.0 200 OK\r\n\r\n<rss version=\"2.0\"><channel><title>",
                   std::string(1000, 't'), 8u << 20);
    Rss rss;
    ASSERT_EQ(rss.c.Config("MaxReplySize=500000"), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/feed.rss";
    EXPECT_EQ(rss.c.Do(kRssMethodGetFeed, {url.c_str()}), 154);
    EXPECT_STREQ(rss.c.LastError(), "The feed is larger than MaxReplySize.");
    EXPECT_EQ(rss.c.GetText(kRssChannelTitle), "");
}

// A feed whose first chunk is whole but whose next chunk size is none (a
// sign) fails the fetch with 151: the rest is not cut off silently, and the
// model keeps nothing of it.
TEST(Rss, AChunkSizeThatIsNoneFailsTheFetch)
{
    const std::string first = "<rss version=\"2.0\"><channel><title>cut</title></channel></rss>";
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    char size[16];
    std::snprintf(size, sizeof size, "%x\r\n", unsigned(first.size()));
    ScriptedServer server;
    server.ExpectUntil("").Send(head + size + first + "\r\n-5\r\nhello\r\n0\r\n\r\n").Disconnect();
    ASSERT_TRUE(server.Start());
    Rss rss;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/feed.rss";
    EXPECT_EQ(rss.c.Do(kRssMethodGetFeed, {url.c_str()}), 151);
    EXPECT_STREQ(rss.c.LastError(), "Invalid chunk size.");
    EXPECT_EQ(rss.c.GetText(kRssChannelTitle), "");
    EXPECT_EQ(server.Finish(), "");
}
