#!/usr/bin/env bash
# The vq tool against the command-line peers on the same points:
#   vq fit (affine) on N control pairs;
#   streaming vq apply (standard input to standard output) against cct (PROJ)
#   with vq's own exported pipeline and gdaltransform (GDAL) with the same
#   affine as a first-order GCP transform.
# Wall time and peak memory of each process from /usr/bin/time; every run
# reads the same points from a file in the page cache and writes to /dev/null.
#
#   bench/tool.sh [N...]     (default: 1000000 10000000)
#   VQ=path/to/vq bench/tool.sh 1000000
#
# Prints the rows of a Markdown table (also written to
# build/bench/results/tool.md) for bench/RESULTS.md; needs proj-bin, gdal-bin.
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
((${#sizes[@]})) || sizes=(1000000 10000000)
vq=${VQ:-build/default/tools/vq/vq}
if [[ ! -x "$vq" ]]; then
    cmake --preset default >/dev/null && cmake --build --preset vq >/dev/null
fi
for tool in cct gdaltransform /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench/tool.sh: $tool is missing (proj-bin, gdal-bin, time)" >&2; exit 1; }
done
work=build/bench/tool
out=build/bench/results
mkdir -p "$work" "$out"

# The model: an affine fitted to the scanned-map sample; its PROJ pipeline
# and GDAL GCPs come from vq's own exports.
"$vq" fit --model affine --save "$work/model.json" examples/map_scan.txt >/dev/null
pipeline=$("$vq" export "$work/model.json" proj)
mapfile -t gcps < <("$vq" export "$work/model.json" gdal-gcps --points examples/map_scan.txt | tr -d '\\')
gcp_args=$(printf '%s ' "${gcps[@]}")

# "seconds peak-MiB" of a command reading $1 on standard input.
measure() {
    local input=$1
    shift
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" < "$input" > /dev/null
    awk '{printf "%.2f %.1f", $1, $2 / 1024}' "$work/time"
}

rows=()
for n in "${sizes[@]}"; do
    # x y points over the map sheet, and id x y X Y pairs for the fit.
    awk -v n="$n" 'BEGIN { srand(7); for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * 6000, rand() * 4800 }' > "$work/xy.txt"
    awk '{ printf "%s %s 0 0\n", $1, $2 }' "$work/xy.txt" > "$work/xyzt.txt"
    awk '{ printf "p%d %s %s %.4f %.4f\n", NR, $1, $2, 1000 + 2 * $1 + 0.01 * $2, 5000 + 2 * $2 - 0.01 * $1 }' \
        "$work/xy.txt" > "$work/pairs.txt"
    cat "$work/xy.txt" "$work/xyzt.txt" "$work/pairs.txt" > /dev/null  # into the page cache

    read -r t m <<<"$(measure /dev/null "$vq" fit --model affine "$work/pairs.txt")"
    rows+=("| vq fit --model affine | $n pairs | $t | $m | |")
    read -r tv mv <<<"$(measure "$work/xy.txt" "$vq" apply --ids none "$work/model.json" -)"
    rows+=("| vq apply (stdin to stdout) | $n points | $tv | $mv | 1.00 |")
    read -r tc mc <<<"$(measure "$work/xyzt.txt" cct $pipeline)"
    rows+=("| cct, vq's PROJ pipeline | $n points | $tc | $mc | $(awk -v a="$tv" -v b="$tc" 'BEGIN { printf "%.2f", a / b }') |")
    # shellcheck disable=SC2086
    read -r tg mg <<<"$(measure "$work/xy.txt" gdaltransform -order 1 $gcp_args)"
    rows+=("| gdaltransform -order 1, vq's GCPs | $n points | $tg | $mg | $(awk -v a="$tv" -v b="$tg" 'BEGIN { printf "%.2f", a / b }') |")
done

{
    echo "| Run | Size | Wall time (s) | Peak memory (MiB) | vq apply / this |"
    echo "|---|---|---:|---:|---:|"
    printf '%s\n' "${rows[@]}"
} | tee "$out/tool.md"
rm -f "$work"/xy.txt "$work"/xyzt.txt "$work"/pairs.txt
