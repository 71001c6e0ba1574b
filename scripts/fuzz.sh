#!/usr/bin/env bash
# Runs one libFuzzer target of a reader: scripts/fuzz.sh <target> [seconds, default 600].
# Configures and builds the clang fuzz tree (build/fuzz, ASan and UBSan) when needed, gathers
# the target's seed corpus from the demo installation and the test fixtures, and fuzzes with a
# per-input time bound and a memory bound. The grown corpus stays in build/fuzz/corpus/<target>,
# the log in build/fuzz/logs/<target>.log; a finding is written beside the log.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: scripts/fuzz.sh <target> [seconds]}
seconds=${2:-600}
build=build/fuzz
fixtures=tests/fixtures/fuzz

case "$target" in
fuzz_profile)        seeds="demo/CONF/*.PAR demo/CONF-V0/*.PAR demo/CONF-V2/*.PAR demo/MSG/CNC.MSG $fixtures/*.INI $fixtures/MSVtag.par"; dict=ini ;;
fuzz_message_table)  seeds="demo/MSG/STRING.MSG demo/MSG/ERR.MSG demo/MSG/TAGRIX.msg"; dict=msg ;;
fuzz_tool_table)     seeds="demo/UTEN/TOOLS.TXT"; dict= ;;
fuzz_config_files)   seeds="demo/CONF/*.PAR demo/CONF-V0/*.PAR demo/CONF-V2/*.PAR"; dict=ini ;;
fuzz_cnc_texts)      seeds="demo/MSG/CNC.MSG $fixtures/MSVtag.par"; dict=ini ;;
fuzz_alarm_log)      seeds="$fixtures/ALARM.LOG"; dict= ;;
fuzz_label_library)  seeds="$fixtures/PROFILES.LIB"; dict= ;;
fuzz_label_layout)   seeds="$fixtures/TAGRIX.INI"; dict=ini ;;
fuzz_label_template) seeds="demo/CONF/PIECE.PRN demo/CONF/SCRAP.PRN"; dict= ;;
fuzz_test_list)      seeds="$fixtures/TestList.txt"; dict= ;;
fuzz_time_log)       seeds="$fixtures/LIST.tmx"; dict= ;;
fuzz_report_template) seeds="demo/MSG/DEBTG.MSG"; dict=msg ;;
*) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -DBRELON_FUZZ=ON -DBRELON_SANITIZE=ON -DBRELON_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target "$target" -j "${BRELON_JOBS:-3}"
if [ "$target" = fuzz_cnc_texts ]; then cmake --build "$build" --target UvenlibVB; fi

# Scratch files of the readers on a memory file system when there is one: the configuration
# writers sync every file they replace.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

corpus=$build/corpus/$target
mkdir -p "$corpus" "$build/logs"
# shellcheck disable=SC2086
cp -n $seeds "$corpus"/ 2>/dev/null || true
args=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 -print_final_stats=1
      -artifact_prefix="$build/logs/$target-")
[ -n "$dict" ] && args+=(-dict="$fixtures/$dict.dict")
"$build/bin/$target" "${args[@]}" "$corpus" 2>&1 | tee "$build/logs/$target.log" | grep -E 'DONE|ERROR|SUMMARY|reader fault|stat::number_of_executed_units' || true
exit "${PIPESTATUS[0]}"
