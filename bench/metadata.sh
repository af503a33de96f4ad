#!/usr/bin/env bash
# --metadata benchmark on a made-up archive of real PDFs, against a run
# without --metadata in the same session:
#   bench/metadata.sh [BUILD_DIR] [ISSUES_PER_PUBLISHER] [ARTICLES] [JOBS]
#
# Prints PDFs per second (best of three) for: a run without --metadata; a
# cold --metadata run (no cache: every PDF read); a warm one (the cache of an
# unchanged archive: no PDF read); and the warm run over the plain one
# (target: at most 1.5).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
source "$here/lib.sh"
build=${1:-$here/../build/bench}
issues=${2:-4}
articles=${3:-100}
jobs=${4:-$(nproc)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pdfs=$("$build/bench/make_pdf_archive" "$work/archive" "$issues" "$articles")
find "$work/archive" -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache

cache="$work/archive/.pdfindex-cache"
plain=$(best_of 3 ":" "$build/pdfindex" "$work/archive")
cold=$(best_of 3 "rm -f '$cache'" "$build/pdfindex" --metadata -j "$jobs" "$work/archive")
"$build/pdfindex" --metadata -j "$jobs" "$work/archive"
warm=$(best_of 3 ":" "$build/pdfindex" --metadata -j "$jobs" "$work/archive")

awk -v n="$pdfs" -v p="$plain" -v c="$cold" -v w="$warm" -v j="$jobs" 'BEGIN {
  printf "PDFs: %d, workers: %d\n", n, j
  printf "%-34s %8.3f s %10.0f PDFs/s\n", "without --metadata", p, n / p
  printf "%-34s %8.3f s %10.0f PDFs/s\n", "--metadata, cold (no cache)", c, n / c
  printf "%-34s %8.3f s %10.0f PDFs/s\n", "--metadata, warm (cache)", w, n / w
  printf "warm over plain: %.2f (target <= 1.5)\n", w / p
}'
