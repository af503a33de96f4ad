#!/usr/bin/env bash
# Runs the README's commands as a new user would, as far as a test can: the
# Quick start line with its apt-get part replaced by a check that those
# packages are installed (and are the ones .ci/run installs), in a copy of
# the source tree; then the Install lines, with `cmake --install` into a
# throw-away prefix and the .deb built but not installed.
#
#   readme_test.sh
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
readme=$source_dir/README.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The indented command lines of the README section headed `$1`.
commands_of() {
  awk -v heading="## $1" '
    /^## / { inside = index($0, heading) == 1; next }
    inside && /^    [^ ]/ { sub(/^    /, ""); print }' "$readme"
}

sudo='$(command -v sudo)'
# A bare sudo fails where there is none (a fresh machine, a container's root).
if grep -n 'sudo ' "$readme" >&2; then
  fail "README uses sudo other than as $sudo"
fi

echo "== Quick start"
quick=$(commands_of "Quick start" | head -1)
prefix="$sudo apt-get update && $sudo apt-get install -y "
[[ $quick == "$prefix"* ]] || fail "Quick start does not begin with: $prefix"
rest=${quick#"$prefix"}
packages=${rest%% && *}
build=${rest#* && }
# The README's list is what CI installs, less the tools that the browser
# test and the package test use only where they are installed.
ci=$(sed -n '/^packages=(/,/)/p' "$source_dir/.ci/run" | tr -d '()' | sed 's/packages=//' |
  tr ' ' '\n' | grep . | { cat; echo npm; } | sort)
[[ $(tr ' ' '\n' <<<"$packages" | grep . | sort) == "$ci" ]] ||
  fail "README packages ($packages) differ from .ci/run's"
for p in $packages; do
  # .ci/run takes any npm on the PATH (a Node.js installed from elsewhere
  # brings its own), so the README's npm need not be Debian's.
  [[ $p == npm ]] && command -v npm >/dev/null && continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    fail "package $p is not installed"
done

# A copy of the sources as they stand, without build folders.
mkdir "$work/src"
(cd "$source_dir" && tar -c --exclude=./build --exclude=./.git .) | tar -x -C "$work/src"
rm -f "$work/src/examples/archive/HtmlData.htm"
if command -v ccache >/dev/null; then
  # Compiles through the cache, with paths taken relative to the copy so that
  # the next run of this test hits it.
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$work/src
fi
(cd "$work/src" && bash -c "$build" </dev/null) || fail "Quick start: $build"
cmp -s "$work/src/examples/archive/HtmlData.htm" "$source_dir/examples/expected/HtmlData.htm" ||
  fail "Quick start gave another examples/archive/HtmlData.htm"

echo "== Install"
mapfile -t install < <(commands_of "Install")
((${#install[@]} == 3)) || fail "expected three Install lines, found ${#install[@]}"
[[ ${install[0]} == "$sudo cmake --install build" ]] || fail "Install line 1: ${install[0]}"
(cd "$work/src" && cmake --install build --prefix "$work/prefix" >/dev/null)
[[ -x $work/prefix/bin/pdfindex ]] || fail "cmake --install put no bin/pdfindex"
deb_install=" && $sudo dpkg -i "
[[ ${install[1]} == *"$deb_install"* ]] || fail "Install line 2: ${install[1]}"
(cd "$work/src" && bash -c "${install[1]%%"$deb_install"*}" >/dev/null)
deb=${install[1]##*"$deb_install"}
[[ -f $work/src/$deb ]] || fail "the package is not named $deb"
[[ ${install[2]} == "pdfindex --version && man pdfindex" ]] || fail "Install line 3: ${install[2]}"
PATH=$work/prefix/bin:$PATH pdfindex --version >/dev/null || fail "pdfindex --version"
if command -v man >/dev/null; then
  MANPATH=$work/prefix/share/man man -w pdfindex >/dev/null || fail "man pdfindex"
fi
echo "readme test: passed"
