# Posts the articles of the NNTP tests to a private INN (tools/peers/inn.sh)
# as alice: three in kes.test.general (a plain one with a line that begins
# with a dot, one of 50 lines, a reply with a folded subject), and <bench>
# articles in kes.test.bench for the benchmark.
#   nntp_fill.py <port> <bench>
import io
import nntplib
import sys

port = int(sys.argv[1])
bench = int(sys.argv[2])


def article(group, message_id, subject, body, extra=""):
    head = (
        f"From: Alice <alice@kes.test>\r\nNewsgroups: {group}\r\nSubject: {subject}\r\n"
        f"Message-ID: <{message_id}@kes.test>\r\n{extra}"
    )
    return io.BytesIO((head + "\r\n" + body).encode())


with nntplib.NNTP("127.0.0.1", port, usenetrc=False) as s:
    s.login("alice", "wonder", usenetrc=False)
    g = "kes.test.general"
    s.post(article(g, "first", "Hello news", "Hello readers,\r\n.a line that begins with a dot\r\nBye\r\n",
                   "Organization: Kestrova test\r\n"))
    s.post(article(g, "fifty", "Fifty lines", "".join(f"line {i}\r\n" for i in range(1, 51))))
    s.post(article(g, "reply", "Re: Hello news\r\n\tfolded on", "Thanks\r\n", "References: <first@kes.test>\r\n"))
    for i in range(1, bench + 1):
        s.post(article("kes.test.bench", f"bench{i}", f"Benchmark article {i}",
                       f"Article {i} of the overview benchmark.\r\n"))
