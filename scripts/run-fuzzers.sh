#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a set time each, seeded from the stored
# corpus, JOBS harnesses at a time. New inputs go to a scratch corpus in the build dir,
# never into the repository. Memory is bounded per input: no single allocation above
# 256 MB and no process above 2 GB.
# Usage: run-fuzzers.sh BUILD_DIR SECONDS [JOBS]
set -e
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
JOBS=${3:-1}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$BUILD/fuzz-artifacts"

run_one() {
  bin=$1
  name=$(basename "$bin" | sed 's/^fuzz_//')
  work="$BUILD/fuzz-corpus/$name"
  mkdir -p "$work" "$ROOT/fuzz/corpus/$name"
  log="$BUILD/fuzz-$name.log"
  if "$bin" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
       -max_len=4096 -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$name-" \
       "$work" "$ROOT/fuzz/corpus/$name" >"$log" 2>&1; then
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $name: ok, ${execs:-?} executions in ${SECONDS_EACH}s"
  else
    echo "fuzz $name: FAILED (see $log)"
    tail -40 "$log"
    return 1
  fi
}

status=0
pids=""
running=0
for bin in "$BUILD"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  run_one "$bin" &
  pids="$pids $!"
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then
    for p in $pids; do wait "$p" || status=1; done
    pids=""
    running=0
  fi
done
for p in $pids; do wait "$p" || status=1; done
exit $status
