#!/bin/bash
# The LDAP search benchmark: 5,000 entries (objectClass person, seven
# attributes each) under ou=Bench of a slapd holding the lookup tests'
# directory, searched by the LDAP component (under Wine) and by ldapsearch
# against the same slapd in the same run, once in one go and once in pages
# of 500 (the paged-results control).
#   tools/ldap-bench.sh            (after tools/build.sh)
# Each side searches three times; the best time counts. The component's time
# is counted inside the program from the Search call (connect and bind
# included) to its return; ldapsearch's is the whole run of the tool, its
# LDIF written to /dev/null. Prints entries, times and peak memory of both
# sides and the time ratio component / ldapsearch per search.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-ldap
prefix=$build/wineprefix
port=21391
mkdir -p "$state"
{
    cat "$root/app/tests/peer/users.ldif"
    printf '\ndn: ou=Bench,dc=kes,dc=test\nobjectClass: organizationalUnit\nou: Bench\n'
    for i in $(seq -w 1 5000); do
        printf '\ndn: cn=Bench User %s,ou=Bench,dc=kes,dc=test\nobjectClass: inetOrgPerson\n' "$i"
        printf 'cn: Bench User %s\nsn: User%s\ngivenName: Bench\nmail: user%s@bench.kes.test\n' "$i" "$i" "$i"
        printf 'telephoneNumber: +1 555 %s\n' "$i"
        printf 'description: Entry %s of the benchmark directory, a line of text as directories hold.\n' "$i"
    done
} >"$state/bench.ldif"
"$root/tools/peer.sh" up "$state/slapd" $port "$root/app/tests/peer/directory.sh" $port "$state/bench.ldif" >/dev/null
trap '"$root/tools/peer.sh" down "$state/slapd"' EXIT

# The best of three ldapsearch runs: "<seconds> <peak kB> <entries>".
tool() {
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$state/time.txt" ldapsearch -x -LLL -H "ldap://127.0.0.1:$port" \
            -b ou=Bench,dc=kes,dc=test "$@" '(objectClass=person)' >"$state/entries.ldif"
        echo "$(cat "$state/time.txt") $(grep -c '^dn: ' "$state/entries.ldif")"
    done | sort -n | head -1
}
peer_unpaged=$(tool)
peer_paged=$(tool -E pr=500/noprompt)
ours=$(for _ in 1 2 3; do "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/ldap_search_bench.exe" $port; done)
echo "$ours"
best() { echo "$ours" | awk -v k="$1" '$1 == k' | sort -k2 -n | head -1; }
field() { best "$1" | awk '{print $2}'; }
entries() { best "$1" | awk '{sub("entries=", "", $3); print $3}'; }
peak=$(echo "$ours" | awk -F= '/peak-working-set-kb/ {print $2}' | sort -n | tail -1)
ratio() {
    read -r seconds kb count <<<"$3"
    awk -v l="$1" -v a="$(field "$2")" -v r="$(entries "$2")" -v b="$seconds" -v kb="$kb" -v n="$count" -v p="$peak" \
        'BEGIN {printf "%-18s LDAP %.3f s (%d entries, peak %d kB), ldapsearch %.3f s (%d entries, peak %d kB), ratio %.2f\n", l, a, r, p, b, n, kb, a / b}'
}
ratio "unpaged search:" unpaged "$peer_unpaged"
ratio "paged search, 500:" paged-500 "$peer_paged"
