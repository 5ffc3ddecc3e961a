#!/bin/bash
# Benchmarks the key tool under Wine and prints one Markdown table (a benchmark, not a test:
# it measures and never fails on a number). Builds what it needs and uses a Wine prefix of
# its own, build/bench-prefix, whose certificate store it empties first.
#   tools/bench.sh            full run, about ten minutes
#   tools/bench.sh --smoke    every part once on a small scale
#   tools/bench.sh device     only the named parts: startup, device, many, cycles, idle, slow
# KEYTOOL_BENCH_BEFORE=DIR (the bin folder of an earlier build) measures that build's program
# side by side with this one in the start-up, device, many and slow-key parts.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
export KEYTOOL_WINEPREFIX="$PWD/build/bench-prefix"
. tools/wine-env.sh
tools/build.sh "$KEYTOOL_PRESET" >/dev/null
tools/wine-prefix.sh
. tools/xvfb.sh
keytool_start_xvfb
wineserver -k 2>/dev/null || true
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
wine reg delete 'HKCU\Software\Microsoft\SystemCertificates\MY\Certificates' /f >/dev/null 2>&1 || true

bin=$KEYTOOL_BIN
rm -rf "$bin/before"
if [[ -n ${KEYTOOL_BENCH_BEFORE:-} ]]; then
  mkdir -p "$bin/before/passthrough"
  cp "$KEYTOOL_BENCH_BEFORE/QelmoraKeyTool.exe" "$bin/DravikFun_tovex.dll" "$bin/before/"
  cp "$KEYTOOL_BENCH_BEFORE/QelmoraKeyTool.exe" "$bin/passthrough/"*.dll "$bin/before/passthrough/"
fi
kb() { echo "$(( ($(stat -c %s "$1") + 1023) / 1024 )) KB"; }

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "$(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo);" \
  "$(wine --version); $(date -u '+%Y-%m-%d %H:%M UTC'); commit $(git rev-parse --short HEAD);" \
  "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Measure | Result | Target |"
echo "|---|---|---|"
status=0
(cd "$bin" && wine keytool_bench.exe bench-cert.der "$@") || status=$?
# Sizes are of what ships: the 32-bit release, when it is built.
shipped=$bin
[[ -f build/windows/bin/QelmoraKeyTool.exe ]] && shipped=build/windows/bin
[[ $shipped == build/windows/bin ]] && bits=32-bit || bits="$KEYTOOL_PRESET build"
echo "| Program, stripped ($bits) | $(kb "$shipped/QelmoraKeyTool.exe") | < 450 KB |"
echo "| Key library, stripped ($bits) | $(kb "$shipped/DravikFun_tovex.dll") | < 500 KB |"
installer=$(ls build/dist/QelmoraKeyToolSetup-*.exe 2>/dev/null | head -1 || true)
if [[ -n $installer ]]; then
  echo "| Installer ($(basename "$installer")) | $(kb "$installer") | |"
else
  echo "| Installer | not built (tools/package.sh) | |"
fi
echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
wineserver -k || true
exit $status
