#!/usr/bin/python3
"""A peer that does not end on SIGTERM to its process group, as innd does,
and leaves a helper in a session of its own, as ejabberd leaves epmd: the
pattern for fixtures that need a stop command (tools/peer.sh).

    stubborn_peer.py serve <port> <helper port>
        Answers "pong" to "ping" on 127.0.0.1:<port>; its helper listens on
        <helper port>. Both write their process ids to server.pid and
        helper.pid in the current folder. "shutdown" stops the helper, then
        the server.
    stubborn_peer.py stop <port>
        Sends "shutdown" and waits for the server's "bye".
"""
import os
import signal
import socket
import sys


def listener(port):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen(5)
    return s


def lines(conn):
    buf = b""
    while True:
        data = conn.recv(1024)
        if not data:
            return
        buf += data
        while b"\n" in buf:
            line, buf = buf.split(b"\n", 1)
            yield line.strip()


def answer_lines(port, answer):
    """Answers every line of every connection with answer(line), which gives
    the reply and whether it was the last."""
    with listener(port) as s:
        while True:
            conn, _ = s.accept()
            with conn:
                for line in lines(conn):
                    reply, last = answer(line)
                    conn.sendall(reply)
                    if last:
                        return


def helper(port):
    os.setsid()
    with open("helper.pid", "w") as f:
        f.write(str(os.getpid()))
    answer_lines(port, lambda line: (b"stopped\n", True) if line == b"stop" else (b"helper\n", False))


def serve(port, helper_port):
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    with open("server.pid", "w") as f:
        f.write(str(os.getpid()))
    child = os.fork()
    if child == 0:
        helper(helper_port)
        os._exit(0)

    def answer(line):
        if line != b"shutdown":
            return b"pong\n", False
        with socket.create_connection(("127.0.0.1", helper_port), timeout=5) as h:
            h.sendall(b"stop\n")
            h.recv(64)
        os.waitpid(child, 0)
        return b"bye\n", True

    answer_lines(port, answer)


def stop(port):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(b"shutdown\n")
        s.settimeout(10)
        s.recv(64)


if __name__ == "__main__":
    if sys.argv[1] == "serve":
        serve(int(sys.argv[2]), int(sys.argv[3]))
    else:
        stop(int(sys.argv[2]))
