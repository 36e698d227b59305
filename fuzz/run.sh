#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build for a while each.
#   fuzz/run.sh BUILD_DIR SECONDS [PARALLEL] [TARGET...]
# TARGET is a short name (presets, tag, ...); all built targets by default.
# The committed corpus is only read: new inputs go to BUILD_DIR/fuzz-work,
# findings to BUILD_DIR/fuzz-work/findings. Exits non-zero on any finding.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:?build folder}" && pwd)"
SECONDS_EACH="${2:?seconds per target}"
PARALLEL="${3:-2}"
shift $(($# < 3 ? $# : 3))

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$BUILD_DIR"/fuzz/fuzz_*; do
    [ -x "$exe" ] && [ -f "$exe" ] && targets+=("${exe##*/fuzz_}")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets in $BUILD_DIR/fuzz" >&2
  exit 1
fi

WORK="$BUILD_DIR/fuzz-work"
mkdir -p "$WORK/findings"

run_one() {
  local name="$1" exe="$BUILD_DIR/fuzz/fuzz_$1"
  local log="$WORK/$name.log" corpus="$WORK/corpus/$name" dict=()
  mkdir -p "$corpus"
  rm -f "$WORK/findings/$name-"*
  [ -f "$ROOT/fuzz/dict/$name.dict" ] && dict=(-dict="$ROOT/fuzz/dict/$name.dict")
  # The fuzzers run beside builds on a small machine: lowest priority.
  nice -n 19 "$exe" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$WORK/findings/$name-" "${dict[@]}" \
    "$corpus" "$ROOT/fuzz/corpus/$name" >"$log" 2>&1
}

report() {
  local name="$1" status="$2" log="$WORK/$1.log" runs findings
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  findings="$(find "$WORK/findings" -maxdepth 1 -name "$name-*" | wc -l)"
  echo "fuzz_$name: ${runs:-?} executions, $findings findings (exit $status)"
  if [ "$status" -ne 0 ]; then
    grep -m 5 -E "property violated|ERROR:|runtime error|SUMMARY" "$log" | sed 's/^/  /'
  fi
}

declare -A pids=()
failed=0
finish_one() {
  local pid name status
  wait -n -p pid "${!pids[@]}"
  status=$?
  name="${pids[$pid]}"
  unset "pids[$pid]"
  report "$name" "$status"
  [ "$status" -ne 0 ] && failed=$((failed + 1))
}

for name in "${targets[@]}"; do
  if [ ! -x "$BUILD_DIR/fuzz/fuzz_$name" ]; then
    echo "fuzz_$name: not built"
    failed=$((failed + 1))
    continue
  fi
  while [ ${#pids[@]} -ge "$PARALLEL" ]; do finish_one; done
  run_one "$name" &
  pids[$!]="$name"
done
while [ ${#pids[@]} -gt 0 ]; do finish_one; done

echo "fuzz: $((${#targets[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
