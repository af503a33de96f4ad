# shellcheck shell=bash disable=SC2034,SC2154  # sourced: `here` is the caller's; the caller reads what is set here
# Shell functions shared by the whole-run benchmarks (bench/run.sh,
# bench/metadata.sh): source it after setting `here` to the bench/ folder.

# Runs a command once: prints "wall_seconds peak_kib" (bench/measure.py).
measure() {
  python3 "$here/measure.py" "$@"
}

# The smaller of two numbers (an empty first one loses).
min_of() {
  awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'
}

# The larger of two numbers (an empty first one loses).
max_of() {
  awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 > a + 0) ? b : a }'
}

# Best wall time of RUNS runs of a command, BEFORE (a shell command) run
# untimed before each: best_of RUNS BEFORE CMD [ARG...]
best_of() {
  local runs=$1 before=$2 best="" line i
  shift 2
  for ((i = 0; i < runs; i++)); do
    eval "$before"
    line=$(measure "$@")
    best=$(min_of "$best" "${line%% *}")
  done
  echo "$best"
}

# Times two commands in alternating runs (A, B, A, B, ...), so that a change
# in the machine's load falls on both alike: alternate PAIRS COLD A B, where A
# and B name arrays holding the commands, and COLD=1 drops the page cache
# before every run. `after_each` (a shell command, if set) runs untimed after
# every run. Sets best_a, best_b (least wall seconds of each command) and
# peak_a, peak_b (greatest peak memory, KiB).
alternate() {
  local pairs=$1 cold=$2 line i
  local -n cmd_a=$3 cmd_b=$4
  best_a="" best_b="" peak_a="" peak_b=""
  for ((i = 0; i < pairs; i++)); do
    if ((cold)); then drop_caches; fi
    line=$(measure "${cmd_a[@]}")
    eval "${after_each:-:}"
    best_a=$(min_of "$best_a" "${line%% *}")
    peak_a=$(max_of "$peak_a" "${line##* }")
    if ((cold)); then drop_caches; fi
    line=$(measure "${cmd_b[@]}")
    eval "${after_each:-:}"
    best_b=$(min_of "$best_b" "${line%% *}")
    peak_b=$(max_of "$peak_b" "${line##* }")
  done
}

# True when the page cache can be dropped (root, and drop_caches writable);
# otherwise sets `no_drop_reason`.
can_drop_caches() {
  no_drop_reason=""
  if [[ $(id -u) != 0 ]]; then
    no_drop_reason="not run as root"
  elif ! [[ -w /proc/sys/vm/drop_caches ]]; then
    no_drop_reason="/proc/sys/vm/drop_caches is not writable"
  elif ! { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    no_drop_reason="writing /proc/sys/vm/drop_caches failed"
  fi
  [[ -z $no_drop_reason ]]
}

# Writes dirty pages out and drops the page cache, so the next run reads
# from the disk.
drop_caches() {
  sync
  echo 3 >/proc/sys/vm/drop_caches
}

# The contents pages that the floor reads and the byte counts count: every
# .htm/.html file at least two folders below the archive root (so not an
# index in the root itself, such as the previous HtmlData.htm).
page_tests=(-mindepth 3 \( -iname '*.htm' -o -iname '*.html' \) -type f)

# Bytes of the contents pages under ROOT.
page_bytes() {
  find "$1" "${page_tests[@]}" -printf '%s\n' | awk '{ s += $1 } END { printf "%d\n", s }'
}

# Bytes of the contents pages of ROOT's largest folder.
largest_folder_bytes() {
  find "$1" "${page_tests[@]}" -printf '%s\t%h\n' |
    awk -F '\t' '{ s[$2] += $1 } END { m = 0; for (d in s) if (s[d] > m) m = s[d]; printf "%d\n", m }'
}

# The floor, one command timed as one: the least any indexer does on an
# archive: walk it, read every contents page once, and write an index of the
# same size. Run as: sh -c "$floor_script" floor ROOT SIZE; it writes SIZE
# bytes to ROOT/.floor-out, which the caller removes.
# shellcheck disable=SC2016  # expanded by sh -c, not here
floor_script='find "$1" -mindepth 3 \( -iname "*.htm" -o -iname "*.html" \) -type f -print0 |
  xargs -0 cat >/dev/null && head -c "$2" /dev/zero >"$1/.floor-out"'
