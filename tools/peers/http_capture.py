#!/usr/bin/python3
"""A small scripted HTTP peer for byte-exact request checks and odd replies.

    http_capture.py <port> [--replies <folder>]

Listens on 127.0.0.1:<port>. Every request is read whole (header and, by its
Content-Length, the body) and saved as requests/<n>.bin in the current folder
(the peer's state folder); the reply depends on the path:

  /echo[...]            200, the body is the request exactly as received
  /sink                 200, the body is the length of the request body
  /status/<code>        that status with an empty body
  /continue             "100 Continue", then 200 with the body "done"
  /chunked              200 chunked; the data holds CR LF: "a\\r\\nb\\r\\n" then "\\r\\n\\r"
  /close                closes the connection before any status line
  /hang                 no answer for 5 s, then a close
  /reset                resets the connection before any status line
  /loop/a, /loop/b      302 to each other
  /redirect?to=<url>    302 to <url>
  /cookies              200 with two Set-Cookie headers
  /trickle              200 with a body, sent one byte at a time
  /keep                 200 "kept" without "Connection: close", then a close 500 ms later
  /length-short         Content-Length 10, 5 bytes, then a close
  /old-style            no status line: the body alone, then a close
  /reply/<name>         the bytes of <replies folder>/<name> as they are, then a close
  anything else         200 with the body "ok"

A connection whose first line begins "HELLO" speaks a line protocol instead
(see lines() below), for the TCP client's reply-line tests.

It also plays a firewall when the first bytes of a connection ask for one:
  CONNECT ok.test:<p>     "200 Connection established" with, in the same write,
                          the reply "HTTP/1.0 200 OK ... tunnel" for the request that follows
  CONNECT other           "407 Proxy Authentication Required"
  SOCKS 4 (byte 4)        user "reject" gets code 91; others a grant with, in the
                          same write, the reply "HTTP/1.1 200 OK ... socks4"
  SOCKS 5 (byte 5)        a greeting that offers method 2 gets 0xFF (no method);
                          the host name "refused.test" gets reply code 5; others
                          a grant with a domain-name address and, in the same
                          write, the reply "HTTP/1.1 200 OK ... socks5"
"""
import os
import socket
import socketserver
import struct
import sys
import threading
import time

REPLIES = None
COUNTER = [0]
LOCK = threading.Lock()


def save(raw):
    if len(raw) > 1 << 20:  # uploads of the benchmark: the head is enough
        raw = raw[:4096]
    with LOCK:
        COUNTER[0] += 1
        n = COUNTER[0]
    os.makedirs("requests", exist_ok=True)
    with open("requests/%03d.bin" % n, "wb") as f:
        f.write(raw)
    with open("requests/last.bin", "wb") as f:
        f.write(raw)


class Conn:
    def __init__(self, sock):
        self.sock = sock
        self.buf = bytearray()

    def more(self):
        data = self.sock.recv(1 << 20)
        if not data:
            raise EOFError
        self.buf += data

    def take(self, n):
        while len(self.buf) < n:
            self.more()
        out = bytes(self.buf[:n])
        del self.buf[:n]
        return out

    def request(self):
        while b"\r\n\r\n" not in self.buf:
            self.more()
        end = self.buf.index(b"\r\n\r\n") + 4
        head = bytes(self.buf[:end])
        length = 0
        for line in head.split(b"\r\n")[1:]:
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":", 1)[1])
        del self.buf[:end]
        body = self.take(length)
        return head + body


def reply(status, body=b"", headers=()):
    head = "HTTP/1.1 %s\r\nContent-Length: %d\r\n" % (status, len(body))
    for h in headers:
        head += h + "\r\n"
    return head.encode() + b"Connection: close\r\n\r\n" + body


def answer(conn, raw):
    """The reply to one request; None when the handler already acted."""
    line = raw.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    target = parts[1] if len(parts) > 1 else "/"
    if not target.startswith("/") and "://" in target:  # absolute form through a proxy
        target = "/" + target.split("://", 1)[1].split("/", 1)[-1]
    path, _, query = target.partition("?")
    s = conn.sock
    if path == "/sink":  # takes a body and answers with its length only
        return reply("200 OK", str(len(raw) - raw.index(b"\r\n\r\n") - 4).encode())
    if path.startswith("/echo"):
        return reply("200 OK", raw)
    if path.startswith("/status/"):
        code = path.split("/")[2]
        return reply(code + " Scripted Status")
    if path == "/continue":
        s.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
        time.sleep(0.05)
        return reply("200 OK", b"done")
    if path == "/chunked":
        return (b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                b"6\r\na\r\nb\r\n\r\n3\r\n\r\n\r\r\n0\r\n\r\n")
    if path == "/close":
        return b""
    if path == "/hang":  # no answer for 5 s, for time-outs and interruptions
        time.sleep(5)
        return b""
    if path == "/reset":
        s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return b""
    if path == "/loop/a":
        return reply("302 Found", b"", ["Location: /loop/b"])
    if path == "/loop/b":
        return reply("302 Found", b"", ["Location: /loop/a"])
    if path == "/redirect":
        return reply("302 Found", b"", ["Location: " + query.split("=", 1)[1]])
    if path == "/cookies":
        return reply("200 OK", b"c", ["Set-Cookie: a=1; Path=/p; Secure", "Set-Cookie: b=two; expires=Wed, 01 Jan 2031 00:00:00 GMT; domain=x.test"])
    if path == "/trickle":
        for byte in reply("200 OK", b"slowly"):
            s.sendall(bytes([byte]))
            time.sleep(0.005)
        return None
    if path == "/keep":  # a reply that lets the connection live, then a close 500 ms later
        s.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nkept")
        time.sleep(0.5)
        return None
    if path == "/length-short":
        return b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"
    if path == "/old-style":
        return b"<html>old\r\nstyle</html>"
    if path.startswith("/reply/") and REPLIES:
        with open(os.path.join(REPLIES, os.path.basename(path)), "rb") as f:
            return f.read()
    return reply("200 OK", b"ok")


def http(conn, prefix=b""):
    raw = conn.request()
    save(raw)
    out = answer(conn, raw)
    if out:
        conn.sock.sendall(prefix + out)


def tunnel(conn):
    raw = conn.request()
    save(raw)
    if raw.startswith(b"CONNECT ok.test:"):
        # The proxy's reply and the remote host's first bytes in one write.
        conn.sock.sendall(b"HTTP/1.0 200 Connection established\r\n\r\n" + reply("200 OK", b"tunnel"))
    else:
        conn.sock.sendall(b"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n")


def socks4(conn):
    head = conn.take(8)
    user = b""
    while True:
        c = conn.take(1)
        if c == b"\0":
            break
        user += c
    save(head + user + b"\0")
    if user == b"reject":
        conn.sock.sendall(b"\0\x5b" + head[2:8])
        return
    # The grant and the remote host's first bytes in one write.
    conn.sock.sendall(b"\0\x5a" + head[2:8] + reply("200 OK", b"socks4"))
    save(conn.request())


def socks5(conn):
    """Greeting with method 2 offered: refuse all methods (0xFF). Otherwise
    grant with a domain-name bound address, and answer the request behind it."""
    head = conn.take(2)
    methods = conn.take(head[1])
    if 2 in methods:
        conn.sock.sendall(b"\x05\xff")
        return
    conn.sock.sendall(b"\x05\x00")
    req = conn.take(4)
    if req[3] == 1:
        addr = conn.take(4)
    elif req[3] == 3:
        addr = conn.take(conn.take(1)[0])
    else:
        addr = conn.take(16)
    conn.take(2)
    save(req + addr)
    if addr == b"refused.test":
        conn.sock.sendall(b"\x05\x05\x00\x01\0\0\0\0\0\0")
        return
    # The grant carries a bound name of 9 bytes; the remote host's first bytes
    # follow in the same write.
    conn.sock.sendall(b"\x05\x00\x00\x03\x09bound.tst\x00\x50" + reply("200 OK", b"socks5"))
    save(conn.request())


def lines(conn):
    """A line protocol: every line is answered "+OK <line>"; "TWO" gets two
    answer lines in one write; "LIST" gets "+OK" and a dot-ended message, "JLIST" a Japanese one."""
    while True:
        while b"\r\n" not in conn.buf:
            conn.more()
        end = conn.buf.index(b"\r\n")
        line = bytes(conn.buf[:end])
        del conn.buf[:end + 2]
        save(line)
        if line == b"TWO":
            conn.sock.sendall(b"+OK 1\r\n+OK 2\r\n")
        elif line == b"LIST":
            conn.sock.sendall(b"+OK\r\nSubject: x\r\n\r\nbody\r\n..stuffed\r\n.\r\n")
        elif line == b"JLIST":
            # A Japanese message: an encoded Subject and an ISO-2022-JP body.
            jis = b"\x1b$B$\"\x1b(B"
            conn.sock.sendall(b"+OK\r\nSubject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n"
                              b"Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + jis + b"\r\n.\r\n")
        elif line == b"QUIT":
            conn.sock.sendall(b"+OK bye\r\n")
            return
        else:
            conn.sock.sendall(b"+OK " + line + b"\r\n")


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = Conn(self.request)
        try:
            conn.more()
            if conn.buf[:1] == b"\x04":
                socks4(conn)
            elif conn.buf[:1] == b"\x05":
                socks5(conn)
            elif conn.buf.startswith(b"CONNECT "):
                tunnel(conn)
            elif conn.buf.startswith(b"HELLO"):
                lines(conn)
            else:
                http(conn)
        except (EOFError, ConnectionError):
            pass


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    global REPLIES
    port = int(sys.argv[1])
    if "--replies" in sys.argv:
        REPLIES = sys.argv[sys.argv.index("--replies") + 1]
    with Server(("127.0.0.1", port), Handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()
