#!/usr/bin/python3
# A service that is no web server, as a client that dialled the wrong port
# meets it: on connect it sends its banner line (CR LF added) and closes its
# side, then reads whatever the client sends until the client hangs up. On
# 127.0.0.1 only; one banner per port.
#   banner_server.py <port>=<banner> [<port>=<banner> ...]
# Every port is listening before the first one accepts, so a set-up that
# waits for the first port finds all of them ready.
import socket
import sys
import threading

# A client that never hangs up holds its connection this long at most.
DRAIN_SECONDS = 120


def serve_one(connection, banner):
    with connection:
        try:
            connection.sendall(banner)
            # Closing the sending side while the request is still unread
            # would make the system answer it with a reset; this way the
            # client reads the banner and an orderly end.
            connection.shutdown(socket.SHUT_WR)
            connection.settimeout(DRAIN_SECONDS)
            while connection.recv(65536):
                pass
        except OSError:
            pass


def accept_forever(listener, banner):
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve_one, args=(connection, banner), daemon=True).start()


def main():
    listeners = []
    for argument in sys.argv[1:]:
        port, banner = argument.split("=", 1)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port)))
        listeners.append((listener, (banner + "\r\n").encode()))
    # The first port last: once it accepts, all the others do.
    for listener, _ in reversed(listeners):
        listener.listen(16)
    threads = [threading.Thread(target=accept_forever, args=pair, daemon=True) for pair in listeners]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


if __name__ == "__main__":
    main()
