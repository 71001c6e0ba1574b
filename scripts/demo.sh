#!/usr/bin/env bash
# The demo: builds the release configuration, lays out the demo installation in build/demo/ and
# runs Brelon3 in office mode through the automatic test run of every shipped bar list. The
# program opens each list, selects and confirms every bar by itself, computes it, writes its
# part program ("OUTPUT.ISO", rewritten for every bar), runs the simulated execution and goes
# on to the next list; it closes after the last one. At the end a summary per list is printed
# with the part programs the run wrote.
#   scripts/demo.sh            on screen when a display is present, offscreen otherwise
#   BRELON_DEMO_OFFSCREEN=1    always offscreen
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target Brelon3 UvenlibVB list_summary Porvl4 Porvl4Monitor

demo="$root/build/demo"
rm -rf "$demo"
bash scripts/layout-demo.sh "$demo" --bin "$root/build/release/bin" >/dev/null

lda="$demo/drives/C/BRELON3/VELMO/LDA"
conf="$demo/CONF"
# The automatic test run without modal boxes: TEST.PAR, and the lists' remaining repetitions
# written back into the list files as the bars run (GENERAL CHANGE_RIP).
printf '[TEST]\r\nFLAG_TEST_MACHINE=1\r\nFLAG_TEST_HIDE_POPUP=1\r\n' > "$conf/TEST.PAR"
sed -i 's/^CHANGE_RIP=.*\r$/CHANGE_RIP=1\r/' "$conf/CONFIG.PAR"
: > "$lda/TestList.txt"
for f in "$root"/demo/LDA/*.lda; do printf '%s\r\n' "$(basename "$f")" >> "$lda/TestList.txt"; done

platform=()
if [ "${BRELON_DEMO_OFFSCREEN:-0}" = 1 ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    platform=(env QT_QPA_PLATFORM=offscreen)
    echo "demo: running offscreen (no display)"
fi

# Every part program the run writes is kept: office mode rewrites OUTPUT.ISO for each bar.
programs="$demo/programs"
mkdir -p "$programs"
watch_programs() {
    local last="" n=0 sum
    while :; do
        if [ -f "$demo/OUTPUT.ISO" ]; then
            # The program may replace the file between the test and the read: the redirection's
            # own error is silenced with the command's (the braces take both).
            sum="$({ cksum < "$demo/OUTPUT.ISO"; } 2>/dev/null || true)"
            if [ -n "$sum" ] && [ "$sum" != "$last" ]; then
                n=$((n + 1))
                cp -f "$demo/OUTPUT.ISO" "$programs/$(printf '%02d' "$n")-OUTPUT.ISO" 2>/dev/null || true
                last="$sum"
            fi
        fi
        sleep 0.05
    done
}
watch_programs &
watcher=$!
trap 'kill "$watcher" 2>/dev/null || true' EXIT

log="$demo/LOG/demo-run.log"
timing="$demo/LOG/demo-time.txt"
set +e
# The time limit is the program's own parent, so its SIGTERM reaches the program (which closes
# in order, ending any message box left open) and SIGKILL follows 30 s later if it does not:
# nothing is left running holding the single-instance lock.
BRELON_DRIVES="$demo/drives" /usr/bin/time -f '%M %e' -o "$timing" \
    timeout --foreground -k 30 900 "${platform[@]}" "$demo/Brelon3" OFFICE >"$log" 2>&1
rc=$?
set -e
sleep 0.3
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true

echo
echo "=== Brelon3 demo: office test run of the demo lists ==="
if [ "$rc" = 124 ]; then echo "demo: the run did not finish within 900 s" >&2; exit 1; fi
if [ "$rc" != 0 ]; then
    echo "demo: Brelon3 ended with $rc; its output:" >&2
    cat "$log" >&2
    exit 1
fi
dxf="$(grep -i '^DIR_DXF=' "$conf/CONFIG.PAR" | head -1 | cut -d= -f2- | tr -d '\r' | tr '\\' '/')"
dxf="$demo/drives/${dxf:0:1}${dxf:2}"
if grep -qi '^CK_DXF=0' "$conf/PARAM.PAR"; then
    echo "Per list (bars, bars run, repetitions); CK_DXF=0: end cuts planned against bounding rectangles"
    dxf_arg=()
else
    echo "Per list (bars, bars run, repetitions) and, per profile, the section its end cuts were planned against:"
    dxf_arg=("$dxf")
fi
for f in "$root"/demo/LDA/*.lda; do
    name="$(basename "$f")"
    echo -n "  "
    "$root/build/release/bin/list_summary" "$f" "$lda/$name" "${dxf_arg[@]}"
    tmx="$demo/LOG/${name%.*}.tmx"
    if [ -f "$tmx" ]; then sed 's/^/      /' "$tmx"; fi
done
echo "  Time logs are kept on-line only; program output: $log"

count=$(find "$programs" -name '*.ISO' | wc -l)
echo
echo "Part programs written ($count, kept in $programs):"
for p in "$programs"/*.ISO; do
    [ -f "$p" ] || continue
    printf '  %s  %4d lines  %s\n' "$(basename "$p")" "$(wc -l < "$p")" "$(grep -m1 -o 'R599=[0-9]*' "$p" || true)"
done
if [ -f "$demo/OUTPUT.ISO" ]; then
    echo
    echo "Last part program ($demo/OUTPUT.ISO), first lines:"
    head -n 20 "$demo/OUTPUT.ISO" | tr -d '\r' | sed 's/^/  /'
    echo "  ..."
    tail -n 5 "$demo/OUTPUT.ISO" | tr -d '\r' | sed 's/^/  /'
fi
read -r peak elapsed < "$timing" || true
echo
echo "Run: ${elapsed:-?} s, peak memory ${peak:-?} KiB"
[ "$count" -gt 0 ] || { echo "demo: no part program was written" >&2; exit 1; }
