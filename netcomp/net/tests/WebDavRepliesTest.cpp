// The portable WebDAV pieces: the multistatus reader on replies as apache2
// and lighttpd write them, the LOCK reply, and the request bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/web/XmlParser.h"
#include "netcomp/net/webdav/DavLockReply.h"
#include "netcomp/net/webdav/DavRequestBodies.h"
#include "netcomp/net/webdav/MultistatusReader.h"

namespace {

// apache2's answer to PROPFIND Depth 1 with allprop (shortened), holding a
// file named "a&b.txt".
const char kApacheListing[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                              "<D:multistatus xmlns:D=\"DAV:\">\n"
                              "<D:response xmlns:lp2=\"http://apache.org/dav/props/\" xmlns:lp1=\"DAV:\">\n"
                              "<D:href>/dav/docs/</D:href>\n"
                              "<D:propstat>\n<D:prop>\n"
                              "<lp1:resourcetype><D:collection/></lp1:resourcetype>\n"
                              "<lp1:getlastmodified>Mon, 07 Dec 2026 06:28:12 GMT</lp1:getlastmodified>\n"
                              "<D:supportedlock>\n<D:lockentry>\n<D:lockscope><D:exclusive/></D:lockscope>\n"
                              "<D:locktype><D:write/></D:locktype>\n</D:lockentry>\n</D:supportedlock>\n"
                              "<D:lockdiscovery/>\n"
                              "<D:getcontenttype>httpd/unix-directory</D:getcontenttype>\n"
                              "</D:prop>\n<D:status>HTTP/1.1 200 OK</D:status>\n</D:propstat>\n</D:response>\n"
                              "<D:response xmlns:lp2=\"http://apache.org/dav/props/\" xmlns:lp1=\"DAV:\">\n"
                              "<D:href>/dav/docs/a&amp;b.txt</D:href>\n"
                              "<D:propstat>\n<D:prop>\n"
                              "<lp1:resourcetype/>\n"
                              "<lp1:getcontentlength>1</lp1:getcontentlength>\n"
                              "<lp1:getetag>W/\"1-66205548a0b8d\"</lp1:getetag>\n"
                              "<lp2:executable>F</lp2:executable>\n"
                              "<D:getcontenttype>text/plain</D:getcontenttype>\n"
                              "</D:prop>\n<D:status>HTTP/1.1 200 OK</D:status>\n</D:propstat>\n</D:response>\n"
                              "</D:multistatus>\n";

// lighttpd's answer to a PROPFIND of two properties, one unknown.
const char kLighttpdTwoStatuses[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<D:multistatus xmlns:D=\"DAV:\" xmlns:ns0=\"urn:uuid:c2f41010-65b3-11d1-a29f-00aa00c14882/\">\n"
    "<D:response>\n<D:href>/dav/docs/f.txt</D:href>\n"
    "<D:propstat>\n<D:prop>\n<D:getcontentlength>5</D:getcontentlength></D:prop>\n"
    "<D:status>HTTP/1.1 200 OK</D:status>\n</D:propstat>\n"
    "<D:propstat>\n<D:prop>\n<color xmlns=\"urn:z\"/></D:prop>\n"
    "<D:status>HTTP/1.1 404 Not Found</D:status>\n"
    "<D:responsedescription>no such property</D:responsedescription>\n"
    "</D:propstat>\n</D:response>\n</D:multistatus>\n";

struct Sink : MultistatusSink {
    std::vector<std::string> dirList;
    std::vector<std::string> resources;
    int OnDirList(const char* href, const char* name, const char* lang, const char* length, const char* type,
                  const char* modified) override
    {
        dirList.push_back(std::string(href) + "|" + name + "|" + lang + "|" + length + "|" + type + "|" + modified);
        return 0;
    }
    int OnResourceProperties(const char* href, const char* xml, uint32_t length) override
    {
        resources.push_back(std::string(href) + "\n" + std::string(xml, length));
        return 0;
    }
};

struct Read {
    int rc = 0;
    Sink sink;
    DavPropertyList properties;
    std::string List() const
    {
        std::string out;
        for (uint32_t i = 0; i < properties.Count(); ++i)
            out += std::string(properties.Name(i)) + "=" + properties.Value(i) + " [" + properties.Status(i) + "]\n";
        return out;
    }
};

// Feeds the reply whole, or one byte at a time.
Read ReadReply(const std::string& reply, bool listing, bool bytewise = false)
{
    Read out;
    XmlParser parser;
    MultistatusReader reader(parser, out.properties, out.sink);
    parser.SetCallback(&reader);
    reader.Start(listing, 1u << 20);
    if (bytewise) {
        for (char c : reply)
            if ((out.rc = parser.InputChar(c)) != 0)
                return out;
    } else {
        out.rc = parser.InputBytes(reply.data(), reply.size());
    }
    if (out.rc == 0)
        out.rc = parser.EndOfInput();
    return out;
}

TEST(MultistatusReader, PropertiesOfEachResponse)
{
    const Read whole = ReadReply(kApacheListing, false);
    ASSERT_EQ(whole.rc, 0);
    // The list holds the last response's properties, values as raw XML.
    EXPECT_EQ(whole.List(), "<DAV:resourcetype/>= [OK]\n"
                            "<DAV:getcontentlength/>=1 [OK]\n"
                            "<DAV:getetag/>=W/\"1-66205548a0b8d\" [OK]\n"
                            "<http://apache.org/dav/props/executable/>=F [OK]\n"
                            "<DAV:getcontenttype/>=text/plain [OK]\n");
    ASSERT_EQ(whole.sink.resources.size(), 2u);
    EXPECT_TRUE(whole.sink.dirList.empty());
    // The href's reference is resolved; the XML keeps what the server wrote,
    // behind a start tag that declares every namespace in scope.
    const std::string& second = whole.sink.resources[1];
    EXPECT_EQ(second.substr(0, second.find('\n')), "/dav/docs/a&b.txt");
    const std::string start = "<D:response xmlns:D=\"DAV:\" xmlns:lp2=\"http://apache.org/dav/props/\" "
                              "xmlns:lp1=\"DAV:\">\n<D:href>/dav/docs/a&amp;b.txt</D:href>";
    EXPECT_EQ(second.substr(second.find('\n') + 1, start.size()), start);
    EXPECT_EQ(second.substr(second.size() - 13), "</D:response>");
    XmlParser check;
    const std::string xml = second.substr(second.find('\n') + 1);
    EXPECT_EQ(check.InputBytes(xml.data(), xml.size()), 0);
    EXPECT_EQ(check.EndOfInput(), 0);

    // The same, whatever way the input is split.
    const Read bytes = ReadReply(kApacheListing, false, true);
    EXPECT_EQ(bytes.List(), whole.List());
    EXPECT_EQ(bytes.sink.resources, whole.sink.resources);

    // A structured value is kept as it was written.
    const std::string one = kApacheListing;
    const Read first = ReadReply(one.substr(0, one.find("</D:response>") + 13) + "</D:multistatus>", false);
    EXPECT_EQ(first.rc, 0);
    EXPECT_EQ(std::string(first.properties.Value(0)), "<D:collection/>");
}

TEST(MultistatusReader, StatusesPerPropstat)
{
    const Read read = ReadReply(kLighttpdTwoStatuses, false);
    ASSERT_EQ(read.rc, 0);
    EXPECT_EQ(read.List(), "<DAV:getcontentlength/>=5 [OK]\n<urn:zcolor/>= [Not Found: no such property]\n");

    // Unknown elements, at any level, are passed over with their content.
    const Read odd = ReadReply("<D:multistatus xmlns:D='DAV:' xmlns:x='u:x'><x:note><D:response/></x:note>"
                               "<D:response><x:extra><D:href>/no</D:href></x:extra><D:href> /yes </D:href>"
                               "<D:propstat><D:prop><x:p a='1'>v<x:q/>w</x:p></D:prop><x:s>HTTP/1.1 500 x</x:s>"
                               "<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>",
                               false);
    ASSERT_EQ(odd.rc, 0);
    EXPECT_EQ(odd.List(), "<u:xp/>=v<x:q/>w [OK]\n");
    ASSERT_EQ(odd.sink.resources.size(), 1u);
    EXPECT_EQ(odd.sink.resources[0].substr(0, 5), "/yes\n");

    // A reply that is no multistatus leaves everything alone.
    const Read other = ReadReply("<html><body><D:response xmlns:D='DAV:'/></body></html>", false);
    EXPECT_EQ(other.rc, 0);
    EXPECT_TRUE(other.sink.resources.empty());
}

TEST(MultistatusReader, ListingFiresOneEntryPerPropstat)
{
    const Read read = ReadReply(kApacheListing, true);
    ASSERT_EQ(read.rc, 0);
    EXPECT_EQ(read.properties.Count(), 0u);
    EXPECT_TRUE(read.sink.resources.empty());
    ASSERT_EQ(read.sink.dirList.size(), 2u);
    EXPECT_EQ(read.sink.dirList[0], "/dav/docs/||||httpd/unix-directory|Mon, 07 Dec 2026 06:28:12 GMT");
    EXPECT_EQ(read.sink.dirList[1], "/dav/docs/a&b.txt|||1|text/plain|");

    const Read named = ReadReply("<m:multistatus xmlns:m='DAV:'><m:response><m:href>/d/x</m:href><m:propstat><m:prop>"
                                 "<m:displayname>caf&#xE9; &#233;</m:displayname><m:getcontentlanguage>de"
                                 "</m:getcontentlanguage></m:prop><m:status>HTTP/1.1 200 OK</m:status></m:propstat>"
                                 "<m:propstat><m:prop><m:getcontenttype/></m:prop></m:propstat></m:response>"
                                 "</m:multistatus>",
                                 true);
    ASSERT_EQ(named.rc, 0);
    ASSERT_EQ(named.sink.dirList.size(), 2u);
    EXPECT_EQ(named.sink.dirList[0], "/d/x|caf\xC3\xA9 \xC3\xA9|de|||");
    EXPECT_EQ(named.sink.dirList[1], "/d/x|||||");
}

// A reply may declare 128 namespaces in scope and give an element 128
// attributes; the 129th stops the read with the parser's 200.
TEST(MultistatusReader, AtMost128DeclarationsAndAttributes)
{
    auto reply = [](int declarations, int attributes) {
        std::string doc = "<D:multistatus xmlns:D='DAV:'";
        for (int i = 1; i < declarations; ++i)
            doc += " xmlns:n" + std::to_string(i) + "='urn:n" + std::to_string(i) + "'";
        doc += "><D:response><D:href>/f</D:href><D:propstat><D:prop><n1:p";
        for (int i = 0; i < attributes; ++i)
            doc += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        return doc + ">v</n1:p></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
                     "</D:multistatus>";
    };
    const Read most = ReadReply(reply(128, 128), false);
    ASSERT_EQ(most.rc, 0);
    EXPECT_EQ(most.List(), "<urn:n1p/>=v [OK]\n");
    ASSERT_EQ(most.sink.resources.size(), 1u);
    EXPECT_NE(most.sink.resources[0].find("xmlns:n127=\"urn:n127\""), std::string::npos);
    EXPECT_NE(most.sink.resources[0].find("a127='127'"), std::string::npos);

    EXPECT_EQ(ReadReply(reply(129, 0), false).rc, 200);
    EXPECT_EQ(ReadReply(reply(2, 129), false).rc, 200);
}

TEST(DavLockReply, TheLockTakenAsServersDescribeIt)
{
    const std::string apache = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:prop xmlns:D=\"DAV:\">\n"
                               "<D:lockdiscovery>\n<D:activelock>\n<D:locktype><D:write/></D:locktype>\n"
                               "<D:lockscope><D:exclusive/></D:lockscope>\n<D:depth>infinity</D:depth>\n"
                               "<ns0:owner xmlns:ns0=\"DAV:\"><ns0:href>alice &amp; co</ns0:href></ns0:owner>"
                               "<D:timeout>Second-600</D:timeout>\n<D:locktoken>\n"
                               "<D:href>opaquelocktoken:cd225082-7172-4451-a44c-816c6582d801</D:href>\n"
                               "</D:locktoken>\n</D:activelock>\n\n</D:lockdiscovery>\n</D:prop>\n";
    DavLockReply reply;
    const char* error = nullptr;
    ASSERT_EQ(ReadLockReply(apache.data(), uint32_t(apache.size()), reply, &error), 0);
    EXPECT_EQ(std::string(reply.type.CStr()), "D:write");
    EXPECT_EQ(std::string(reply.scope.CStr()), "D:exclusive");
    EXPECT_EQ(std::string(reply.owner.CStr()), "alice & co");
    EXPECT_EQ(std::string(reply.timeout.CStr()), "Second-600");
    EXPECT_EQ(std::string(reply.token.CStr()), "opaquelocktoken:cd225082-7172-4451-a44c-816c6582d801");
    EXPECT_TRUE(reply.hasType && reply.hasScope && reply.hasOwner && reply.hasTimeout && reply.hasToken);

    // lighttpd gives no owner back; a reply without a token says so.
    const std::string bare = "<D:prop xmlns:D=\"DAV:\"><D:lockdiscovery><D:activelock><D:owner></D:owner>"
                             "</D:activelock></D:lockdiscovery></D:prop>";
    DavLockReply none;
    ASSERT_EQ(ReadLockReply(bare.data(), uint32_t(bare.size()), none, &error), 0);
    EXPECT_FALSE(none.hasOwner || none.hasToken || none.hasType);

    EXPECT_EQ(ReadLockReply("<D:prop xmlns:D='DAV:'>", 23, none, &error), 206);
    EXPECT_STREQ(error, "Document contains unbalanced elements.");
}

TEST(DavRequestBodies, BodiesOfEachRequest)
{
    DavPropertyList properties;
    DavNamespaceList namespaces;
    NetString body;
    ASSERT_EQ(BuildPropfindBody(properties, namespaces, body), 0);
    EXPECT_STREQ(body.CStr(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propfind xmlns:D=\"DAV:\">"
                              "<D:allprop/></D:propfind>");

    ASSERT_EQ(namespaces.Add("Z", "urn:z?a=1&b=\"2\""), 0);
    ASSERT_EQ(namespaces.Add("Y", "urn:y"), 0);
    ASSERT_EQ(properties.Add("<Z:color/>", 10, "", 0), 0);
    ASSERT_EQ(properties.Add("<Y:size/>", 9, "", 0), 0);
    ASSERT_EQ(BuildPropfindBody(properties, namespaces, body), 0);
    EXPECT_STREQ(body.CStr(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propfind xmlns:D=\"DAV:\" "
                              "xmlns:Z=\"urn:z?a=1&amp;b=&quot;2&quot;\" xmlns:Y=\"urn:y\"><D:prop><Z:color/>"
                              "<Y:size/></D:prop></D:propfind>");

    ASSERT_EQ(properties.SetOperation(1, kDavRemove), 0);
    ASSERT_EQ(BuildPropertyUpdateBody(properties, namespaces, body), 0);
    EXPECT_STREQ(body.CStr(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propertyupdate xmlns:D=\"DAV:\" "
                              "xmlns:Z=\"urn:z?a=1&amp;b=&quot;2&quot;\" xmlns:Y=\"urn:y\">"
                              "<D:set><D:prop><Z:color/></D:prop></D:set>"
                              "<D:remove><D:prop><Y:size/></D:prop></D:remove></D:propertyupdate>");

    ASSERT_EQ(BuildPropnameBody(body), 0);
    EXPECT_STREQ(body.CStr(), "<D:propfind xmlns:D=\"DAV:\"><D:propname/></D:propfind>");

    // The owner goes out as DAV:owner, escaped.
    ASSERT_EQ(BuildLockInfoBody("exclusive", "write", "Bob <bob@example.com> & co", body), 0);
    EXPECT_STREQ(body.CStr(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:lockinfo xmlns:D=\"DAV:\">"
                              "<D:lockscope><D:exclusive/></D:lockscope><D:locktype><D:write/></D:locktype>"
                              "<D:owner><D:href>Bob &lt;bob@example.com&gt; &amp; co</D:href></D:owner>"
                              "</D:lockinfo>");
    ASSERT_EQ(BuildLockInfoBody("x:mine", "", "", body), 0);
    EXPECT_STREQ(body.CStr(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:lockinfo xmlns:D=\"DAV:\">"
                              "<D:lockscope><x:mine/></D:lockscope><D:owner><D:href></D:href></D:owner>"
                              "</D:lockinfo>");
}

} // namespace
