"""Fills the maildirs of the private dovecot (tools/peers/dovecot.sh).

    mail_fill.py <mail folder> [<bench messages> <bench KB> <big MB>]

Users alice (the IMAP tests) and pat (the POP tests) get the same four
messages in their INBOX; dan gets one message to delete. With the bench
arguments, user bench gets <bench messages> messages of <bench KB> KB and
user big one message of <big MB> MB. File names carry increasing times, so
the server numbers the messages in the order written here.
"""
import os
import sys

PLAIN = b"""Date: Mon, 12 Jan 2004 08:05:09 +0100
From: "Bob Builder" <bob@kes.test>
To: alice@kes.test, Carol <carol@kes.test>
Cc: dan@kes.test
Subject: Plain hello
 folded on
Message-ID: <plain1@kes.test>
MIME-Version: 1.0
Content-Type: text/plain; charset=us-ascii

Hello Alice,
.a line that begins with a dot
Bye
"""

MIXED = b"""Date: Sun, 11 Jan 2004 23:30:00 -0500
From: carol@kes.test
Reply-To: Carol Reply <reply@kes.test>
To: alice@kes.test
Subject: Alternatives and a file
Message-ID: <mixed2@kes.test>
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="outer"

--outer
Content-Type: multipart/alternative; boundary="inner"

--inner
Content-Type: text/plain; charset=us-ascii

plain part
--inner
Content-Type: text/html; charset=us-ascii

<p>html part</p>
--inner--

--outer
Content-Type: application/octet-stream; name="data.bin"
Content-Transfer-Encoding: base64
Content-Disposition: attachment; filename="data.bin"

AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v
MDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5f
--outer--
"""

QP = b"""Date: Sat, 10 Jan 2004 10:00:00 GMT
From: dan@kes.test
To: alice@kes.test
Subject: Quoted printable
Message-ID: <qp3@kes.test>
MIME-Version: 1.0
Content-Type: text/plain; charset=utf-8
Content-Transfer-Encoding: quoted-printable

caf=C3=A9 =3D equals
soft=
 break
"""

FORWARD = b"""Date: Tue, 13 Jan 2004 12:00:00 +0000
From: eve@kes.test
To: alice@kes.test
Bcc: hidden@kes.test
Subject: Forwarded message
In-Reply-To: <plain1@kes.test>
Message-ID: <fwd4@kes.test>
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="fwd"

--fwd
Content-Type: text/plain; charset=us-ascii

see below
--fwd
Content-Type: message/rfc822

From: inner@kes.test
Subject: Inner
Content-Type: text/plain; charset=us-ascii

inner text
--fwd--
"""

MESSAGES = [PLAIN, MIXED, QP, FORWARD]


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def write_maildir(folder, user, messages):
    box = os.path.join(folder, user, "Maildir")
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(box, sub), exist_ok=True)
    for i, data in enumerate(messages):
        name = "%d.M%dP1.kes" % (1000000000 + i, i)
        with open(os.path.join(box, "new", name), "wb") as f:
            f.write(data)


def bench_message(i, size):
    head = ("Date: Mon, 12 Jan 2004 08:05:09 +0000\r\nFrom: bench@kes.test\r\nTo: bench@kes.test\r\n"
            "Subject: bench %d\r\nMessage-ID: <bench%d@kes.test>\r\n\r\n" % (i, i)).encode()
    line = (b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789" + b"\r\n")
    body = line * (size // len(line) + 1)
    return head + body[: max(0, size - len(head))]


def main():
    folder = sys.argv[1]
    write_maildir(folder, "alice", [crlf(m) for m in MESSAGES])
    write_maildir(folder, "pat", [crlf(m) for m in MESSAGES])
    write_maildir(folder, "dan", [crlf(PLAIN)])
    if len(sys.argv) > 4:
        count, kb, mb = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
        write_maildir(folder, "bench", (bench_message(i, kb * 1024) for i in range(count)))
        write_maildir(folder, "big", [bench_message(0, mb << 20)])


main()
