#!/usr/bin/python3
"""A stand-in asset server for the tests: the four methods of the upload
service on 127.0.0.1, each request recorded, each answer chosen by the test.

    asset_server.py <port>

Runs in its state folder (the current directory). Every request is appended
to requests.jsonl as {"method", "params", "decoded", "body"} (decoded: the
result XML of an upload, from its Base64 parameter; body: the envelope). The file "answer" (JSON, read at each request) says what
to answer: {"mode": "ok"} (the default: "OK" for an upload, the canned
documents for the lookups), {"mode": "text", "text": ...} (that return
value), {"mode": "fault", "text": ...} (a SOAP fault), {"mode": "emptyfault"}
(a fault with an empty faultstring, written by hand as spyne cannot),
{"mode": "slow", "delay": seconds} (the normal answer, late),
{"mode": "hold"} (the normal answer once the test has written the file
"release", which the server then deletes; at most a minute later),
{"mode": "status", "status": "404 Not Found"} (that HTTP status with an
empty body, as a web server without the service answers),
{"mode": "drop"} (the connection closed without an answer) or
{"mode": "drip", "interval": seconds, "for": seconds} (a reply that never
ends: a status line and headers, then one byte of its body every interval,
until the client hangs up or the time is over), {"mode": "headerflood",
"for": seconds} (a status line, then header lines as fast as the client
takes them) or {"mode": "bodyflood", "for": seconds} (a status line and
headers, then body bytes as fast as the client takes them), each until the
client hangs up or the time is over, or {"mode": "badchunk"} (a success
status and a chunked body whose first chunk size is no size).
"""
import base64
import io
import json
import os
import sys
import time
from wsgiref.simple_server import WSGIRequestHandler, make_server

from spyne import Application, ServiceBase, Unicode, rpc
from spyne.model.fault import Fault
from spyne.protocol.soap import Soap11
from spyne.server.wsgi import WsgiApplication

NAMESPACE = "urn:KestrovaUploadService"
SERVICE_PATH = "/Kestrova/KestrovaUpload.dll"
USER_REPLY = '<R><U f="Ann" m="B" l="Cole"/></R>'
LOOKUP_REPLY = "<R><L><l>North</l><l>South</l><l>East</l></L><D><d>Sales</d><d>IT</d></D></R>"
EMPTY_FAULT = (
    '<?xml version="1.0" encoding="UTF-8"?>'
    '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
    "<soap:Fault><faultcode>soap:Server</faultcode><faultstring></faultstring></soap:Fault>"
    "</soap:Body></soap:Envelope>"
)


# The body of the request being answered (the server answers one at a time).
current_body = ""


def answer():
    try:
        with open("answer") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {"mode": "ok"}


def hold_until_released():
    end = time.monotonic() + 60
    while not os.path.exists("release") and time.monotonic() < end:
        time.sleep(0.02)
    try:
        os.remove("release")
    except OSError:
        pass


def record(method, params):
    entry = {"method": method, "params": params, "decoded": None, "body": current_body}
    if "audit" in params and params["audit"] is not None:
        text = params["audit"]
        entry["decoded"] = base64.b64decode(text + "=" * (-len(text) % 4)).decode("utf-8", "replace")
    with open("requests.jsonl", "a") as f:
        f.write(json.dumps(entry) + "\n")


def reply(method, params, normal):
    record(method, params)
    wanted = answer()
    mode = wanted.get("mode", "ok")
    if mode == "slow":
        time.sleep(float(wanted.get("delay", 5)))
    elif mode == "hold":
        hold_until_released()
    elif mode == "text":
        return wanted.get("text", "")
    elif mode == "fault":
        raise Fault(faultcode="Server", faultstring=wanted.get("text", "fault"))
    return normal


class KestrovaUpload(ServiceBase):
    @rpc(Unicode, Unicode, Unicode, Unicode, Unicode, _returns=Unicode)
    def UploadAuditResults(ctx, guid, uid, pwd, db, audit):
        return reply("UploadAuditResults", {"guid": guid, "uid": uid, "pwd": pwd, "db": db, "audit": audit}, "OK")

    @rpc(Unicode, Unicode, Unicode, Unicode, _returns=Unicode)
    def TestLogin(ctx, guid, uid, pwd, db):
        return reply("TestLogin", {"guid": guid, "uid": uid, "pwd": pwd, "db": db}, "1")

    @rpc(Unicode, Unicode, Unicode, Unicode, Unicode, _returns=Unicode)
    def GetAssetUser(ctx, guid, uid, pwd, db, username):
        params = {"guid": guid, "uid": uid, "pwd": pwd, "db": db, "username": username}
        return reply("GetAssetUser", params, USER_REPLY)

    @rpc(Unicode, Unicode, Unicode, Unicode, _returns=Unicode)
    def GetLookupValues(ctx, guid, uid, pwd, db):
        return reply("GetLookupValues", {"guid": guid, "uid": uid, "pwd": pwd, "db": db}, LOOKUP_REPLY)


soap = WsgiApplication(
    Application([KestrovaUpload], tns=NAMESPACE, in_protocol=Soap11(validator=None), out_protocol=Soap11())
)


def service(environ, start_response):
    if environ.get("PATH_INFO") != SERVICE_PATH:
        start_response("404 Not Found", [("Content-Type", "text/plain")])
        return [b"not found"]
    global current_body
    length = int(environ.get("CONTENT_LENGTH") or 0)
    raw = environ["wsgi.input"].read(length)
    current_body = raw.decode("utf-8", "replace")
    environ["wsgi.input"] = io.BytesIO(raw)
    if answer().get("mode") == "status":
        record("", {"raw": current_body})
        start_response(answer().get("status", "404 Not Found"), [("Content-Length", "0")])
        return [b""]
    if answer().get("mode", "ok") == "emptyfault":
        body = current_body
        method = next((m for m in ("UploadAuditResults", "TestLogin", "GetAssetUser", "GetLookupValues") if m in body), "")
        record(method, {"raw": body})
        data = EMPTY_FAULT.encode()
        start_response("500 Internal Server Error", [("Content-Type", "text/xml"), ("Content-Length", str(len(data)))])
        return [data]
    return soap(environ, start_response)


class QuietHandler(WSGIRequestHandler):
    def log_message(self, *args):
        pass

    def handle(self):
        wanted = answer()
        if wanted.get("mode") == "drop":
            # Read the request, then hang up without a word.
            self.rfile.readline()
            self.close_connection = True
            return
        if wanted.get("mode") == "drip":
            self.drip(float(wanted.get("interval", 1)), float(wanted.get("for", 30)))
            return
        if wanted.get("mode") == "badchunk":
            self.read_request()
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                             b"zz\r\n<soap:Envelope/>\r\n0\r\n\r\n")
            self.close_connection = True
            return
        if wanted.get("mode") == "headerflood":
            self.flood(b"HTTP/1.1 200 OK\r\n", b"X-Pad: " + b"x" * 100 + b"\r\n", float(wanted.get("for", 30)))
            return
        if wanted.get("mode") == "bodyflood":
            head = b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<soap:Envelope>"
            self.flood(head, b"<x>" + b"y" * 1000 + b"</x>", float(wanted.get("for", 30)))
            return
        super().handle()

    def read_request(self):
        length = 0
        while True:
            line = self.rfile.readline()
            if line in (b"\r\n", b"\n", b""):
                break
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":", 1)[1])
        self.rfile.read(length)

    def drip(self, interval, seconds):
        self.read_request()
        end = time.monotonic() + seconds
        try:
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 1000000\r\n\r\n")
            self.wfile.flush()
            while time.monotonic() < end:
                self.wfile.write(b"<")
                self.wfile.flush()
                time.sleep(interval)
        except OSError:
            pass
        self.close_connection = True

    def flood(self, head, block, seconds):
        self.read_request()
        end = time.monotonic() + seconds
        block = block * max(1, 65536 // len(block))
        try:
            self.connection.sendall(head)
            while time.monotonic() < end:
                self.connection.sendall(block)
        except OSError:
            pass
        self.close_connection = True


if __name__ == "__main__":
    server = make_server("127.0.0.1", int(sys.argv[1]), service, handler_class=QuietHandler)
    server.serve_forever()
