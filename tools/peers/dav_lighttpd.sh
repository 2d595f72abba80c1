#!/bin/bash
# A private lighttpd with mod_webdav on 127.0.0.1:<port>, run in the current
# folder (the peer's state folder): /dav/ is a DAV folder whose properties and
# locks live in an SQLite database, behind Basic authentication, user "alice",
# password "wonder".
#   dav_lighttpd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mods=/usr/lib/lighttpd
mkdir -p www/dav db logs
chmod -R a+rwX www db
printf 'alice:wonder\n' >plain.users
cat >lighttpd.conf <<CONF
server.modules = ("mod_auth", "mod_authn_file", "mod_webdav")
server.module-directory = "$mods"
server.document-root = "$state/www"
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$state/logs/error.log"
server.upload-dirs = ("$state/db")
mimetype.assign = (".txt" => "text/plain", ".bin" => "application/octet-stream")
auth.backend = "plain"
auth.backend.plain.userfile = "$state/plain.users"
\$HTTP["url"] =~ "^/dav(\$|/)" {
    webdav.activate = "enable"
    webdav.sqlite-db-name = "$state/db/webdav.db"
    auth.require = ("/dav" => ("method" => "basic", "realm" => "kestrova dav", "require" => "valid-user"))
}
CONF
exec /usr/sbin/lighttpd -D -f "$state/lighttpd.conf"
