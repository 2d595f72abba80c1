# An SMTP server for the mail components' tests, on aiosmtpd (Debian
# python3-aiosmtpd), 127.0.0.1:<port>, run in its state folder.
#
#   /usr/bin/python3 smtp_peer.py <port> [--discard]
#
# With --discard (for the benchmarks) each message is only counted and its
# size added to mail/received: nothing is parsed or stored.
# AUTH LOGIN and PLAIN (built in) and CRAM-MD5 for "alice"/"wonder" without
# TLS; a recipient whose mailbox begins with "refused" gets 550; VRFY knows
# ann@kes.test; EXPN "staff" lists two addresses; SAML, SOML and SEND are
# taken like MAIL. Each message is stored as mail/<n>.eml (the bytes the
# client sent, dot-stuffing undone) with mail/<n>.txt beside it: the envelope
# and what Python's email package makes of the message, one fact a line:
#
#   verb MAIL | from <address> | to <address> ... | auth <user or ->
#   defects <n>
#   header <Name>: <value>            (each top-level header, unfolded)
#   part <depth> <content type> cid=<id> file=<name> disposition=<d> md5=<md5 of the decoded payload>
#
# Facts are written in that order; multipart parts have no md5.
import asyncio
import email
import email.policy
import hashlib
import hmac
import os
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword

USERS = {b"alice": b"wonder"}


class KesSMTP(SMTP):
    async def smtp_EXPN(self, arg):
        if arg and arg.strip().lower() == "staff":
            await self.push("250-Ann Example <ann@kes.test>")
            await self.push("250 <bob@kes.test>")
        else:
            await self.push("550 5.1.1 No such list")

    async def _mail_as(self, verb, arg):
        self.envelope.verb = verb
        await self.smtp_MAIL(arg)

    async def smtp_SAML(self, arg):
        await self._mail_as("SAML", arg)

    async def smtp_SOML(self, arg):
        await self._mail_as("SOML", arg)

    async def smtp_SEND(self, arg):
        await self._mail_as("SEND", arg)


class KesController(Controller):
    def factory(self):
        return KesSMTP(self.handler, **self.SMTP_kwargs)


def describe(message, lines, depth=0):
    cid = (message.get("Content-Id") or "").strip()
    disposition = message.get_content_disposition() or ""
    name = message.get_filename() or ""
    fact = f"part {depth} {message.get_content_type()} cid={cid} file={name} disposition={disposition}"
    if message.is_multipart():
        lines.append(fact)
        for sub in message.get_payload():
            describe(sub, lines, depth + 1)
    else:
        payload = message.get_payload(decode=True) or b""
        lines.append(fact + f" md5={hashlib.md5(payload).hexdigest()}")


class Handler:
    def __init__(self, folder, discard=False):
        self.folder, self.n, self.discard, self.size = folder, 0, discard, 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_VRFY(self, server, session, envelope, address):
        if address.lower() == "ann@kes.test":
            return "250 Ann Example <ann@kes.test>"
        return "550 5.1.1 Unknown user"

    async def handle_DATA(self, server, session, envelope):
        self.n += 1
        if self.discard:
            self.size += len(envelope.original_content)
            with open(os.path.join(self.folder, "received"), "w") as f:
                f.write(f"{self.n} {self.size}\n")
            return "250 OK discarded"
        raw = envelope.original_content
        message = email.message_from_bytes(raw, policy=email.policy.compat32)
        user = session.auth_data.decode() if isinstance(session.auth_data, bytes) else "-"
        lines = [
            f"verb {getattr(envelope, 'verb', 'MAIL')}",
            f"from {envelope.mail_from}",
            "to " + " ".join(envelope.rcpt_tos),
            f"auth {user}",
            f"defects {len(message.defects)}",
        ]
        for name, value in message.items():
            lines.append(f"header {name}: {' '.join(value.split())}")
        describe(message, lines)
        base = os.path.join(self.folder, str(self.n))
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        with open(base + ".txt", "w") as f:
            f.write("\n".join(lines) + "\n")
        return "250 OK stored"

    async def auth_CRAM__MD5(self, server, args):  # "CRAM__MD5" -> mechanism CRAM-MD5
        challenge = f"<{os.getpid()}.{time.time_ns()}@kes.test>".encode()
        reply = await server.challenge_auth(challenge, encode_to_b64=True)
        if reply is MISSING:
            return AuthResult(success=False, handled=False)
        user, _, digest = reply.partition(b" ")
        good = USERS.get(user)
        ok = good is not None and hmac.compare_digest(hmac.new(good, challenge, hashlib.md5).hexdigest().encode(), digest)
        return AuthResult(success=ok, handled=False, auth_data=user if ok else None)


def authenticator(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword) and USERS.get(auth_data.login) == auth_data.password:
        return AuthResult(success=True, auth_data=auth_data.login)
    return AuthResult(success=False, handled=False)


def main():
    port = int(sys.argv[1])
    folder = os.path.join(os.getcwd(), "mail")
    os.makedirs(folder, exist_ok=True)
    controller = KesController(Handler(folder, "--discard" in sys.argv[2:]), hostname="127.0.0.1", port=port, authenticator=authenticator,
                               auth_require_tls=False, auth_required=False, data_size_limit=0)
    controller.start()
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
