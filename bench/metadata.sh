#!/usr/bin/env bash
# --metadata benchmark on a made-up archive of real PDFs, against a run
# without --metadata in the same session:
#   bench/metadata.sh [BUILD_DIR] [ISSUES_PER_PUBLISHER] [ARTICLES] [JOBS]
#
# Prints wall time and PDFs per second (best of RUNS, 3) for: a run without
# --metadata; --metadata without the cache (every PDF read) and with the
# cache of an unchanged archive (no PDF read), each with a warm page cache
# and (as root) with the page cache dropped before every run; then the warm
# run with the cache over the plain one (target: at most 1.5), beside the
# least any such run adds: the stats, one look at every PDF's size and
# modification time (what a cache keyed by them must do), timed as find
# printing them less find listing the PDFs alone, and the plain run plus
# the stats spread over the workers without a loss. Where poppler-utils is
# installed, --metadata reading every PDF is set beside pdfinfo run once per
# PDF (target: no slower). BENCH_PDF_ROOT=DIR measures a copy of the archive
# DIR instead of a made-up one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
source "$here/lib.sh"
build=${1:-$here/../build/bench}
issues=${2:-4}
articles=${3:-100}
jobs=${4:-$(nproc)}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ -n ${BENCH_PDF_ROOT:-} ]]; then
  # An archive of one's own (such as bench/corpus/make_corpus.py's), copied.
  cp -r "$BENCH_PDF_ROOT" "$work/archive"
  rm -f "$work/archive/.pdfindex-cache"
  pdfs=$(find "$work/archive" -name '*.pdf' | wc -l)
else
  pdfs=$("$build/bench/make_pdf_archive" "$work/archive" "$issues" "$articles")
fi
root="$work/archive"
cache="$root/.pdfindex-cache"
warm_up() { find "$root" -type f -print0 | xargs -0 cat >/dev/null; }
warm_up

# One line: LABEL SECONDS, with PDFs per second.
line() {
  awk -v l="$1" -v t="$2" -v n="$pdfs" 'BEGIN { printf "%-44s %8.3f s %10.0f PDFs/s\n", l, t, n / t }'
}

echo "PDFs: $pdfs, workers: $jobs"
plain=$(best_of "$runs" ":" "$build/pdfindex" "$root")
line "without --metadata" "$plain"
listed=$(best_of "$runs" ":" find "$root" -name '*.pdf')
printed=$(best_of "$runs" ":" find "$root" -name '*.pdf' -printf '%s %T@\n')
stats=$(awk -v a="$printed" -v b="$listed" 'BEGIN { print a - b }')
line "the stats alone (find: printed less listed)" "$stats"
cold_read=$(best_of "$runs" "rm -f '$cache'" "$build/pdfindex" --metadata -j "$jobs" "$root")
line "--metadata, warm, no cache (all read)" "$cold_read"
# What a user without pdfindex runs: pdfinfo once per PDF, one after another.
pdfinfo_loop=""
if command -v pdfinfo >/dev/null; then
  pdfinfo_loop=$(best_of "$runs" ":" sh -c 'find "$1" -name "*.pdf" -exec pdfinfo {} ";" >/dev/null' sh "$root")
  line "pdfinfo once per PDF (find -exec)" "$pdfinfo_loop"
else
  echo "pdfinfo not installed (poppler-utils): its loop is not timed"
fi
"$build/pdfindex" --metadata -j "$jobs" "$root"
warm=$(best_of "$runs" ":" "$build/pdfindex" --metadata -j "$jobs" "$root")
line "--metadata, warm, cache (none read)" "$warm"
if can_drop_caches; then
  # The cache is kept aside while the runs without it read every PDF.
  cp "$cache" "$work/cache"
  line "--metadata, cold, no cache (all read)" \
    "$(best_of "$runs" "rm -f '$cache'; drop_caches" "$build/pdfindex" --metadata -j "$jobs" "$root")"
  cp "$work/cache" "$cache"
  line "--metadata, cold, cache (none read)" \
    "$(best_of "$runs" "drop_caches" "$build/pdfindex" --metadata -j "$jobs" "$root")"
  warm_up
else
  echo "cold runs skipped: $no_drop_reason (the page cache is dropped only as root)"
fi
if [[ -n $pdfinfo_loop ]]; then
  awk -v r="$cold_read" -v i="$pdfinfo_loop" 'BEGIN {
    printf "--metadata reading every PDF over pdfinfo once per PDF: %.2f (target <= 1)\n", r / i
  }'
fi
awk -v p="$plain" -v w="$warm" -v s="$stats" -v j="$jobs" 'BEGIN {
  printf "warm with cache over plain: %.2f (target <= 1.5); plain plus the stats over %d workers: %.2f\n",
    w / p, j, (p + s / j) / p
}'
