#!/usr/bin/python3
# A TCP peer that tells what came in and what came out of band: for each
# connection it reads until it has seen urgent data and the bytes before it
# (at most 5 s), then answers "inline=<hex> oob=<hex>" with CR LF and closes.
#   urgent_peer.py <port>
import select, socket, sys, time

server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(5)
while True:
    conn, _ = server.accept()
    inline, oob = b"", b""
    deadline = time.time() + 5
    while time.time() < deadline and not (oob and inline):
        readable, _, urgent = select.select([conn], [], [conn], 0.2)
        if urgent:
            try:
                oob += conn.recv(1, socket.MSG_OOB)
            except OSError:
                pass
        if readable:
            data = conn.recv(4096)
            if not data:
                break
            inline += data
    # What came behind the urgent byte's segment.
    while select.select([conn], [], [], 0.3)[0]:
        data = conn.recv(4096)
        if not data:
            break
        inline += data
    conn.sendall(b"inline=%s oob=%s\r\n" % (inline.hex().encode(), oob.hex().encode()))
    conn.close()
