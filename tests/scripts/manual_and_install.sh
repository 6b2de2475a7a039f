#!/usr/bin/env bash
# The manual page names every option that --help names and the version --version gives,
# and cmake --install puts the binary and the manual page under the prefix (and below
# DESTDIR when it is set).
#
# Usage: manual_and_install.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-install.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

failed=0
fail() {
  echo "FAIL $*"
  failed=1
}

# The page as a reader sees it: roff's escaped minus signs and backslashes undone.
page=$(sed -e 's/\\-/-/g' -e 's/\\e/\\/g' "$source_dir/doc/gro-region.1")
options=$("$binary" --help | grep -o -e '--[a-z][a-z-]*' | sort -u)
[[ -n $options ]] || fail "--help names no option"
for option in $options; do
  grep -q -e "$option\\b" <<<"$page" || fail "the manual page does not name $option"
done
version=$("$binary" --version)
head -n 1 <<<"$page" | grep -qF "\"$version\"" || fail "the manual page is not of '$version'"
((failed)) || echo "PASS manual page: $(wc -w <<<"$options") options, $version"

build_dir=$(dirname "$binary")
if [[ -f $build_dir/cmake_install.cmake ]]; then
  cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null || fail "cmake --install failed"
  DESTDIR=$scratch/stage cmake --install "$build_dir" --prefix /opt/gro >/dev/null ||
    fail "cmake --install with DESTDIR failed"
  for root in "$scratch/prefix" "$scratch/stage/opt/gro"; do
    [[ -x $root/bin/gro-region ]] || fail "no $root/bin/gro-region"
    cmp -s "$source_dir/doc/gro-region.1" "$root/share/man/man1/gro-region.1" ||
      fail "no manual page at $root/share/man/man1"
  done
  [[ $("$scratch/prefix/bin/gro-region" --version) == "$version" ]] || fail "installed binary"
  ((failed)) || echo "PASS cmake --install"
fi
exit "$failed"
