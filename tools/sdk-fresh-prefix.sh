#!/bin/bash
# A C developer's first run of the SDK: a Wine prefix made just now, with no
# display and no graphics driver chosen (Wine's defaults), and two programs
# built from the SDK folder alone: the Ping example pings the loopback, and
# an SMTP sender hands a message to the mail server on <smtp port>, whose
# state folder must then hold it.
#   sdk-fresh-prefix.sh <sdk folder> <source folder> <work folder> <smtp port> <smtp state folder>
set -euo pipefail
sdk=$1 source=$2 work=$3 port=$4 mailstate=$5
rm -rf "$work"
mkdir -p "$work/bin"
x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$sdk/example/ping_example.c" \
    -L"$sdk/lib" -lnetcomp -o "$work/bin/ping_example.exe"
x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$source/netcomp/sdk/tests/smtp_send_check.c" \
    -L"$sdk/lib" -lnetcomp -o "$work/bin/smtp_send_check.exe"
cp "$sdk/bin/netcomp.dll" "$work/bin/"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
if grep -qi '"Graphics"' "$WINEPREFIX/user.reg"; then
    echo "the new prefix chose a graphics driver; it should hold Wine's defaults" >&2
    exit 1
fi

cd "$work/bin"
run() {
    local status=0
    wine "$@" >"$work/output" 2>&1 </dev/null || status=$?
    cat "$work/output"
    return "$status"
}
run ping_example.exe 127.0.0.1
subject="fresh prefix $$ $(date +%s%N)"
run smtp_send_check.exe "$port" "$subject"
grep -qF "defaults: FirewallPort 80, MailPort 25" "$work/output" || {
    echo "the SMTP component lost its defaults" >&2
    exit 1
}
grep -rqF "Subject: $subject" "$mailstate/mail" || {
    echo "the mail server holds no message \"$subject\"" >&2
    exit 1
}
echo "the mail server received \"$subject\""
