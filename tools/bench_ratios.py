"""The ratios of an interleaved benchmark: the component's time over its
peer's, round by round, for the benchmark scripts (mailbox-bench.sh,
ftp-bench.sh, http-bench.sh, ipdaemon-bench.sh).

    bench_ratios.py <times file> <transfer>[:<peer>]=<label> ...

Each line of the times file is "<round> <side> <transfer> <seconds> [...]":
the side "ours" is the component, any other name a peer (curl, poplib...);
round 0 is the warm-up and is left out. For each transfer named, prints both
sides' median times and the ratios ours / peer of the rounds in which both
ran, as min / median / max with their count. The peer is the one named, or
the one other side of that transfer.
"""
import collections
import statistics
import sys


def main():
    times = collections.defaultdict(dict)  # (transfer, round) -> side -> seconds
    peers = {}
    for line in open(sys.argv[1]):
        fields = line.split()
        if len(fields) < 4 or fields[0] == "0":
            continue
        round_, side, transfer, seconds = fields[:4]
        times[transfer, round_][side] = float(seconds)
        if side != "ours":
            peers[transfer] = side
    for spec in sys.argv[2:]:
        transfer, label = spec.split("=", 1)
        transfer, _, peer = transfer.partition(":")
        peer = peer or peers.get(transfer)
        rounds = [t for (name, _), t in times.items() if name == transfer and "ours" in t and peer in t]
        if not rounds:
            print("%s no complete round" % label)
            continue
        ours = [t["ours"] for t in rounds]
        theirs = [t[peer] for t in rounds]
        ratios = sorted(t["ours"] / t[peer] for t in rounds)
        print("%s component %.3f s, %s %.3f s (medians); ratio min/median/max %.2f / %.2f / %.2f (%d)"
              % (label, statistics.median(ours), peer, statistics.median(theirs), ratios[0],
                 statistics.median(ratios), ratios[-1], len(ratios)))


main()
