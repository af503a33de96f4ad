#!/usr/bin/env bash
# Runs the README's commands as a new user would, as far as a test can: the
# Quick start's first command as written, with apt-get a stand-in that checks
# the packages are installed, in a copy of the source tree; the test
# command's install step with stand-ins for apt-get, dpkg-query and npm, with
# Debian's npm there, missing, and refused beside an npm from elsewhere; then
# the Install lines, with `cmake --install` into a throw-away prefix and the
# .deb built but not installed.
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

# Stand-ins: sudo runs its command as it is (this test runs as whoever runs
# it); apt-get logs what it was asked and installs nothing: `install` checks
# that each package it names is installed already, and refuses Debian's npm
# where REFUSE_NPM is set, as apt-get does beside a Node.js from elsewhere.
mkdir "$work/bin" "$work/sim" "$work/npm"
cat >"$work/bin/sudo" <<'STUB'
#!/usr/bin/env bash
exec "$@"
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$APT_LOG"
[[ " $* " == *" install "* ]] || exit 0
for p in "$@"; do
  [[ $p == -* || $p == install || $p == DPkg::* ]] && continue
  if [[ $p == npm && -n ${REFUSE_NPM:-} ]]; then
    echo "The following packages have unmet dependencies: npm : Depends: nodejs" >&2
    exit 100
  fi
  [[ -n ${SIMULATED:-} ]] && continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { echo "apt-get stand-in: $p is not installed" >&2; exit 100; }
done
STUB
# For the test command's install step: every package installed but MISSING.
cat >"$work/sim/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[[ " $* " == *" $MISSING "* ]] && exit 1
printf 'install ok installed'
STUB
printf '#!/bin/sh\necho 10.0.0\n' >"$work/npm/npm"
chmod +x "$work/bin/"* "$work/sim/"* "$work/npm/npm"
export APT_LOG=$work/apt.log

echo "== Quick start"
# The first two: install and build, then install and test (a fuzzing command
# follows).
mapfile -t quick < <(commands_of "Quick start" | head -2)
((${#quick[@]} == 2)) || fail "expected two Quick start commands, found ${#quick[@]}"
build_packages="g++ cmake ninja-build zlib1g-dev libpoppler-cpp-dev pkgconf"
prefix="$sudo apt-get update && $sudo apt-get install -y --no-install-recommends "
[[ ${quick[0]} == "$prefix$build_packages && "* ]] ||
  fail "the first command does not begin with: $prefix$build_packages"
# What the test command installs, with npm where no npm is there.
ci=$(sed -n '/^packages=(/,/)/p' "$source_dir/tests/install_and_test.sh" | tr -d '()' |
  sed 's/packages=//' | tr ' ' '\n' | grep .)
for p in $build_packages; do
  grep -qx -- "$p" <<<"$ci" || fail "the test command does not install $p"
done
[[ ${quick[1]} == "bash tests/install_and_test.sh" ]] || fail "the second command: ${quick[1]}"
grep -qx 'exec bash tests/install_and_test.sh' "$source_dir/.ci/run" ||
  fail ".ci/run does not run the README's test command"

echo "== The test command's install step, Debian's npm there, missing, refused"
# Rows: what is on the PATH beside the basic tools, whether apt-get refuses
# npm, and whether npm is to be asked for.
tools=$work/tools
mkdir "$tools"
for t in bash env grep id dirname cat sed tr; do ln -s "$(command -v "$t")" "$tools/$t"; done
for row in "npm-there::no" "npm-missing::yes" "npm-elsewhere:refuse:no"; do
  IFS=: read -r name refuse wants_npm <<<"$row"
  path=$work/bin:$work/sim:$tools
  [[ $name == npm-missing ]] || path=$work/npm:$path
  : >"$APT_LOG"
  PATH=$path MISSING=strace SIMULATED=1 REFUSE_NPM=$refuse PDFINDEX_INSTALL_ONLY=1 \
    bash "$source_dir/tests/install_and_test.sh" >"$work/out" 2>&1 ||
    fail "$name: the install step failed: $(cat "$work/out")"
  grep -q -- "install -y --no-install-recommends strace" "$APT_LOG" ||
    fail "$name: apt-get was not asked for the missing package: $(cat "$APT_LOG")"
  asked=no
  grep -qw npm "$APT_LOG" && asked=yes
  [[ $asked == "$wants_npm" ]] || fail "$name: npm asked for: $asked"
done
# The stand-in does refuse: asking for Debian's npm there fails the step.
if PATH=$work/bin:$work/sim:$tools MISSING=strace SIMULATED=1 REFUSE_NPM=refuse \
  PDFINDEX_INSTALL_ONLY=1 bash "$source_dir/tests/install_and_test.sh" >/dev/null 2>&1; then
  fail "the apt-get stand-in did not refuse npm"
fi

# A copy of the sources as they stand, without build folders.
mkdir "$work/src"
(cd "$source_dir" && tar -c --exclude=./build --exclude=./.git .) | tar -x -C "$work/src"
rm -f "$work/src/examples/archive/HtmlData.htm"
if command -v ccache >/dev/null; then
  # Compiles through the cache, with paths taken relative to the copy so that
  # the next run of this test hits it.
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$work/src
fi
(cd "$work/src" && PATH=$work/bin:$PATH bash -c "${quick[0]}" </dev/null) ||
  fail "Quick start: ${quick[0]}"
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
