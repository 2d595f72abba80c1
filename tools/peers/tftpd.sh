#!/bin/bash
# tftpd-hpa on 127.0.0.1:<port> serving the folder root/ of the current
# folder, where clients may also create files. It holds small.txt (a short
# text), exact1024.bin (1,024 bytes) and big.bin (100,000 bytes of a fixed
# pattern). Writes "ready" once it answers a read request.
#   tftpd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p root
chmod 777 root
printf 'hello from tftpd\n' >root/small.txt
/usr/bin/python3 - <<'PY'
open("root/exact1024.bin", "wb").write(bytes(range(256)) * 4)
open("root/big.bin", "wb").write(bytes((i * 7 + i // 256) & 0xFF for i in range(100000)))
PY
chmod 666 root/*
/usr/sbin/in.tftpd -L -a "127.0.0.1:$port" -s -c -p -u root "$state/root" &
server=$!
for _ in $(seq 1 100); do
    if /usr/bin/tftp 127.0.0.1 "$port" -m binary -c get small.txt /dev/null 2>/dev/null; then
        touch ready
        wait $server
        exit $?
    fi
    sleep 0.1
done
echo "in.tftpd did not answer on port $port" >&2
exit 1
