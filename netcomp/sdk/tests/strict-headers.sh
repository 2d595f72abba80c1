#!/bin/bash
# Compiles every header of the SDK's include folder the strictest way a C or
# C++ caller may: as C89 and as C++98, -pedantic, every warning an error. All
# of them together after netcomp.h, and each on its own (but the export list,
# which netcomp.h includes).
#   strict-headers.sh <sdk folder> <work folder>
set -euo pipefail
sdk=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
failed=0
check() { # <name> <included headers>...
    local name=$1
    shift
    {
        for header in "$@"; do
            echo "#include \"$header\""
        done
        echo "int main(void) { return 0; }"
    } >"$work/$name.c"
    cp "$work/$name.c" "$work/$name.cpp"
    if ! x86_64-w64-mingw32-gcc -std=c89 -pedantic -Wall -Wextra -Werror -fsyntax-only -I"$sdk/include" \
        "$work/$name.c"; then
        echo "not C89: $*" >&2
        failed=1
    fi
    if ! x86_64-w64-mingw32-g++ -std=c++98 -pedantic -Wall -Wextra -Werror -fsyntax-only -I"$sdk/include" \
        "$work/$name.cpp"; then
        echo "not C++98: $*" >&2
        failed=1
    fi
}
headers=()
for path in "$sdk"/include/*.h; do
    header=$(basename "$path")
    [ "$header" = netcomp.h ] || headers+=("$header")
    [ "$header" = netcomp_components.h ] || check "${header%.h}" "$header"
done
if [ ! -f "$sdk/include/netcomp.h" ] || [ ${#headers[@]} -lt 2 ]; then
    echo "netcomp.h and the component headers are missing from $sdk/include" >&2
    exit 1
fi
check all netcomp.h "${headers[@]}"
[ "$failed" -eq 0 ] || exit 1
echo "netcomp.h and ${#headers[@]} headers compile as C89 and C++98 with -pedantic -Werror"
