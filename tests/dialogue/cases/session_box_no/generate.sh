#!/usr/bin/env bash
# A whole session on the bundled water box: shape 1 (box), answer "no", oxygens of SOL.
# Parameters typed with mixed separators; an empty line at the yes/no prompt is passed over.
# 23 atoms: list.ndx rows of 10, 10 and 3 (the last completed when the file is closed).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir expected_files
water=../../../../examples/water.gro
reference() { awk -v shape=1 -v p=0,0.47,-99,99,0,0.78 -v atom=OW -v resid=SOL -v whole=no \
  -v out="$1" -f ../../expected_selection.awk "$water"; }
echo examples/water.gro >copy
printf 'water.gro\n1\n0 0.47, -99 , 99,0,0.78\n\nno\nOW\nSOL\n\n' >input
{
  banner; blank; shape_menu; blank; box_prompts; blank; residue_question; blank
  atom_question; blank; residue_name_question; blank
  counts 23 23
  closing no
} >expected_stdout
echo 0 >expected_status
{
  # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima.
  printf 'x/y/z-min/max   0.00-99.00  0.00  0.47 99.00  0.78 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 23          # count line after "no": one free-form integer
  reference atoms
  printf '   0.47000  99.00000   0.78000\r\n'   # (3F10.5): xmax, ymax, zmax
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; reference ndx; } >expected_files/list.ndx
[[ $(reference atoms | wc -l) == 23 ]] || { echo "the selection is not 23 atoms" >&2; exit 1; }
echo residue.txt >absent
