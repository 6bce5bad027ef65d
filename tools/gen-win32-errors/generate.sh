#!/usr/bin/env bash
# Regenerates src/platform/data/win32_errors.inc: the system error texts the editor shows where the
# system itself has no message table. Needs (not needed by the normal build):
#   apt-get install --no-install-recommends g++-mingw-w64-x86-64 wine64 wine python3
# Runs headless in a throw-away Wine prefix; takes about half a minute.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../src/platform/data/win32_errors.inc}
header=/usr/share/mingw-w64/include/winerror.h
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

x86_64-w64-mingw32-gcc-posix -O2 -static -o "$work/win32_messages.exe" "$here/win32_messages.c"

# Every name the header defines, in header order, and its value as the compiler sees it.
grep -oP '^\s*#\s*define\s+\K[A-Z][A-Z0-9_]*(?=\s+\S)' "$header" | awk '!seen[$0]++' > "$work/names.txt"
{ echo '#include <windows.h>'; sed 's/.*/@@ "&" &/' "$work/names.txt"; } > "$work/probe.c"
x86_64-w64-mingw32-gcc -E -P "$work/probe.c" | grep '^@@' > "$work/probe.txt"

(
    unset DISPLAY
    export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    wineboot -i </dev/null >/dev/null 2>&1
    cd "$work"
    wine ./win32_messages.exe messages.tsv </dev/null >/dev/null 2>&1
)

mkdir -p "$(dirname "$out")"
python3 "$here/make_table.py" "$work/messages.tsv" "$work/names.txt" "$work/probe.txt" \
    "$(wine --version 2>/dev/null | sed 's/^wine-/Wine /')" "$out"
