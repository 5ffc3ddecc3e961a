#!/bin/bash
# Runs every fuzzer for longer than the test command does: SECONDS each (120 unless given),
# from its corpus in tests/fuzz/corpus/NAME/ and what earlier runs found in the build folder.
# With --keep, the inputs that reach new code are merged into the repository's corpus.
# Exits non-zero when a fuzzer found a fault; the input that shows it is in build/native/tests/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=120
keep=0
for argument in "$@"; do
  case $argument in
    --keep) keep=1 ;;
    *) seconds=$argument ;;
  esac
done
tools/setup.sh
tools/build.sh native >/dev/null
bin=build/native/tests/fuzz
export ASAN_OPTIONS=quarantine_size_mb=16
status=0
for exe in "$bin"/*_fuzz; do
  name=$(basename "$exe" _fuzz)
  corpus=tests/fuzz/corpus/$name
  found=$bin/$name-corpus
  mkdir -p "$found"
  if "$exe" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -artifact_prefix="$bin/$name-" "$found" "$corpus" >"$bin/$name.log" 2>&1; then
    echo "fuzz $name: $(grep -c . <(ls "$found")) inputs, no fault in ${seconds}s"
  else
    echo "fuzz $name: FAULT, see $bin/$name.log"
    status=1
  fi
  if ((keep)); then
    "$exe" -merge=1 -max_len=65536 "$corpus" "$found" >>"$bin/$name.log" 2>&1
  fi
done
exit $status
