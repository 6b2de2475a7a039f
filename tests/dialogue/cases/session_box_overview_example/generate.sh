#!/usr/bin/env bash
# The typical session: water oxygens of the bundled water box inside the box that the prompt
# itself gives as its example, 0.1,1.12,-99,99,1,2.5, answer "no". The region line is worked
# out by hand; the selected atoms come from the independent awk reference.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir expected_files
water=../../../../examples/water.gro
reference() { awk -v shape=1 -v p=0.1,1.12,-99,99,1,2.5 -v atom=OW -v resid=SOL -v whole=no \
  -v out="$1" -f ../../expected_selection.awk "$water"; }
echo examples/water.gro >copy
printf 'water.gro\n1\n0.1,1.12,-99,99,1,2.5\nno\nOW\nSOL\n\n' >input
selected=$(reference atoms | wc -l)
# Each selected oxygen is its own water, so the residue list has one entry per atom.
session box "$selected" "$selected" no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max   0.10-99.00  1.00  1.12 99.00  2.50 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' "$selected"
  reference atoms
  printf '   1.12000  99.00000   2.50000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; reference ndx; } >expected_files/list.ndx
[[ $(reference residues | wc -l) == "$selected" ]] ||
  { echo "the selected oxygens are not all of different waters" >&2; exit 1; }
((selected > 10)) || { echo "too few atoms selected for a useful case" >&2; exit 1; }
echo residue.txt >absent
