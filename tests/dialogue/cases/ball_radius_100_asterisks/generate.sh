#!/usr/bin/env bash
# Shape 2 (ball) with radius 100: the radius needs six columns of F5.2 and prints as five
# asterisks. The centre shows F6.2 rounding of the stored values: 0.125 and -0.375 are exact
# ties and go to the even digit (0.12, -0.38); 9.995 is stored as 9.99499989 and gives 9.99.
# Every atom of the two waters lies within 100 nm of the centre; "any" for both names.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n2\n0.125 -0.375 9.995 100\nno\nany\nany\n\n' >input
# Both waters are selected: the residue list is 1, 2.
session ball 6 2 no >expected_stdout
echo 0 >expected_status
{
  # (A15,3F6.2,A7,F5.2,A6,A5,A9,A5)
  printf 'x/y/z of center  0.12 -0.38  9.99 radius*****atom: any   residue:any  \r\n'
  printf '%12d\r\n' 6
  two_waters_lines 1 2 3 4 5 6
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
