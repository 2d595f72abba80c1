#!/usr/bin/python3
# Answers every HTTP request with a reply chosen by the request path, for SOAP
# replies a real service does not send, on 127.0.0.1 only. Each request is
# stored as request-<n>.txt in the current folder (head and body as received).
#   raw_reply_server.py <port>
# Paths: /empty-fault (a fault with an empty faultstring, status 500),
# /html-500 (an HTML error page, status 500), /envelope-500 (an answer that is
# no fault, with status 500), /big (a 10 MB return value),
# /echo-request (the request itself, head and body, as the text of the return
# element, which carries two attributes), /no-content (204 without a body),
# /not-modified (304 without a body), /digest (401 with a Digest challenge until the request carries a Digest
# Authorization, then an answer that names the body's method element).
import re
from xml.sax.saxutils import escape
import socketserver
import sys

ENV = "http://schemas.xmlsoap.org/soap/envelope/"


def envelope(body):
    return ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="%s"><soap:Body>%s</soap:Body>'
            "</soap:Envelope>" % (ENV, body)).encode()


def reply(status, body, content_type="text/xml; charset=utf-8", extra=""):
    head = "HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n%sConnection: close\r\n\r\n" % (
        status, content_type, len(body), extra)
    return head.encode() + body


class Handler(socketserver.StreamRequestHandler):
    count = 0

    def handle(self):
        head = b""
        while not head.endswith(b"\r\n\r\n"):
            line = self.rfile.readline()
            if not line:
                return
            head += line
        length = 0
        match = re.search(rb"\r\nContent-Length: *(\d+)", head, re.I)
        if match:
            length = int(match.group(1))
        body = self.rfile.read(length)
        Handler.count += 1
        with open("request-%d.txt" % Handler.count, "wb") as f:
            f.write(head + body)
        path = head.split(b" ")[1].decode()
        if path == "/empty-fault":
            out = reply("500 Internal Server Error", envelope(
                "<soap:Fault><faultcode>soap:Server</faultcode><faultstring></faultstring></soap:Fault>"))
        elif path == "/envelope-500":
            out = reply("500 Internal Server Error", envelope('<m:R xmlns:m="urn:r"><v>1</v></m:R>'))
        elif path == "/html-500":
            out = reply("500 Internal Server Error",
                        b"<html><head><title>Error</title></head><body><h1>Internal Server Error</h1>"
                        b"<p>Something failed<br></p></body></html>", "text/html")
        elif path == "/no-content":
            out = reply("204 No Content", b"")
        elif path == "/not-modified":
            out = reply("304 Not Modified", b"")
        elif path == "/big":
            out = reply("200 OK", envelope("<m:BigResponse xmlns:m=\"urn:big\"><r>%s</r><n>2</n></m:BigResponse>"
                                           % ("0123456789" * 1024 * 1024)))
        elif path == "/echo-request":
            request = escape((head + body).decode("latin-1"))
            out = reply("200 OK", envelope('<m:R xmlns:m="urn:r"><request kind="raw" xml:lang="en">%s</request>'
                                           "</m:R>" % request))
        elif path == "/digest":
            if b"Authorization: Digest" not in head:
                out = reply("401 Unauthorized", b"<html><body>Unauthorized</body></html>", "text/html",
                            'WWW-Authenticate: Digest realm="soap", nonce="abc123", qop="auth"\r\n')
            else:
                method = re.search(rb"<m:(\w+) ", body)
                name = method.group(1).decode() if method else "none"
                out = reply("200 OK", envelope("<m:R xmlns:m=\"urn:r\"><method>%s</method></m:R>" % name))
        else:
            out = reply("404 Not Found", b"<html>no</html>", "text/html")
        self.wfile.write(out)


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    with Server(("127.0.0.1", int(sys.argv[1])), Handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()
