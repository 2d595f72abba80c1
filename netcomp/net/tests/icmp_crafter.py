# Crafted ICMP messages for the ICMPPort tests, sent from a raw socket to the
# client's own address inside the test's network namespace, every 100 ms for
# at most five minutes: type 42 code 7 with a correct checksum ("good-sum")
# and type 42 code 8 with a wrong one ("bad-sum!").
import socket
import sys
import time


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(int.from_bytes(data[i:i + 2], "big") for i in range(0, len(data), 2))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (~total) & 0xFFFF


def message(type_, code, body, good):
    raw = bytes([type_, code, 0, 0]) + body
    value = checksum(raw)
    if not good:
        value ^= 0x5A5A
    return raw[:2] + value.to_bytes(2, "big") + raw[4:]


target = sys.argv[1]
s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
for _ in range(3000):
    s.sendto(message(42, 7, b"good-sum", True), (target, 0))
    s.sendto(message(42, 8, b"bad-sum!", False), (target, 0))
    time.sleep(0.1)
