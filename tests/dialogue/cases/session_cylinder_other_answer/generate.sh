#!/usr/bin/env bash
# A whole session on the bundled water box: shape 5 (cylinder), answer "Yes" (neither "yes"
# nor "no": single atoms, no residue.txt), atom HW1 of any residue. The count line is written
# as for "no" so that result.gro stays a readable .gro file. The radius 0.35 is stored as
# 0.3499999940... and so prints as 0.3 in F5.1.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir expected_files
water=../../../../examples/water.gro
reference() { awk -v shape=5 -v p=0.35,0.1,1.2,1,0.8 -v atom=HW1 -v resid=any -v whole=Yes \
  -v out="$1" -f ../../expected_selection.awk "$water"; }
echo examples/water.gro >copy
printf 'water.gro\n5\n0.35,0.1,1.2,1,0.8\nYes\nHW1\nany\n\n' >input
{
  banner; blank; shape_menu; blank; cylinder_prompts; blank; residue_question; blank
  atom_question; blank; residue_name_question; blank
  counts 16 16
  closing Yes
} >expected_stdout
echo 0 >expected_status
{
  # (A24,5F5.1,A6,A5,A6,A5)
  printf 'r/zmin/zmax/x/y of axis   0.3  0.1  1.2  1.0  0.8 atom:HW1  resid:any  \r\n'
  printf '%12d\r\n' 16
  reference atoms
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; reference ndx; } >expected_files/list.ndx
[[ $(reference atoms | wc -l) == 16 ]] || { echo "the selection is not 16 atoms" >&2; exit 1; }
echo residue.txt >absent
