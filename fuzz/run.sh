#!/usr/bin/env bash
# Runs one fuzz target for a set time, at low priority, in one child process
# at a time (one core):
#   fuzz/run.sh bmp|jpeg|picture|tiff|png|xmp SECONDS [more libFuzzer options]
#   fuzz/run.sh png 1800         # a 30-minute campaign
# An input that crashes, hangs, leaks or takes more than 2 GB (an
# out-of-memory is a finding, not noise) is saved as
# fuzz/findings/TARGET-crash-... (or -oom-, -timeout-, -leak-): once fixed,
# copy it to tests/fuzz/TARGET/ so that the normal test suite runs it from
# then on. New inputs collect in build/fuzz/corpus/TARGET; the seeds are made
# by fuzz/make-corpus.sh. The last lines of the output give libFuzzer's
# coverage (cov: edges, ft: features).
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
seconds=$2
shift 2
[ -x "build/fuzz/fuzz/fuzz_$target" ] || ./fuzz/build.sh
[ -d "build/fuzz/seeds/$target" ] || ./fuzz/make-corpus.sh build/fuzz/seeds
mkdir -p "build/fuzz/corpus/$target" fuzz/findings
exec nice -n 19 "build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -fork=1 -ignore_ooms=0 \
  -rss_limit_mb=2048 -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="fuzz/findings/$target-" "$@" \
  "build/fuzz/corpus/$target" "build/fuzz/seeds/$target"
