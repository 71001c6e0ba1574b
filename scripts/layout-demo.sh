#!/usr/bin/env bash
# Lays out a program directory for Brelon3 from a build and the demo installation:
#   scripts/layout-demo.sh <dest> [--bin <build bin folder>] [--online] [--variant 0|1|2]
# <dest> receives the program and its libraries, CONF/, MSG/, LOG/, "ConfMac.dbg" (office
# machine: variant 1, or the --variant given, whose demo configuration CONF-V0 or CONF-V2 then
# replaces the three files of CONF/) and drives/<letter>/... for every DIR_ folder of CONF/CONFIG.PAR, filled
# with the demo's lists, tools, shapes and profile drawings. With --online the simulated controller library is
# put beside the program and the controller work directory (C:\UVEN\LAV\LAV) is created with the
# simulated controller's machine description "SIMCNC.INI" (the same variant), so the program
# starts on-line on that variant. Start it with:  BRELON_DRIVES=<dest>/drives <dest>/Brelon3 [OFFICE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dest=""
bin="$root/build/release/bin"   # what scripts/demo.sh builds
online=0
variant=1
while [ $# -gt 0 ]; do
    case "$1" in
        --bin) bin="$2"; shift 2 ;;
        --online) online=1; shift ;;
        --variant) variant="$2"; shift 2 ;;
        *) dest="$1"; shift ;;
    esac
done
[ -n "$dest" ] || { echo "usage: $0 <dest> [--bin <folder>] [--online] [--variant 0|1|2]" >&2; exit 2; }
case "$variant" in 0|1|2) ;; *) echo "layout: --variant must be 0, 1 or 2" >&2; exit 2 ;; esac
[ -x "$bin/Brelon3" ] || { echo "layout: no Brelon3 in $bin (build it first: scripts/demo.sh builds build/release)" >&2; exit 1; }

mkdir -p "$dest/LOG"
cp -f "$bin/Brelon3" "$dest/"
for lib in libDictavo.so libTagrix.so libvlk32_bc.so libPorvl4.so libPorvl4Monitor.so; do
    [ -f "$bin/$lib" ] && cp -f "$bin/$lib" "$dest/"
done
rm -f "$dest/libUvenlibVB.so"
cp -rf "$root/demo/CONF" "$root/demo/MSG" "$dest/"
# The label library's layout lies beside the program.
cp -f "$root/demo/TAGRIX.INI" "$dest/"
# The drawings of the tool legend lie beside the program.
cp -f "$root"/demo/LEGEND/T?.DXF "$dest/"
if [ "$variant" != 1 ]; then
    cp -f "$root/demo/CONF-V$variant/CONFIG.PAR" "$root/demo/CONF-V$variant/CONFIG.X_" \
          "$root/demo/CONF-V$variant/PARAM.PAR" "$dest/CONF/"
fi

# Windows folder "X:\A\B\" -> <dest>/drives/X/A/B
native() {
    local p="${1//\\//}"
    if [[ "$p" =~ ^([A-Za-z]):(.*)$ ]]; then
        p="$dest/drives/${BASH_REMATCH[1]^^}${BASH_REMATCH[2]}"
    fi
    echo "${p%/}"
}
dir_key() { grep -i "^$1=" "$dest/CONF/CONFIG.PAR" | head -1 | cut -d= -f2- | tr -d '\r'; }
for key in DIR_LDA DIR_ISO DIR_DXF DIR_UTEN DIR_VLK DIR_LOG DIR_V1V2; do
    value="$(dir_key "$key")"
    [ -n "$value" ] && mkdir -p "$(native "$value")"
done
cp -f "$root"/demo/LDA/*.lda "$(native "$(dir_key DIR_LDA)")/"
cp -f "$root/demo/UTEN/TOOLS.TXT" "$root/demo/UTEN/DEFPRO.TXT" "$(native "$(dir_key DIR_UTEN)")/"
cp -f "$root"/demo/VLK/*.VLK "$(native "$(dir_key DIR_VLK)")/"
# The profile drawings, <series>/<code>.dxf, where the engine looks for the sections.
cp -rf "$root"/demo/DXF/. "$(native "$(dir_key DIR_DXF)")/"

# The office machine description: its axis groups make the variant (X only: 0; all three: 1;
# H and P without X: 2).
case "$variant" in
    0) axes='ASSEX=1\r\nASSEH=0\r\nASSEP=0' ;;
    1) axes='ASSEX=1\r\nASSEH=1\r\nASSEP=1' ;;
    2) axes='ASSEX=0\r\nASSEH=1\r\nASSEP=1' ;;
esac
printf "[GENERAL]\r\n$axes\r\nBARR_SX=0\r\nASSEC=0\r\nMORSE_SUPP=0\r\n" > "$dest/ConfMac.dbg"

if [ "$online" = 1 ]; then
    cp -f "$bin/libUvenlibVB.so" "$dest/"
    mkdir -p "$dest/drives/C/UVEN/LAV/LAV"
    # The simulated controller answers as the same machine: its variant variables (R700 for
    # the X axis group, R813 and R814 for H and P) and no options, as "ConfMac.dbg" above.
    case "$variant" in
        0) regs='R700=1\r\nR813=0\r\nR814=0' ;;
        1) regs='R700=1\r\nR813=1\r\nR814=1' ;;
        2) regs='R700=0\r\nR813=1\r\nR814=1' ;;
    esac
    printf "[MACHINE]\r\n$regs\r\nR7007=0\r\nR7011=0\r\nR727=0\r\n" > "$dest/drives/C/UVEN/LAV/LAV/SIMCNC.INI"
else
    rm -rf "$dest/drives/C/UVEN/LAV/LAV"
fi
echo "layout: program directory ready in $dest (variant $variant, $([ "$online" = 1 ] && echo on-line || echo office))"
