#!/usr/bin/env bash
# Compares every output of two pdfindex builds byte for byte:
#   bench/compare_outputs.sh OLD_PDFINDEX NEW_PDFINDEX BENCH_BUILD_DIR [EXAMPLE_ARCHIVE]
#
# Runs both on the same archives at the same path: one of every publisher
# layout (make_archive), one with real PDFs (make_pdf_archive) and the
# example archive, at -j 1, 2 and 8, with and without --metadata, each time
# writing HtmlData.htm, --json, --bibtex, --csl-json, --ris, --html and
# --report (standard error), then HtmlData.htm alone, and compares what
# they wrote. Each run starts from a fresh copy of the archive, so the
# metadata cache and the keys file are made afresh. Prints one line per
# difference and exits 1 if there is any.
set -euo pipefail
old=$1
new=$2
bench=$3
example=${4:-$(cd "$(dirname "$0")/.." && pwd)/examples/archive}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench/make_archive" "$work/layouts" 3 40 >/dev/null
"$bench/make_pdf_archive" "$work/pdfs" 1 12 >/dev/null
cp -a "$example" "$work/example"

# Runs BINARY on a fresh copy of ARCHIVE at $work/root with ARGS, and keeps
# what it wrote in DEST.
run_into() {
  local binary=$1 archive=$2 dest=$3
  shift 3
  rm -rf "$work/root" "$work/out"
  cp -a "$archive" "$work/root"
  mkdir -p "$work/out" "$dest"
  local status=0
  "$binary" "$@" "$work/root" >"$dest/stdout" 2>"$dest/stderr" </dev/null || status=$?
  echo "$status" >"$dest/status"
  cp -a "$work/out/." "$dest/"
  for f in HtmlData.htm .pdfindex-keys; do
    if [[ -e "$work/root/$f" ]]; then cp "$work/root/$f" "$dest/root-$f"; fi
  done
}

differences=0
runs=0
for archive in layouts pdfs example; do
  for jobs in 1 2 8; do
    for metadata in "" --metadata; do
      for outputs in all index; do
        args=(-j "$jobs" $metadata)
        if [[ $outputs == all ]]; then
          args+=(--report --json "$work/out/c.json" --bibtex "$work/out/c.bib"
            --csl-json "$work/out/c.csl.json" --ris "$work/out/c.ris" --html "$work/out/c.html")
        fi
        label="$archive -j $jobs ${metadata:-plain} $outputs"
        run_into "$old" "$work/$archive" "$work/old" "${args[@]}"
        run_into "$new" "$work/$archive" "$work/new" "${args[@]}"
        runs=$((runs + 1))
        if ! diff -r "$work/old" "$work/new" >"$work/diff"; then
          echo "DIFFERENT: $label"
          head -20 "$work/diff"
          differences=$((differences + 1))
        fi
        rm -rf "$work/old" "$work/new"
      done
    done
  done
done
echo "$runs runs compared, $differences different"
[[ $differences -eq 0 ]]
