#!/usr/bin/env bash
# run_fuzz.sh FUZZER WORKDIR - fuzzes the whole tool for FUZZ_SECONDS with
# FUZZ_JOBS processes, then prints executions, coverage and findings.
# The working corpus WORKDIR/corpus starts from fuzz/corpus and
# fuzz/regressions and grows across runs; findings go to WORKDIR/findings.
# Exits 1 when this run found anything or a fuzz process failed.
# Optional environment: FUZZ_SECONDS (default 600), FUZZ_JOBS (default 1),
# FUZZ_MAX_LEN (default 4096), FUZZ_TIMEOUT (seconds per input, default 10),
# FUZZ_RSS_MB (default 2048).
set -euo pipefail

if [ $# -ne 2 ]; then echo "usage: $0 FUZZER WORKDIR" >&2; exit 2; fi
FUZZER=$(realpath "$1")
WORK=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SECONDS_TOTAL=${FUZZ_SECONDS:-600}
JOBS=${FUZZ_JOBS:-1}
mkdir -p "$WORK/corpus" "$WORK/findings" "$WORK/logs"
WORK=$(cd "$WORK" && pwd)
STAMP=$(date +%Y%m%d-%H%M%S)
MARK="$WORK/logs/.start-$STAMP"
touch "$MARK"

flags=(-dict="$HERE/header.dict" -max_len="${FUZZ_MAX_LEN:-4096}"
       -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb="${FUZZ_RSS_MB:-2048}"
       -max_total_time="$SECONDS_TOTAL" -print_final_stats=1
       -artifact_prefix="$WORK/findings/")

# Independent processes on one corpus directory, each taking up what the
# others add (-reload); each stops at its first finding. (Fork mode keeps
# going past findings but ran a third slower here.)
echo "fuzzing for ${SECONDS_TOTAL}s with $JOBS process(es); logs $WORK/logs/fuzz-$STAMP-*.log"
pids=()
for job in $(seq 1 "$JOBS"); do
  "$FUZZER" "${flags[@]}" "$WORK/corpus" "$HERE/corpus" "$HERE/regressions" \
    >"$WORK/logs/fuzz-$STAMP-$job.log" 2>&1 &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=$((failed + 1)); done

total=0
for job in $(seq 1 "$JOBS"); do
  log="$WORK/logs/fuzz-$STAMP-$job.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$execs" ] || execs=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  echo "process $job: ${execs:-0} executions${rate:+, $rate/s}; ${cov:-no coverage line}"
  total=$((total + ${execs:-0}))
done
echo "executions: $total in total"
echo "corpus:     $(ls "$WORK/corpus" | wc -l) inputs in $WORK/corpus"
findings=$(find "$WORK/findings" -type f -newer "$MARK" | sort)
rm -f "$MARK"
if [ -n "$findings" ]; then
  echo "findings (each becomes a file in fuzz/regressions once fixed):"
  echo "$findings" | sed 's/^/  /'
  grep -hE '^(==[0-9]+==ERROR|SUMMARY|fuzz harness:|.*runtime error)' "$WORK"/logs/fuzz-"$STAMP"-*.log |
    head -20 | sed 's/^/  /'
  exit 1
fi
if [ "$failed" -ne 0 ]; then
  echo "$failed fuzz process(es) failed; see $WORK/logs/fuzz-$STAMP-*.log"
  exit 1
fi
echo "findings:   none"
