#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a set time each, seeded from the stored
# corpus. New inputs go to a scratch corpus in the build dir, never into the repository.
# Usage: run-fuzzers.sh BUILD_DIR SECONDS
set -e
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
status=0
mkdir -p "$BUILD/fuzz-artifacts"
for bin in "$BUILD"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin" | sed 's/^fuzz_//')
  work="$BUILD/fuzz-corpus/$name"
  mkdir -p "$work" "$ROOT/fuzz/corpus/$name"
  log="$BUILD/fuzz-$name.log"
  if "$bin" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
       -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$name-" \
       "$work" "$ROOT/fuzz/corpus/$name" >"$log" 2>&1; then
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $name: ok, ${execs:-?} executions in ${SECONDS_EACH}s"
  else
    echo "fuzz $name: FAILED (see $log)"
    tail -40 "$log"
    status=1
  fi
done
exit $status
