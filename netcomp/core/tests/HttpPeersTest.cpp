// The HTTP component against real servers: apache2 (files, 404, Digest, a
// large download checked by its MD5, a body past 2 GB), tinyproxy as a
// forward proxy with Basic credentials and as a CONNECT tunnel, dante as
// SOCKS 4 and SOCKS 5, and microsocks as SOCKS 5 with user and password.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/tests/HttpTestSupport.h"

namespace {

const std::string kSmall = "hello from apache\n";

TEST(HttpPeers, ApacheFilesAndDigest)
{
    HttpObject http;
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);
    EXPECT_EQ(http.Get(Url(kApachePort, "/missing.txt")), 151);
    EXPECT_EQ(http.Error(), "Not Found");
    ASSERT_EQ(http.Do(kHttpMethodHead, Url(kApachePort, "/small.txt").c_str()), 0);
    EXPECT_EQ(http.Data(), "");

    // With KeepAlive the second request goes over the first one's connection.
    ASSERT_EQ(http.Config("KeepAlive=true"), "");
    http.events.clear();
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);
    EXPECT_EQ(http.Count(kHttpEventConnected), 1);
    ASSERT_EQ(http.Config("KeepAlive=false"), "");

    // Digest: the first request draws the challenge, the retry answers it.
    ASSERT_EQ(http.SetInt(kHttpAuthScheme, 1), 0);
    ASSERT_EQ(http.Set(kHttpUser, "alice"), 0);
    ASSERT_EQ(http.Set(kHttpPassword, "wonder"), 0);
    http.events.clear();
    ASSERT_EQ(http.Get(Url(kApachePort, "/digest/page.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "secret page\n");
    EXPECT_EQ(http.Count(kHttpEventStatus), 2);
    EXPECT_EQ(http.Text(kHttpAuthorization).rfind("Digest username=\"alice\", realm=\"kestrova\"", 0), 0u);

    ASSERT_EQ(http.Set(kHttpPassword, "wrong"), 0);
    http.events.clear();
    EXPECT_EQ(http.Get(Url(kApachePort, "/digest/page.txt")), 151);
    EXPECT_EQ(http.Error(), "Unauthorized");
    EXPECT_EQ(http.Count(kHttpEventStatus), 2); // no third request
}

TEST(HttpPeers, LargeDownloadToLocalFile)
{
    HttpObject http;
    ASSERT_EQ(http.Set(kHttpLocalFile, "big.bin"), 0);
    ASSERT_EQ(http.Get(Url(kApachePort, "/big.bin")), 0) << http.Error();
    std::ifstream file("big.bin", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 20u << 20);
    // The same pattern apache.sh wrote, hashed here.
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = char((i * 7 + 3) % 251);
    Md5 expected, got;
    for (int i = 0; i < 20; ++i)
        expected.Update(block.data(), block.size());
    got.Update(bytes.data(), bytes.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got.Final()), 16),
              std::string(reinterpret_cast<const char*>(expected.Final()), 16));
}

// A body past 2 GB (2,400,000,000 zero bytes): the Transfer events count it
// to its end, to TransferredData (which keeps only its first bytes) and to a
// LocalFile alike, and the file holds it all.
TEST(HttpPeers, BodyPastTwoGigabytes)
{
    constexpr INT_PTR kSize = 2400000000;
    HttpObject http;
    auto lastCount = [&http] {
        INT_PTR count = -1;
        for (const RecordedEvent& e : http.events)
            if (e.event == kHttpEventTransfer && e.values.size() >= 2 && e.values[0] == 1)
                count = e.values[1];
        return count;
    };
    ASSERT_EQ(http.Config("MaxTransferredData=16"), "");
    ASSERT_EQ(http.Get(Url(kApachePort, "/huge.bin")), 0) << http.Error();
    EXPECT_EQ(http.Data(), std::string(16, '\0'));
    EXPECT_EQ(lastCount(), kSize);

    http.events.clear();
    ASSERT_EQ(http.Set(kHttpLocalFile, "huge.bin"), 0);
    const int rc = http.Get(Url(kApachePort, "/huge.bin"));
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    const bool found = GetFileAttributesExA("huge.bin", GetFileExInfoStandard, &file);
    DeleteFileA("huge.bin");
    ASSERT_EQ(rc, 0) << http.Error();
    EXPECT_EQ(lastCount(), kSize);
    ASSERT_TRUE(found);
    EXPECT_EQ((INT_PTR(file.nFileSizeHigh) << 32) | file.nFileSizeLow, kSize);
}

TEST(HttpPeers, ProxiesAndFirewalls)
{
    HttpObject http;
    // tinyproxy as a forward proxy: absolute request form, Basic credentials.
    ASSERT_EQ(http.Set(kHttpProxyServer, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpProxyPort, kTinyproxyPort), 0);
    EXPECT_EQ(http.Get(Url(kApachePort, "/small.txt")), 151);
    ASSERT_EQ(http.Set(kHttpProxyUser, "proxyuser"), 0);
    ASSERT_EQ(http.Set(kHttpProxyPassword, "proxypass"), 0);
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);
    ASSERT_EQ(http.Set(kHttpProxyServer, ""), 0);

    // tinyproxy's CONNECT tunnel; the proxy credentials are the firewall's.
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 1), 0);
    ASSERT_EQ(http.Set(kHttpFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kTinyproxyPort), 0);
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);

    // dante: SOCKS 4, and SOCKS 5 with the address and with the name form.
    for (int kind : {2, 3}) {
        ASSERT_EQ(http.SetInt(kHttpFirewallType, kind), 0);
        ASSERT_EQ(http.Set(kHttpFirewallUser, ""), 0);
        ASSERT_EQ(http.Set(kHttpFirewallPassword, ""), 0);
        ASSERT_EQ(http.SetInt(kHttpFirewallPort, kDantePort), 0);
        ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << kind << " " << http.Error();
        EXPECT_EQ(http.Data(), kSmall);
    }
    ASSERT_EQ(http.Get("http://*localhost:20401/small.txt"), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);

    // microsocks: SOCKS 5 with user and password; a wrong password is refused.
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kMicrosocksPort), 0);
    ASSERT_EQ(http.Set(kHttpFirewallUser, "sockuser"), 0);
    ASSERT_EQ(http.Set(kHttpFirewallPassword, "sockpass"), 0);
    ASSERT_EQ(http.Get(Url(kApachePort, "/small.txt")), 0) << http.Error();
    EXPECT_EQ(http.Data(), kSmall);
    ASSERT_EQ(http.Set(kHttpFirewallPassword, "nope"), 0);
    EXPECT_EQ(http.Get(Url(kApachePort, "/small.txt")), 118);
    EXPECT_EQ(http.Error().rfind("firewall authentication failed: ", 0), 0u);
}

} // namespace
