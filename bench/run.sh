#!/usr/bin/env bash
# Whole-run benchmark on made-up archives, against a floor measured in the
# same run: bench/run.sh [BUILD_DIR] [ISSUES_PER_PUBLISHER] [ARTICLES]
#
# Writes two archives whose issues hold ARTICLES and 2 x ARTICLES articles,
# then prints for each: pdfindex's wall time and peak memory (best of three,
# warm cache), the floor (reading every contents page once with the folder
# walk), their ratio, and the largest issue folder's page bytes; and the
# scaling ratio (time on issues of 2n articles over time on issues of n);
# then the time of a run that also writes all four exports (JSON, BibTeX,
# CSL-JSON, RIS) over the time of HtmlData.htm alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
issues=${2:-12}
articles=${3:-400}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {  # best wall time (and its peak memory) of three runs of a command
  local best_line="" t
  for _ in 1 2 3; do
    line=$(python3 "$here/measure.py" "$@")
    t=${line%% *}
    if [ -z "$best_line" ] || awk -v a="$t" -v b="${best_line%% *}" 'BEGIN{exit !(a<b)}'; then
      best_line=$line
    fi
  done
  echo "$best_line"
}

measure() {  # ROOT -> "time peak_kib floor largest_bytes"
  local root=$1
  find "$root" -name '*.htm' -print0 | xargs -0 cat >/dev/null  # warm the cache
  local run floor largest
  run=$(best "$build/pdfindex" "$root")
  floor=$(best sh -c "find '$root' -name '*.htm' -print0 | xargs -0 cat >/dev/null")
  largest=$(find "$root" -mindepth 2 -maxdepth 2 -type d | while read -r d; do
    cat "$d"/*.htm 2>/dev/null | wc -c; done | sort -n | tail -1)
  echo "${run%% *} ${run##* } ${floor%% *} $largest"
}

declare -A result
for n in "$articles" $((articles * 2)); do
  root="$work/n$n"
  bytes=$("$build/bench/make_archive" "$root" "$issues" "$n")
  pdfs=$(find "$root" -name '*.pdf' | wc -l)
  read -r t peak floor largest < <(measure "$root")
  result[$n]=$t
  awk -v n="$n" -v t="$t" -v p="$peak" -v f="$floor" -v l="$largest" -v b="$bytes" -v q="$pdfs" 'BEGIN{
    printf "articles per issue %d: %d PDFs, %.1f MB of pages\n", n, q, b/1e6;
    printf "  pdfindex   %.3f s, peak memory %.1f MB\n", t, p/1024;
    printf "  floor      %.3f s (find + cat of every contents page, warm cache)\n", f;
    printf "  ratio      %.2f x the floor\n", t/f;
    printf "  memory     %.1f MB over a largest issue folder of %.2f MB of pages\n", p/1024, l/1e6;
  }'
done
awk -v a="${result[$articles]}" -v b="${result[$((articles * 2))]}" \
  'BEGIN{printf "scaling: time(2n)/time(n) = %.2f\n", b/a}'

# The exports' cost: HtmlData.htm with all four exports over HtmlData.htm alone,
# on the archive of n articles per issue.
root="$work/n$articles"
alone=$(best "$build/pdfindex" "$root")
exports=$(best "$build/pdfindex" --json "$work/c.json" --bibtex "$work/c.bib" \
  --csl-json "$work/c.csl.json" --ris "$work/c.ris" "$root")
awk -v a="${alone%% *}" -v e="${exports%% *}" 'BEGIN{
  printf "exports: %.3f s with all four, %.3f s HtmlData.htm alone: %.2f x\n", e, a, e/a}'
