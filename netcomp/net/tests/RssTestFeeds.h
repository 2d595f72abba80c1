#pragma once
// The feed tools/peers/web_apache.sh serves as /feeds/kes.rss.
inline constexpr char kServedFeed[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rss version=\"2.0\"><channel><title>Kes test feed</title><link>http://127.0.0.1/</link>"
    "<description>test</description>\n"
    "<item><title>First item</title><link>http://127.0.0.1/1</link><guid>kes-1</guid>"
    "<pubDate>Mon, 07 Dec 2026 03:00:00 GMT</pubDate><description>one &amp; only</description></item>\n"
    "</channel></rss>\n";
