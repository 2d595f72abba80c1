#!/usr/bin/python3
"""Many concurrent loopback connections that each echo lines in lockstep.

  echo_load.py client <port> <connections> <lines> [lockstep|pipelined|crowd [deadline]]
      Opens all connections at once; each sends one line, waits for it to come
      back, then sends the next (pipelined: each sends all its lines at once,
      then reads them back; crowd: as pipelined, and each closes its sending
      side at once, as a client that sends its request and closes, and reads
      the echo until the server closes). Prints "client <seconds> done=<n>
      mixed=<n> lost=<n>": done connections got every line back, mixed ones
      got a line that was not theirs, lost ones closed or failed early or had
      not ended after deadline seconds (300).
  echo_load.py server <port> <connections>
      A Python echo server (the yardstick). Ends once that many connections
      have closed; prints "server <seconds> connections=<n> peak-rss-kb=<kb>".
"""
import asyncio
import selectors
import socket
import sys
import time


def line(conn, number):
    return ("conn %04d line %03d %s\r\n" % (conn, number, "x" * (conn % 17))).encode()


def client(port, connections, lines, kind="lockstep", deadline=300):
    pipelined = kind in ("pipelined", "crowd")
    sel = selectors.DefaultSelector()
    state = {}
    start = time.monotonic()
    for i in range(connections):
        s = socket.socket()
        s.setblocking(False)
        s.connect_ex(("127.0.0.1", port))
        state[s] = {"id": i, "next": 0, "buffer": b"", "sent": False}
        sel.register(s, selectors.EVENT_WRITE)
    done = mixed = lost = 0
    open_count = connections
    deadline = start + deadline
    while open_count and time.monotonic() < deadline:
        for key, events in sel.select(timeout=1):
            s = key.fileobj
            st = state[s]
            finished = None
            try:
                if events & selectors.EVENT_WRITE and not st["sent"]:
                    if pipelined:
                        s.sendall(b"".join(line(st["id"], n) for n in range(lines)))
                        if kind == "crowd":
                            s.shutdown(socket.SHUT_WR)
                    else:
                        s.send(line(st["id"], 0))
                    st["sent"] = True
                    sel.modify(s, selectors.EVENT_READ)
                    continue
                data = s.recv(65536)
                if not data:
                    finished = "lost"
                else:
                    st["buffer"] += data
                    while finished is None and b"\r\n" in st["buffer"]:
                        got, st["buffer"] = st["buffer"].split(b"\r\n", 1)
                        if got + b"\r\n" != line(st["id"], st["next"]):
                            finished = "mixed"
                            break
                        st["next"] += 1
                        if st["next"] == lines:
                            finished = "done"
                        elif not pipelined:
                            s.send(line(st["id"], st["next"]))
            except OSError:
                finished = "lost"
            if finished:
                sel.unregister(s)
                s.close()
                open_count -= 1
                if finished == "done":
                    done += 1
                elif finished == "mixed":
                    mixed += 1
                else:
                    lost += 1
    lost += open_count
    print("client %.3f done=%d mixed=%d lost=%d" % (time.monotonic() - start, done, mixed, lost), flush=True)
    return 0 if done == connections else 1


def server(port, connections):
    closed = 0
    start = None
    finished = asyncio.Event()

    async def handle(reader, writer):
        nonlocal closed, start
        if start is None:
            start = time.monotonic()
        while True:
            data = await reader.read(65536)
            if not data:
                break
            writer.write(data)
            await writer.drain()
        writer.close()
        closed += 1
        if closed == connections:
            finished.set()

    async def main():
        srv = await asyncio.start_server(handle, "127.0.0.1", port, backlog=connections)
        print("listening", flush=True)
        async with srv:
            await finished.wait()
        peak = 0
        with open("/proc/self/status") as status:
            for text in status:
                if text.startswith("VmHWM:"):
                    peak = int(text.split()[1])
        print("server %.3f connections=%d peak-rss-kb=%d" % (time.monotonic() - start, closed, peak), flush=True)

    asyncio.run(main())
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "client":
        kind = sys.argv[5] if len(sys.argv) > 5 else "lockstep"
        deadline = float(sys.argv[6]) if len(sys.argv) > 6 else 300
        sys.exit(client(int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), kind, deadline))
    sys.exit(server(int(sys.argv[2]), int(sys.argv[3])))
