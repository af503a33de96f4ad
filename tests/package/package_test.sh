#!/usr/bin/env bash
# Installs pdfindex from a build folder the ways a user would and checks the
# result: `cmake --install` to a fresh prefix puts the program in bin/ and
# pdfindex(1) in share/man/man1/ and the licence in share/doc/pdfindex/, and
# `cpack -G DEB` makes a .deb holding them under /usr, whose program runs and
# in which lintian (where installed) finds no error.
#
#   package_test.sh BUILD_DIR            the checks above, changing nothing
#                                        outside a temporary folder
#   package_test.sh BUILD_DIR --dpkg     also `dpkg -i` the .deb, run pdfindex
#                                        from the PATH and `dpkg -r` it again
#                                        (root only; skipped when a pdfindex
#                                        is installed already)
set -euo pipefail

build=$(cd "$1" && pwd)
dpkg_install=false
[[ ${2:-} == --dpkg ]] && dpkg_install=true
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(pdfindex VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs `pdfindex` (the program given) on a copy of the example archive.
indexes_the_examples() {
  rm -rf "$work/archive"
  cp -r "$source_dir/examples/archive" "$work/archive"
  rm -f "$work/archive/HtmlData.htm"
  (cd "$work/archive" && "$1" </dev/null) || fail "$1 failed on the example archive"
  [[ -s $work/archive/HtmlData.htm ]] || fail "$1 wrote no index"
}

echo "== cmake --install"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
program=$work/prefix/bin/pdfindex
man_page=$work/prefix/share/man/man1/pdfindex.1.gz
[[ -f $man_page ]] || man_page=${man_page%.gz}
[[ -x $program ]] || fail "no bin/pdfindex"
[[ -f $man_page ]] || fail "no share/man/man1/pdfindex.1 or .1.gz"
[[ -f $work/prefix/share/doc/pdfindex/copyright ]] || fail "no share/doc/pdfindex/copyright"
[[ $("$program" --version) == "pdfindex $version" ]] || fail "bin/pdfindex --version"
indexes_the_examples "$program"

# The man page names this version and documents every option --help lists,
# every publisher keyword, the exit statuses and the console line.
page=$(gzip -dcf "$man_page")
grep -q "^\.TH PDFINDEX 1 .*\"pdfindex $version\"" <<<"$page" || fail "man page version"
for option in $("$program" --help | grep -o -- '--[a-z]*' | sort -u); do
  grep -qF -- "${option//-/\\-}" <<<"$page" || fail "man page lacks $option"
done
for word in ScienceDirect Embo Springer Elsevier AmChemSoc AmInstPhys AmMathSoc JBCOnline \
    "EXIT STATUS" eroare HtmlData.htm; do
  grep -qF -- "$word" <<<"$page" || fail "man page lacks $word"
done

echo "== cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(echo "$work"/deb/pdfindex_"$version"_*.deb)
[[ -f $deb ]] || fail "no pdfindex_${version}_*.deb"
contents=$(dpkg-deb -c "$deb")
grep -q ' \./usr/bin/pdfindex$' <<<"$contents" || fail ".deb lacks /usr/bin/pdfindex"
grep -q ' \./usr/share/man/man1/pdfindex\.1\(\.gz\)\?$' <<<"$contents" || fail ".deb lacks the man page"
[[ $(dpkg-deb -f "$deb" Package Version) == $'Package: pdfindex\nVersion: '"$version" ]] ||
  fail ".deb control: $(dpkg-deb -f "$deb" Package Version)"
for file in copyright changelog.Debian.gz; do
  grep -q " \./usr/share/doc/pdfindex/$file\$" <<<"$contents" || fail ".deb lacks $file"
done
for field in Maintainer Section Description; do
  [[ -n $(dpkg-deb -f "$deb" "$field") ]] || fail ".deb has no $field"
done
[[ $(dpkg-deb -f "$deb" Section) == utils ]] || fail ".deb section"
dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/pdfindex
[[ $(head -1 "$doc/copyright") == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
  fail "copyright is not in the machine-readable format"
grep -qx "License: Expat" "$doc/copyright" || fail "copyright names no Expat (MIT) licence"
[[ $(gzip -dc "$doc/changelog.Debian.gz" | head -1) == "pdfindex ($version) "* ]] ||
  fail "changelog.Debian does not start with version $version"
if command -v lintian >/dev/null; then
  echo "== lintian"
  findings=$(lintian "$deb" 2>&1 || true)
  [[ -n $findings ]] && echo "$findings"
  ! grep -q '^E: ' <<<"$findings" || fail "lintian reports errors"
fi
[[ $("$work/root/usr/bin/pdfindex" --version) == "pdfindex $version" ]] || fail "unpacked --version"
indexes_the_examples "$work/root/usr/bin/pdfindex"

if $dpkg_install; then
  echo "== dpkg -i"
  [[ $(id -u) == 0 ]] || fail "--dpkg needs root"
  if dpkg-query -W pdfindex >/dev/null 2>&1 || command -v pdfindex >/dev/null; then
    echo "skipped: a pdfindex is installed on this machine already"
  else
    trap 'dpkg -r pdfindex >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    dpkg -i "$deb" >/dev/null
    hash -r
    [[ $(command -v pdfindex) == /usr/bin/pdfindex ]] || fail "pdfindex not on the PATH"
    [[ $(cd / && pdfindex --version) == "pdfindex $version" ]] || fail "installed --version"
    indexes_the_examples pdfindex
    if command -v man >/dev/null; then
      [[ $(man -w pdfindex) == /usr/share/man/man1/pdfindex.1* ]] || fail "man -w pdfindex"
    fi
    dpkg -r pdfindex >/dev/null
    hash -r
    ! command -v pdfindex >/dev/null || fail "pdfindex still on the PATH after dpkg -r"
    trap 'rm -rf "$work"' EXIT
  fi
fi
echo "package test: passed"
