#!/usr/bin/python3
# A SOAP 1.1 service for the SOAP component's tests, on 127.0.0.1 only.
#   soap_service.py <port>
# Methods in the namespace "urn:KestrovaUploadService": UploadAuditResults
# (answers "OK" for the test account, a fault otherwise), TestLogin, Echo
# (returns its text and its length), Fail (always a fault) and Slow (answers
# after the given number of seconds).
import sys
import time
from wsgiref.simple_server import WSGIRequestHandler, make_server

from spyne import Application, Integer, ServiceBase, Unicode, rpc
from spyne.model.fault import Fault
from spyne.protocol.soap import Soap11
from spyne.server.wsgi import WsgiApplication

NS = "urn:KestrovaUploadService"


class UploadService(ServiceBase):
    @rpc(Unicode, Unicode, Unicode, Unicode, Unicode, _returns=Unicode)
    def UploadAuditResults(ctx, guid, uid, pwd, db, audit):
        if uid != "auditor" or pwd != "s3cret":
            raise Fault(faultcode="Client.Login", faultstring="Invalid user or password.")
        if not guid or not audit:
            raise Fault(faultcode="Client.Data", faultstring="Missing guid or audit.")
        return "OK"

    @rpc(Unicode, Unicode, _returns=Unicode)
    def TestLogin(ctx, uid, pwd):
        return "OK" if uid == "auditor" and pwd == "s3cret" else "DENIED"

    @rpc(Unicode, _returns=(Unicode, Integer), _out_variable_names=("text", "length"))
    def Echo(ctx, text):
        text = text or ""
        return text, len(text)

    @rpc(Unicode, _returns=Unicode)
    def Fail(ctx, why):
        raise Fault(faultcode="Server.Broken", faultstring="It broke: %s" % (why or ""), faultactor="urn:actor")

    @rpc(Integer, _returns=Unicode)
    def Slow(ctx, seconds):
        time.sleep(seconds or 0)
        return "late"


class QuietHandler(WSGIRequestHandler):
    def log_message(self, *args):
        pass


def main():
    port = int(sys.argv[1])
    app = Application([UploadService], tns=NS, in_protocol=Soap11(validator=None, huge_tree=True), out_protocol=Soap11())
    server = make_server("127.0.0.1", port, WsgiApplication(app, max_content_length=64 * 1024 * 1024), handler_class=QuietHandler)
    server.serve_forever()


if __name__ == "__main__":
    main()
