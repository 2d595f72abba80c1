#!/usr/bin/python3
"""UDP peer for the datagram tests, on 127.0.0.1 only.

Echoes every datagram to its sender, except commands:
  "BIG <n>"  answers with one datagram of n bytes "x"
  "MANY <n>" answers with n datagrams "1" .. "n"
Writes the file "ready" in the current folder once it listens."""
import socket
import sys

port = int(sys.argv[1])
sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sock.bind(("127.0.0.1", port))
open("ready", "w").close()
while True:
    data, sender = sock.recvfrom(65535)
    words = data.split()
    if len(words) == 2 and words[0] == b"BIG":
        sock.sendto(b"x" * int(words[1]), sender)
    elif len(words) == 2 and words[0] == b"MANY":
        for i in range(1, int(words[1]) + 1):
            sock.sendto(str(i).encode(), sender)
    else:
        sock.sendto(data, sender)
