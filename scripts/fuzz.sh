#!/usr/bin/env bash
# Builds the libFuzzer harnesses and runs each for the given number of seconds
# on its seed corpus.  Usage: scripts/fuzz.sh SECONDS [HARNESS...]
# New inputs gather in build/fuzz/corpus/, findings in build/fuzz/findings/;
# a finding makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [HARNESS...]}
shift
harnesses=("$@")
((${#harnesses[@]})) || harnesses=(wave conversion estimator)

cmake --preset fuzz >/dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
cmake --build --preset fuzz --target "${targets[@]}"

status=0
for h in "${harnesses[@]}"; do
  work=build/fuzz/corpus/$h
  findings=build/fuzz/findings/$h
  mkdir -p "$work" "$findings"
  echo "== fuzz_$h for ${seconds}s"
  if ! build/fuzz/fuzz/fuzz_$h -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$h" \
      2> "build/fuzz/$h.log"; then
    status=1
    tail -n 40 "build/fuzz/$h.log"
  fi
  grep -E '^stat::number_of_executed_units|^Done' "build/fuzz/$h.log" || true
done
exit $status
