#!/bin/bash
# A private apache2 for the web form, upload and RSS components on
# 127.0.0.1:<port>, run in the current folder (the peer's state folder):
#   /cgi-bin/form.py   answers a form post with what it read (form_echo.py)
#   /cgi-bin/sink.py   reads a body of any size and answers its length and SHA-256
#   /feeds/kes.rss     a feed, served as application/rss+xml
#   /feeds/broken.rss  a feed whose elements do not nest
#   /dav/              a WebDAV folder (PUT of feeds) behind Basic
#                      authentication, user "alice", password "wonder"
#   web_apache.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p www/feeds cgi-bin logs run
cp "$here/form_echo.py" cgi-bin/form.py
cp "$here/body_sink.py" cgi-bin/sink.py
chmod a+rx cgi-bin cgi-bin/*.py
cat >www/feeds/kes.rss <<'FEED'
<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>Kes test feed</title><link>http://127.0.0.1/</link><description>test</description>
<item><title>First item</title><link>http://127.0.0.1/1</link><guid>kes-1</guid><pubDate>Mon, 07 Dec 2026 03:00:00 GMT</pubDate><description>one &amp; only</description></item>
</channel></rss>
FEED
printf '<rss version="2.0"><channel><title>x</channel></rss>\n' >www/feeds/broken.rss
. "$here/apache-conf.sh"
{
    apache_conf "$port" auth_basic alias cgid dav dav_fs dav_lock
    cat <<CONF
AddType application/rss+xml .rss
ScriptSock "$state/run/cgid.sock"
ScriptAlias /cgi-bin/ "$state/cgi-bin/"
<Directory "$state/cgi-bin">
    Require all granted
</Directory>
CONF
    apache_dav_folder
} >httpd.conf
exec /usr/sbin/apache2 -f "$state/httpd.conf" -DFOREGROUND
