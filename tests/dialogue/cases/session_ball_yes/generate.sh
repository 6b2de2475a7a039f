#!/usr/bin/env bash
# A whole session on the bundled water box: shape 2 (ball), answer "yes", oxygens of SOL.
# 9 oxygens lie in the ball, so 9 whole waters (27 atoms) are written; the count line is the
# number of atom lines written. The box group was never typed: the last line is zeros.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir expected_files
water=../../../../examples/water.gro
reference() { awk -v shape=2 -v p=0.8,0.9,1.0,0.4 -v atom=OW -v resid=SOL -v whole=yes \
  -v out="$1" -f ../../expected_selection.awk "$water"; }
echo examples/water.gro >copy
printf 'water.gro\n2\n0.8 0.9 1.0 0.4\nyes\nOW\nSOL\n\n' >input
{
  banner; blank; shape_menu; blank; ball_prompts; blank; residue_question; blank
  atom_question; blank; residue_name_question; blank
  counts 27 9
  closing yes
} >expected_stdout
echo 0 >expected_status
{
  # (A15,3F6.2,A7,F5.2,A6,A5,A9,A5): "residue:" has eight characters in nine columns.
  printf 'x/y/z of center  0.80  0.90  1.00 radius 0.40atom: OW    residue:SOL  \r\n'
  printf '%5d\r\n' 27           # count line after "yes": (I5)
  reference atoms
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; reference ndx; } >expected_files/list.ndx
reference residues >expected_files/residue.txt
[[ $(reference atoms | wc -l) == 27 && $(reference residues | wc -l) == 9 ]] ||
  { echo "the selection is not 9 whole waters" >&2; exit 1; }
