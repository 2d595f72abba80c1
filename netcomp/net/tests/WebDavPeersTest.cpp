// WebDAV through its exported functions against apache2 (mod_dav, mod_dav_fs,
// mod_dav_lock) on 127.0.0.1:21480 and lighttpd (mod_webdav) on
// 127.0.0.1:21481, both behind Basic authentication.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/net/tests/WebDavTestSupport.h"

namespace {

struct Server {
    const char* name;
    int port;
};

class WebDavPeers : public ::testing::TestWithParam<Server> {
protected:
    void SetUp() override
    {
        m_base = "http://127.0.0.1:" + std::to_string(GetParam().port) + "/dav/";
        ASSERT_EQ(m_dav.Set(kWebDavUser, "alice"), 0);
        ASSERT_EQ(m_dav.Set(kWebDavPassword, "wonder"), 0);
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        m_temp = std::string(temp) + "webdav-" + GetParam().name + "-";
        // Each run works in a folder of its own on the server.
        m_folder = m_base + std::to_string(GetTickCount()) + "-" + GetParam().name + "/";
        ASSERT_EQ(m_dav.Do(kWebDavMethodMakeDirectory, {m_folder}), 0) << m_dav.Error();
    }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_temp + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }
    int Put(const std::string& url, const std::string& bytes)
    {
        m_dav.Set(kWebDavLocalFile, WriteFile("put.bin", bytes).c_str());
        const int rc = m_dav.Do(kWebDavMethodPutResource, {url});
        m_dav.Set(kWebDavLocalFile, "");
        return rc;
    }

    DavObject m_dav;
    std::string m_base;
    std::string m_folder;
    std::string m_temp;
};

std::string Binary()
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += char(i * 7 % 256);
    return bytes + "<D:multistatus xmlns:D='DAV:'>&&</x>";
}

TEST_P(WebDavPeers, FilesFoldersAndProperties)
{
    const std::string file = m_folder + "f.txt";
    ASSERT_EQ(Put(file, "hello dav"), 0) << m_dav.Error();
    ASSERT_EQ(Put(m_folder + "a%26b.txt", "x"), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Do(kWebDavMethodMakeDirectory, {m_folder}), 151); // exists already
    EXPECT_EQ(m_dav.Do(kWebDavMethodMakeDirectory, {m_folder + "sub/"}), 0);

    // Two properties, one the server lacks, in a namespace of the caller's.
    ASSERT_EQ(m_dav.Do(kWebDavMethodAddNamespace, {"Z", "urn:kestrova:test"}), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodSetProperty, {"<D:getcontentlength/>", ""}), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodSetProperty, {"<Z:color/>", ""}), 0);
    ASSERT_EQ(m_dav.SetInt(kWebDavDepth, 1), 0);
    m_dav.events.Clear();
    ASSERT_EQ(m_dav.Do(kWebDavMethodFindProperties, {file}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Properties(), "<DAV:getcontentlength/> [OK]\n<urn:kestrova:testcolor/> [Not Found: ]\n");
    EXPECT_EQ(m_dav.Int(kWebDavNamespaceCount), 0);
    EXPECT_EQ(m_dav.Text(kWebDavPropertyValue, 1), "9");
    EXPECT_EQ(m_dav.Text(kWebDavPropertyValue, 2), "");
    EXPECT_EQ(WebDAV_GetLastErrorCode(m_dav.obj), 474);
    EXPECT_EQ(m_dav.Error(), "Not Found: ");
    std::string value;
    EXPECT_EQ(m_dav.Ask(kWebDavMethodGetProperty, "<DAV:getcontentlength/>", value), 0);
    EXPECT_EQ(value, "9");
    EXPECT_EQ(m_dav.Ask(kWebDavMethodGetProperty, "<DAV:nothing/>", value), 472);
    ASSERT_EQ(m_dav.events.Of(kWebDavEventResourceProperties).size(), 1u);
    EXPECT_EQ(m_dav.events.Of(kWebDavEventResourceProperties)[0].texts[0], file.substr(file.find("/dav/")));

    // A binary body after the PROPFIND comes back whole.
    const std::string bytes = Binary();
    ASSERT_EQ(Put(file, bytes), 0);
    m_dav.events.Clear();
    ASSERT_EQ(m_dav.Do(kWebDavMethodGetResource, {file}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Data(), bytes);
    EXPECT_TRUE(m_dav.events.Of(kWebDavEventResourceProperties).empty());
    EXPECT_EQ(m_dav.events.Of(kWebDavEventStartTransfer).size(), 1u);
    EXPECT_EQ(m_dav.events.Of(kWebDavEventEndTransfer).size(), 1u);
    const std::string copy = m_temp + "get.bin";
    ASSERT_EQ(m_dav.Set(kWebDavLocalFile, copy.c_str()), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodGetResource, {file}), 0);
    ASSERT_EQ(m_dav.Set(kWebDavLocalFile, ""), 0);
    FILE* f = std::fopen(copy.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string got(bytes.size() + 10, '\0');
    got.resize(std::fread(&got[0], 1, got.size(), f));
    std::fclose(f);
    EXPECT_EQ(got, bytes);

    // A property set, read back raw, and removed.
    ASSERT_EQ(m_dav.Do(kWebDavMethodAddNamespace, {"Z", "urn:kestrova:test"}), 0);
    ASSERT_EQ(m_dav.SetInt(kWebDavPropertyCount, 0), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodSetProperty, {"<Z:color>red &amp; blue</Z:color>", ""}), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodPatchProperties, {file}), 0) << m_dav.Error();
    // apache2 answers with a multistatus, lighttpd with 204 and no body.
    EXPECT_EQ(m_dav.Properties(), m_dav.Int(kWebDavPropertyCount) ? "<urn:kestrova:testcolor/> [OK]\n" : "");
    ASSERT_EQ(m_dav.SetInt(kWebDavPropertyCount, 0), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodAddNamespace, {"Z", "urn:kestrova:test"}), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodSetProperty, {"<Z:color/>", ""}), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodFindProperties, {file}), 0);
    EXPECT_EQ(m_dav.Text(kWebDavPropertyValue, 1), "red &amp; blue");

    ASSERT_EQ(m_dav.Do(kWebDavMethodFindPropertyNames, {file}), 0);
    // lighttpd names its own properties without their namespace.
    EXPECT_NE(m_dav.Properties().find("getcontentlength/> [OK]"), std::string::npos) << m_dav.Properties();
    EXPECT_NE(m_dav.Properties().find("<urn:kestrova:testcolor/> [OK]"), std::string::npos) << m_dav.Properties();

    // One directory entry per resource, names as they are on the server.
    ASSERT_EQ(m_dav.SetInt(kWebDavDepth, 2), 0);
    m_dav.events.Clear();
    ASSERT_EQ(m_dav.Do(kWebDavMethodListDirectory, {m_folder}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Int(kWebDavPropertyCount), 0);
    std::string listing;
    for (const RecordedEvent& e : m_dav.events.Of(kWebDavEventDirList)) {
        const std::string href = e.texts[0].substr(e.texts[0].rfind('/', e.texts[0].size() - 2) + 1);
        listing += href + "|" + e.texts[3] + "|" + e.texts[4].substr(0, 10) + "\n";
    }
    EXPECT_NE(listing.find("f.txt|" + std::to_string(bytes.size()) + "|"), std::string::npos) << listing;
    // apache2 writes the name "a&b.txt" as "a&amp;b.txt", lighttpd escapes it as "a%26b.txt".
    EXPECT_NE(listing.find(GetParam().port == 21480 ? "\na&b.txt|1|text/plain" : "\na%26b.txt|1|text/plain"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("sub/|"), std::string::npos) << listing;

    // Copies and moves, then the folder goes.
    ASSERT_EQ(m_dav.SetInt(kWebDavDepth, 0), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodCopyResource, {file, m_folder + "copy.txt"}), 0) << m_dav.Error();
    ASSERT_EQ(m_dav.Do(kWebDavMethodMoveResource, {m_folder + "copy.txt", m_folder + "sub/moved.txt"}), 0)
        << m_dav.Error();
    ASSERT_EQ(m_dav.Do(kWebDavMethodGetResource, {m_folder + "sub/moved.txt"}), 0);
    EXPECT_EQ(m_dav.Data(), bytes);
    EXPECT_EQ(m_dav.Do(kWebDavMethodGetResource, {m_folder + "copy.txt"}), 151);
    EXPECT_EQ(m_dav.Text(kWebDavStatusLine).substr(9, 3), "404");
    EXPECT_EQ(m_dav.Do(kWebDavMethodDeleteResource, {m_folder}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Do(kWebDavMethodGetResource, {file}), 151);

    // Without credentials the server refuses.
    ASSERT_EQ(m_dav.Set(kWebDavPassword, ""), 0);
    ASSERT_EQ(m_dav.Set(kWebDavUser, ""), 0);
    EXPECT_EQ(m_dav.Do(kWebDavMethodMakeDirectory, {m_folder}), 151);
    EXPECT_EQ(m_dav.Text(kWebDavStatusLine).substr(9, 3), "401");
}

TEST_P(WebDavPeers, Locks)
{
    const std::string file = m_folder + "locked.txt";
    ASSERT_EQ(Put(file, "before"), 0);
    ASSERT_EQ(m_dav.Set(kWebDavLockOwner, "Alice <alice@kes.test> & co"), 0);
    ASSERT_EQ(m_dav.Set(kWebDavLockScope, "exclusive"), 0);
    ASSERT_EQ(m_dav.Set(kWebDavLockType, "write"), 0);
    ASSERT_EQ(m_dav.SetInt(kWebDavLockTimeout, 60), 0);
    ASSERT_EQ(m_dav.Do(kWebDavMethodLockResource, {file}), 0) << m_dav.Error();
    const std::string token = m_dav.Text(kWebDavLockTokens);
    EXPECT_FALSE(token.empty());
    EXPECT_EQ(m_dav.Int(kWebDavLockTimeout), 60);
    EXPECT_EQ(m_dav.Text(kWebDavLockType), "D:write");
    EXPECT_EQ(m_dav.Text(kWebDavLockScope), "D:exclusive");
    EXPECT_EQ(m_dav.Text(kWebDavLockOwner), "Alice <alice@kes.test> & co");

    // Others are kept out; the token's holder gets in.
    DavObject other;
    other.Set(kWebDavUser, "alice");
    other.Set(kWebDavPassword, "wonder");
    EXPECT_EQ(other.Do(kWebDavMethodDeleteResource, {file}), 151);
    EXPECT_EQ(other.Text(kWebDavStatusLine).substr(9, 3), "423");
    ASSERT_EQ(m_dav.Set(kWebDavOtherHeaders, ("If: (<" + token + ">)").c_str()), 0);
    EXPECT_EQ(Put(file, "after"), 0) << m_dav.Error();
    ASSERT_EQ(m_dav.Set(kWebDavOtherHeaders, ""), 0);

    // A refresh sends the token and no body.
    ASSERT_EQ(m_dav.SetInt(kWebDavLockTimeout, 120), 0);
    EXPECT_EQ(m_dav.Do(kWebDavMethodLockResource, {file}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Text(kWebDavLockTokens), token);

    ASSERT_EQ(m_dav.Set(kWebDavOtherHeaders, "X-Kestrova: 1"), 0);
    EXPECT_EQ(m_dav.Do(kWebDavMethodUnLockResource, {file}), 0) << m_dav.Error();
    EXPECT_NE(m_dav.Do(kWebDavMethodUnLockResource, {file}), 0);
    EXPECT_EQ(m_dav.Text(kWebDavOtherHeaders), "X-Kestrova: 1");
    EXPECT_EQ(other.Do(kWebDavMethodDeleteResource, {file}), 0) << other.Error();

    // A lock on a name not yet taken makes the resource (201 or 200).
    ASSERT_EQ(m_dav.Set(kWebDavLockTokens, ""), 0);
    ASSERT_EQ(m_dav.SetInt(kWebDavLockTimeout, -1), 0);
    EXPECT_EQ(m_dav.Do(kWebDavMethodLockResource, {m_folder + "new.txt"}), 0) << m_dav.Error();
    EXPECT_FALSE(m_dav.Text(kWebDavLockTokens).empty());
    EXPECT_EQ(m_dav.Do(kWebDavMethodUnLockResource, {m_folder + "new.txt"}), 0) << m_dav.Error();
    EXPECT_EQ(m_dav.Do(kWebDavMethodDeleteResource, {m_folder}), 0) << m_dav.Error();
}

INSTANTIATE_TEST_SUITE_P(Servers, WebDavPeers, ::testing::Values(Server{"apache", 21480}, Server{"lighttpd", 21481}),
                         [](const ::testing::TestParamInfo<Server>& info) { return std::string(info.param.name); });

} // namespace
