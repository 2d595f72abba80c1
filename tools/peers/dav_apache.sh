#!/bin/bash
# A private apache2 with WebDAV on 127.0.0.1:<port>, run in the current folder
# (the peer's state folder): /dav/ is a DAV folder (mod_dav, mod_dav_fs, locks
# in lock/ through mod_dav_lock's database) behind Basic authentication, user
# "alice", password "wonder". With a count, /dav/many/ starts with that many
# small files (f0000.txt ...).
#   dav_apache.sh <port> [<files in /dav/many/>]
set -euo pipefail
port=$1
files=${2:-0}
state=$(pwd)
mods=/usr/lib/apache2/modules
mkdir -p www/dav lock logs run
if [ "$files" -gt 0 ]; then
    mkdir -p www/dav/many
    for i in $(seq 0 $((files - 1))); do
        printf 'file %d\n' "$i" >"$(printf 'www/dav/many/f%04d.txt' "$i")"
    done
fi
# The server's own user writes here, whoever that is.
chmod -R a+rwX www/dav lock
printf 'alice:%s\n' "$(openssl passwd -apr1 wonder)" >basic.users
cat >httpd.conf <<CONF
ServerRoot "$state"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile $state/run/httpd.pid
DefaultRuntimeDir $state/run
Mutex file:$state/run default
ErrorLog $state/logs/error.log
LogLevel warn
LoadModule mpm_event_module $mods/mod_mpm_event.so
LoadModule authz_core_module $mods/mod_authz_core.so
LoadModule authn_core_module $mods/mod_authn_core.so
LoadModule authn_file_module $mods/mod_authn_file.so
LoadModule authz_user_module $mods/mod_authz_user.so
LoadModule auth_basic_module $mods/mod_auth_basic.so
LoadModule mime_module $mods/mod_mime.so
LoadModule dav_module $mods/mod_dav.so
LoadModule dav_fs_module $mods/mod_dav_fs.so
LoadModule dav_lock_module $mods/mod_dav_lock.so
TypesConfig /etc/mime.types
DocumentRoot "$state/www"
DavLockDB "$state/lock/davlock"
<Directory "$state/www">
    Require all granted
</Directory>
<Directory "$state/www/dav">
    Dav On
    AuthType Basic
    AuthName "kestrova dav"
    AuthUserFile "$state/basic.users"
    Require valid-user
</Directory>
CONF
exec /usr/sbin/apache2 -f "$state/httpd.conf" -DFOREGROUND
