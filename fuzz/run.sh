#!/usr/bin/env bash
# Runs the fuzz targets of a PDFINDEX_FUZZ build for a fixed time each, two
# at a time, seeded from the example archive (and fuzz/corpus/<target> where
# there is one). Any finding fails the script; its input and log are kept.
#
#   fuzz/run.sh BUILD_DIR SECONDS [WORK_DIR [TARGET...]]
#
# WORK_DIR keeps each target's growing corpus, logs and findings (a fresh
# temporary folder when not given); TARGETs default to every fuzz_* program.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?build folder}
seconds=${2:?seconds per target}
work=${3:-$(mktemp -d "${TMPDIR:-/tmp}/pdfindex-fuzz.XXXXXX")}
shift $(($# < 3 ? $# : 3))
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$work"

targets=("$@")
if ((${#targets[@]} == 0)); then
  for bin in "$build"/fuzz/fuzz_*; do
    [[ -x $bin && -f $bin ]] && targets+=("$(basename "$bin")")
  done
fi
((${#targets[@]})) || { echo "no fuzz targets in $build/fuzz" >&2; exit 1; }

# Seeds: the example pages as they are; for the article finders each PDF's
# base name followed by the pages of its issue folder; for the collections
# every example folder's listing.
seeds=$work/seeds
rm -rf "$seeds"
mkdir -p "$seeds/pages" "$seeds/articles" "$seeds/listings" "$seeds/archives"
n=0
while IFS= read -r -d '' page; do
  cp "$page" "$seeds/pages/$((n++)).htm"
done < <(find examples -type f -iname '*.htm*' -print0 | sort -z)
while IFS= read -r -d '' dir; do
  pages=()
  while IFS= read -r -d '' page; do pages+=("$page"); done \
    < <(find "$dir" -maxdepth 1 -type f -iname '*.htm*' -print0 | sort -z)
  ls -a "$dir" > "$seeds/listings/$((n++))"
  while IFS= read -r -d '' pdf; do
    seed=$seeds/articles/$((n++))
    name=$(basename "$pdf")
    printf '%s\n' "${name%.*}" > "$seed"
    for ((i = 0; i < ${#pages[@]}; i++)); do
      ((i == 0)) || printf '\n----page----\n' >> "$seed"
      cat "${pages[$i]}" >> "$seed"
    done
  done < <(find "$dir" -maxdepth 1 -type f -iname '*.pdf' -print0 | sort -z)
done < <(find examples/archive -mindepth 2 -maxdepth 2 -type d -print0 | sort -z)

# For whole runs one archive per example issue folder: each file's path line
# starts with the byte that picks its publisher keyword ('0' + its place in
# the fuzzer's list; '7' for a folder without one).
keywords=(ScienceDirect Embo Springer AmChemSoc AmInstPhys AmMathSoc JBCOnline)
while IFS= read -r -d '' dir; do
  pick=7
  for k in "${!keywords[@]}"; do
    [[ $dir == *"${keywords[$k]}"* ]] && { pick=$k; break; }
  done
  seed=$seeds/archives/$((n++))
  : > "$seed"
  first=1
  while IFS= read -r -d '' file; do
    ((first)) || printf '\n----file----\n' >> "$seed"
    first=0
    printf '%s%s/%s\n' "$pick" "$(basename "$dir")" "$(basename "$file")" >> "$seed"
    cat "$file" >> "$seed"
  done < <(find "$dir" -maxdepth 1 -type f -print0 | sort -z)
done < <(find examples/archive -mindepth 2 -maxdepth 2 -type d -print0 | sort -z)

# A dictionary per target: the string literals of the readers' sources (those
# without escapes other than \"), and the inputs' own markers.
dictionary() {
  local target=$1 dict=$work/$1.dict
  {
    echo '"\x0A----page----\x0A"'
    echo '"(cannot be opened)"'
    echo '"\x0A----file----\x0A"'
    if [[ $target == fuzz_archive ]]; then echo '"\x0910000"'; fi
    case $target in
      fuzz_archive | fuzz_title | fuzz_article)
        grep -ohE '"([^"\\]|\\")+"' src/readers/*.cc | sort -u || true ;;
    esac
  } > "$dict"
  echo "$dict"
}

run_target() {
  local target=$1 corpus=$work/corpus/$1 log=$work/$1.log
  local -a inputs=("$corpus")
  case $target in
    fuzz_article) inputs+=("$seeds/articles") ;;
    fuzz_collections) inputs+=("$seeds/listings") ;;
    fuzz_archive) inputs+=("$seeds/archives") ;;
    *) inputs+=("$seeds/pages") ;;
  esac
  [[ -d fuzz/corpus/$target ]] && inputs+=("fuzz/corpus/$target")
  mkdir -p "$corpus" "$work/findings"
  local status=0
  # Whole runs expand their input to up to 32 pages of 4 MB: a run that is
  # quadratic in a page, or holds many times its pages, is a finding.
  local -a limits=(-timeout=10 -rss_limit_mb=2048)
  [[ $target == fuzz_archive ]] && limits=(-timeout=30 -rss_limit_mb=1536)
  "$build/fuzz/$target" -max_total_time="$seconds" "${limits[@]}" \
    -print_final_stats=1 -dict="$(dictionary "$target")" \
    -artifact_prefix="$work/findings/$target-" "${inputs[@]}" > "$log" 2>&1 || status=$?
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if ((status != 0)); then
    printf '%-28s FAILED (status %d); log %s\n' "$target" "$status" "$log"
    grep -E 'ERROR|FUZZ_CHECK|SUMMARY|Test unit written|^#[0-9]+ *(DONE|NEW)' "$log" | tail -n 20
    return 1
  fi
  printf '%-28s %10s executions in %ss\n' "$target" "${execs:-?}" "$seconds"
}

failed=0
running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  if ((++running >= jobs)); then
    wait -n || failed=1
    ((running--))
  fi
done
while ((running > 0)); do
  wait -n || failed=1
  ((running--))
done
if ((failed)); then
  echo "fuzzing found a fault: see $work" >&2
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets ran ${seconds}s each without a finding"
