"""The table of tools/socket-crowds-bench.sh: its lines "<round> <library>
<case>: <figures>" by case and library, as medians.
    socket_crowds_table.py <results file>"""
import re
import statistics
import sys

TIME = re.compile(r": ([0-9.]+) s")
TICKS = re.compile(r"(\d+) ticks of (\d+)")
GAP = re.compile(r"longest timer gap (\d+) ms")
HELD = re.compile(r"timer held (\d+) %")
# A waiting crowd's pairs: "<busy ms>/<idle ms>", a star where busy ran first.
PAIRS = re.compile(r"each pair busy/idle ms[^:]*:((?: [0-9]+/[0-9]+\*?)+)")


def whole(line):
    """Whether a case came out whole: every connection, port and look-up."""
    case, figures = line.split(":", 1)
    numbers = [int(n) for n in re.findall(r"\d+", case)]
    if case.startswith("crowd") and "ports" in case:
        m = re.search(r"(\d+) of the crowd whole, (\d+) ports whole", figures)
        return bool(m) and int(m.group(1)) == numbers[0] and int(m.group(2)) == numbers[2]
    if case.startswith("crowd"):
        m = re.search(r"(\d+) ended, (\d+) whole", figures)
        return bool(m) and int(m.group(1)) == int(m.group(2)) == numbers[0]
    if case.startswith("waiting"):
        m = re.search(r"(\d+) of (\d+) runs whole", figures)
        return bool(m) and int(m.group(1)) == int(m.group(2)) > 0
    if case.startswith("idle"):
        m = re.search(r"(\d+) held in [0-9.]+ s, (\d+) trips back", figures)
        return bool(m) and int(m.group(1)) == numbers[0] and int(m.group(2)) == numbers[1]
    if case.startswith("ports"):
        m = re.search(r"(\d+) of (\d+) whole", figures)
        return bool(m) and int(m.group(1)) == int(m.group(2)) == numbers[0]
    m = re.search(r"(\d+) failed", figures)
    return bool(m) and m.group(1) == "0"


def main(path):
    runs = {}  # (case, library) -> list of (round, time, whole, tick share, gap)
    held = {}  # (case, library) -> the busy timer's shares of the thread
    busy_idle = {}  # (case, library) -> a waiting crowd's time under the busy timer ÷ under the idle one
    order = []
    for raw in open(path, encoding="utf-8"):
        parts = raw.rstrip("\n").split(" ", 2)
        if len(parts) < 3 or ":" not in parts[2]:
            continue
        round_, library, line = parts
        case = line.split(":", 1)[0]
        if case not in order:
            order.append(case)
        time = TIME.search(line)
        ticks = TICKS.search(line)
        gap = GAP.search(line)
        share = None
        if ticks and int(ticks.group(2)) > 0:
            share = min(1.0, int(ticks.group(1)) / int(ticks.group(2)))
        m = HELD.search(line)
        if m:
            held.setdefault((case, library), []).append(int(m.group(1)))
        m = PAIRS.search(line)
        if m:
            for pair in m.group(1).split():
                busy, idle = (float(v) for v in pair.rstrip("*").split("/"))
                if idle > 0:
                    busy_idle.setdefault((case, library), []).append(busy / idle)
        runs.setdefault((case, library), []).append(
            (int(round_), float(time.group(1)) if time else None, whole(line), share, int(gap.group(1)) if gap else None)
        )

    def median(values):
        values = [v for v in values if v is not None]
        return statistics.median(values) if values else None

    def fmt(value, pattern):
        return pattern % value if value is not None else "-"

    def ratios(case, a, b):
        first = {r: t for r, t, _, _, _ in runs.get((case, a), [])}
        second = {r: t for r, t, _, _, _ in runs.get((case, b), [])}
        return sorted(first[r] / second[r] for r in first if r in second and first[r] and second[r])

    def fmt_ratios(values):
        return "%.2f (%.2f–%.2f)" % (statistics.median(values), values[0], values[-1]) if values else "-"

    print(
        "| case | library | runs whole | time, median (s) | this ÷ other, median of rounds (range) "
        "| this ÷ plain reader | timer's ticks, median share | longest gap, median (ms) | busy timer's share of the thread "
        "| busy ÷ idle timer, median of the pairs (min–max) |"
    )
    print("|---|---|---|---|---|---|---|---|---|---|")
    for case in order:
        for library in ("this", "other", "plain"):
            rows = runs.get((case, library), [])
            if not rows:
                continue
            ratio = fmt_ratios(ratios(case, "this", "other")) if library == "this" else "-"
            to_plain = fmt_ratios(ratios(case, library, "plain")) if library != "plain" else "-"
            share = median([s for _, _, _, s, _ in rows])
            print(
                "| %s | %s | %d/%d | %s | %s | %s | %s | %s | %s | %s |"
                % (
                    case,
                    library,
                    sum(1 for row in rows if row[2]),
                    len(rows),
                    fmt(median([t for _, t, _, _, _ in rows]), "%.3f"),
                    ratio,
                    to_plain,
                    fmt(share * 100 if share is not None else None, "%.0f %%"),
                    fmt(median([g for _, _, _, _, g in rows]), "%.0f"),
                    fmt(median(held.get((case, library), [])), "%.0f %%"),
                    fmt_ratios(sorted(busy_idle.get((case, library), []))),
                )
            )


if __name__ == "__main__":
    main(sys.argv[1])
