#!/usr/bin/env bash
# Whole-run benchmark on made-up archives, against a floor measured in the
# same run: bench/run.sh [BUILD_DIR] [ISSUES_PER_PUBLISHER] [ARTICLES]
#
# Writes two archives whose issues hold n = ARTICLES and 2n articles, and
# prints for each, one labelled line per figure:
#   pages     contents page bytes read, HtmlData.htm bytes written
#   warm      the floor and pdfindex, best of WARM_PAIRS (5) alternating runs
#             each, warm page cache, and pdfindex / floor. The floor is the
#             least any indexer does: walk the archive, read every contents
#             page (*.htm, *.html below the issue folders) once, and write as
#             many bytes as HtmlData.htm has
#   cold      the same, best of COLD_PAIRS (3) with the page cache dropped
#             before every run (root only; otherwise a line says why not)
#   memory    pdfindex's peak resident memory (greatest of its warm runs),
#             beside the largest issue folder's contents page bytes
# and the same four lines for an archive of few large issue folders, then
#   scaling   wall time per byte read and written (pages + HtmlData.htm) at
#             2n articles per issue over that at n (target <= 1.15)
#   exports   a run that also writes all four exports (--json --bibtex
#             --csl-json --ris, files outside the archive) over one writing
#             HtmlData.htm alone, best of alternating runs (target <= 1.3);
#             then the floor writing as many bytes as all five outputs
#             have, over the floor alone, and the exports run over it, with
#             the exports unchanged (left as they are) and changed in the
#             middle (compared that far, then written and replaced); then
#             the changed run over the floor of replacing the outputs safely
#             (each written beside its place, synced, renamed over a file of
#             its size, its folder synced)
#
# PDFINDEX_ARGS (e.g. "-j 1") is passed to every pdfindex run. BENCH_ROOT
# names an archive of your own to measure as well (pages, warm, cold,
# memory); pdfindex writes its HtmlData.htm there as any run does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
source "$here/lib.sh"
build=${1:-$here/../build/bench}
issues=${2:-12}
articles=${3:-400}
warm_pairs=${WARM_PAIRS:-5}
cold_pairs=${COLD_PAIRS:-3}
read -r -a extra <<<"${PDFINDEX_ARGS:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cold=0
if can_drop_caches; then cold=1; fi

# Prints the pages, warm, cold and memory lines of the archive ROOT, each
# starting with LABEL; sets per_byte (warm seconds per byte read and written).
bench_archive() {
  local label=$1 root=$2
  local -a run=("$build/pdfindex" "${extra[@]}" "$root")
  # One untimed run writes the index whose size the floor writes, and warms
  # the page cache.
  "${run[@]}" >&2
  local size pages largest
  size=$(stat -c %s "$root/HtmlData.htm")
  pages=$(page_bytes "$root")
  largest=$(largest_folder_bytes "$root")
  # shellcheck disable=SC2034  # read by alternate through its name
  local -a floor=(sh -c "$floor_script" floor "$root" "$size")
  after_each="rm -f $(printf %q "$root/.floor-out")"
  printf '%-10s pages    %.2f MB read, HtmlData.htm %.2f MB written\n' \
    "$label" "$(awk -v b="$pages" 'BEGIN { print b / 1e6 }')" \
    "$(awk -v b="$size" 'BEGIN { print b / 1e6 }')"

  alternate "$warm_pairs" 0 floor run
  local peak=$peak_b
  per_byte=$(awk -v t="$best_b" -v b="$((pages + size))" 'BEGIN { print t / b }')
  printf '%-10s warm     floor %.3f s, pdfindex %.3f s: %.2f x the floor\n' \
    "$label" "$best_a" "$best_b" "$(awk -v a="$best_a" -v b="$best_b" 'BEGIN { print b / a }')"
  if ((cold)); then
    alternate "$cold_pairs" 1 floor run
    printf '%-10s cold     floor %.3f s, pdfindex %.3f s: %.2f x the floor\n' \
      "$label" "$best_a" "$best_b" "$(awk -v a="$best_a" -v b="$best_b" 'BEGIN { print b / a }')"
  else
    printf '%-10s cold     skipped: %s (the page cache is dropped only as root)\n' \
      "$label" "$no_drop_reason"
  fi
  printf '%-10s memory   pdfindex peak %.1f MB, largest issue folder %.2f MB of pages\n' \
    "$label" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" \
    "$(awk -v b="$largest" 'BEGIN { print b / 1e6 }')"
  unset after_each
}

echo "pdfindex ${extra[*]:-(no extra arguments)}; $issues issues per publisher"
declare -A per
for n in "$articles" $((articles * 2)); do
  root="$work/n$n"
  "$build/bench/make_archive" "$root" "$issues" "$n" >/dev/null
  bench_archive "n=$n" "$root"
  per[$n]=$per_byte
done
awk -v a="${per[$articles]}" -v b="${per[$((articles * 2))]}" \
  'BEGIN { printf "scaling    time per byte at 2n over n: %.2f (target <= 1.15)\n", b / a }'

# The exports' cost, on the archive of n articles per issue, warmed again by
# one untimed run (the cold runs above dropped the cache).
root="$work/n$articles"
# shellcheck disable=SC2034  # read by alternate through its name
alone=("$build/pdfindex" "${extra[@]}" "$root")
# shellcheck disable=SC2034  # read by alternate through its name
exports=("$build/pdfindex" "${extra[@]}" --json "$work/c.json" --bibtex "$work/c.bib"
  --csl-json "$work/c.csl.json" --ris "$work/c.ris" "$root")
"${exports[@]}" >&2
alternate "$warm_pairs" 0 alone exports
awk -v a="$best_a" -v e="$best_b" 'BEGIN {
  printf "exports    all four %.3f s, HtmlData.htm alone %.3f s: %.2f x (target <= 1.3)\n", e, a, e / a }'
exports_time=$best_b
# The same with every export changed: before each run one byte in the
# middle of its file is changed, so that the run compares half of it with
# what it writes, then writes the rest and replaces it (a run after the
# archive changed, where the first change is as likely anywhere; the runs
# above leave their unchanged exports as they are).
change_exports="for f in c.json c.bib c.csl.json c.ris; do f=$(printf %q "$work")/\$f;
  printf '\\001' | dd of=\"\$f\" bs=1 seek=\$((\$(stat -c %s \"\$f\") / 2)) conv=notrunc status=none; done"
eval "$change_exports"
after_each=$change_exports
alternate "$warm_pairs" 0 alone exports
unset after_each
changed_time=$best_b
# The floor with the exports: the floor, then as many bytes written to each
# export's file as the run wrote there. Four exports write several times
# HtmlData.htm's bytes, so their floor is well above the floor alone.
sizes=("$(stat -c %s "$root/HtmlData.htm")")
for f in c.json c.bib c.csl.json c.ris; do sizes+=("$(stat -c %s "$work/$f")"); done
# shellcheck disable=SC2016  # expanded by sh -c, not here
floor_exports_script=$floor_script' && head -c "$3" /dev/zero >"$1/.floor-json" &&
  head -c "$4" /dev/zero >"$1/.floor-bib" && head -c "$5" /dev/zero >"$1/.floor-csl" &&
  head -c "$6" /dev/zero >"$1/.floor-ris"'
# shellcheck disable=SC2034  # read by alternate through its name
floor_plain=(sh -c "$floor_script" floor "$root" "${sizes[0]}")
# shellcheck disable=SC2034  # read by alternate through its name
floor_exports=(sh -c "$floor_exports_script" floor "$root" "${sizes[@]}")
after_each="rm -f $(printf %q "$root")/.floor-*"
alternate "$warm_pairs" 0 floor_plain floor_exports
unset after_each
awk -v a="$best_a" -v f="$best_b" -v e="$exports_time" -v c="$changed_time" 'BEGIN {
  printf "exports    the floor writing all five outputs %.3f s (%.2f x the floor alone): all four %.2f x their floor, changed %.2f x\n", f, f / a, e / f, c / f }'
# The floor of a run that replaces its outputs safely, as a run whose
# exports changed does: each output written beside a file of its size left
# in its place, synced, renamed over that file, and its folder synced.
# shellcheck disable=SC2016  # expanded by sh -c, not here
floor_safe_script='find "$1" -mindepth 3 \( -iname "*.htm" -o -iname "*.html" \) -type f -print0 |
  xargs -0 cat >/dev/null && shift && "$@"'
safe_outputs=("$root/.safe-floor-index" "${sizes[0]}")
names=(json bib csl ris)
for i in 0 1 2 3; do safe_outputs+=("$work/.safe-floor-${names[i]}" "${sizes[i + 1]}"); done
for ((i = 0; i < ${#safe_outputs[@]}; i += 2)); do
  head -c "${safe_outputs[i + 1]}" /dev/zero >"${safe_outputs[i]}"
done
# shellcheck disable=SC2034  # read by alternate through its name
floor_safe=(sh -c "$floor_safe_script" floor "$root" "$build/bench/replace_floor" "${safe_outputs[@]}")
# (The safe floor's files are named apart from the plain floor's, which
# are removed after each run, so that each of its runs replaces them.)
after_each="rm -f $(printf %q "$root")/.floor-*"
alternate "$warm_pairs" 0 floor_exports floor_safe
unset after_each
rm -f "$root/.safe-floor-index"
awk -v s="$best_b" -v c="$changed_time" 'BEGIN {
  printf "exports    the floor replacing all five outputs safely %.3f s: changed %.2f x that floor\n", s, c / s }'

# Few large issue folders: 5 per publisher, 45 in all, of LARGE_ARTICLES
# (700) articles each, about 7.6 MB of pages and as many index bytes, where
# the work of one folder must not wait on the writing of another.
root="$work/large"
"$build/bench/make_archive" "$root" 5 "${LARGE_ARTICLES:-700}" >/dev/null
bench_archive large "$root"

if [[ -n ${BENCH_ROOT:-} ]]; then
  bench_archive given "$BENCH_ROOT"
fi
