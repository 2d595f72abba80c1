"""Python's imaplib and poplib on the work of bench/MailFetchBench.cpp, for
tools/mailbox-bench.sh: the large message of user big (kept in memory, as these
modules do), then every message of user bench.

    mail_client_bench.py <imap port> <pop port> <messages> [fetch,fetch...]

Runs the fetches named (imap-big-file, pop-big-file, imap-messages,
pop-messages; all when none is named) and prints "<fetch> <seconds> <detail>"
per fetch, peak memory growth in kB.
"""
import imaplib
import poplib
import resource
import sys
import time


def peak_kb():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def main():
    imap_port, pop_port, messages = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    wanted = sys.argv[4].split(",") if len(sys.argv) > 4 else None
    for fetch in (imap_big_file, pop_big_file, imap_messages, pop_messages):
        if wanted is None or fetch.__name__.replace("_", "-") in wanted:
            fetch(imap_port, pop_port, messages)


def imap_big_file(imap_port, pop_port, messages):
    i = imaplib.IMAP4("127.0.0.1", imap_port)
    i.login("big", "big")
    i.select("INBOX")
    before, start = peak_kb(), time.perf_counter()
    typ, data = i.fetch("1", "(BODY.PEEK[TEXT])")
    with open("big-imap.eml", "wb") as f:
        f.write(data[0][1])
    print("imap-big-file %.3f bytes=%d peak-growth-kb=%d" % (time.perf_counter() - start, len(data[0][1]),
                                                          peak_kb() - before))
    del data
    i.logout()


def pop_big_file(imap_port, pop_port, messages):
    p = poplib.POP3("127.0.0.1", pop_port)
    p.user("big")
    p.pass_("big")
    before, start = peak_kb(), time.perf_counter()
    resp, lines, octets = p.retr(1)
    with open("big-pop.eml", "wb") as f:
        for line in lines:
            f.write(line + b"\r\n")
    print("pop-big-file %.3f bytes=%d peak-growth-kb=%d" % (time.perf_counter() - start, octets, peak_kb() - before))
    del lines
    p.quit()


def imap_messages(imap_port, pop_port, messages):
    i = imaplib.IMAP4("127.0.0.1", imap_port)
    i.login("bench", "bench")
    i.select("INBOX")
    start = time.perf_counter()
    typ, data = i.fetch("1:%d" % messages, "(BODY.PEEK[TEXT])")
    total = sum(len(d[1]) for d in data if isinstance(d, tuple))
    print("imap-messages %.3f bytes=%d" % (time.perf_counter() - start, total))
    i.logout()


def pop_messages(imap_port, pop_port, messages):
    p = poplib.POP3("127.0.0.1", pop_port)
    p.user("bench")
    p.pass_("bench")
    start = time.perf_counter()
    total = 0
    for n in range(1, messages + 1):
        resp, lines, octets = p.retr(n)
        total += octets
    print("pop-messages %.3f bytes=%d" % (time.perf_counter() - start, total))
    p.quit()


main()
