#!/usr/bin/env bash
# Timed office test run: the demo lists copied N times (default 20) run through the automatic test
# run of a release build with 1 ms timer ticks, so the figure is the program's own work (list
# opening, bar computation, part-program writing, the simulated execution), not the tick wait.
#   bench/app/office_run.sh [copies]      (after: cmake --preset release && cmake --build --preset release)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
copies="${1:-20}"
bin="$root/build/release/bin"
dest="$(mktemp -d /tmp/brelon_office_run.XXXXXX)"
trap 'rm -rf "$dest"' EXIT
bash "$root/scripts/layout-demo.sh" "$dest" --bin "$bin" >/dev/null
lda="$dest/drives/C/BRELON3/VELMO/LDA"
printf '[TEST]\r\nFLAG_TEST_MACHINE=1\r\nFLAG_TEST_HIDE_POPUP=1\r\n' > "$dest/CONF/TEST.PAR"
sed -i -e 's/^ISO_TIMER=.*\r$/ISO_TIMER=1\r/' -e 's/^PRINT_TIMER=.*\r$/PRINT_TIMER=1\r/' "$dest/CONF/CONFIG.PAR"
rm -f "$lda"/*.lda
: > "$lda/TestList.txt"
lists=0
bars=0
for i in $(seq 1 "$copies"); do
    for f in "$root"/demo/LDA/*.lda; do
        n="$(basename "$f" .lda)_$i.lda"
        cp "$f" "$lda/$n"
        printf '%s\r\n' "$n" >> "$lda/TestList.txt"
        lists=$((lists + 1))
    done
done
# Bars per copy of the demo lists (each bar writes one part program in this configuration).
per_copy=7
bars=$((per_copy * copies))
BRELON_DRIVES="$dest/drives" QT_QPA_PLATFORM=offscreen /usr/bin/time -f '%M %e' -o "$dest/time.txt" \
    "$dest/Brelon3" OFFICE >/dev/null 2>&1
read -r peak secs < "$dest/time.txt"
awk -v l="$lists" -v b="$bars" -v s="$secs" -v m="$peak" 'BEGIN {
    printf "office test run: %d lists, %d bars, %d part programs in %.2f s\n", l, b, b, s;
    printf "  %.1f lists/s, %.1f bars/s, %.1f part programs/s, peak memory %.1f MiB\n", l / s, b / s, b / s, m / 1024 }'
