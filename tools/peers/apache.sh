#!/bin/bash
# A private apache2 on 127.0.0.1:<port>, run in the current folder (the peer's
# state folder): static files under www/ (small.txt, a 404 for anything else,
# big.bin of 20 MB made from a fixed pattern, huge.bin of 2,400,000,000 zero
# bytes, a sparse file that takes no room) and www/digest/ behind Digest
# authentication (realm "kestrova", user "alice", password "wonder").
#   apache.sh <port> [<size of big.bin in MB>]
set -euo pipefail
port=$1
size=${2:-20}
state=$(pwd)
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
truncate -s 2400000000 www/huge.bin
hash=$(printf 'alice:kestrova:wonder' | md5sum | cut -d' ' -f1)
printf 'alice:kestrova:%s\n' "$hash" >digest.users
. "$(dirname "$0")/apache-conf.sh"
{
    apache_conf "$port" auth_digest
    cat <<CONF
<Directory "$state/www/digest">
    AuthType Digest
    AuthName "kestrova"
    AuthDigestProvider file
    AuthUserFile "$state/digest.users"
    Require valid-user
</Directory>
CONF
} >httpd.conf
exec /usr/sbin/apache2 -f "$state/httpd.conf" -DFOREGROUND
