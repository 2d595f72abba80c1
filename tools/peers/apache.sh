#!/bin/bash
# A private apache2 on 127.0.0.1:<port>, run in the current folder (the peer's
# state folder): static files under www/ (small.txt, a 404 for anything else,
# big.bin of 20 MB made from a fixed pattern) and www/digest/ behind Digest
# authentication (realm "kestrova", user "alice", password "wonder").
#   apache.sh <port> [<size of big.bin in MB>]
set -euo pipefail
port=$1
size=${2:-20}
state=$(pwd)
mods=/usr/lib/apache2/modules
mkdir -p www/digest logs run
printf 'hello from apache\n' >www/small.txt
printf 'secret page\n' >www/digest/page.txt
/usr/bin/python3 -c "
import sys
block = bytes((i * 7 + 3) % 251 for i in range(1 << 20))
with open('www/big.bin', 'wb') as f:
    for _ in range(int(sys.argv[1])):
        f.write(block)
" "$size"
hash=$(printf 'alice:kestrova:wonder' | md5sum | cut -d' ' -f1)
printf 'alice:kestrova:%s\n' "$hash" >digest.users
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
LoadModule auth_digest_module $mods/mod_auth_digest.so
LoadModule mime_module $mods/mod_mime.so
TypesConfig /etc/mime.types
DocumentRoot "$state/www"
<Directory "$state/www">
    Require all granted
</Directory>
<Directory "$state/www/digest">
    AuthType Digest
    AuthName "kestrova"
    AuthDigestProvider file
    AuthUserFile "$state/digest.users"
    Require valid-user
</Directory>
CONF
exec /usr/sbin/apache2 -f "$state/httpd.conf" -DFOREGROUND
