"""Python's nntplib on the work of bench/NewsSmsBench.cpp (overview), for
tools/news-sms-bench.sh: XOVER of the whole of one group of a private INN, as
alice, <rounds> times on one connection.

    nntp_overview_bench.py <port> <group> <rounds>

Prints "overview <seconds> lines=<n> subject-bytes=<n>" per round and the
growth of peak memory in kB.
"""
import nntplib
import resource
import sys
import time


def main():
    port, group, rounds = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    with nntplib.NNTP("127.0.0.1", port, usenetrc=False) as s:
        s.login("alice", "wonder", usenetrc=False)
        _, _, first, last, _ = s.group(group)
        before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
        for _ in range(rounds):
            start = time.perf_counter()
            _, lines = s.xover(first, last)
            seconds = time.perf_counter() - start
            subjects = sum(len(fields["subject"].encode()) for _, fields in lines)
            print("overview %.3f lines=%d subject-bytes=%d peak-growth-kb=%d" % (
                seconds, len(lines), subjects, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before))


main()
