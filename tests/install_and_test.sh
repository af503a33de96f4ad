#!/usr/bin/env bash
# Installs what the tests need, where it is missing, then runs every test
# (tests/all.sh). The README's second command and .ci/run's only step.
#
#   install_and_test.sh          install, then test
#   PDFINDEX_INSTALL_ONLY=1 install_and_test.sh   install only
set -euo pipefail
cd "$(dirname "$0")/.."

# What building and running need (the README's first command installs these
# alone): g++, cmake, ninja-build, zlib1g-dev, and for --metadata libpoppler-cpp-dev,
# found through pkgconf.
# What the tests add: clang and libclang-rt-14-dev (the Clang builds, the
# sanitizer and libFuzzer runtimes), libgtest-dev, libbenchmark-dev,
# clang-tidy and cppcheck (static analysis), dpkg-dev (the .deb's dependency
# list) and lintian (its check), chromium, chromium-driver and
# python3-selenium (the browser tests), pandoc and python3-jsonschema (the
# exports read back), strace (which files a run opens), libvectorscan-dev
# (what finder_bench compares the key index with). The exports' test reads
# the BibTeX, RIS and CSL-JSON with the tools their users have: pdflatex with
# bibtex and biblatex with biber (texlive-latex-base,
# texlive-latex-recommended for etoolbox, texlive-bibtex-extra, biber),
# JabRef, bibutils, and the citation styles pandoc renders with; pdftotext
# (poppler-utils) reads the typeset bibliographies back.
packages=(cmake ninja-build g++ zlib1g-dev clang libgtest-dev libbenchmark-dev python3 chromium dpkg-dev
  libclang-rt-14-dev clang-tidy cppcheck chromium-driver python3-selenium lintian pandoc
  python3-jsonschema libpoppler-cpp-dev pkgconf strace libvectorscan-dev texlive-latex-base
  texlive-latex-recommended texlive-bibtex-extra biber jabref bibutils
  citation-style-language-styles poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm installs axe-core for the searchable page's accessibility check. Any npm
# will do: a Node.js installed from elsewhere brings its own, and Debian's
# npm would conflict with it (apt-get would then refuse the whole list).
command -v npm >/dev/null || missing+=(npm)
if ((${#missing[@]})); then
  # Root needs no sudo (a fresh machine or a container may have none).
  as_root=()
  [[ $(id -u) == 0 ]] || as_root=("$(command -v sudo)")
  "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 update
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 \
    install -y --no-install-recommends "${missing[@]}"
fi
[[ ${PDFINDEX_INSTALL_ONLY:-} == 1 ]] && exit 0

npm ci --prefix tests/browser --no-audit --no-fund
bash tests/all.sh
