#!/usr/bin/env bash
# Runs one fuzz target for a set time, in one process (one core):
#   fuzz/run.sh bmp|jpeg|picture|tiff|png SECONDS [more libFuzzer options]
# New inputs collect in build/fuzz/corpus/TARGET; an input that fails is
# saved as fuzz/findings/TARGET-crash-... (copy it to tests/fuzz/TARGET/ so
# that the normal test suite runs it from then on).
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
seconds=$2
shift 2
[ -x "build/fuzz/fuzz/fuzz_$target" ] || ./fuzz/build.sh
[ -d "build/fuzz/seeds/$target" ] || ./fuzz/make-corpus.sh build/fuzz/seeds
mkdir -p "build/fuzz/corpus/$target" fuzz/findings
exec "build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="fuzz/findings/$target-" "$@" \
  "build/fuzz/corpus/$target" "build/fuzz/seeds/$target"
