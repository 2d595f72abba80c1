#!/usr/bin/python3
# Debian's pyftpdlib as an FTP server on 127.0.0.1:<port>, with its state in
# the current folder: the user "alice" (password "wonder") whose home is
# ./home/alice, with every right; passive data ports <low>..<high>. In active
# mode it connects to the client as soon as it has the PORT command, before
# any STOR, so it finds a client that sends an upload too early.
#   pyftpd.py <port> <low> <high>
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port, low, high = (int(a) for a in sys.argv[1:4])
home = os.path.join(os.getcwd(), "home", "alice")
os.makedirs(home, exist_ok=True)
logging.basicConfig(filename="pyftpd.log", level=logging.INFO)

authorizer = DummyAuthorizer()
authorizer.add_user("alice", "wonder", home, perm="elradfmwMT")
handler = FTPHandler
handler.authorizer = authorizer
handler.passive_ports = range(low, high + 1)
FTPServer(("127.0.0.1", port), handler).serve_forever()
