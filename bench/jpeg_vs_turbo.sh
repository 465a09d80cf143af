#!/usr/bin/env bash
# Times our JPEG picture object against libjpeg-turbo's own cjpeg/djpeg on the
# same 1024 x 768 picture and settings (quality 95, 4:4:4, baseline).
#
# Two comparisons, printed side by side:
#  1. in-process (fair): jpeg_bench runs our encoder/decoder and libjpeg called
#     directly with the same parameters, on BGR pixels in memory;
#  2. command line: cjpeg/djpeg run N times; the cost of starting the program
#     and reading/writing files is estimated with an 8 x 8 picture and taken off.
#
# Usage: bench/jpeg_vs_turbo.sh [BUILD_DIR] [RUNS]   (BUILD_DIR: a Release build)
set -euo pipefail

build=${1:-build/bench-picture}
runs=${2:-50}
bench="$build/bench/jpeg_bench"
[ -x "$bench" ] || { echo "build jpeg_bench first: cmake --build $build --target jpeg_bench" >&2; exit 1; }
command -v cjpeg >/dev/null || { echo "cjpeg/djpeg missing (libjpeg-turbo-progs)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-sample="$work"
printf 'P6\n8 8\n255\n' > "$work/tiny.ppm"
head -c 192 /dev/zero >> "$work/tiny.ppm"
cjpeg -quality 95 -sample 1x1 -baseline -outfile "$work/tiny.jpg" "$work/tiny.ppm"

# Mean milliseconds of one run of the command, over $runs runs.
time_ms() {
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000 / $runs" | bc
}

enc=$(time_ms cjpeg -quality 95 -sample 1x1 -baseline -outfile "$work/out.jpg" "$work/sample.ppm")
enc0=$(time_ms cjpeg -quality 95 -sample 1x1 -baseline -outfile "$work/out0.jpg" "$work/tiny.ppm")
dec=$(time_ms djpeg -ppm -outfile "$work/out.ppm" "$work/sample.jpg")
dec0=$(time_ms djpeg -ppm -outfile "$work/out0.ppm" "$work/tiny.jpg")

echo "== in process: ours vs libjpeg-turbo called directly (CPU ms per picture) =="
"$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | awk -F, '/_median/ {gsub(/"/, "", $1); t[$1] = $4}
    END {
        eo = t["BM_EncodeOurs_median"]; el = t["BM_EncodeLibjpeg_median"];
        do_ = t["BM_DecodeOurs_median"]; dl = t["BM_DecodeLibjpeg_median"];
        printf "encode  ours %.2f  libjpeg %.2f  ratio %.3f\n", eo, el, eo / el;
        printf "decode  ours %.2f  libjpeg %.2f  ratio %.3f\n", do_, dl, do_ / dl;
    }'
echo "== command line: cjpeg/djpeg, $runs runs, program start and tiny-file I/O taken off (wall ms) =="
echo "cjpeg  $(echo "scale=2; $enc - $enc0" | bc)  (raw $enc, start-up $enc0)"
echo "djpeg  $(echo "scale=2; $dec - $dec0" | bc)  (raw $dec, start-up $dec0)"
