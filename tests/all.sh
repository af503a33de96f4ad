#!/usr/bin/env bash
# Builds pdfindex with GCC, warnings as errors, and runs every test with it;
# then builds and tests it with Clang (warnings as errors too) under the
# sanitizers: AddressSanitizer and UndefinedBehaviorSanitizer, with the fuzz
# targets run for a short time each, then ThreadSanitizer; then the static
# analysis of src/.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

# Every build reads PDFs (-DPDFINDEX_METADATA=ON fails the configure step
# where poppler-cpp or pkgconf is missing, instead of leaving its tests out).
# The slow, browser, package and README tests run with the GCC build only:
# they check the program as users meet it, which the other builds repeat
# nothing of. `skip`, when set, is a regular expression of tests left out by
# name.
build_and_test() {
  local dir=$1 exclude=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DPDFINDEX_WERROR=ON -DPDFINDEX_METADATA=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" ${exclude:+-LE "$exclude"} \
    ${skip:+-E "$skip"}
}
user_facing="slow|browser|package|readme"

echo "== GCC build and tests"
# The benchmarks are built too, so that they keep compiling.
CXX=g++ build_and_test build/gcc "" -DPDFINDEX_BENCH=ON
# The browser test is one of the CTest tests where chromium is installed.
command -v chromium >/dev/null || echo "== no chromium: the browser test did not run (.ci/run installs it)"
# In CI (root, on a machine of its own) the .deb is also installed with
# dpkg -i, run from the PATH and removed again.
if [[ ${CI:-} == true && $(id -u) == 0 ]]; then
  echo "== The .deb installed with dpkg"
  bash tests/package/package_test.sh build/gcc --dpkg
fi
echo "== Clang with AddressSanitizer and UndefinedBehaviorSanitizer: tests and fuzz targets"
# Also the Clang build with warnings as errors, and the compile database of
# the static analysis below.
CXX=clang++ build_and_test build/sanitize "$user_facing" -DPDFINDEX_FUZZ=ON
echo "== Fuzzing, ${PDFINDEX_FUZZ_SECONDS:=5} s per target"
bash fuzz/run.sh build/sanitize "$PDFINDEX_FUZZ_SECONDS"
echo "== Clang with ThreadSanitizer: tests"
# Any data race or lock-order inversion fails the test it happens in. A
# signal ends the run with _exit while its indexing threads are at work, by
# design, so threads left at exit are not reported. The
# 100 MB one-line page (a page's size, not threads) is left to the builds
# above: under ThreadSanitizer it alone takes minutes.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 report_thread_leaks=0${TSAN_OPTIONS:+ $TSAN_OPTIONS}" \
  skip=ReliabilityTest.EmptyPagesPagesWithNulBytesAndAHugeOneLinePageSlow \
  CXX=clang++ build_and_test build/tsan "$user_facing" -DPDFINDEX_TSAN=ON
echo "== Static analysis of src/"
bash tests/analyse.sh build/sanitize
