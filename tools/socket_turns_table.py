"""The table of tools/socket-turns-bench.sh run on two libraries by turns.

    socket_turns_table.py <streams file>

Each line of the file is a library's name ("this" or "other") and a line of
socket_turns_bench's stream figures, or "machine" and a line of its figures
for the owner's timer alone. For each stream (rate, buffer) and library,
prints the median share delivered with and without the owner's timer, with
the runs' lowest and highest, the share with the timer as a part of the
share without it, the median ticks of the timer, the median and longest of
its longest gaps and the runs in which it stalled (went three periods or
more without a tick); then the same of the timer alone, whose stalls are the
machine's; then this library's median over the other's for each stream.
For an IPPort receiving a number of megabytes, with and without a timer:
each library's median time, the timer's median share of the ticks due and
its longest gap, the bytes out of place, and the median of the rounds'
ratios this / other (the runs are by turns); for peers that never stop
(IPPort, IPDaemon): the median bytes and the timer's longest gaps.
"""
import collections
import re
import statistics
import sys

LINE = re.compile(
    r"(\S+) stream (\d+)/s \d+, timer (\d+) ms, InBufferSize (\d+): ([\d.]+)% arrived \(\d+\), "
    r"\d+ out of order, (\d+) ticks of (\d+), longest timer gap (\d+) ms, (\d+) stalls"
)
BYTES = re.compile(
    r"(\S+) ipport (\d+) MB, timer (\d+) ms: ([\d.]+) s, \d+ bytes, (\d+) out of place, (\d+) ticks of (\d+), "
    r"longest timer gap (\d+) ms"
)
ENDLESS = re.compile(
    r"(\S+) (ipport endless|ipdaemon endless, \d+ clients), timer (\d+) ms: .*?(\d+) bytes.*?, (\d+) out of place, "
    r"(\d+) ticks, longest timer gap (\d+) ms"
)
ALONE = re.compile(r"machine timer (\d+) ms alone for \d+ ms: (\d+) ticks of (\d+), longest timer gap (\d+) ms, (\d+) stalls")


def timer_figures(runs):
    """The owner's timer over runs of (ticks, of, longest gap, stalls)."""
    return "ticks %g of %d, longest gap median %g ms, at most %d ms; stalled in %d of %d runs" % (
        statistics.median(r[0] for r in runs),
        runs[0][1],
        statistics.median(r[2] for r in runs),
        max(r[2] for r in runs),
        sum(1 for r in runs if r[3]),
        len(runs),
    )


def transfers(lines):
    """The IPPort transfers: per library and timer, and this / other by round."""
    times = collections.defaultdict(list)  # (megabytes, timer, lib) -> [(seconds, misplaced, ticks, due, gap)]
    for line in lines:
        found = BYTES.match(line)
        if found:
            lib, mb, timer, seconds, misplaced, ticks, due, gap = found.groups()
            times[int(mb), int(timer), lib].append((float(seconds), int(misplaced), int(ticks), int(due), int(gap)))
    for mb, timer in sorted({(k[0], k[1]) for k in times}):
        label = "a %d ms timer" % timer if timer else "no timer"
        print("IPPort receiving %d MB, %s:" % (mb, label))
        for lib in ("this", "other"):
            rs = times.get((mb, timer, lib))
            if not rs:
                continue
            line = "  %-5s %.2f s (%.2f-%.2f), %d bytes out of place" % (
                lib,
                statistics.median(r[0] for r in rs),
                min(r[0] for r in rs),
                max(r[0] for r in rs),
                sum(r[1] for r in rs),
            )
            if timer:
                line += "; ticks %.0f%% of those due (%.0f-%.0f%%), longest gap median %g ms, at most %d ms" % (
                    100 * statistics.median(r[2] / r[3] for r in rs if r[3]),
                    100 * min(r[2] / r[3] for r in rs if r[3]),
                    100 * max(r[2] / r[3] for r in rs if r[3]),
                    statistics.median(r[4] for r in rs),
                    max(r[4] for r in rs),
                )
            print(line)
        ours, theirs = times.get((mb, timer, "this"), []), times.get((mb, timer, "other"), [])
        ratios = sorted(a[0] / b[0] for a, b in zip(ours, theirs) if b[0])
        if ratios:
            print(
                "  this / other by turns: median %.3f (%.3f-%.3f, %d rounds)"
                % (statistics.median(ratios), ratios[0], ratios[-1], len(ratios))
            )


def endless(lines):
    """Peers that never stop: per case and library, the bytes and the timer's gaps."""
    runs = collections.defaultdict(list)  # (case, timer, lib) -> [(bytes, misplaced, ticks, gap)]
    for line in lines:
        found = ENDLESS.match(line)
        if found:
            lib, case, timer, received, misplaced, ticks, gap = found.groups()
            runs[case, int(timer), lib].append((int(received), int(misplaced), int(ticks), int(gap)))
    for case, timer in sorted({(k[0], k[1]) for k in runs}):
        print("%s, a %d ms timer, 3 s:" % (case.replace("ipport", "IPPort").replace("ipdaemon", "IPDaemon"), timer))
        for lib in ("this", "other"):
            rs = runs.get((case, timer, lib))
            if rs:
                print(
                    "  %-5s %.1f MB (median), %d bytes out of place; ticks median %g, longest gap median %g ms, "
                    "at most %d ms"
                    % (
                        lib,
                        statistics.median(r[0] for r in rs) / 1e6,
                        sum(r[1] for r in rs),
                        statistics.median(r[2] for r in rs),
                        statistics.median(r[3] for r in rs),
                        max(r[3] for r in rs),
                    )
                )


def main():
    lines = open(sys.argv[1]).read().splitlines()
    streams(lines)
    transfers(lines)
    endless(lines)


def streams(lines):
    runs = collections.defaultdict(list)  # (rate, buffer, library, timer) -> [(share, ticks, of, gap, stalls)]
    alone_runs = []  # [(ticks, of, gap, stalls)]
    for line in lines:
        found = LINE.match(line)
        if found:
            lib, rate, timer, buffer, share, ticks, of, gap, stalls = found.groups()
            runs[int(rate), int(buffer), lib, int(timer)].append(
                (float(share), int(ticks), int(of), int(gap), int(stalls))
            )
        found = ALONE.match(line)
        if found:
            alone_runs.append(tuple(int(x) for x in found.groups()[1:]))
    medians = {}
    for rate, buffer in sorted({(k[0], k[1]) for k in runs}):
        print("%d datagrams/s, InBufferSize %s:" % (rate, buffer or "default"))
        for lib in ("this", "other"):
            plain = runs.get((rate, buffer, lib, 0), [])
            timed = runs.get((rate, buffer, lib, 16), [])
            if not plain or not timed:
                continue
            share = statistics.median(r[0] for r in timed)
            alone = statistics.median(r[0] for r in plain)
            medians[rate, buffer, lib] = (share, alone)
            print(
                "  %-5s with a 16 ms timer %5.1f%% (%.1f-%.1f), without %5.1f%% (%.1f-%.1f), with/without %.3f;"
                " %s"
                % (
                    lib,
                    share,
                    min(r[0] for r in timed),
                    max(r[0] for r in timed),
                    alone,
                    min(r[0] for r in plain),
                    max(r[0] for r in plain),
                    share / alone if alone else 0,
                    timer_figures([r[1:] for r in timed]),
                )
            )
    if alone_runs:
        print("the 16 ms timer alone, no socket: %s" % timer_figures(alone_runs))
    for rate, buffer in sorted({(k[0], k[1]) for k in medians}):
        ours, theirs = medians.get((rate, buffer, "this")), medians.get((rate, buffer, "other"))
        if ours and theirs and theirs[0] and theirs[1]:
            print(
                "%d/s, InBufferSize %s: this / other %.3f with the timer, %.3f without"
                % (rate, buffer or "default", ours[0] / theirs[0], ours[1] / theirs[1])
            )


if __name__ == "__main__":
    main()
