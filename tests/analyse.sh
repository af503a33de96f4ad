#!/usr/bin/env bash
# Static analysis of src/: clang-tidy with the checks chosen in .clang-tidy
# and cppcheck; any finding fails the script.
#
#   tests/analyse.sh [BUILD_DIR]
#
# BUILD_DIR holds the compile_commands.json clang-tidy reads (a Clang build,
# configured here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/clang}
if [[ ! -f $build/compile_commands.json ]]; then
  CXX=clang++ cmake -S . -B "$build" -G Ninja >/dev/null
fi
jobs=$(nproc 2>/dev/null || echo 2)
tidy=$(command -v run-clang-tidy || command -v run-clang-tidy-14)

echo "-- clang-tidy"
"$tidy" -quiet -j "$jobs" -p "$build" "$PWD/src/" > "$build/clang-tidy.log" 2>&1 || {
  grep -E 'warning:|error:' -A3 "$build/clang-tidy.log" || cat "$build/clang-tidy.log"
  echo "clang-tidy found faults in src/ (checks in .clang-tidy)" >&2
  exit 1
}
echo "clang-tidy: no findings"

# Style findings count too, except suggestions to replace a plain loop by an
# algorithm.
echo "-- cppcheck"
cppcheck --enable=warning,style,performance,portability --suppress=useStlAlgorithm \
  --inline-suppr --error-exitcode=1 --quiet --std=c++20 --language=c++ -I src -j "$jobs" src
echo "cppcheck: no findings"
