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
mkdir -p www/dav lock logs run
if [ "$files" -gt 0 ]; then
    mkdir -p www/dav/many
    for i in $(seq 0 $((files - 1))); do
        printf 'file %d\n' "$i" >"$(printf 'www/dav/many/f%04d.txt' "$i")"
    done
fi
. "$(dirname "$0")/apache-conf.sh"
{
    apache_conf "$port" auth_basic dav dav_fs dav_lock
    apache_dav_folder
} >httpd.conf
exec /usr/sbin/apache2 -f "$state/httpd.conf" -DFOREGROUND
