#!/usr/bin/python3
"""A hostile UDP peer on 127.0.0.1 for the datagram components' tests.

Answers the first datagram of each client with a flood of datagrams that are
not the answer: four senders on the peer's own port, each as fast as it can,
until the client's port is closed or FLOOD_SECONDS have passed. Each port
floods its own kind:
  base + 0  "<sender> <number>" texts, numbered in the order each sender sends
  base + 1  DNS answers to the query, with an id of their own
  base + 2  SNMPv2c Responses to a request id no manager uses
  base + 3  as base + 1, and the real answer amid the flood: 300 ms after the
            query, then every 100 ms while the flood lasts
Each flood that starts adds a line "<port> <client port>" to the file
"floods" in the current folder. Writes the file "ready" there once it
listens on all four ports."""
import socket
import sys
import threading
import time

FLOOD_SECONDS = 5
SENDERS = 4
base = int(sys.argv[1])

SNMP_JUNK = bytes.fromhex("301b0201010406" + b"public".hex() + "a20e02047fffff000201000201003000")


def dns_response(query, address, request_id=None):
    # The query's question answered with one A record, under its own id or
    # another.
    answer = bytearray(query)
    if request_id is not None:
        answer[0:2] = request_id
    answer[2] = 0x85
    answer[3] = 0x80
    answer[6:8] = b"\x00\x01"
    return bytes(answer) + b"\xc0\x0c\x00\x01\x00\x01\x00\x00\x00\x3c\x00\x04" + address


def dns_junk(query, sender, number):
    return dns_response(query, bytes([10, 0, (number >> 8) & 0xFF, number & 0xFF]),
                        bytes([(query[0] ^ 0x80) & 0xFF, sender]))


def dns_answer(query):
    return dns_response(query, bytes([10, 9, 8, 7]))


def junk_for(kind, request, sender, number):
    if kind == 0:
        return b"%d %d" % (sender, number)
    if kind == 2:
        return SNMP_JUNK
    return dns_junk(request, sender, number)


def flood(port, kind, request, client, sender, until):
    # A socket of its own on the peer's port, connected to the client, so
    # that a closed client port (ECONNREFUSED) ends this sender.
    s = listen(port)
    s.connect(client)
    number = 0
    try:
        while time.monotonic() < until:
            for _ in range(64):
                s.send(junk_for(kind, request, sender, number))
                number += 1
    except OSError:
        pass
    s.close()


def answer_amid(sock, request, client, until):
    time.sleep(0.3)
    while time.monotonic() < until:
        try:
            sock.sendto(dns_answer(request), client)
        except OSError:
            return
        time.sleep(0.1)


def listen(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
    sock.bind(("127.0.0.1", port))
    return sock


def serve(sock, port, kind):
    flooded = {}
    while True:
        request, client = sock.recvfrom(65535)
        now = time.monotonic()
        if flooded.get(client, 0) > now:
            continue
        until = now + FLOOD_SECONDS
        flooded[client] = until
        with open("floods", "a") as log:
            log.write("%d %d\n" % (port, client[1]))
        for sender in range(SENDERS):
            threading.Thread(target=flood, args=(port, kind, request, client, sender, until), daemon=True).start()
        if kind == 3:
            threading.Thread(target=answer_amid, args=(sock, request, client, until), daemon=True).start()


sockets = [listen(base + kind) for kind in range(4)]
for kind, sock in enumerate(sockets):
    threading.Thread(target=serve, args=(sock, base + kind, kind), daemon=True).start()
open("ready", "w").close()
while True:
    time.sleep(3600)
