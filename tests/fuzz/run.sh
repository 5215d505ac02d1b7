#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 12) from the corpus kept here; new inputs go to a
# scratch folder, a finding fails the run and is kept in it. A <target>.dict here gives the
# fuzzer the words of that input. Prints executions and findings.
set -euo pipefail
BIN=$1
SECONDS_EACH=${2:-12}
HERE=$(cd "$(dirname "$0")" && pwd)
SCRATCH=$(mktemp -d)
status=0
for target in logline logfile settings smtpreply smtprecv; do
    mkdir -p "$SCRATCH/$target"
    log="$SCRATCH/$target.log"
    dict=()
    [ -f "$HERE/$target.dict" ] && dict=(-dict="$HERE/$target.dict")
    if "$BIN/fuzz_$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="$SCRATCH/$target-" -rss_limit_mb=2048 -timeout=10 "${dict[@]}" \
        "$SCRATCH/$target" "$HERE/corpus/$target" >"$log" 2>&1; then
        found=0
    else
        found=1
        status=1
        tail -n 40 "$log"
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    echo "fuzz $target: $runs executions, $found findings"
done
[ "$status" -eq 0 ] && rm -rf "$SCRATCH" || echo "findings kept in $SCRATCH"
exit "$status"
